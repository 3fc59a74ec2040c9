#include "imaging/ColorTables.h"

#include <cmath>

namespace imaging {

namespace {
constexpr int kEncodeSteps = kSrgbEncodeSteps;

struct Tables {
    float decode[256], unit[256];
    uint8_t encode[kEncodeSteps + 1];
    Tables() {
        for (int i = 0; i < 256; ++i) decode[i] = srgbToLinear(i / 255.f), unit[i] = i / 255.f;
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

const uint8_t* srgbEncodeTable() {
    return tables().encode;
}

const float* byteUnitTable() {
    return tables().unit;
}

void storeRGBA8(Px p, uint8_t* out, bool premultiplied) {
    float a = p[3];
    if (!(a > 0.f)) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    if (a > 1.f) a = 1.f;
    const Px q =
        (premultiplied ? pxMin(clamp01(p), splat(a)) : clamp01(p * (1.f / a))) * 255.f + 0.5f;
    out[0] = uint8_t(q[0]);
    out[1] = uint8_t(q[1]);
    out[2] = uint8_t(q[2]);
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
