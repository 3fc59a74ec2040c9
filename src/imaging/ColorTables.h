#pragma once
// Fast conversions between 8-bit sRGB and the engine's linear floats.

#include <cstdint>

#include "imaging/Pixel.h"

namespace imaging {

// sRGB byte -> linear value.
const float* srgbDecodeTable();

// Linear value in 0..1 -> sRGB byte (clamped).
uint8_t encodeSrgb8(float linear);

// Straight sRGB bytes -> linear premultiplied pixel.
inline Px decodeRGBA8(const uint8_t* p) {
    const float* t = srgbDecodeTable();
    float a = p[3] * (1.f / 255.f);
    return Px{t[p[0]] * a, t[p[1]] * a, t[p[2]] * a, a};
}

// Linear premultiplied pixel -> straight sRGB bytes.
void encodeRGBA8(Px p, uint8_t* out);
// Linear premultiplied pixel -> premultiplied sRGB bytes (the way toolkits store them).
void encodeRGBA8Premultiplied(Px p, uint8_t* out);

}  // namespace imaging
