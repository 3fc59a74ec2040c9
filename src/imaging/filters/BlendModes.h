#pragma once
// Blend-mode functions B(backdrop, source) on straight colours in 0..1, lane by lane
// (the alpha lane is ignored by the caller). The separable ones act per channel; hue,
// saturation, colour and luminosity mix the two colours' hue, chroma and luminosity.

#include "imaging/Pixel.h"

namespace imaging::blendmode {

inline Px multiply(Px b, Px s) {
    return b * s;
}
inline Px screen(Px b, Px s) {
    return b + s - b * s;
}
inline Px hardLight(Px b, Px s) {
    return s <= 0.5f ? b * (2 * s) : screen(b, 2 * s - 1);
}
inline Px overlay(Px b, Px s) {
    return hardLight(s, b);
}
inline Px darken(Px b, Px s) {
    return pxMin(b, s);
}
inline Px lighten(Px b, Px s) {
    return pxMax(b, s);
}
inline Px colorDodge(Px b, Px s) {
    Px q = pxMin(splat(1), b / pxMax(1 - s, splat(1e-6f)));
    return b <= 0.f ? splat(0) : (s >= 1.f ? splat(1) : q);
}
inline Px colorBurn(Px b, Px s) {
    Px q = 1 - pxMin(splat(1), (1 - b) / pxMax(s, splat(1e-6f)));
    return b >= 1.f ? splat(1) : (s <= 0.f ? splat(0) : q);
}
inline Px softLight(Px b, Px s) {
    Px root{std::sqrt(std::max(b[0], 0.f)), std::sqrt(std::max(b[1], 0.f)),
            std::sqrt(std::max(b[2], 0.f)), std::sqrt(std::max(b[3], 0.f))};
    Px d = b <= 0.25f ? ((16 * b - 12) * b + 4) * b : root;
    return s <= 0.5f ? b - (1 - 2 * s) * b * (1 - b) : b + (2 * s - 1) * (d - b);
}
inline Px difference(Px b, Px s) {
    return pxMax(b - s, s - b);
}
inline Px exclusion(Px b, Px s) {
    return b + s - 2 * b * s;
}
inline Px linearDodge(Px b, Px s) {
    return pxMin(b + s, splat(1));
}
inline Px linearBurn(Px b, Px s) {
    return pxMax(b + s - 1, splat(0));
}
inline Px vividLight(Px b, Px s) {
    return s <= 0.5f ? colorBurn(b, 2 * s) : colorDodge(b, 2 * s - 1);
}
inline Px pinLight(Px b, Px s) {
    return s <= 0.5f ? pxMin(b, 2 * s) : pxMax(b, 2 * s - 1);
}
inline Px linearLight(Px b, Px s) {
    return clamp01(b + 2 * s - 1);
}
inline Px divide(Px b, Px s) {
    Px q = pxMin(splat(1), b / pxMax(s, splat(1e-6f)));
    return s <= 0.f ? (b > 0.f ? splat(1) : splat(0)) : q;
}
inline Px subtract(Px b, Px s) {
    return pxMax(b - s, splat(0));
}

// Non-separable modes.
inline float lum(Px c) {
    return 0.3f * c[0] + 0.59f * c[1] + 0.11f * c[2];
}
inline float maxOf(Px c) {
    return std::max({c[0], c[1], c[2]});
}
inline float minOf(Px c) {
    return std::min({c[0], c[1], c[2]});
}
inline Px clipColor(Px c) {
    const float l = lum(c), n = minOf(c), x = maxOf(c);
    if (n < 0) c = l + (c - l) * (l / std::max(l - n, 1e-6f));
    if (x > 1) c = l + (c - l) * ((1 - l) / std::max(x - l, 1e-6f));
    return c;
}
inline Px setLum(Px c, float l) {
    return clipColor(c + (l - lum(c)));
}
inline Px setSat(Px c, float s) {
    const float n = minOf(c), x = maxOf(c);
    if (!(x > n)) return splat(0);
    return (c - n) * (s / (x - n));
}
inline Px hue(Px b, Px s) {
    return setLum(setSat(s, maxOf(b) - minOf(b)), lum(b));
}
inline Px saturation(Px b, Px s) {
    return setLum(setSat(b, maxOf(s) - minOf(s)), lum(b));
}
inline Px color(Px b, Px s) {
    return setLum(s, lum(b));
}
inline Px luminosity(Px b, Px s) {
    return setLum(b, lum(s));
}

}  // namespace imaging::blendmode
