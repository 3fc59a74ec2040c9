// Colour filters: identities, inverses, and the property that defines each one.

#include <functional>
#include <numbers>

#include "FilterRun.h"
#include "imaging/NodeKinds.h"
#include "imaging/filters/ColorMath.h"

using namespace imaging;
using namespace filterrun;

namespace {

constexpr double kPi = std::numbers::pi;
const Rect kArea{0, 0, 64, 48};

Image picture() {
    return testimg::smooth(64, 48);
}

// The straight colour a filter gives to one flat colour.
Px on(const std::string& name, Px color, const Settings& extra = {}) {
    Settings s{{"inputImage", testimg::constant(8, 8, color)}};
    s.insert(s.end(), extra.begin(), extra.end());
    Px p = run(name, s, Rect{0, 0, 8, 8}).at(4, 4);
    return p[3] > 0 ? p / p[3] : p;
}

}  // namespace

// Defaults that leave the picture alone where no identity value is declared (the declared ones
// are held with every other filter's), and identities that are not one number.
TEST(ColorFilters, IdentitySettingsLeaveThePictureAlone) {
    const std::vector<std::pair<std::string, Settings>> cases{
        {"CIColorMatrix", {}},
        {"CIColorClamp", {}},
        {"CIColorPolynomial", {}},
        {"CIToneCurve", {}},
        {"CIWhitePointAdjust", {}},
        {"CITemperatureAndTint",
         {{"inputNeutral", Vector{4000, 20}}, {"inputTargetNeutral", Vector{4000, 20}}}},
        {"CIColorCurves", {}},
    };
    for (double scale : {1.0, 0.5}) {
        Buffer src = testimg::render(picture(), kArea, scale);
        for (auto& [name, s] : cases) {
            Settings all{{"inputImage", picture()}};
            all.insert(all.end(), s.begin(), s.end());
            EXPECT_LT(maxDiff(run(name, all, kArea, scale), src), 2e-3f)
                << name << " at scale " << scale;
        }
    }
}

TEST(ColorFilters, InversePairsRoundTrip) {
    Buffer src = testimg::render(picture(), kArea);
    auto chain = [](const std::string& first, const Settings& a, const std::string& second,
                    const Settings& b) {
        Settings s1{{"inputImage", picture()}};
        s1.insert(s1.end(), a.begin(), a.end());
        Settings s2{{"inputImage", output(first, s1)}};
        s2.insert(s2.end(), b.begin(), b.end());
        return run(second, s2, kArea);
    };
    EXPECT_LT(maxDiff(chain("CILinearToSRGBToneCurve", {}, "CISRGBToneCurveToLinear", {}), src),
              1e-3f);
    EXPECT_LT(
        maxDiff(chain("CIHueAdjust", {{"inputAngle", 1.3}}, "CIHueAdjust", {{"inputAngle", -1.3}}),
                src),
        1e-3f);
    for (bool norm : {false, true})
        EXPECT_LT(maxDiff(chain("CIConvertRGBtoLab", {{"inputNormalize", norm}},
                                "CIConvertLabToRGB", {{"inputNormalize", norm}}),
                          src),
                  1e-3f)
            << "normalised " << norm;
}

