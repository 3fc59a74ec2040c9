#pragma once
// Fast conversions between 8-bit sRGB and the engine's linear floats.

#include <cstdint>

#include "imaging/Pixel.h"

namespace imaging {

// sRGB byte -> linear value.
const float* srgbDecodeTable();
// Byte -> value in 0..1 with no transfer curve (no colour management).
const float* byteUnitTable();

// Linear value in 0..1 -> sRGB byte (clamped), by a table of kSrgbEncodeSteps + 1 entries.
inline constexpr int kSrgbEncodeSteps = 65536;
const uint8_t* srgbEncodeTable();
inline uint8_t encodeSrgb8(float v) {
    if (!(v > 0.f)) return 0;
    if (v >= 1.f) return 255;
    return srgbEncodeTable()[int(v * kSrgbEncodeSteps + 0.5f)];
}

// Straight sRGB bytes -> linear premultiplied pixel; `t` is srgbDecodeTable(), fetched once
// by loops over many pixels.
inline Px decodeRGBA8(const uint8_t* p, const float* t) {
    float a = p[3] * (1.f / 255.f);
    return Px{t[p[0]] * a, t[p[1]] * a, t[p[2]] * a, a};
}
inline Px decodeRGBA8(const uint8_t* p) {
    return decodeRGBA8(p, srgbDecodeTable());
}

// Linear premultiplied pixel -> straight sRGB bytes.
// `t` is srgbEncodeTable(), fetched once by loops over many pixels. Branch-free apart from
// transparency: clamping to 0..1 (NaN to 0) and the table index are vector operations.
inline void encodeRGBA8(Px p, uint8_t* out, const uint8_t* t) {
    float a = p[3];
    if (!(a > 0.f)) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    if (a > 1.f) a = 1.f;
    const Px q = clamp01(p * (1.f / a));
    typedef int Pi __attribute__((vector_size(16)));
    const Pi i = __builtin_convertvector(q * float(kSrgbEncodeSteps) + 0.5f, Pi);
    out[0] = t[i[0]];
    out[1] = t[i[1]];
    out[2] = t[i[2]];
    out[3] = uint8_t(a * 255.f + 0.5f);
}
inline void encodeRGBA8(Px p, uint8_t* out) {
    encodeRGBA8(p, out, srgbEncodeTable());
}
// Linear premultiplied pixel -> premultiplied sRGB bytes (the way toolkits store them).
void encodeRGBA8Premultiplied(Px p, uint8_t* out);
// Premultiplied pixel -> bytes with no transfer curve (no colour management), straight or
// premultiplied.
void storeRGBA8(Px p, uint8_t* out, bool premultiplied);

}  // namespace imaging
