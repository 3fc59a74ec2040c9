#pragma once
// The 24-megapixel picture the application benchmarks work on: smooth colour with a
// checkerboard and fine grain, different for each seed; optionally translucent on its right
// half, where premultiplied round trips lose precision.

#include <cstdint>

#include "imaging/Image.h"

namespace bench {

constexpr int kPictureWidth = 6000, kPictureHeight = 4000;

inline imaging::Image picture(int seed = 0, bool translucentRight = false) {
    imaging::Bitmap b(kPictureWidth, kPictureHeight, imaging::PixelFormat::RGBA8);
    for (int y = 0; y < kPictureHeight; ++y) {
        uint8_t* row = b.row(y);
        for (int x = 0; x < kPictureWidth; ++x) {
            row[4 * x + 0] = uint8_t((x * 255) / kPictureWidth + seed * 40);
            row[4 * x + 1] = uint8_t((y * 255) / kPictureHeight);
            row[4 * x + 2] = uint8_t(((x / 40 + y / 40) % 2) * 160 + (x * y + seed) % 64);
            row[4 * x + 3] =
                uint8_t(!translucentRight || x < kPictureWidth / 2 ? 255 : 8 + (y % 200));
        }
    }
    return imaging::Image::fromBitmap(b);
}

}  // namespace bench
