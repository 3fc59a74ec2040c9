#pragma once
// Running one registered filter with a few inputs set, and measures of the result, for the
// per-category filter tests.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TestImages.h"
#include "imaging/FilterRegistry.h"

namespace filterrun {

using imaging::Buffer;
using imaging::Image;
using imaging::Point;
using imaging::Px;
using imaging::Rect;
using imaging::Value;

using Settings = std::vector<std::pair<std::string, Value>>;

// The filter's output with its defaults and the given inputs; fails the test if the filter is
// unknown or refuses a value.
inline Image output(const std::string& name, const Settings& settings) {
    auto f = imaging::FilterRegistry::shared().filterWithName(name);
    EXPECT_TRUE(f) << name;
    if (!f) return {};
    f->setDefaults();
    for (auto& [k, v] : settings) EXPECT_TRUE(f->setValue(k, v)) << name << " " << k;
    return f->outputImage();
}

inline Buffer run(const std::string& name, const Settings& settings, const Rect& region,
                  double scale = 1) {
    Image out = output(name, settings);
    EXPECT_TRUE(out) << name;
    return testimg::render(out, region, scale);
}

// The scaled pixel that contains a picture point.
inline Px at(const Buffer& b, Point p, double scale = 1) {
    return b.at(int(std::floor(p.x * scale)), int(std::floor(p.y * scale)));
}

// An opaque picture of one straight linear colour.
inline Image flat(float r, float g, float b, int w = 32, int h = 32) {
    return testimg::constant(w, h, Px{r, g, b, 1});
}

// A grey of the given sRGB-encoded level, as linear light.
inline float lin(float encoded) {
    return imaging::srgbToLinear(encoded);
}
inline float enc(float linear) {
    return imaging::linearToSrgb(linear);
}
// Straight sRGB-encoded colour -> premultiplied linear pixel, and back.
inline Px linPx(Px e) {
    return Px{lin(e[0]) * e[3], lin(e[1]) * e[3], lin(e[2]) * e[3], e[3]};
}
inline Px encPx(Px p) {
    const Px s = imaging::unpremultiply(p);
    return Px{enc(std::max(s[0], 0.f)), enc(std::max(s[1], 0.f)), enc(std::max(s[2], 0.f)), p[3]};
}

// Largest difference between two buffers over their common pixels.
inline float maxDiff(const Buffer& a, const Buffer& b) {
    float m = 0;
    auto r = a.rect().intersected(b.rect());
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) m = std::max(m, testimg::maxDiff(a.at(x, y), b.at(x, y)));
    return m;
}

}  // namespace filterrun

namespace testimg {

using Inputs = std::initializer_list<std::pair<const char*, imaging::Value>>;

// The named filter's output with its defaults and the given values (images included).
inline imaging::Image apply(const std::string& name, Inputs values) {
    filterrun::Settings settings;
    for (auto& [k, v] : values) settings.emplace_back(k, v);
    return filterrun::output(name, settings);
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

// A picture whose colour tells where a point came from: red grows with x, green with y, blue
// is a fine diagonal wave, all opaque. Unique enough to tell places apart.
inline Px placePixel(int x, int y) {
    return Px{0.05f + 0.9f * float(x % 400) / 400.f, 0.05f + 0.9f * float(y % 400) / 400.f,
              0.5f + 0.4f * std::sin((x + y) * 0.02f), 1.f};
}
inline imaging::Image places(int w, int h) {
    return floatImage(w, h, placePixel);
}

}  // namespace testimg