TEST(ColorFilters, ExposureGammaAndToneCurves) {
    Px grey{0.2f, 0.2f, 0.2f, 1};
    expectNear(on("CIExposureAdjust", grey, {{"inputEV", 1.0}}), Px{0.4f, 0.4f, 0.4f, 1}, 1e-5f,
               "one stop doubles the light");
    // A falling tone curve turns black white and white black.
    Settings falling{{"inputPoint0", Vector{0, 1}},
                     {"inputPoint1", Vector{0.25, 0.75}},
                     {"inputPoint2", Vector{0.5, 0.5}},
                     {"inputPoint3", Vector{0.75, 0.25}},
                     {"inputPoint4", Vector{1, 0}}};
    expectNear(on("CIToneCurve", Px{0, 0, 0, 1}, falling), Px{1, 1, 1, 1}, 1e-3f, "black");
    expectNear(on("CIToneCurve", Px{1, 1, 1, 1}, falling), Px{0, 0, 0, 1}, 1e-3f, "white");
    // The curve never overshoots its points, even at a step.
    Settings step{{"inputPoint0", Vector{0, 0}},
                  {"inputPoint1", Vector{0.45, 0}},
                  {"inputPoint2", Vector{0.5, 1}},
                  {"inputPoint3", Vector{0.55, 1}},
                  {"inputPoint4", Vector{1, 1}}};
    for (float v = 0; v <= 1; v += 0.05f) {
        Px r = on("CIToneCurve", Px{lin(v), lin(v), lin(v), 1}, step);
        EXPECT_GE(r[0], -1e-4f) << v;
        EXPECT_LE(r[0], 1 + 1e-4f) << v;
    }
    // Colour curves: a flat zero red curve removes red only.
    Px c = on("CIColorCurves", Px{0.6f, 0.4f, 0.2f, 1}, {{"inputRedCurve", Vector{0, 0, 0}}});
    expectNear(c, Px{0, 0.4f, 0.2f, 1}, 1e-3f, "red curve at zero");
}

TEST(ColorFilters, HueTurnsAboutTheGreyAxisAndWhiteBalanceKeepsGrey) {
    Px grey{0.3f, 0.3f, 0.3f, 1}, color{0.6f, 0.2f, 0.1f, 1};
    expectNear(on("CIHueAdjust", grey, {{"inputAngle", 2.0}}), grey, 1e-4f, "grey under hue");
    expectNear(on("CIHueAdjust", color, {{"inputAngle", 2 * kPi}}), color, 1e-5f, "a full turn");
    // Any angle keeps the distance from the grey axis and the mean of the channels.
    Px turned = on("CIHueAdjust", color, {{"inputAngle", 0.7}});
    auto offAxis = [](Px p) {
        const float m = (p[0] + p[1] + p[2]) / 3;
        return std::hypot(p[0] - m, p[1] - m, p[2] - m);
    };
    EXPECT_NEAR(turned[0] + turned[1] + turned[2], color[0] + color[1] + color[2], 1e-5f);
    EXPECT_NEAR(offAxis(turned), offAxis(color), 1e-5f);
    // A lower target temperature re-renders under warmer light.
    Px warm = on("CITemperatureAndTint", grey, {{"inputTargetNeutral", Vector{4000, 0}}});
    Px cool = on("CITemperatureAndTint", grey, {{"inputTargetNeutral", Vector{9000, 0}}});
    EXPECT_GT(warm[0] / warm[2], 1.1f) << warm[0] << " " << warm[2];
    EXPECT_LT(cool[0] / cool[2], 0.95f) << cool[0] << " " << cool[2];
    // White becomes the white point colour.
    Px w = on("CIWhitePointAdjust", Px{1, 1, 1, 1}, {{"inputColor", Color{1, 0.5, 0.25, 1}}});
    expectNear(w, Px{1, lin(0.5f), lin(0.25f), 1}, 1e-3f, "white point");
}

TEST(ColorFilters, MatrixClampPolynomial) {
    Px color{0.5f, 0.2f, 0.05f, 1};
    Settings swap{{"inputRVector", Vector{0, 0, 1, 0}},
                  {"inputBVector", Vector{1, 0, 0, 0}},
                  {"inputBiasVector", Vector{0, 0.1, 0, 0}}};
    expectNear(on("CIColorMatrix", color, swap), Px{0.05f, 0.3f, 0.5f, 1}, 1e-5f, "matrix");
    Settings box{{"inputMinComponents", Vector{0.1, 0.3, 0.1, 0}},
                 {"inputMaxComponents", Vector{0.4, 1, 1, 1}}};
    expectNear(on("CIColorClamp", color, box), Px{0.4f, 0.3f, 0.1f, 1}, 1e-5f, "clamp");
    expectNear(on("CIColorPolynomial", color, {{"inputGreenCoefficients", Vector{0.1, 0, 1, 0}}}),
               Px{0.5f, 0.1f + 0.04f, 0.05f, 1}, 1e-5f, "polynomial");
    // Red from the cross terms: 0.5 g b + 0.25 r^2 + 0.1.
    const Px cross = on("CIColorCrossPolynomial", color,
                        {{"inputRedCoefficients", Vector{0, 0, 0, 0.25, 0, 0, 0, 0.5, 0, 0.1}}});
    expectNear(cross, Px{0.5f * 0.2f * 0.05f + 0.25f * 0.25f + 0.1f, 0.2f, 0.05f, 1}, 1e-5f,
               "cross polynomial");
}

