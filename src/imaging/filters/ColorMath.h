#pragma once
// Colour maths shared by the colour, halftone, gradient and generator filters: fast transfer
// curves, straight-colour kernels, colour spaces, curves and hash noise.

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE__)
#include <immintrin.h>
#endif

#include "imaging/NodeKinds.h"
#include "imaging/Pixel.h"
#include "imaging/WorkingSpace.h"

namespace imaging::cmath {

// ---------------------------------------------------------------------------------------------
// sRGB transfer by table: the exact curve costs two pow() per channel, far too slow per pixel.
// Values outside 0..1 take the exact formula (negative ones the linear segment).

namespace detail {
inline constexpr int kTableSize = 4096;
extern const std::array<float, kTableSize + 1> kEncodeBySqrt;  // encode(u²), u in 0..1
extern const std::array<float, kTableSize + 1> kDecode;        // decode(v), v in 0..1
inline float lookup(const std::array<float, kTableSize + 1>& t, float u) {
    float f = u * kTableSize;
    int i = std::min(int(f), kTableSize - 1);
    float w = f - float(i);
    return t[size_t(i)] + (t[size_t(i) + 1] - t[size_t(i)]) * w;
}
}  // namespace detail

// Linear light -> sRGB-encoded ("perceptual") value.
inline float encode(float v) {
    if (v >= 0.f && v <= 1.f) return detail::lookup(detail::kEncodeBySqrt, std::sqrt(v));
    if (!(v > 1.f)) return v * 12.92f;  // negative (and NaN, which must not get this far)
    return linearToSrgb(v);
}
// sRGB-encoded value -> linear light.
inline float decode(float v) {
    if (v >= 0.f && v <= 1.f) return detail::lookup(detail::kDecode, v);
    if (!(v > 1.f)) return v / 12.92f;
    return srgbToLinear(std::min(v, 1e6f));
}
namespace detail {
inline Px sqrt4(Px v) {
#if defined(__SSE__)
    return Px(_mm_sqrt_ps(__m128(v)));
#else
    return Px{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
}
inline bool allIn01(Px v) {
    auto in = (v >= 0.f) & (v <= 1.f);
    return in[0] & in[1] & in[2];  // alpha is not converted
}
typedef int Ix __attribute__((vector_size(16)));
// Table t at x in the colour lanes (x in 0..1), linearly interpolated; alpha lane 0.
inline Px lookup3(const std::array<float, kTableSize + 1>& t, Px x) {
    const Px f = x * float(kTableSize);
    Ix i = __builtin_convertvector(f, Ix);
    i = i < kTableSize ? i : kTableSize - 1;
    const Px lo{t[size_t(i[0])], t[size_t(i[1])], t[size_t(i[2])], 0};
    const Px hi{t[size_t(i[0]) + 1], t[size_t(i[1]) + 1], t[size_t(i[2]) + 1], 0};
    return lo + (hi - lo) * (f - __builtin_convertvector(i, Px));
}
}  // namespace detail

// The same on the colour channels of a pixel, alpha kept, all lanes at once through the tables
// (within about 1e-6 of the exact curve, so that encoding and decoding undo each other).
inline Px encode(Px p) {
    if (!detail::allIn01(p)) return Px{encode(p[0]), encode(p[1]), encode(p[2]), p[3]};
    Px r = detail::lookup3(detail::kEncodeBySqrt, detail::sqrt4(p));
    r[3] = p[3];
    return r;
}
// Decoding also meets values a little above 1 (contrast and brightness push colours there), so
// 1..4 has a fit of its own (relative error below 1e-5); beyond it the exact curve, per lane.
inline Px decode(Px p) {
    auto beyond = (p > 4.f) | (p != p);
    if (beyond[0] | beyond[1] | beyond[2])
        return Px{decode(p[0]), decode(p[1]), decode(p[2]), p[3]};
    const Px low = detail::lookup3(detail::kDecode, clamp01(p));
    const Px t = (p - 2.5f) * (1 / 1.5f);
    Px high = -0.0025758138f + t * 0.f;
    for (float c : {0.0069824534f, -0.0323192477f, 0.3784673395f, 4.8374438451f, 11.7718308743f,
                    8.3547388139f})
        high = high * t + c;
    Px r = p < 0.f ? p * (1 / 12.92f) : (p <= 1.f ? low : high);
    r[3] = p[3];
    return r;
}

// ---------------------------------------------------------------------------------------------
// Kernels on straight (unpremultiplied) colour. `f` gets RGBA with alpha in 0..1 and returns
// the new straight colour; alpha comes from f's result.

template <class F>
Image straightKernel(const Image& in, F f) {
    return colorKernel(
        [f](Px p) {
            Px s = unpremultiply(p);
            Px r = f(s);
            r[3] = std::clamp(r[3], 0.f, 1.f);
            return premultiply(r);
        },
        in);
}

// Straight sRGB-encoded colour (as colour wheels and colour inputs give it) -> working space:
// decoded for linear light, as it is without colour management.
inline Px encodedToWorking(Px s) {
    return currentWorkingSpace() == WorkingSpace::Linear ? decode(s) : s;
}
// The reverse, for the few operations defined on encoded values whatever the working space.
inline Px workingToEncoded(Px s) {
    return currentWorkingSpace() == WorkingSpace::Linear ? encode(s) : s;
}

// ---------------------------------------------------------------------------------------------
// Small colour helpers.

// Rec. 709 weights of working values.
inline float luma(Px p) {
    return luminance(p);
}
inline Px grey(float v, float a = 1) {
    return Px{v, v, v, a};
}
inline float smoothstep(float e0, float e1, float x) {
    if (!(e1 > e0)) return x < e0 ? 0.f : 1.f;
    float t = std::clamp((x - e0) / (e1 - e0), 0.f, 1.f);
    return t * t * (3 - 2 * t);
}
inline float clampf(float v, float lo, float hi) {
    return std::fmin(std::fmax(v, lo), hi);  // NaN goes to lo
}
// Fractional part, 0 for what has none.
inline float fract(double x) {
    return std::isfinite(x) ? float(x - std::floor(x)) : 0.f;
}
// Cube root to float precision: a bit-level first guess and two Newton steps.
inline float cbrtFast(float v) {
    if (!(v > 0.f)) return v < 0.f ? -cbrtFast(-v) : 0.f;
    uint32_t i;
    std::memcpy(&i, &v, 4);
    i = i / 3 + 709921077U;
    float y;
    std::memcpy(&y, &i, 4);
    y = y - (y * y * y - v) / (3 * y * y);
    return y - (y * y * y - v) / (3 * y * y);
}
// A finite float from a user number (huge values clamped to a range floats survive).
inline float finite(double v, double limit = 1e6) {
    return float(std::isfinite(v) ? std::clamp(v, -limit, limit) : 0.0);
}

// 3 x 3 matrices on RGB (alpha passes through).
struct Mat3 {
    std::array<float, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};
    Px apply(Px p) const {
        return Px{m[0] * p[0] + m[1] * p[1] + m[2] * p[2], m[3] * p[0] + m[4] * p[1] + m[5] * p[2],
                  m[6] * p[0] + m[7] * p[1] + m[8] * p[2], p[3]};
    }
    Mat3 operator*(const Mat3& o) const;
    Mat3 inverse() const;  // identity when singular
};

// Rotation of RGB about the grey axis: greys stay, a full turn is the identity, and a third of
// a turn maps red to green, green to blue and blue to red.
Mat3 hueRotation(double radians);
// Linear sRGB <-> CIE XYZ (D65).
extern const Mat3 kRgbToXyz, kXyzToRgb;
// Chromatic adaptation (Bradford) from one white to another, both given as CIE xy, applied to
// linear sRGB.
Mat3 adaptation(double fromX, double fromY, double toX, double toY);
// CIE xy of a black-body-like white of `kelvin` (clamped to 1667..25000), moved along its
// isotherm by `tint` (positive: towards magenta).
void whiteOf(double kelvin, double tint, double& x, double& y);

// CIE L*a*b* (D65) of linear sRGB and back.
Px rgbToLab(Px linear);
Px labToRgb(Px lab);

// HSV of encoded RGB (hue in 0..1) and back.
Px rgbToHsv(Px p);
Px hsvToRgb(Px hsv);

// ---------------------------------------------------------------------------------------------
// Curves: a smooth monotone-where-the-points-are curve through control points, sampled into a
// table over 0..1 and flat beyond the end points.

class Curve {
  public:
    // Points need not be sorted; points with the same x keep the last one. Fewer than two
    // points give the identity.
    explicit Curve(std::vector<Point> points);
    float operator()(float x) const {
        if (!(x > 0.f)) return table_->front();
        if (x >= 1.f) return table_->back();
        float f = x * (kSize - 1);
        int i = int(f);
        float w = f - float(i);
        return (*table_)[size_t(i)] + ((*table_)[size_t(i) + 1] - (*table_)[size_t(i)]) * w;
    }

  private:
    static constexpr int kSize = 1024;
    std::shared_ptr<const std::array<float, kSize>> table_;
};

// ---------------------------------------------------------------------------------------------
// Hash noise: pure functions of integer coordinates, the same on every thread and tile.

inline uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}
inline uint32_t hash(int64_t x, int64_t y, uint32_t seed = 0) {
    return hash(uint32_t(x) * 0x8da6b343U ^ uint32_t(y) * 0xd8163841U ^ seed * 0xcb1ab31fU ^
                uint32_t(uint64_t(x) >> 32) * 0x2545f491U ^
                uint32_t(uint64_t(y) >> 32) * 0x9e3779b9U);
}
// Uniform in [0, 1).
inline float hash01(int64_t x, int64_t y, uint32_t seed = 0) {
    return float(hash(x, y, seed) >> 8) * (1.f / 16777216.f);
}
// Smooth value noise in 0..1 with unit cells.
float valueNoise(double x, double y, uint32_t seed = 0);
// The same along a circle of `cells` cells (periodic in t with period 1).
float periodicNoise(double t, int cells, uint32_t seed = 0);

}  // namespace imaging::cmath
