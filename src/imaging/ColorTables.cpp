#include "imaging/ColorTables.h"

#include <cmath>

namespace imaging {

namespace {
constexpr int kEncodeSteps = 65536;

struct Tables {
    float decode[256];
    uint8_t encode[kEncodeSteps + 1];
    Tables() {
        for (int i = 0; i < 256; ++i) decode[i] = srgbToLinear(i / 255.f);
        for (int i = 0; i <= kEncodeSteps; ++i) {
            double v = linearToSrgb(float(i) / kEncodeSteps);
            encode[i] = uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
        }
        // Exact round trip for every byte, whatever the rounding of the table's steps.
        for (int i = 0; i < 256; ++i)
            encode[int(std::lround(decode[i] * kEncodeSteps))] = uint8_t(i);
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}
}  // namespace

const float* srgbDecodeTable() {
    return tables().decode;
}

uint8_t encodeSrgb8(float v) {
    if (!(v > 0.f)) return 0;
    if (v >= 1.f) return 255;
    return tables().encode[int(v * kEncodeSteps + 0.5f)];
}

void encodeRGBA8(Px p, uint8_t* out) {
    float a = p[3];
    if (!(a > 0.f)) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    if (a > 1.f) a = 1.f;
    float inv = 1.f / a;
    out[0] = encodeSrgb8(p[0] * inv);
    out[1] = encodeSrgb8(p[1] * inv);
    out[2] = encodeSrgb8(p[2] * inv);
    out[3] = uint8_t(a * 255.f + 0.5f);
}

void encodeRGBA8Premultiplied(Px p, uint8_t* out) {
    encodeRGBA8(p, out);
    if (out[3] != 255) {
        unsigned a = out[3];
        for (int i = 0; i < 3; ++i) out[i] = uint8_t((out[i] * a + 127) / 255);
    }
}

}  // namespace imaging