TEST(ColorFilters, VibranceRaisesDullColoursMost) {
    Px dull{lin(0.5f), lin(0.45f), lin(0.4f), 1}, vivid{lin(0.9f), lin(0.2f), lin(0.1f), 1};
    auto spread = [](Px p) { return enc(p[0]) - enc(p[2]); };
    Settings up{{"inputAmount", 1.0}};
    float gainDull = spread(on("CIVibrance", dull, up)) / spread(dull);
    float gainVivid = spread(on("CIVibrance", vivid, up)) / spread(vivid);
    EXPECT_GT(gainDull, 1.5f);
    EXPECT_LT(gainVivid, gainDull);
    Px grey{0.3f, 0.3f, 0.3f, 1};
    expectNear(on("CIVibrance", grey, up), grey, 5e-4f, "grey");
}

TEST(ColorFilters, OtsuThresholdSplitsBetweenTwoTonesAtEveryScale) {
    Image two = testimg::floatImage(64, 64, [](int x, int) {
        float v = x < 24 ? lin(0.25f) : lin(0.7f);
        return Px{v, v, v, 1};
    });
    for (double scale : {1.0, 0.5}) {
        Buffer b = run("CIColorThresholdOtsu", {{"inputImage", two}}, Rect{0, 0, 64, 64}, scale);
        EXPECT_EQ(at(b, {10, 30}, scale)[0], 0.f) << scale;
        EXPECT_EQ(at(b, {50, 30}, scale)[0], 1.f) << scale;
    }
}

TEST(ColorFilters, TintsAndMapsFollowLuminance) {
    Px black{0, 0, 0, 1}, white{1, 1, 1, 1};
    // Monochrome keeps each pixel's luminance.
    Px m = on("CIColorMonochrome", Px{0.5f, 0.1f, 0.3f, 1});
    EXPECT_NEAR(luminance(m), luminance(Px{0.5f, 0.1f, 0.3f, 1}), 1e-4f);
    // The colour map sends black and white to the ramp's two ends.
    Image ramp = testimg::floatImage(16, 2, [](int x, int) {
        return x < 8 ? Px{1, 0, 0, 1} : Px{0, 0, 1, 1};
    });
    expectNear(on("CIColorMap", black, {{"inputGradientImage", ramp}}), Px{1, 0, 0, 1}, 1e-5f,
               "map black");
    expectNear(on("CIColorMap", white, {{"inputGradientImage", ramp}}), Px{0, 0, 1, 1}, 1e-5f,
               "map white");
    expectNear(on("CIThermal", white), white, 1e-3f, "thermal white");
    EXPECT_LT(luminance(on("CIXRay", white)), 0.01f);
    EXPECT_GT(luminance(on("CIXRay", black)), 0.8f);
    expectNear(on("CIMaximumComponent", Px{0.5f, 0.1f, 0.3f, 1}), Px{0.5f, 0.5f, 0.5f, 1}, 1e-6f,
               "max");
    expectNear(on("CIMinimumComponent", Px{0.5f, 0.1f, 0.3f, 1}), Px{0.1f, 0.1f, 0.1f, 1}, 1e-6f,
               "min");
}

