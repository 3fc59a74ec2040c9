#pragma once
// Running a registered filter by name in tests.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "TestImages.h"
#include "imaging/FilterRegistry.h"

namespace testimg {

// The named filter's output with its defaults and the given values (images included).
inline imaging::Image applyFilter(
    const std::string& name, std::initializer_list<std::pair<const char*, imaging::Value>> values) {
    auto f = imaging::FilterRegistry::shared().filterWithName(name);
    EXPECT_TRUE(f) << name;
    if (!f) return {};
    f->setDefaults();
    for (auto& [k, v] : values) EXPECT_TRUE(f->setValue(k, v)) << name << "." << k;
    return f->outputImage();
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
