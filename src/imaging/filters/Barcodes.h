#pragma once
// Barcode symbols as grids of dark and light modules (encoded by libzint), and pictures of
// such grids: one picture unit per module, dark modules black on white, each output pixel
// exactly as dark as the share of it the dark modules cover (so any scale converges).

#include <string_view>
#include <vector>

#include "imaging/Image.h"

namespace imaging::barcode {

struct Modules {
    int width = 0, height = 0;
    std::vector<uint8_t> dark;  // rows from the top
    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool at(int x, int row) const { return dark[size_t(row) * size_t(width) + size_t(x)] != 0; }
};

// Empty when the message cannot be encoded with these settings (too long, empty).
// QR: level 0..3 is L, M, Q, H.
Modules qrCode(std::string_view message, int level);
// Aztec: `percent` error correction, `layers` 0 for the smallest that fits, `compact` for the
// compact form (at most 4 layers).
Modules aztecCode(std::string_view message, double percent, int layers, bool compact);
// Code 128: one row of modules.
Modules code128(std::string_view message);

// The grid drawn with `quiet` light modules around it, each module `cellHeight` units tall
// (1 for square modules). The extent starts at the origin.
Image moduleImage(const Modules& m, double quiet, double cellHeight = 1);

}  // namespace imaging::barcode
