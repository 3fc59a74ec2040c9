// Compositing: blend modes leave the backdrop alone under their neutral colour and mix coverage
// like source-over; the Porter-Duff and arithmetic operators keep their alpha rules and extents.

#include <gtest/gtest.h>

#include "FilterRun.h"

using namespace imaging;
using namespace testimg;

namespace {

const char* kBlendModes[] = {
    "CIMultiplyBlendMode",    "CIScreenBlendMode",      "CIOverlayBlendMode",
    "CIDarkenBlendMode",      "CILightenBlendMode",     "CIColorDodgeBlendMode",
    "CIColorBurnBlendMode",   "CISoftLightBlendMode",   "CIHardLightBlendMode",
    "CIDifferenceBlendMode",  "CIExclusionBlendMode",   "CIHueBlendMode",
    "CISaturationBlendMode",  "CIColorBlendMode",       "CILuminosityBlendMode",
    "CILinearDodgeBlendMode", "CILinearBurnBlendMode",  "CIVividLightBlendMode",
    "CIPinLightBlendMode",    "CILinearLightBlendMode", "CIDivideBlendMode",
    "CISubtractBlendMode"};

// A colourful opaque picture.
Image backdrop() {
    return floatImage(64, 48, [](int x, int y) {
        Px p = smoothPixel(x * 5, y * 7);
        p[3] = 1;
        return p;
    });
}

// A picture of one straight linear colour with coverage a.
Image plain(float r, float g, float b, float a = 1) {
    return constant(64, 48, premultiply(Px{r, g, b, a}));
}

Buffer blend(const std::string& name, const Image& source, const Image& background) {
    return render(apply(name, {{"inputImage", source}, {"inputBackgroundImage", background}}),
                  Rect{0, 0, 64, 48});
}

}  // namespace

TEST(BlendModes, NeutralSourcesLeaveTheBackdropAlone) {
    const Image b = backdrop();
    const Buffer src = render(b, Rect{0, 0, 64, 48});
    const std::pair<const char*, float> neutral[] = {
        {"CIMultiplyBlendMode", 1},       {"CIScreenBlendMode", 0},
        {"CIColorDodgeBlendMode", 0},     {"CIColorBurnBlendMode", 1},
        {"CISoftLightBlendMode", 0.5f},   {"CIHardLightBlendMode", 0.5f},
        {"CIExclusionBlendMode", 0},      {"CIDifferenceBlendMode", 0},
        {"CILinearDodgeBlendMode", 0},    {"CILinearBurnBlendMode", 1},
        {"CIVividLightBlendMode", 0.5f},  {"CIPinLightBlendMode", 0.5f},
        {"CILinearLightBlendMode", 0.5f}, {"CIDivideBlendMode", 1},
        {"CISubtractBlendMode", 0},       {"CIDarkenBlendMode", 1},
        {"CILightenBlendMode", 0}};
    for (auto [name, v] : neutral)
        EXPECT_LT(worstDiff(src, blend(name, plain(v, v, v), b)), 2e-3f) << name;
}

TEST(BlendModes, CoverageMixesLikeSourceOver) {
    const Image b = backdrop();
    const Image half = plain(0.8f, 0.3f, 0.6f, 0.5f), clear = plain(0, 0, 0, 0);
    const Buffer opaque = render(b, Rect{0, 0, 64, 48});
    for (const char* name : kBlendModes) {
        EXPECT_LT(worstDiff(opaque, blend(name, clear, b)), 1e-6f) << name;
        EXPECT_LT(worstDiff(opaque, blend(name, b, clear)), 1e-6f) << name;
        const Buffer mixed = blend(name, half, plain(0.2f, 0.5f, 0.9f, 0.5f));
        EXPECT_NEAR(mixed.at(10, 10)[3], 0.75f, 1e-6) << name;
        // Where only one picture lies, it shows as it is.
        const Image small = constant(20, 20, Px{0.8f, 0.3f, 0.6f, 1});
        const Buffer edge = render(
            apply(name, {{"inputImage", small}, {"inputBackgroundImage", b}}), Rect{0, 0, 64, 48});
        EXPECT_LT(maxDiff(edge.at(40, 30), opaque.at(40, 30)), 1e-6f) << name;
    }
}

