#pragma once
// deverav-filter info FILE [--json]: what the picture information panel shows about a file
// (path, type, size in bytes and the property tree), as text or JSON.

namespace tool {

// Runs the command on the process arguments (argv[1] is "info"). Returns the exit status: 0, 1
// when the file is no picture this program can read, -1 when the arguments are wrong.
int info(int argc, char** argv);

}  // namespace tool
