#pragma once
// The 24-megapixel picture the canvas benchmarks show: smooth colour with a checkerboard and
// fine texture, different for each seed.

#include <cstdint>

#include "imaging/Image.h"

namespace bench {

constexpr int kPictureWidth = 6000, kPictureHeight = 4000;

inline imaging::Image picture(int seed) {
    imaging::Bitmap b(kPictureWidth, kPictureHeight, imaging::PixelFormat::RGBA8);
    for (int y = 0; y < kPictureHeight; ++y) {
        uint8_t* row = b.row(y);
        for (int x = 0; x < kPictureWidth; ++x) {
            row[4 * x + 0] = uint8_t((x * 255) / kPictureWidth + seed * 40);
            row[4 * x + 1] = uint8_t((y * 255) / kPictureHeight);
            row[4 * x + 2] = uint8_t(((x / 40 + y / 40) % 2) * 160 + (x * y + seed) % 64);
            row[4 * x + 3] = 255;
        }
    }
    return imaging::Image::fromBitmap(b);
}

}  // namespace bench
