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
struct Tables {
    float encodeBySqrt[kSteps + 2];  // encode(u * u) at u = i / kSteps: resolves the steep start
    float decode[kSteps + 2];        // decode(v) at v = i / kSteps
    Tables();
};
// Built when the program starts, before any kernel runs.
extern const Tables kTables;
inline float lookup(const float* t, float x) {
    const float f = x * kSteps;
    const int i = int(f);
    return t[i] + (t[i + 1] - t[i]) * (f - float(i));
}
}  // namespace detail

// Linear light -> sRGB-encoded value. Negative values and NaN give 0; beyond 1 it stays exact.
inline float encode(float v) {
    if (!(v > 0.f)) return 0.f;
    if (v > 1.f) return linearToSrgb(std::min(v, 1e6f));
    return detail::lookup(detail::kTables.encodeBySqrt, std::sqrt(v));
}

// sRGB-encoded value -> linear light; the inverse of encode.
inline float decode(float v) {
    if (!(v > 0.f)) return 0.f;
    if (v > 1.f) return srgbToLinear(std::min(v, 1e6f));
    return detail::lookup(detail::kTables.decode, v);
}

namespace detail {
typedef int Ix __attribute__((vector_size(16)));
// Table t at x * kSteps in the colour lanes, for x in 0..1.
inline Px lookup3(const float* t, Px x) {
    const Px f = x * float(kSteps);
    const Ix i = __builtin_convertvector(f, Ix);
    const Px lo{t[i[0]], t[i[1]], t[i[2]], 0}, hi{t[i[0] + 1], t[i[1] + 1], t[i[2] + 1], 0};
    return lo + (hi - lo) * (f - __builtin_convertvector(i, Px));
}
}  // namespace detail

// A premultiplied linear pixel as straight encoded colour (alpha kept as it is).
inline Px encodePx(Px p) {
    Px u = unpremultiply(p);
    if (u[0] > 1.f || u[1] > 1.f || u[2] > 1.f)
        return Px{encode(u[0]), encode(u[1]), encode(u[2]), p[3]};
    u = u > 0.f ? u : splat(0);  // negatives and NaN
    Px r = detail::lookup3(detail::kTables.encodeBySqrt,
                           Px{std::sqrt(u[0]), std::sqrt(u[1]), std::sqrt(u[2]), 0});
    r[3] = p[3];
    return r;
}

// Straight encoded colour -> premultiplied linear pixel. Alpha is clamped to 0..1.
inline Px decodePx(Px e) {
    const float a = std::clamp(e[3], 0.f, 1.f);
    if (!(a > 0.f)) return Px{0, 0, 0, 0};
    if (e[0] > 1.f || e[1] > 1.f || e[2] > 1.f)
        return Px{decode(e[0]) * a, decode(e[1]) * a, decode(e[2]) * a, a};
    Px r = detail::lookup3(detail::kTables.decode, e > 0.f ? e : splat(0)) * a;
    r[3] = a;
    return r;
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
// The same from and to encodedPremultiplied pictures.
Image denoisedEncoded(const Image& encodedPremultipliedImage, float level, float sharpness);

}  // namespace imaging::percept