TEST(ColorFilters, PhotoLooksStayInRangeAndMonoOnesAreGrey) {
    for (const char* n : {"CIPhotoEffectChrome", "CIPhotoEffectFade", "CIPhotoEffectInstant",
                          "CIPhotoEffectMono", "CIPhotoEffectNoir", "CIPhotoEffectProcess",
                          "CIPhotoEffectTonal", "CIPhotoEffectTransfer"}) {
        Buffer b = run(n, {{"inputImage", picture()}}, kArea);
        const std::string name = n;
        const bool grey =
            name.ends_with("Mono") || name.ends_with("Noir") || name.ends_with("Tonal");
        for (int y = 0; y < 48; y += 7)
            for (int x = 0; x < 64; x += 7) {
                Px p = b.at(x, y);
                EXPECT_EQ(p[3], 1.f) << n;
                for (int c = 0; c < 3; ++c) {
                    EXPECT_GE(p[c], 0.f) << n;
                    EXPECT_LE(p[c], 1.f + 1e-5f) << n;
                }
                if (grey) {
                    EXPECT_NEAR(p[0], p[2], 1e-5f) << n;
                }
            }
    }
}

TEST(ColorFilters, VignettesDarkenOutsideTheirRadius) {
    Image img = flat(0.5f, 0.5f, 0.5f, 100, 100);
    Buffer v =
        run("CIVignette", {{"inputImage", img}, {"inputIntensity", 0.8}}, Rect{0, 0, 100, 100});
    EXPECT_NEAR(v.at(50, 50)[0], 0.5f, 1e-3f);
    EXPECT_NEAR(v.at(0, 0)[0], 0.5f * 0.2f, 0.01f) << "full darkening at the corners";
    Settings e{{"inputImage", img},
               {"inputCenter", Vector{50, 50}},
               {"inputRadius", 30.0},
               {"inputFalloff", 0.2},
               {"inputIntensity", 0.5}};
    Buffer ve = run("CIVignetteEffect", e, Rect{0, 0, 100, 100});
    EXPECT_NEAR(ve.at(60, 50)[0], 0.5f, 1e-4f);
    EXPECT_NEAR(ve.at(99, 99)[0], 0.25f, 1e-4f);
}

TEST(ColorFilters, DitherKeepsTheMeanAndMasksFollowLightness) {
    Image grey = flat(0.2f, 0.2f, 0.2f, 64, 64);
    Buffer d = run("CIDither", {{"inputImage", grey}, {"inputIntensity", 0.3}}, Rect{0, 0, 64, 64});
    Px m = testimg::mean(d);
    EXPECT_NEAR(enc(m[0]), enc(0.2f), 0.02f);
    EXPECT_GT(maxDiff(d, testimg::render(grey, Rect{0, 0, 64, 64})), 0.02f) << "noise is there";
    Px white = run("CIMaskToAlpha", {{"inputImage", flat(1, 1, 1)}}, Rect{0, 0, 8, 8}).at(2, 2);
    Px black = run("CIMaskToAlpha", {{"inputImage", flat(0, 0, 0)}}, Rect{0, 0, 8, 8}).at(2, 2);
    expectNear(white, Px{1, 1, 1, 1}, 1e-3f, "white is opaque white");
    expectNear(black, Px{0, 0, 0, 0}, 1e-6f, "black is clear");
}

TEST(ColorFilters, PalettizeUsesOnlyThePalette) {
    Image pal = testimg::floatImage(2, 1, [](int x, int) {
        return x ? Px{0.9f, 0.1f, 0.1f, 1} : Px{0.1f, 0.1f, 0.8f, 1};
    });
    Buffer b = run("CIPalettize", {{"inputImage", picture()}, {"inputPaletteImage", pal}}, kArea);
    for (int y = 0; y < 48; y += 5)
        for (int x = 0; x < 64; x += 5) {
            Px p = b.at(x, y), src = testimg::smoothPixel(x, y);
            Px red{0.9f, 0.1f, 0.1f, 1}, blue{0.1f, 0.1f, 0.8f, 1};
            Px d1 = src - red, d2 = src - blue;
            d1 *= d1, d2 *= d2;
            Px want = d1[0] + d1[1] + d1[2] < d2[0] + d2[1] + d2[2] ? red : blue;
            expectNear(p, want, 1e-3f, "nearest palette colour");
        }
}

