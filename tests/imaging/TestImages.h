#pragma once
// Pictures made by the tests.

#include <cstdint>
#include <functional>

#include "imaging/Buffer.h"
#include "imaging/Context.h"
#include "imaging/Image.h"

namespace testimg {

using imaging::Bitmap;
using imaging::Buffer;
using imaging::Image;
using imaging::Px;

// An engine-float picture whose pixel (x, y) (y up, from the origin) is f(x, y).
inline Image floatImage(int w, int h, const std::function<Px(int, int)>& f,
                        imaging::Point origin = {}) {
    Bitmap b(w, h, imaging::PixelFormat::RGBAF);
    for (int row = 0; row < h; ++row) {
        auto* p = reinterpret_cast<Px*>(b.row(row));
        for (int x = 0; x < w; ++x) p[x] = f(x, h - 1 - row);
    }
    return Image::fromBitmap(b, origin);
}

inline Image constant(int w, int h, Px c) {
    return floatImage(w, h, [c](int, int) { return c; });
}

// A smooth, colourful, opaque picture: varies in x, y and both.
inline Px smoothPixel(int x, int y) {
    return Px{0.5f + 0.4f * std::sin(x * 0.05f), 0.5f + 0.4f * std::cos(y * 0.07f),
              0.5f + 0.4f * std::sin((x + y) * 0.03f), 1.f};
}
inline Image smooth(int w, int h) {
    return floatImage(w, h, smoothPixel);
}

// An opaque 8-bit picture with grain, so that blurs and resampling differ from row to row.
inline Image grainy(int w, int h) {
    Bitmap b(w, h, imaging::PixelFormat::RGBA8);
    uint32_t state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.row(y) + 4 * x;
            for (int c = 0; c < 3; ++c) {
                state = state * 1664525u + 1013904223u;
                p[c] = uint8_t((x * 3 + y * (c + 1)) % 200 + (state >> 28));
            }
            p[3] = 255;
        }
    return Image::fromBitmap(b);
}

inline Buffer render(const Image& img, const imaging::Rect& r, double scale = 1) {
    return imaging::Context().render(img, r, scale);
}

inline float maxDiff(Px a, Px b) {
    float m = 0;
    for (int i = 0; i < 4; ++i) m = std::max(m, std::abs(a[i] - b[i]));
    return m;
}

// Mean of every channel over a buffer.
inline Px mean(const Buffer& b) {
    Px s{0, 0, 0, 0};
    double n = 0;
    for (int y = b.rect().y0; y < b.rect().y1; ++y)
        for (int x = b.rect().x0; x < b.rect().x1; ++x) s += b.at(x, y), n += 1;
    return n > 0 ? s / float(n) : s;
}

}  // namespace testimg
