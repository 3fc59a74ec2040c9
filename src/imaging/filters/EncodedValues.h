#pragma once
// Linear light to the sRGB-encoded value a person painted: maps, masks and height fields are
// drawn in encoded values, so their mid-grey means "half".

#include <algorithm>

#include "imaging/filters/ColorMath.h"

namespace imaging {

// linearToSrgb for values in 0..1 (clamped; NaN gives 0), by ColorMath's fast curve.
inline float encodedValue(float linear) {
    return cmath::encode(std::clamp(linear > 0.f ? linear : 0.f, 0.f, 1.f));
}

}  // namespace imaging
