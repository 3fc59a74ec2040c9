// Stylize filters: cells hold their means, edges appear only at edges, glows and lights keep
// their identities and dualities, convolutions place their taps where they say, masks choose
// between the two pictures.

#include <gtest/gtest.h>

#include <set>

#include "FilterRun.h"
#include "imaging/NodeKinds.h"

using namespace imaging;
using namespace testimg;
using filterrun::enc;
using filterrun::encPx;
using filterrun::lin;
using filterrun::linPx;

namespace {

const Px kWhite{1, 1, 1, 1};

// An opaque grey of linear level v.
Px grey(float v) {
    return Px{v, v, v, 1};
}

// A vertical edge between two greys at column x0.
Image step(int w, int h, int x0, float lo, float hi) {
    return floatImage(w, h, [=](int x, int) { return grey(x < x0 ? lo : hi); });
}

Image ramp(int w, int h) {
    return floatImage(w, h, [](int x, int y) {
        const float v = (x + 0.5f) / 100;
        return Px{v, 0.5f * v + 0.002f * y, 0.3f, 1};
    });
}

}  // namespace

TEST(Cells, PixellateCellsHoldTheirMeanAnchoredOnTheCentre) {
    const Image out =
        apply("CIPixellate",
              {{"inputImage", ramp(100, 40)}, {"inputCenter", Vector{5, 5}}, {"inputScale", 10.0}});
    const Buffer b = render(out, Rect{0, 0, 100, 40});
    for (int cell = 0; cell < 10; ++cell)
        for (int k : {0, 4, 9}) {
            // Cells [10 i, 10 i + 10): the ramp's mean over them is its value at the middle.
            EXPECT_NEAR(b.at(10 * cell + k, 12)[0], (10 * cell + 5) / 100.f, 1e-5);
            EXPECT_NEAR(b.at(10 * cell + k, 12)[1], b.at(10 * cell, 19)[1], 1e-5);
        }
    // A preview sees the same cells.
    const Buffer half = render(out, Rect{0, 0, 100, 40}, 0.5);
    EXPECT_NEAR(half.at(22, 6)[0], 0.45f, 1e-5);
    EXPECT_NEAR(half.at(17, 6)[0], 0.35f, 1e-5);
}

TEST(Cells, HexagonsAreCentredOnTheCentreAndSpacedByTheScale) {
    const Image out = apply(
        "CIHexagonalPixellate",
        {{"inputImage", ramp(100, 60)}, {"inputCenter", Vector{50, 30}}, {"inputScale", 20.0}});
    const Buffer b = render(out, Rect{0, 0, 100, 60});
    // The cell around the centre is symmetric, so it holds the ramp's value there.
    EXPECT_NEAR(b.at(49, 29)[0], 0.5f, 2e-3);
    EXPECT_LT(maxDiff(b.at(41, 29), b.at(49, 29)), 1e-6f);         // 8 inside
    EXPECT_GT(std::abs(b.at(38, 29)[0] - b.at(49, 29)[0]), 0.1f);  // 11 away: the next cell
    EXPECT_NEAR(b.at(29, 29)[0], 0.3f, 2e-3);  // the neighbour's centre, 20 to the left
}

TEST(Cells, CrystalsAreFlatMeansOfTheirPixels) {
    const Image in = floatImage(120, 120, [](int x, int y) { return smoothPixel(3 * x, 2 * y); });
    const Buffer src = render(in, Rect{0, 0, 120, 120});
    const Buffer b =
        draw("CICrystallize", {{"inputImage", in}, {"inputRadius", 15.0}}, Rect{0, 0, 120, 120});
    // Roughly one cell per radius squared.
    std::set<std::tuple<float, float, float>> colours;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x) colours.insert({b.at(x, y)[0], b.at(x, y)[1], b.at(x, y)[2]});
    const size_t cells = size_t(120 * 120 / (15 * 15));
    EXPECT_GT(colours.size(), cells / 2);
    EXPECT_LT(colours.size(), cells * 3 * 4);  // border pixels mix their neighbours
    // The cell under (60, 60) holds the mean of the pixels that show its colour.
    const Px c = b.at(60, 60);
    Px sum{0, 0, 0, 0};
    int n = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
            if (maxDiff(b.at(x, y), c) < 1e-7f) sum += src.at(x, y), ++n;
    EXPECT_GT(n, 50);
    EXPECT_LT(maxDiff(sum / float(n), c), 0.02f);
}

TEST(Cells, PointillizeLeavesPaperBetweenDots) {
    const Buffer b = draw("CIPointillize", {{"inputImage", constant(150, 150, grey(0.3f))}},
                          Rect{0, 0, 150, 150});
    int paper = 0, ink = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 150; ++x) {
            if (maxDiff(b.at(x, y), kWhite) < 1e-6f) ++paper;
            if (maxDiff(b.at(x, y), grey(0.3f)) < 1e-5f) ++ink;
        }
    EXPECT_GT(paper, 150 * 150 / 10);
    EXPECT_GT(ink, 150 * 150 / 3);
}

