// Halftone screens: paper and ink only, the tone kept on average, white and black untouched.

#include <numbers>

#include "FilterRun.h"

using namespace imaging;
using namespace filterrun;

namespace {

const char* const kScreens[] = {"CIDotScreen", "CILineScreen", "CICircularScreen",
                                "CIHatchedScreen", "CIStochasticScreen"};
const Rect kArea{0, 0, 120, 120};

Image tone(float linear) {
    return flat(linear, linear, linear, 120, 120);
}

}  // namespace

TEST(HalftoneFilters, ScreensKeepTheToneOnAverageAtEveryScale) {
    for (const char* name : kScreens)
        for (float t : {0.1f, 0.3f, 0.5f, 0.8f})
            for (double scale : {1.0, 0.5, 0.2}) {
                Buffer b =
                    run(name, {{"inputImage", tone(t)}, {"inputSharpness", 1.0}}, kArea, scale);
                EXPECT_NEAR(testimg::mean(b)[0], t, 0.03f)
                    << name << " tone " << t << " scale " << scale;
            }
}

TEST(HalftoneFilters, SharpScreensAreInkAndPaperAndLeaveWhiteAndBlack) {
    for (const char* name : kScreens) {
        // Edges are softened over one pixel: on 20-pixel cells that leaves most pixels alone.
        Buffer b =
            run(name, {{"inputImage", tone(0.4f)}, {"inputSharpness", 1.0}, {"inputWidth", 20.0}},
                kArea);
        int mid = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x) {
                float v = b.at(x, y)[0];
                if (v > 0.02f && v < 0.98f) ++mid;
            }
        EXPECT_LT(mid, 120 * 120 / 5) << name << ": most pixels are ink or paper";
        EXPECT_EQ(testimg::mean(run(name, {{"inputImage", tone(1)}}, kArea))[0], 1.f) << name;
        EXPECT_EQ(testimg::mean(run(name, {{"inputImage", tone(0)}}, kArea))[0], 0.f) << name;
    }
}

TEST(HalftoneFilters, LinesFollowTheAngleAndRingsTheCentre) {
    // At angle 0 the lines run along x: every row is one value.
    Buffer lines = run("CILineScreen", {{"inputImage", tone(0.5f)}, {"inputWidth", 10.0}}, kArea);
    for (int y = 0; y < 120; y += 3)
        for (int x = 1; x < 120; x += 7) EXPECT_EQ(lines.at(x, y)[0], lines.at(0, y)[0]);
    // Turned a quarter, they run along y.
    Buffer turned = run(
        "CILineScreen",
        {{"inputImage", tone(0.5f)}, {"inputWidth", 10.0}, {"inputAngle", std::numbers::pi / 2}},
        kArea);
    for (int x = 0; x < 120; x += 3)
        for (int y = 1; y < 120; y += 7) EXPECT_NEAR(turned.at(x, y)[0], turned.at(x, 0)[0], 1e-3f);
    // Rings: points at the same distance from the centre agree.
    Buffer rings = run("CICircularScreen",
                       {{"inputImage", tone(0.5f)}, {"inputCenter", Vector{60, 60}}}, kArea);
    EXPECT_NEAR(at(rings, {60.5, 80.5})[0], at(rings, {80.5, 60.5})[0], 1e-3f);
    EXPECT_NEAR(at(rings, {60.5, 40.5})[0], at(rings, {40.5, 60.5})[0], 1e-3f);
}

TEST(HalftoneFilters, CmykInksColourThePaper) {
    EXPECT_EQ(testimg::mean(run("CICMYKHalftone", {{"inputImage", tone(1)}}, kArea))[0], 1.f);
    // Cyan takes red away and little else.
    Buffer cyan = run("CICMYKHalftone", {{"inputImage", flat(0, 1, 1, 120, 120)}}, kArea);
    Px m = testimg::mean(cyan);
    EXPECT_LT(m[0], 0.1f);
    EXPECT_GT(m[1], 0.9f);
    EXPECT_GT(m[2], 0.9f);
    // With full under-colour removal a grey keeps its tone in every channel, at full size and
    // in a preview; with less, black deepens it.
    for (double scale : {1.0, 0.25}) {
        Px g = testimg::mean(
            run("CICMYKHalftone", {{"inputImage", tone(0.5f)}, {"inputUCR", 1.0}}, kArea, scale));
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(g[c], 0.5f, 0.04f) << c << " at " << scale;
    }
    Px deep = testimg::mean(
        run("CICMYKHalftone", {{"inputImage", tone(0.5f)}, {"inputUCR", 0.0}}, kArea));
    EXPECT_LT(deep[0], 0.4f);
}
