#include "imaging/filters/Perceptual.h"

namespace imaging::percept {

Image encoded(const Image& in) {
    return colorKernel([](Px p) { return encodePx(p); }, in);
}

Image encodedPremultiplied(const Image& in) {
    return colorKernel([](Px p) { return premultiply(encodePx(p)); }, in);
}

Image decoded(const Image& e) {
    return colorKernel([](Px p) { return decodePx(p); }, e);
}

Image denoisedEncoded(const Image& e, float level, float sharpness) {
    const float gain = 1 + sharpness;
    return colorKernel(
        [level, gain](Px p, Px b) {
            const Px c = unpremultiply(p), s = unpremultiply(b);
            const Px d = c - s;
            const Px excess = pxMax(pxMax(d, -d) - level, splat(0));
            Px kept = clamp01(s + (d > 0 ? excess : -excess) * gain);
            kept[3] = p[3];
            return premultiply(kept);
        },
        e, gaussianBlur(e, 1.0));
}

Image denoised(const Image& in, float level, float sharpness) {
    return colorKernel([](Px e) { return decodePx(unpremultiply(e)); },
                       denoisedEncoded(encodedPremultiplied(in), level, sharpness));
}

}  // namespace imaging::percept