TEST(ColorFilters, DifferencesOfTwoPictures) {
    Image a = picture();
    Buffer same = run("CIColorAbsoluteDifference", {{"inputImage", a}, {"inputImage2", a}}, kArea);
    EXPECT_LT(testimg::mean(same)[0], 1e-6f);
    EXPECT_EQ(same.at(5, 5)[3], 1.f);
    Buffer vsBlack = run("CIColorAbsoluteDifference",
                         {{"inputImage", a}, {"inputImage2", flat(0, 0, 0, 64, 48)}}, kArea);
    EXPECT_LT(maxDiff(vsBlack, testimg::render(a, kArea)), 1e-5f);
    Buffer de = run("CILabDeltaE", {{"inputImage", flat(0, 0, 0)}, {"inputImage2", flat(1, 1, 1)}},
                    Rect{0, 0, 8, 8});
    EXPECT_NEAR(de.at(3, 3)[0], 1.f, 2e-3f) << "black to white is 100";
    Buffer de0 = run("CILabDeltaE", {{"inputImage", a}, {"inputImage2", a}}, kArea);
    EXPECT_LT(testimg::mean(de0)[0], 1e-5f);
}

TEST(ColorFilters, DocumentEnhancerEvensOutThePaper) {
    // Paper lit unevenly, from grey on the left to white on the right, with a dark stroke.
    Image page = testimg::floatImage(200, 100, [](int x, int) {
        float v = lin(0.6f + 0.4f * x / 199.f);
        if (x % 50 == 25) v *= 0.1f;
        return Px{v, v, v, 1};
    });
    Buffer b = run("CIDocumentEnhancer", {{"inputImage", page}}, Rect{0, 0, 200, 100});
    EXPECT_GT(enc(b.at(40, 50)[0]), 0.9f) << "shaded paper turns white";
    EXPECT_GT(enc(b.at(160, 50)[0]), 0.9f);
    EXPECT_LT(enc(b.at(75, 50)[0]), 0.3f) << "ink stays dark";
}

TEST(ColorFilters, ToneMapHeadroomBringsTheSourcePeakToTheTarget) {
    Settings s{{"inputSourceHeadroom", 4.0}, {"inputTargetHeadroom", 1.0}};
    expectNear(on("CIToneMapHeadroom", Px{4, 4, 4, 1}, s), Px{1, 1, 1, 1}, 1e-4f, "peak");
    float prev = 0;
    for (float v : {0.01f, 0.1f, 0.5f, 1.f, 2.f, 4.f}) {
        float got = on("CIToneMapHeadroom", Px{v, v, v, 1}, s)[0];
        EXPECT_GT(got, prev) << v;
        EXPECT_LE(got, v) << v;
        prev = got;
    }
    Px c{0.6f, 0.3f, 0.1f, 1};
    Px m = on("CIToneMapHeadroom", c, s);
    EXPECT_NEAR(m[0] / m[1], 2, 1e-4f) << "hues are kept";
    expectNear(
        on("CIToneMapHeadroom", c, {{"inputSourceHeadroom", 2.0}, {"inputTargetHeadroom", 2.0}}), c,
        1e-6f, "equal headrooms");
}

