#include "imaging/ColorTables.h"

#include <cmath>

namespace imaging {

namespace {
constexpr int kEncodeSteps = kSrgbEncodeSteps;

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

const uint8_t* srgbEncodeTable() {
    return tables().encode;
}

void encodeRGBA8Premultiplied(Px p, uint8_t* out) {
    encodeRGBA8(p, out);
    if (out[3] != 255) {
        unsigned a = out[3];
        for (int i = 0; i < 3; ++i) out[i] = uint8_t((out[i] * a + 127) / 255);
    }
}

}  // namespace imaging
