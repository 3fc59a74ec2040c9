// Checks run over every registered filter: consistent descriptions, a sensible result at the
// defaults, previews that converge to the full result, and no harm from extreme values.

#include <gtest/gtest.h>

#include "FilterRun.h"
#include "imaging/Error.h"
#include "imaging/FilterKit.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/NodeKinds.h"

using namespace imaging;

namespace {

constexpr int kW = 320, kH = 240;
const Rect kPicture{0, 0, kW, kH};

// A picture with colour, detail and edges, fully opaque.
Image picture() {
    static Image img = testimg::floatImage(kW, kH, [](int x, int y) {
        Px p = testimg::smoothPixel(x, y);
        if ((x / 40 + y / 40) % 2) p = p * 0.6f;
        p[3] = 1;
        return p;
    });
    return img;
}

// A second picture for textures, masks, targets and ramps; transparent in one corner, so that
// operators that keep what a background lacks have something to show.
Image secondPicture() {
    static Image img = testimg::floatImage(kW, kH, [](int x, int y) {
        if (x < 48 && y < 48) return Px{0, 0, 0, 0};
        float v = 0.5f + 0.5f * std::sin(x * 0.11f) * std::cos(y * 0.09f);
        return Px{v, 1 - v, v * v, 1};
    });
    return img;
}

std::unique_ptr<Filter> prepared(const std::string& name) {
    auto f = FilterRegistry::shared().filterWithName(name);
    f->setDefaults();
    bool first = true;
    for (auto& a : f->attributes()) {
        if (!a.isImage()) continue;
        f->setValue(a.key, first && a.key == "inputImage" ? picture() : secondPicture());
        first = false;
    }
    return f;
}

struct Stats {
    bool finite = true;
    float maxAlpha = 0;
};

Stats inspect(const Buffer& b) {
    Stats s;
    for (int y = b.rect().y0; y < b.rect().y1; ++y)
        for (int x = b.rect().x0; x < b.rect().x1; ++x) {
            Px p = b.row(y)[x];
            for (int c = 0; c < 4; ++c)
                if (!std::isfinite(p[c])) s.finite = false;
            s.maxAlpha = std::max(s.maxAlpha, p[3]);
        }
    return s;
}

// Mean of each 16 x 16 block of the picture area, from a render at `scale`.
std::vector<Px> blockMeans(const Image& img, double scale) {
    Buffer b = Context().render(img, kPicture, scale);
    const int n = int(std::lround(16 * scale));
    std::vector<Px> means;
    for (int by = 0; by + n <= int(kH * scale); by += n)
        for (int bx = 0; bx + n <= int(kW * scale); bx += n) {
            Px s{0, 0, 0, 0};
            for (int y = by; y < by + n; ++y)
                for (int x = bx; x < bx + n; ++x) s += b.at(x, y);
            means.push_back(s / float(n * n));
        }
    return means;
}

class EveryFilter : public ::testing::TestWithParam<std::string> {};

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param;
}

}  // namespace

TEST_P(EveryFilter, DescriptionIsComplete) {
    auto f = FilterRegistry::shared().filterWithName(GetParam());
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->displayName().empty());
    EXPECT_FALSE(f->categories().empty());
    EXPECT_EQ(FilterRegistry::validate(f->description()), "");
    for (auto& a : f->attributes()) {
        EXPECT_FALSE(a.displayName.empty()) << a.key;
        if (!a.isImage()) {
            EXPECT_FALSE(a.defaultValue.isNone()) << a.key << " has no default";
        }
        size_t components = a.defaultValue.toVector().count();
        if (a.type == kCIAttributeTypePosition || a.type == kCIAttributeTypeOffset) {
            EXPECT_EQ(components, 2u) << a.key;
        } else if (a.type == kCIAttributeTypePosition3) {
            EXPECT_EQ(components, 3u) << a.key;
        } else if (a.type == kCIAttributeTypeRectangle) {
            EXPECT_EQ(components, 4u) << a.key;
        }
    }
}

TEST(Registry, EveryBuiltInFilterIsRegistered) {
    for (const std::string& name : kit::refusedFilterDefs())
        ADD_FAILURE() << name << " was refused";
}

// Builders read their inputs by key: a key the filter does not declare is a typo. Each builder
// runs at the defaults and with every number at its limits and every switch turned, so that
// keys read on one branch only are reached too.
TEST_P(EveryFilter, ReadsOnlyDeclaredInputs) {
    const auto base = prepared(GetParam());
    std::vector<std::unique_ptr<Filter>> variants;
    variants.push_back(base->clone());
    for (auto& a : base->attributes()) {
        if (!a.isNumber()) continue;
        for (auto limit : {a.min, a.max, a.sliderMin, a.sliderMax}) {
            if (!limit) continue;
            variants.push_back(base->clone());
            variants.back()->setValue(a.key, *limit);
        }
    }
    for (const auto& f : variants) {
        try {
            f->description().build(Args(*f));
        } catch (const UndeclaredInput& e) {
            ADD_FAILURE() << e.what();
            return;
        } catch (const std::exception&) {
            // Other refusals are the other tests' business.
        }
    }
}