TEST(BlendModes, KnownMixtures) {
    const Image b = backdrop(), s = plain(0.9f, 0.2f, 0.5f);
    const Buffer bb = render(b, Rect{0, 0, 64, 48}), sb = render(s, Rect{0, 0, 64, 48});
    // Darken and lighten take per-channel extremes.
    const Buffer dark = blend("CIDarkenBlendMode", s, b), light = blend("CILightenBlendMode", s, b);
    for (int x = 0; x < 64; x += 7)
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(dark.at(x, 20)[c], std::min(bb.at(x, 20)[c], sb.at(x, 20)[c]), 1e-4);
            EXPECT_NEAR(light.at(x, 20)[c], std::max(bb.at(x, 20)[c], sb.at(x, 20)[c]), 1e-4);
        }
    // Swapping the pictures: overlay is hard light, colour is luminosity, difference is itself.
    EXPECT_LT(worstDiff(blend("CIOverlayBlendMode", s, b), blend("CIHardLightBlendMode", b, s)),
              1e-5f);
    EXPECT_LT(worstDiff(blend("CIColorBlendMode", s, b), blend("CILuminosityBlendMode", b, s)),
              1e-5f);
    EXPECT_LT(worstDiff(blend("CIDifferenceBlendMode", s, b), blend("CIDifferenceBlendMode", b, s)),
              1e-6f);
    EXPECT_LT(
        worstDiff(blend("CIDifferenceBlendMode", b, b), render(plain(0, 0, 0), Rect{0, 0, 64, 48})),
        1e-6f);
    // A grey source gives the hue and saturation modes nothing to take: a grey of the backdrop's
    // luminosity, and the backdrop's colours without saturation.
    const Buffer hue = blend("CIHueBlendMode", plain(0.5f, 0.5f, 0.5f), b);
    const Px e = unpremultiply(hue.at(30, 20));
    EXPECT_NEAR(e[0], e[1], 1e-3);
    EXPECT_NEAR(e[1], e[2], 1e-3);
    const Px eb = unpremultiply(bb.at(30, 20));
    EXPECT_NEAR(e[0], 0.3f * eb[0] + 0.59f * eb[1] + 0.11f * eb[2], 2e-3);
    EXPECT_LT(worstDiff(hue, blend("CISaturationBlendMode", plain(0.5f, 0.5f, 0.5f), b)), 1e-5f);
    // Exact values on linear colours.
    const Buffer mul = blend("CIMultiplyBlendMode", plain(0.5f, 0.5f, 0.5f), plain(0.6f, 0.2f, 1));
    EXPECT_LT(maxDiff(unpremultiply(mul.at(5, 5)), Px{0.3f, 0.1f, 0.5f, 1}), 1e-5f);
    const Buffer scr = blend("CIScreenBlendMode", plain(0.5f, 0.5f, 0.5f), plain(0.6f, 0.2f, 1));
    EXPECT_LT(maxDiff(unpremultiply(scr.at(5, 5)), Px{0.8f, 0.6f, 1, 1}), 1e-5f);
    const Buffer sub = blend("CISubtractBlendMode", plain(0.5f, 0.5f, 0.5f), plain(0.6f, 0.2f, 1));
    EXPECT_LT(maxDiff(unpremultiply(sub.at(5, 5)), Px{0.1f, 0, 0.5f, 1}), 1e-5f);
}

TEST(PorterDuff, AlphaRulesAndExtents) {
    const Image s = constant(40, 40, Px{0.4f, 0.2f, 0.1f, 0.5f});
    const Image b = floatImage(
        40, 40,
        [](int, int) {
            return Px{0.2f, 0.3f, 0.6f, 0.8f};
        },
        Point{20, 10});
    auto run = [&](const char* name) {
        return apply(name, {{"inputImage", s}, {"inputBackgroundImage", b}});
    };
    const Rect all{0, 0, 60, 50};
    EXPECT_EQ(run("CISourceInCompositing").extent(), (Rect{20, 10, 20, 30}));
    EXPECT_EQ(run("CISourceOutCompositing").extent(), (Rect{0, 0, 40, 40}));
    EXPECT_EQ(run("CISourceAtopCompositing").extent(), (Rect{20, 10, 40, 40}));
    EXPECT_EQ(run("CIMultiplyCompositing").extent(), (Rect{20, 10, 20, 30}));
    EXPECT_EQ(run("CIMinimumCompositing").extent(), (Rect{20, 10, 20, 30}));
    EXPECT_EQ(run("CIMaximumCompositing").extent(), (Rect{0, 0, 60, 50}));
    EXPECT_EQ(run("CIAdditionCompositing").extent(), (Rect{0, 0, 60, 50}));

    const Buffer in = render(run("CISourceInCompositing"), all);
    const Buffer out = render(run("CISourceOutCompositing"), all);
    const Buffer atop = render(run("CISourceAtopCompositing"), all);
    EXPECT_FLOAT_EQ(in.at(30, 20)[3], 0.5f * 0.8f);
    EXPECT_FLOAT_EQ(out.at(30, 20)[3], 0.5f * 0.2f);
    EXPECT_FLOAT_EQ(out.at(5, 5)[3], 0.5f);
    EXPECT_FLOAT_EQ(atop.at(30, 20)[3], 0.8f);
    EXPECT_FLOAT_EQ(atop.at(30, 20)[0], 0.4f * 0.8f + 0.2f * 0.5f);
    EXPECT_FLOAT_EQ(atop.at(50, 40)[2], 0.6f);

    const Buffer add = render(run("CIAdditionCompositing"), all);
    EXPECT_FLOAT_EQ(add.at(30, 20)[0], 0.6f);
    EXPECT_FLOAT_EQ(add.at(30, 20)[3], 1.f);  // coverage stops at full
    const Buffer mx = render(run("CIMaximumCompositing"), all);
    const Buffer mn = render(run("CIMinimumCompositing"), all);
    const Buffer mul = render(run("CIMultiplyCompositing"), all);
    EXPECT_LT(maxDiff(mx.at(30, 20), Px{0.4f, 0.3f, 0.6f, 0.8f}), 1e-6f);
    EXPECT_LT(maxDiff(mn.at(30, 20), Px{0.2f, 0.2f, 0.1f, 0.5f}), 1e-6f);
    EXPECT_LT(maxDiff(mul.at(30, 20), Px{0.08f, 0.06f, 0.06f, 0.4f}), 1e-6f);
}