TEST(Edges, OnlyEdgesLightUp) {
    const Image edge = step(40, 20, 20, 0.2f, 0.6f);
    const Buffer flat =
        draw("CIEdges", {{"inputImage", constant(40, 20, grey(0.5f))}}, Rect{0, 0, 40, 20});
    EXPECT_LT(maxDiff(flat.at(20, 10), Px{0, 0, 0, 1}), 1e-6f);
    const Buffer one = draw("CIEdges", {{"inputImage", edge}}, Rect{0, 0, 40, 20});
    const Buffer two =
        draw("CIEdges", {{"inputImage", edge}, {"inputIntensity", 0.5}}, Rect{0, 0, 40, 20});
    EXPECT_EQ(one.at(17, 10)[0], 0.f);
    EXPECT_EQ(one.at(22, 10)[0], 0.f);
    // A step of 0.4 shows as 0.4 on either side of it, at intensity 1.
    EXPECT_NEAR(one.at(19, 10)[0], 0.4f, 1e-5);
    EXPECT_NEAR(one.at(20, 10)[0], 0.4f, 1e-5);
    EXPECT_NEAR(two.at(20, 10)[0], 0.2f, 1e-5);
}

TEST(Edges, LineOverlayInksStrongEdgesOnATransparentGround) {
    const Buffer b =
        draw("CILineOverlay", {{"inputImage", step(60, 20, 30, 0.1f, 0.9f)}}, Rect{0, 0, 60, 20});
    EXPECT_EQ(b.at(10, 10)[3], 0.f);
    EXPECT_EQ(b.at(50, 10)[3], 0.f);
    EXPECT_GT(std::max(b.at(29, 10)[3], b.at(30, 10)[3]), 0.99f);
    EXPECT_EQ(b.at(30, 10)[0], 0.f);  // black ink
    const Buffer work =
        draw("CIEdgeWork", {{"inputImage", step(60, 20, 30, 0.0f, 1.0f)}}, Rect{0, 0, 60, 20});
    EXPECT_LT(maxDiff(work.at(55, 10), kWhite), 1e-3f);  // light areas are paper
    EXPECT_LT(work.at(5, 10)[0], 0.25f);                 // dark areas take ink
}

TEST(Edges, ComicFlattensColoursAndInksOutlines) {
    // Flat areas take one of five levels per channel; a strong edge gets a dark line.
    const Buffer flat =
        draw("CIComicEffect", {{"inputImage", constant(40, 40, grey(0.6f))}}, Rect{0, 0, 40, 40});
    const Px e = unpremultiply(flat.at(20, 20));
    EXPECT_NEAR(e[0] * 4, std::round(e[0] * 4), 1e-3);
    EXPECT_NEAR(e[0], 0.5f, 1e-3);
    const Buffer edge =
        draw("CIComicEffect", {{"inputImage", step(60, 40, 30, 0.15f, 0.9f)}}, Rect{0, 0, 60, 40});
    EXPECT_LT(edge.at(29, 20)[0], 0.1f);
    EXPECT_NEAR(edge.at(55, 20)[0], 1.f, 1e-3);
}

TEST(Glows, BloomIsTheMirrorOfGloom) {
    const Image in = floatImage(160, 140, [](int x, int y) {
        Px p = smoothPixel(x * 4, y * 3);
        p[3] = 1;
        return p;
    });
    const Image inverse = colorKernel([](Px p) { return Px{1 - p[0], 1 - p[1], 1 - p[2], 1}; }, in);
    const Rect r{0, 0, 160, 140};
    const Buffer src = render(in, r);
    const Buffer bloom = draw("CIBloom", {{"inputImage", inverse}}, r);
    const Buffer gloom = draw("CIGloom", {{"inputImage", in}}, r);
    // Away from the picture's border, which the blur sees as transparent.
    for (int y = 40; y < 100; y += 5)
        for (int x = 40; x < 120; x += 5)
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(gloom.at(x, y)[c], 1 - bloom.at(x, y)[c], 1e-5);
                EXPECT_LE(gloom.at(x, y)[c], src.at(x, y)[c] + 1e-6f);
            }
}