TEST_P(EveryFilter, RendersAtItsDefaults) {
    auto f = prepared(GetParam());
    Image out = f->outputImage();
    ASSERT_TRUE(out) << "no output with every image input set";
    Buffer b = Context().render(out, kPicture);
    Stats s = inspect(b);
    EXPECT_TRUE(s.finite);
    EXPECT_GT(s.maxAlpha, 0.f) << "the result is empty";
}

TEST_P(EveryFilter, PreviewsConvergeToTheFullResult) {
    auto f = prepared(GetParam());
    Image out = f->outputImage();
    ASSERT_TRUE(out);
    auto full = blockMeans(out, 1.0);
    auto half = blockMeans(out, 0.5);
    ASSERT_EQ(full.size(), half.size());
    double sum = 0;
    float worst = 0;
    for (size_t i = 0; i < full.size(); ++i) {
        float d = testimg::maxDiff(full[i], half[i]);
        sum += d;
        worst = std::max(worst, d);
    }
    EXPECT_LT(sum / double(full.size()), 0.03) << "mean block difference at half scale";
    EXPECT_LT(worst, 0.25f) << "worst block difference at half scale";
}

// Every input at the value its description names as the identity leaves the picture alone,
// in previews too. Edges are left out: a resampling filter may soften them.
TEST_P(EveryFilter, IdentityValuesLeaveThePictureAlone) {
    auto f = prepared(GetParam());
    bool any = false;
    for (auto& a : f->attributes()) {
        if (!a.identity) continue;
        ASSERT_TRUE(f->setValue(a.key, *a.identity)) << a.key;
        any = true;
    }
    if (!any) return;
    // Bicubic resampling with C != 0 softens detail even at scale one.
    const float tolerance = GetParam() == "CIBicubicScaleTransform" ? 0.02f : 2e-3f;
    const Rect inner = kPicture.insetBy(4, 4);
    for (double scale : {1.0, 0.5}) {
        const Buffer want = Context().render(picture(), inner, scale);
        EXPECT_LT(testimg::worstDiff(want, Context().render(f->outputImage(), inner, scale)),
                  tolerance)
            << "scale " << scale;
    }
}

TEST_P(EveryFilter, ExtremeValuesAreRefusedOrClampedAndRenderSafely) {
    auto previous = setLogSink([](const std::string&) {});
    auto base = prepared(GetParam());
    const Rect small{100, 80, 64, 48};
    auto renderFinite = [&](const Filter& f, const std::string& what) {
        Image out = f.outputImage();
        if (!out) return;
        try {
            Buffer b = Context().render(out, small);
            EXPECT_TRUE(inspect(b).finite) << what;
        } catch (const Error&) {
            // Refusing an absurd amount of work is fine.
        }
    };
    for (auto& a : base->attributes()) {
        if (a.isNumber()) {
            for (double v : {std::nan(""), double(INFINITY), -double(INFINITY)}) {
                auto f = base->clone();
                EXPECT_FALSE(f->setValue(a.key, v)) << a.key << " = " << v;
                EXPECT_EQ(f->value(a.key), base->value(a.key));
            }
            std::vector<double> values;
            if (a.min) values.push_back(*a.min - 1e-3);
            if (a.max) values.push_back(*a.max + 1e-3);
            if (a.sliderMin) values.push_back(*a.sliderMin);
            if (a.sliderMax) values.push_back(*a.sliderMax);
            // Far beyond any picture: no buffer may be sized from them.
            for (double v : {0.0, 1e9, -1e9, 1e12, -1e12, 1e300}) values.push_back(v);
            for (double v : values) {
                auto f = base->clone();
                EXPECT_TRUE(f->setValue(a.key, v));
                double got = f->value(a.key).toNumber();
                EXPECT_GE(got, a.min.value_or(-INFINITY)) << a.key;
                EXPECT_LE(got, a.max.value_or(INFINITY)) << a.key;
                renderFinite(*f, a.key + " = " + std::to_string(v));
            }
        } else if (a.className == kClassVector) {
            size_t n = a.defaultValue.toVector().count();
            for (double v : {0.0, -1e7, 1e7, 1e12, -1e300}) {
                auto f = base->clone();
                EXPECT_TRUE(f->setValue(a.key, Vector(std::vector<double>(n, v))));
                renderFinite(*f, a.key + " all " + std::to_string(v));
            }
        } else if (a.className == kClassColor) {
            for (Color c : {Color{-1, 2, 0.5, 1}, Color{0, 0, 0, 0}, Color{5, 5, 5, 5}}) {
                auto f = base->clone();
                EXPECT_TRUE(f->setValue(a.key, c));
                renderFinite(*f, a.key);
            }
        }
    }
    setLogSink(previous);
}

INSTANTIATE_TEST_SUITE_P(Registry, EveryFilter,
                         ::testing::ValuesIn(FilterRegistry::shared().allFilterNames()), testName);
