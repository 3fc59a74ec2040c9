#pragma once
// Perceptual (sRGB-encoded) values for the filters whose numbers are judged by eye: thresholds,
// blend-mode curves, masks and edges. The engine computes in linear light; these convert per
// pixel with ColorMath's fast curves, a few multiplications rather than a pow.

#include <cmath>

#include "imaging/NodeKinds.h"
#include "imaging/Pixel.h"
#include "imaging/filters/ColorMath.h"

namespace imaging::percept {

// The transfer curves are ColorMath's; here negative values and NaN count as black, as they do
// for a picture seen by eye.

// Linear light -> sRGB-encoded value. Negative values and NaN give 0; beyond 1 it stays exact.
inline float encode(float v) {
    return v > 0.f ? cmath::encode(v) : 0.f;
}

// sRGB-encoded value -> linear light; the inverse of encode.
inline float decode(float v) {
    return v > 0.f ? cmath::decode(v) : 0.f;
}

// A premultiplied linear pixel as straight encoded colour (alpha kept as it is).
inline Px encodePx(Px p) {
    Px u = unpremultiply(p);
    u = u > 0.f ? u : splat(0);  // negatives and NaN
    u[3] = p[3];
    return cmath::encode(u);
}

// Straight encoded colour -> premultiplied linear pixel. Alpha is clamped to 0..1.
inline Px decodePx(Px e) {
    const float a = std::clamp(e[3], 0.f, 1.f);
    if (!(a > 0.f)) return Px{0, 0, 0, 0};
    Px r = cmath::decode(e > 0.f ? e : splat(0)) * a;
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