TEST(Lighting, ShadedMaterialTurnsSlopesIntoDirections) {
    // Shading picture: red grows to the right, green upwards.
    const Image shading = floatImage(101, 101, [](int x, int y) {
        return Px{x / 100.f, y / 100.f, 0, 1};
    });
    const Buffer flat =
        draw("CIShadedMaterial",
             {{"inputImage", constant(60, 60, grey(0.5f))}, {"inputShadingImage", shading}},
             Rect{0, 0, 60, 60});
    EXPECT_NEAR(flat.at(30, 30)[0], 0.5f, 0.01);
    EXPECT_NEAR(flat.at(30, 30)[1], 0.5f, 0.01);
    // Rising to the right faces left: less red, the same green.
    const Image slope = floatImage(60, 60, [](int x, int) { return grey(x / 60.f); });
    const Buffer tilted =
        draw("CIShadedMaterial", {{"inputImage", slope}, {"inputShadingImage", shading}},
             Rect{0, 0, 60, 60});
    EXPECT_LT(tilted.at(30, 30)[0], 0.45f);
    EXPECT_NEAR(tilted.at(30, 30)[1], 0.5f, 0.01);
}

TEST(Lighting, HeightFieldRisesFromTheMaskBorder) {
    const Image mask = floatImage(100, 100, [](int x, int y) {
        return std::hypot(x - 50, y - 50) < 40 ? kWhite : Px{0, 0, 0, 1};
    });
    const Buffer b = draw("CIHeightFieldFromMask", {{"inputImage", mask}}, Rect{0, 0, 100, 100});
    auto h = [&](int x) { return enc(b.at(x, 50)[0]); };
    EXPECT_EQ(h(8), 0.f);
    EXPECT_LT(h(10), 0.35f);  // at the border
    EXPECT_GT(h(30), 0.95f);  // further in than the radius
    for (int x = 8; x < 30; ++x) EXPECT_LE(h(x), h(x + 1) + 1e-6f);
}

TEST(Lighting, SpotLightIsBrightestWhereItPoints) {
    const Image in = constant(300, 300, grey(0.8f));
    const Buffer b = draw("CISpotLight", {{"inputImage", in}}, Rect{0, 0, 300, 300});
    EXPECT_GT(b.at(200, 200)[0], b.at(100, 100)[0]);
    EXPECT_GT(b.at(200, 200)[0], b.at(280, 120)[0]);
    const Buffer off =
        draw("CISpotLight", {{"inputImage", in}, {"inputBrightness", 0.0}}, Rect{0, 0, 300, 300});
    EXPECT_LT(maxDiff(off.at(200, 200), Px{0, 0, 0, 1}), 1e-6f);
}

TEST(Lighting, HighlightsAndShadows) {
    const Image in = floatImage(30, 10, [](int x, int) { return grey(x / 29.f); });
    const Rect r{0, 0, 30, 10};
    const Buffer src = render(in, r);
    EXPECT_LT(worstDiff(src, draw("CIHighlightShadowAdjust", {{"inputImage", in}}, r)), 1e-4f);
    const Buffer lifted =
        draw("CIHighlightShadowAdjust", {{"inputImage", in}, {"inputShadowAmount", 1.0}}, r);
    EXPECT_GT(lifted.at(5, 5)[0], src.at(5, 5)[0] + 0.02f);
    EXPECT_NEAR(lifted.at(29, 5)[0], 1.f, 1e-4);
    const Buffer held =
        draw("CIHighlightShadowAdjust", {{"inputImage", in}, {"inputHighlightAmount", 0.3}}, r);
    EXPECT_LT(held.at(25, 5)[0], src.at(25, 5)[0] - 0.05f);
    EXPECT_NEAR(held.at(0, 5)[0], 0.f, 1e-6);
}

TEST(Convolutions, TapsLieWhereTheWeightsSay) {
    const Image in = floatImage(20, 20, [](int x, int y) {
        return Px{x / 20.f, y / 20.f, 0.5f, 1};
    });
    const Rect r{2, 2, 16, 16};
    const Buffer src = render(in, r);
    EXPECT_LT(worstDiff(src, draw("CIConvolution5X5", {{"inputImage", in}}, r)), 1e-6f);
    // Weight on the middle of the right column: each pixel takes its right neighbour.
    const Buffer right =
        draw("CIConvolution3X3",
             {{"inputImage", in}, {"inputWeights", Vector{0, 0, 0, 0, 0, 1, 0, 0, 0}}}, r);
    EXPECT_LT(maxDiff(right.at(7, 7), src.at(8, 7)), 1e-6f);
    // The first row lies above the middle.
    const Buffer above =
        draw("CIConvolution3X3",
             {{"inputImage", in}, {"inputWeights", Vector{0, 1, 0, 0, 0, 0, 0, 0, 0}}}, r);
    EXPECT_LT(maxDiff(above.at(7, 7), src.at(7, 8)), 1e-6f);
    // Nine horizontal taps spread only sideways.
    const std::vector<double> ninth(9, 1.0 / 9);
    const Buffer h = draw("CIConvolution9Horizontal",
                          {{"inputImage", dot(40, 40, 20, 20)}, {"inputWeights", Vector(ninth)}},
                          Rect{0, 0, 40, 40});
    EXPECT_NEAR(h.at(16, 20)[3], 1 / 9.f, 1e-6);
    EXPECT_EQ(h.at(20, 21)[3], 0.f);
    // A weight vector longer than the kernel is refused.
    auto f = FilterRegistry::shared().filterWithName("CIConvolution3X3");
    EXPECT_FALSE(f->setValue("inputWeights", Vector(std::vector<double>(10, 0.0))));
}

