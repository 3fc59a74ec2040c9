#pragma once
// Registered filters applied by name with a few inputs set, for the family tests.

#include <utility>

#include "FilterRun.h"
#include "TestImages.h"

namespace testimg {

using Inputs = std::initializer_list<std::pair<const char*, imaging::Value>>;

// The filter's output with its defaults and the given inputs (every value must be accepted).
inline Image apply(const std::string& name, Inputs inputs) {
    return applyFilter(name, inputs);
}

// Total of each channel over a buffer.
inline Px total(const Buffer& b) {
    Px s{0, 0, 0, 0};
    for (int y = b.rect().y0; y < b.rect().y1; ++y)
        for (int x = b.rect().x0; x < b.rect().x1; ++x) s += b.at(x, y);
    return s;
}

// Largest channel difference between two renders over the first one's pixels.
inline float worstDiff(const Buffer& a, const Buffer& b) {
    float m = 0;
    for (int y = a.rect().y0; y < a.rect().y1; ++y)
        for (int x = a.rect().x0; x < a.rect().x1; ++x)
            m = std::max(m, maxDiff(a.at(x, y), b.at(x, y)));
    return m;
}

// A white square of side `side` centred on (cx, cy) over a transparent w x h picture.
inline Image dot(int w, int h, int cx, int cy, int side = 1) {
    return floatImage(w, h, [=](int x, int y) {
        return std::abs(x - cx) <= side / 2 && std::abs(y - cy) <= side / 2 ? Px{1, 1, 1, 1}
                                                                            : Px{0, 0, 0, 0};
    });
}

}  // namespace testimg
