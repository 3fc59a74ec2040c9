#pragma once
// One RGBA pixel of the engine: linear light, premultiplied alpha, four floats in one SIMD lane.

#include <algorithm>
#include <cmath>

namespace imaging {

typedef float Px __attribute__((vector_size(16)));

inline Px px(float r, float g, float b, float a) {
    return Px{r, g, b, a};
}
inline Px splat(float v) {
    return Px{v, v, v, v};
}
inline Px pxMin(Px a, Px b) {
    return a < b ? a : b;
}
inline Px pxMax(Px a, Px b) {
    return a > b ? a : b;
}
inline Px clamp01(Px a) {
    return pxMin(pxMax(a, splat(0.f)), splat(1.f));
}
inline Px lerp(Px a, Px b, float t) {
    return a + (b - a) * t;
}

// Colour channels without alpha (alpha left as it was).
inline Px unpremultiply(Px p) {
    float a = p[3];
    if (a <= 0.f) return Px{0, 0, 0, 0};
    Px r = p / a;
    r[3] = a;
    return r;
}
inline Px premultiply(Px p) {
    Px r = p * p[3];
    r[3] = p[3];
    return r;
}
// Source-over: a over b, both premultiplied.
inline Px over(Px a, Px b) {
    return a + b * (1.f - a[3]);
}

// Rec. 709 luminance of linear RGB.
inline float luminance(Px p) {
    return 0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2];
}

// sRGB transfer function.
inline float srgbToLinear(float v) {
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}
inline float linearToSrgb(float v) {
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.f / 2.4f) - 0.055f;
}

}  // namespace imaging