TEST(Convolutions, BiasAndTheRgbVariantsKeepCoverageRight) {
    const Image half = constant(10, 10, Px{0.1f, 0.1f, 0.1f, 0.5f});
    const Rect r{3, 3, 4, 4};
    const Buffer all = draw("CIConvolution3X3", {{"inputImage", half}, {"inputBias", 0.2}}, r);
    const Buffer rgb = draw("CIConvolutionRGB3X3", {{"inputImage", half}, {"inputBias", 0.2}}, r);
    EXPECT_LT(maxDiff(all.at(4, 4), Px{0.3f, 0.3f, 0.3f, 0.7f}), 1e-6f);
    EXPECT_LT(maxDiff(rgb.at(4, 4), Px{0.3f, 0.3f, 0.3f, 0.5f}), 1e-6f);
    // Colour never exceeds coverage.
    const Buffer bright =
        draw("CIConvolutionRGB3X3", {{"inputImage", half}, {"inputBias", 0.9}}, r);
    EXPECT_LT(maxDiff(bright.at(4, 4), Px{0.5f, 0.5f, 0.5f, 0.5f}), 1e-6f);
}

TEST(Masks, TheMaskChoosesBetweenTheTwoPictures) {
    const Image a = constant(10, 10, Px{1, 0, 0, 1}), b = constant(10, 10, Px{0, 0, 1, 1});
    auto mixed = [&](const char* name, Px mask) {
        return draw(name,
                    {{"inputImage", a},
                     {"inputBackgroundImage", b},
                     {"inputMaskImage", constant(10, 10, mask)}},
                    Rect{0, 0, 10, 10})
            .at(5, 5);
    };
    // The grey, red and blue masks are held to their formulas with the working-space tests.
    EXPECT_LT(maxDiff(mixed("CIBlendWithAlphaMask", Px{0, 0, 0, 0.25f}), Px{0.25f, 0, 0.75f, 1}),
              1e-6f);
    for (double t : {0.0, 0.25, 1.0}) {
        const Buffer m =
            draw("CIMix", {{"inputImage", a}, {"inputBackgroundImage", b}, {"inputAmount", t}},
                 Rect{0, 0, 10, 10});
        EXPECT_LT(maxDiff(m.at(5, 5), Px{float(t), 0, float(1 - t), 1}), 1e-6f) << t;
    }
}

TEST(DepthOfField, SharpOnTheLineBlurredAwayFromIt) {
    const Image in = floatImage(200, 200, [](int x, int y) { return smoothPixel(4 * x, 4 * y); });
    const Rect r{0, 0, 200, 200};
    const Buffer src = render(in, r), blurred = render(gaussianBlur(in, 6), r);
    const Buffer b = draw("CIDepthOfField",
                          {{"inputImage", in},
                           {"inputPoint0", Vector{0, 40}},
                           {"inputPoint1", Vector{200, 40}},
                           {"inputSaturation", 1.0},
                           {"inputUnsharpMaskIntensity", 0.0}},
                          r);
    // Sharp within a quarter of half the points' distance (100), blurred beyond 100.
    EXPECT_LT(maxDiff(b.at(50, 40), src.at(50, 40)), 1e-4f);
    EXPECT_LT(maxDiff(b.at(150, 60), src.at(150, 60)), 1e-4f);
    EXPECT_LT(maxDiff(b.at(50, 150), blurred.at(50, 150)), 1e-6f);
    EXPECT_LT(maxDiff(b.at(150, 180), blurred.at(150, 180)), 1e-6f);
}

TEST(SpotColor, ReplacesColoursCloseToACentreOnly) {
    const Image spot = constant(10, 10, linPx(Px{0.0784f, 0.0627f, 0.0706f, 1}));
    const Buffer b = draw("CISpotColor", {{"inputImage", spot}}, Rect{0, 0, 10, 10});
    EXPECT_LT(maxDiff(encPx(b.at(5, 5)), Px{0.4392f, 0.1922f, 0.1961f, 1}), 1e-3f);
    const Image blue = constant(10, 10, Px{0, 0, 1, 1});
    EXPECT_LT(maxDiff(draw("CISpotColor", {{"inputImage", blue}}, Rect{0, 0, 10, 10}).at(5, 5),
                      Px{0, 0, 1, 1}),
              1e-5f);
}