TEST(ColorMath, FastTransferCurvesFollowTheExactOnesBeyondTheUnitRange) {
    for (float v = -0.5f; v <= 6.f; v += 0.01f) {
        Px d = imaging::cmath::decode(Px{v, v * 0.5f, 1.f, 0.7f});
        EXPECT_NEAR(d[0], imaging::cmath::decode(v), 2e-4f * std::max(1.f, std::abs(d[0]))) << v;
        EXPECT_NEAR(d[1], imaging::cmath::decode(v * 0.5f), 2e-4f * std::max(1.f, d[1])) << v;
        EXPECT_NEAR(d[0], v < 0 ? v / 12.92f : imaging::srgbToLinear(v),
                    2e-4f * std::max(1.f, std::abs(d[0])))
            << v;
        EXPECT_FLOAT_EQ(d[3], 0.7f);
    }
}

namespace {

// An n^3 cube (red fastest) of f applied to each lattice colour.
Data cubeOf(int n, const std::function<Px(Px)>& f) {
    std::vector<float> v;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const Px c = f(Px{r / float(n - 1), g / float(n - 1), b / float(n - 1), 1});
                v.insert(v.end(), {c[0], c[1], c[2], c[3]});
            }
    return Data::fromFloats(v);
}

}  // namespace

TEST(ColorFilters, CubesLookColoursUpTrilinearly) {
    const Px color{0.6f, 0.2f, 0.1f, 1};
    expectNear(on("CIColorCube", color), color, 1e-6f, "the default cube");
    const Data swap = cubeOf(4, [](Px c) { return Px{c[2], c[1], c[0], 1}; });
    const Settings swapping{{"inputCubeDimension", 4.0}, {"inputCubeData", swap}};
    expectNear(on("CIColorCube", color, swapping), Px{0.1f, 0.2f, 0.6f, 1}, 1e-5f, "red for blue");
    // Half-covered pixels look up their straight colour and keep their coverage.
    Settings halfCovered{{"inputImage", testimg::constant(8, 8, Px{0.3f, 0.1f, 0.05f, 0.5f})}};
    halfCovered.insert(halfCovered.end(), swapping.begin(), swapping.end());
    expectNear(run("CIColorCube", halfCovered, Rect{0, 0, 8, 8}).at(4, 4),
               Px{0.05f, 0.1f, 0.3f, 0.5f}, 1e-5f, "straight colour, coverage kept");
    // A table that does not match its dimension gives nothing.
    EXPECT_FALSE(
        output("CIColorCube",
               {{"inputImage", picture()}, {"inputCubeDimension", 5.0}, {"inputCubeData", swap}}));
    // A cube in sRGB: halving encoded values.
    const Data halve = cubeOf(17, [](Px c) { return Px{c[0] / 2, c[1] / 2, c[2] / 2, 1}; });
    const Px h = on("CIColorCubeWithColorSpace", Px{0.5f, 0.5f, 0.5f, 1},
                    {{"inputCubeDimension", 17.0}, {"inputCubeData", halve}});
    EXPECT_NEAR(h[0], lin(enc(0.5f) / 2), 1e-4f);
    const Px hl = on("CIColorCubeWithColorSpace", Px{0.5f, 0.5f, 0.5f, 1},
                     {{"inputCubeDimension", 17.0},
                      {"inputCubeData", halve},
                      {"inputColorSpace", "Linear sRGB"}});
    EXPECT_NEAR(hl[0], 0.25f, 1e-5f);
    EXPECT_FALSE(output("CIColorCubeWithColorSpace",
                        {{"inputImage", picture()}, {"inputColorSpace", "CMYK"}}));
    // Two cubes through a mask: the first where it is black, the second where white.
    for (auto [mask, want] : {std::pair{0.f, color}, std::pair{1.f, Px{0.1f, 0.2f, 0.6f, 1}}}) {
        const Px mixed = on("CIColorCubesMixedWithMask", color,
                            {{"inputMaskImage", testimg::constant(8, 8, Px{mask, mask, mask, 1})},
                             {"inputCubeDimension", 4.0},
                             {"inputCube0Data", cubeOf(4, [](Px c) { return c; })},
                             {"inputCube1Data", swap},
                             {"inputColorSpace", "linear"}});
        expectNear(mixed, want, 1e-5f, "mask " + std::to_string(mask));
    }
}
