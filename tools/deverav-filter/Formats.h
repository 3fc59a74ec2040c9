#pragma once
// The file formats the tool writes: the application's graphics exporters, chosen by the output
// file's extension, with the resolution stored in the file where the format has a field for it.

#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/WorkingSpace.h"

namespace tool {

// One line per writable format: code, name, extensions (the usual one first).
std::string formatsText();

// Removes "--dpi N" from the arguments and returns N (0 when absent). Throws UsageError for a
// missing or absurd value.
double takeDpiOption(std::vector<std::string>& args);

// Whether the path's format keeps 16 bits per channel (PNG, TIFF, PSD).
bool holdsSixteenBits(const std::string& path);

// Writes the bitmap through the exporter the path's extension names. A float bitmap (values
// premultiplied in `space`) is written with 16 bits per channel, in the formats that hold them.
// Throws UsageError when no writable format has that extension, imaging::Error when the write
// fails (any old file is then left as it was).
void writeThroughExporter(const imaging::Bitmap& bitmap, const std::string& path, double dpi,
                          imaging::WorkingSpace space = imaging::WorkingSpace::Linear);

}  // namespace tool
