#include "imaging/filters/Perceptual.h"

#include <array>

namespace imaging::percept {

namespace detail {
namespace {
struct Tables {
    std::array<float, kSteps + 2> enc{}, dec{};
    Tables() {
        for (int i = 0; i <= kSteps + 1; ++i) {
            float u = std::min(1.f, float(i) / kSteps);
            enc[size_t(i)] = linearToSrgb(u * u);
            dec[size_t(i)] = srgbToLinear(u);
        }
    }
};
const Tables& tables() {
    static const Tables t;
    return t;
}
}  // namespace

const float* encodeBySqrt() {
    return tables().enc.data();
}
const float* decodeTable() {
    return tables().dec.data();
}
}  // namespace detail

Image encoded(const Image& in) {
    detail::tables();  // built before any tile runs
    return colorKernel([](Px p) { return encodePx(p); }, in);
}

Image encodedPremultiplied(const Image& in) {
    detail::tables();
    return colorKernel([](Px p) { return premultiply(encodePx(p)); }, in);
}

Image decoded(const Image& e) {
    return colorKernel([](Px p) { return decodePx(p); }, e);
}

Image denoised(const Image& in, float level, float sharpness) {
    const float gain = 1 + sharpness;
    return colorKernel(
        [level, gain](Px p, Px b) {
            const Px e = encodePx(p), s = unpremultiply(b);
            const Px d = e - s;
            const Px excess = pxMax(pxMax(d, -d) - level, splat(0));
            Px kept = clamp01(s + (d > 0 ? excess : -excess) * gain);
            kept[3] = p[3];
            return decodePx(kept);
        },
        in, gaussianBlur(encodedPremultiplied(in), 1.0));
}

}  // namespace imaging::percept
