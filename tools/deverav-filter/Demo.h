#pragma once

#include <string>
#include <vector>

namespace tool {

// Renders a handful of filters on a generated colourful picture into `dir` (created when
// missing); returns the files written, the picture first. Throws imaging::Error.
std::vector<std::string> runDemo(const std::string& dir);

}  // namespace tool
