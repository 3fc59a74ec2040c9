#pragma once
// Linear light to the sRGB-encoded value a person painted, quickly: maps, masks and height
// fields are drawn in encoded values, so their mid-grey means "half".

#include <array>
#include <cmath>

#include "imaging/Pixel.h"

namespace imaging {

// linearToSrgb for values in 0..1 (clamped), to about 1e-4, by table.
inline float encodedValue(float linear) {
    constexpr int kSize = 4096;
    static const std::array<float, kSize + 2> table = [] {
        std::array<float, kSize + 2> t{};
        for (int i = 0; i <= kSize + 1; ++i)
            t[size_t(i)] = linearToSrgb(std::min(1.f, float(i) / kSize));
        return t;
    }();
    const float x = std::clamp(linear, 0.f, 1.f) * kSize;
    const int i = int(x);
    const float f = x - float(i);
    return table[size_t(i)] + (table[size_t(i) + 1] - table[size_t(i)]) * f;
}

}  // namespace imaging
