// Gradients: their colours at the points that define them, their symmetries, and previews
// that agree with the full result.

#include <numbers>

#include "FilterRun.h"

using namespace imaging;
using namespace filterrun;

namespace {

const Color kRed{1, 0, 0, 1}, kBlue{0, 0, 1, 1};
const Px kRedPx{1, 0, 0, 1}, kBluePx{0, 0, 1, 1};

Px pixelAt(const std::string& name, const Settings& s, Point p) {
    return run(name, s, Rect{p.x - 0.5, p.y - 0.5, 1, 1})
        .at(int(std::floor(p.x)), int(std::floor(p.y)));
}

}  // namespace

TEST(GradientFilters, LinearGradientsRunFromPointToPoint) {
    Settings s{{"inputPoint0", Vector{10.5, 20.5}},
               {"inputPoint1", Vector{110.5, 20.5}},
               {"inputColor0", kRed},
               {"inputColor1", kBlue}};
    for (const char* name : {"CILinearGradient", "CISmoothLinearGradient"}) {
        expectNear(pixelAt(name, s, {10.5, 20.5}), kRedPx, 1e-5f, name);
        expectNear(pixelAt(name, s, {-500.5, 20.5}), kRedPx, 1e-5f, name);
        expectNear(pixelAt(name, s, {110.5, 20.5}), kBluePx, 1e-5f, name);
        // Halfway the two colours are mixed evenly (in linear light), and lines across the axis
        // are one colour.
        expectNear(pixelAt(name, s, {60.5, 20.5}), Px{0.5f, 0, 0.5f, 1}, 1e-4f, name);
        expectNear(pixelAt(name, s, {60.5, 900.5}), Px{0.5f, 0, 0.5f, 1}, 1e-4f, name);
    }
    // The smooth one leaves its ends flat.
    float linear = pixelAt("CILinearGradient", s, {20.5, 20.5})[2];
    float smooth = pixelAt("CISmoothLinearGradient", s, {20.5, 20.5})[2];
    EXPECT_NEAR(linear, 0.1f, 1e-4f);
    EXPECT_LT(smooth, 0.05f);
    // Infinite in extent, as generators are.
    EXPECT_TRUE(output("CILinearGradient", s).extent().isInfinite());
}

TEST(GradientFilters, RadialAndGaussianAreRoundAboutTheCentre) {
    Settings r{{"inputCenter", Vector{50, 50}},
               {"inputRadius0", 10.0},
               {"inputRadius1", 40.0},
               {"inputColor0", kRed},
               {"inputColor1", kBlue}};
    Buffer b = run("CIRadialGradient", r, Rect{0, 0, 100, 100});
    expectNear(b.at(52, 52), kRedPx, 1e-5f, "inside radius 0");
    expectNear(b.at(95, 95), kBluePx, 1e-5f, "beyond radius 1");
    expectNear(b.at(74, 49), b.at(49, 74), 1e-5f, "symmetric");
    expectNear(b.at(74, 49), b.at(25, 50), 1e-5f, "symmetric");
    // Halfway between the radii: an even mix.
    expectNear(at(b, {75, 50}), Px{0.5f, 0, 0.5f, 1}, 0.02f, "between the radii");
    // Radius 0 larger than radius 1 turns the ramp round.
    Settings flipped = r;
    flipped[1].second = 40.0;
    flipped[2].second = 10.0;
    Buffer f = run("CIRadialGradient", flipped, Rect{0, 0, 100, 100});
    expectNear(f.at(52, 52), kBluePx, 1e-5f, "flipped inside");
    expectNear(f.at(95, 95), kRedPx, 1e-5f, "flipped outside");

    Settings g{{"inputCenter", Vector{50.5, 50.5}}, {"inputRadius", 30.0}};
    Buffer gb = run("CIGaussianGradient", g, Rect{0, 0, 100, 100});
    EXPECT_NEAR(at(gb, {50, 50})[3], 1, 1e-3f) << "colour 0 at the centre";
    EXPECT_LT(at(gb, {50, 81})[3], 0.012f) << "colour 1 (clear) beyond the radius";
    EXPECT_NEAR(at(gb, {50, 60})[3], std::exp(-0.5f), 0.02f) << "one sigma out";
    expectNear(gb.at(60, 45), gb.at(45, 40), 1e-5f, "round");
}

TEST(GradientFilters, AngularAndHueSaturationValueFollowTheAngle) {
    Settings a{{"inputCenter", Vector{50, 50}}, {"inputColor0", kRed}, {"inputColor1", kBlue}};
    Buffer b = run("CIAngularGradient", a, Rect{0, 0, 100, 100});
    EXPECT_GT(at(b, {90, 50.2})[0], 0.99f) << "colour 0 at the start angle";
    expectNear(at(b, {10, 50.2}), Px{0.5f, 0, 0.5f, 1}, 0.01f, "half way round");
    EXPECT_GT(at(b, {90, 49.8})[2], 0.99f) << "colour 1 just before coming round";

    Settings h{{"inputCenter", Vector{50.5, 50.5}}, {"inputRadius", 40.0}};
    Buffer hb = run("CIHueSaturationValueGradient", h, Rect{0, 0, 100, 100});
    Px centre = at(hb, {50, 50});
    EXPECT_NEAR(centre[0], centre[2], 0.01f) << "white at the centre";
    EXPECT_GT(centre[1], 0.98f);
    Px rim = at(hb, {89, 50});
    EXPECT_GT(rim[0], 0.9f) << "red at angle 0";
    EXPECT_LT(rim[2], 0.05f);
    EXPECT_EQ(at(hb, {95, 95})[3], 0.f) << "nothing outside the disc";
    EXPECT_EQ(output("CIHueSaturationValueGradient", h).extent().isInfinite(), false);
}

TEST(GradientFilters, PreviewsMatchTheFullGradient) {
    for (const char* name : {"CILinearGradient", "CIRadialGradient", "CIGaussianGradient",
                             "CIAngularGradient", "CISmoothLinearGradient"}) {
        Image img = output(name, {});
        Buffer full = testimg::render(img, Rect{0, 0, 256, 256});
        Buffer quarter = testimg::render(img, Rect{0, 0, 256, 256}, 0.25);
        for (int y = 0; y < 64; y += 9)
            for (int x = 0; x < 64; x += 9) {
                // A quarter-scale pixel shows the middle of its 4 x 4 block.
                Px f = (full.at(4 * x + 1, 4 * y + 1) + full.at(4 * x + 2, 4 * y + 2)) * 0.5f;
                EXPECT_LT(testimg::maxDiff(quarter.at(x, y), f), 0.03f)
                    << name << " " << x << " " << y;
            }
    }
}
