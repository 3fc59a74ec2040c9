#pragma once
// Perceptual (sRGB-encoded) values for the filters whose numbers are judged by eye: thresholds,
// blend-mode curves, masks and edges. The engine computes in linear light; these convert per
// pixel through tables, so that the conversion costs a few multiplications rather than a pow.

#include <cmath>

#include "imaging/NodeKinds.h"
#include "imaging/Pixel.h"

namespace imaging::percept {

namespace detail {
inline constexpr int kSteps = 4096;
// encode(u * u) for u = i / kSteps: spacing by the square root resolves the steep start.
const float* encodeBySqrt();
// decode(v) for v = i / kSteps.
const float* decodeTable();
inline float lookup(const float* t, float x) {
    float f = x * kSteps;
    int i = int(f);
    if (i >= kSteps) return t[kSteps];
    return t[i] + (t[i + 1] - t[i]) * (f - float(i));
}
}  // namespace detail

// Linear light -> sRGB-encoded value. Negative values and NaN give 0; beyond 1 it stays exact.
inline float encode(float v) {
    if (!(v > 0.f)) return 0.f;
    if (v > 1.f) return linearToSrgb(std::min(v, 1e6f));
    return detail::lookup(detail::encodeBySqrt(), std::sqrt(v));
}

// sRGB-encoded value -> linear light; the inverse of encode.
inline float decode(float v) {
    if (!(v > 0.f)) return 0.f;
    if (v > 1.f) return srgbToLinear(std::min(v, 1e6f));
    return detail::lookup(detail::decodeTable(), v);
}

// A premultiplied linear pixel as straight encoded colour (alpha kept as it is).
inline Px encodePx(Px p) {
    Px u = unpremultiply(p);
    return Px{encode(u[0]), encode(u[1]), encode(u[2]), p[3]};
}

// Straight encoded colour -> premultiplied linear pixel. Alpha is clamped to 0..1.
inline Px decodePx(Px e) {
    float a = std::clamp(e[3], 0.f, 1.f);
    if (!(a > 0.f)) return Px{0, 0, 0, 0};
    return Px{decode(e[0]) * a, decode(e[1]) * a, decode(e[2]) * a, a};
}

// Rec. 709 weights applied to encoded values: the grey a viewer sees.
inline float luma(Px e) {
    return 0.2126f * e[0] + 0.7152f * e[1] + 0.0722f * e[2];
}

// Perceptual grey level of a premultiplied linear pixel (0 for transparent).
inline float grey(Px p) {
    return p[3] > 0.f ? encode(luminance(p) / p[3]) : 0.f;
}

// Whole images in encoded form, for kernels that read many neighbours: converting once per
// pixel beats converting every neighbour.
Image encoded(const Image& in);
Image decoded(const Image& encodedImage);

// Encoded colour premultiplied by alpha: blurring it averages perceptual values (so that
// differences from the blur are as large on the dark side of an edge as on the bright side)
// and still weighs pixels by their coverage. unpremultiply() gives the straight encoded colour.
Image encodedPremultiplied(const Image& in);

// Detail finer than a couple of pixels and weaker than `level` (perceptual units) smoothed
// away; stronger detail kept and amplified by 1 + sharpness.
Image denoised(const Image& in, float level, float sharpness);

}  // namespace imaging::percept
