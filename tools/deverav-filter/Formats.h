#pragma once
// The file formats the tool writes: the application's graphics exporters, chosen by the output
// file's extension, with the resolution stored in the file where the format has a field for it.

#include <memory>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/Context.h"
#include "imaging/WorkingSpace.h"

namespace foundation {
class PictureMetadata;
}

namespace tool {

// One line per writable format: code, name, extensions (the usual one first).
std::string formatsText();

// Removes "--dpi N" from the arguments and returns N (0 when absent). Throws UsageError for a
// missing or absurd value.
double takeDpiOption(std::vector<std::string>& args);
// Removes "--quality N" (a whole number from 0 to 100) and returns N (-1 when absent).
int takeQualityOption(std::vector<std::string>& args);

// Whether the path's format keeps 16 bits per channel (PNG, TIFF, PSD).
bool holdsSixteenBits(const std::string& path);

struct WriteOptions {
    double dpi = 0;    // 0: no resolution recorded
    int quality = -1;  // for formats with a quality (JPEG); -1: their default
    // How a float bitmap's values are encoded.
    imaging::WorkingSpace space = imaging::WorkingSpace::Linear;
    // Recorded where the format holds it: what the input file recorded.
    std::shared_ptr<const foundation::PictureMetadata> metadata;
};

// Writes the bitmap through the exporter the path's extension names; returns what could not be
// recorded (the metadata), or nothing. A float bitmap (values premultiplied in `options.space`)
// is written with 16 bits per channel, in the formats that hold them. Throws UsageError when no
// writable format has that extension or a quality is asked of a format without one,
// imaging::Error when the write fails (any old file is then left as it was).
std::string writeThroughExporter(const imaging::Bitmap& bitmap, const std::string& path,
                                 const WriteOptions& options);

struct WriteTimes {
    double renderMs = 0, writeMs = 0;
    int width = 0, height = 0;
    std::string warning;  // what of the metadata could not be recorded
};

// Renders `region` of `image` at `scale` and writes it: the same bytes as renderBitmap and
// writeThroughExporter give with the same options, but with 8 bits per channel as TIFF, PNG or
// JPEG a strip of rows at a time (options.stripBudget), so that the result is never held whole.
WriteTimes renderToFile(imaging::Image image, const imaging::Rect& region, double scale,
                        const imaging::RenderOptions& options, int depth, const std::string& path,
                        WriteOptions write);

}  // namespace tool
