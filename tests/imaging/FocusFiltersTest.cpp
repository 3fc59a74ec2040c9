// Focus filters: blurs keep what they spread and spread it as far as their size says; ranks,
// medians and sharpening keep what they must; every result is independent of the tiling.

#include <gtest/gtest.h>

#include "FilterRun.h"
#include "imaging/NodeKinds.h"

using namespace imaging;
using namespace testimg;
using filterrun::enc;
using filterrun::lin;

namespace {

const Px kWhite{1, 1, 1, 1};
constexpr float kPiF = 3.14159265f;

// Sum of alpha and its spread (root mean square distance from (cx, cy)) in picture units.
struct Spread {
    double sum = 0, rms = 0;
};
Spread spread(const Buffer& b, double scale, double cx, double cy) {
    double sum = 0, m2 = 0;
    for (int y = b.rect().y0; y < b.rect().y1; ++y)
        for (int x = b.rect().x0; x < b.rect().x1; ++x) {
            const double v = b.at(x, y)[3], dx = (x + 0.5) / scale - cx,
                         dy = (y + 0.5) / scale - cy;
            sum += v;
            m2 += v * (dx * dx + dy * dy);
        }
    return {sum / (scale * scale), std::sqrt(m2 / std::max(sum, 1e-12))};
}

}  // namespace

TEST(Blurs, BoxCoversTwiceTheRadiusPlusOnePixelsEvenly) {
    Buffer b = draw("CIBoxBlur", {{"inputImage", dot(101, 101, 50, 50)}, {"inputRadius", 4.0}},
                    Rect{0, 0, 101, 101});
    EXPECT_NEAR(b.at(46, 50)[3], 1 / 81.f, 1e-5);
    EXPECT_NEAR(b.at(54, 54)[3], 1 / 81.f, 1e-5);
    EXPECT_NEAR(b.at(50, 50)[3], 1 / 81.f, 1e-5);
    EXPECT_EQ(b.at(45, 50)[3], 0.f);
    EXPECT_EQ(b.at(50, 55)[3], 0.f);
    EXPECT_NEAR(total(b)[3], 1.0, 1e-4);
}

TEST(Blurs, DiscsKeepTheSumAndReachTheirRadius) {
    const Image in = dot(101, 101, 50, 50);
    Buffer b = draw("CIDiscBlur", {{"inputImage", in}, {"inputRadius", 6.0}}, Rect{0, 0, 101, 101});
    EXPECT_NEAR(total(b)[3], 1.0, 1e-3);
    EXPECT_NEAR(b.at(50, 50)[3], 1 / (kPiF * 36), 2e-3);
    EXPECT_NEAR(b.at(53, 52)[3], b.at(50, 50)[3], 1e-4);  // flat inside
    EXPECT_EQ(b.at(58, 50)[3], 0.f);
    EXPECT_EQ(b.at(56, 56)[3], 0.f);
    // A bokeh rim is brighter than the middle when asked for.
    Buffer ring = draw("CIBokehBlur",
                       {{"inputImage", in},
                        {"inputRadius", 10.0},
                        {"inputRingAmount", 1.0},
                        {"inputRingSize", 0.2},
                        {"inputSoftness", 0.0}},
                       Rect{0, 0, 101, 101});
    EXPECT_NEAR(total(ring)[3], 1.0, 2e-3);
    EXPECT_GT(ring.at(59, 50)[3], 1.5f * ring.at(50, 50)[3]);
}

TEST(Blurs, MotionStreaksAlongItsAngleOnly) {
    const Image in = dot(101, 101, 50, 50);
    Buffer along =
        draw("CIMotionBlur", {{"inputImage", in}, {"inputRadius", 10.0}}, Rect{0, 0, 101, 101});
    EXPECT_NEAR(total(along)[3], 1.0, 1e-3);
    EXPECT_GT(along.at(41, 50)[3], 0.02f);
    EXPECT_GT(along.at(59, 50)[3], 0.02f);
    EXPECT_LT(along.at(63, 50)[3], 1e-6f);
    EXPECT_LT(along.at(50, 51)[3] + along.at(50, 49)[3], 1e-6f);  // nothing across

    Buffer up =
        draw("CIMotionBlur", {{"inputImage", in}, {"inputRadius", 10.0}, {"inputAngle", kPiF / 2}},
             Rect{0, 0, 101, 101});
    EXPECT_NEAR(up.at(50, 41)[3], along.at(41, 50)[3], 2e-3);
    EXPECT_LT(up.at(52, 50)[3], 1e-3f);

    // Off the pixel grid the picture is resampled: a blob keeps its sum to within a percent.
    Buffer diagonal = draw(
        "CIMotionBlur",
        {{"inputImage", dot(101, 101, 50, 50, 5)}, {"inputRadius", 10.0}, {"inputAngle", kPiF / 4}},
        Rect{0, 0, 101, 101});
    EXPECT_GT(diagonal.at(57, 57)[3], 10 * diagonal.at(57, 43)[3]);
    EXPECT_NEAR(total(diagonal)[3], 25, 0.25);
}

TEST(Blurs, ZoomStreaksAlongTheRayFromTheCentre) {
    const Image in = dot(121, 101, 80, 50);
    // Each point averages the way towards the centre: the dot reappears further out.
    Buffer b =
        draw("CIZoomBlur",
             {{"inputImage", in}, {"inputCenter", Vector{50.5, 50.5}}, {"inputAmount", 20.0}},
             Rect{0, 0, 121, 101});
    EXPECT_GT(b.at(84, 50)[3], 0.05f);
    EXPECT_LT(b.at(76, 50)[3], 1e-3f);
    EXPECT_LT(b.at(90, 50)[3], 1e-3f);
    EXPECT_LT(b.at(84, 53)[3], 1e-3f);
    // Zooming out moves it inwards.
    Buffer out =
        draw("CIZoomBlur",
             {{"inputImage", in}, {"inputCenter", Vector{50.5, 50.5}}, {"inputAmount", -20.0}},
             Rect{0, 0, 121, 101});
    EXPECT_GT(out.at(76, 50)[3], 0.05f);
    EXPECT_LT(out.at(84, 50)[3], 1e-3f);
}

TEST(Blurs, PreviewsSpreadAsFarInPictureUnits) {
    const Image in = dot(201, 201, 100, 100, 3);
    for (auto [name, key, value] : {std::tuple{"CIDiscBlur", "inputRadius", 12.0},
                                    {"CIBoxBlur", "inputRadius", 9.0},
                                    {"CIMotionBlur", "inputRadius", 20.0},
                                    {"CIBokehBlur", "inputRadius", 15.0},
                                    {"CIDiscBlur", "inputRadius", 50.0}}) {
        Image out = apply(name, {{"inputImage", in}, {key, value}});
        const Spread full = spread(render(out, Rect{0, 0, 201, 201}), 1, 100.5, 100.5);
        const Spread half = spread(render(out, Rect{0, 0, 201, 201}, 0.5), 0.5, 100.5, 100.5);
        EXPECT_NEAR(full.sum, 9, 0.05) << name;
        EXPECT_NEAR(half.sum, full.sum, 0.1) << name;
        EXPECT_NEAR(half.rms, full.rms, 0.08 * full.rms) << name;
    }
}

TEST(Neighbourhoods, ResultsDoNotDependOnHowTheRegionIsSplit) {
    const Image in = floatImage(700, 500, [](int x, int y) {
        Px p = smoothPixel(x, y);
        if ((x / 23 + y / 31) % 3 == 0) p = p * 0.3f;
        return p;
    });
    const std::vector<std::pair<std::string, filterrun::Settings>> cases = {
        {"CIGaussianBlur", {{"inputRadius", 4.0}}},
        {"CIBoxBlur", {{"inputRadius", 17.3}}},
        {"CIDiscBlur", {{"inputRadius", 9.6}}},
        {"CIDiscBlur", {{"inputRadius", 75.0}}},  // summed on a coarser grid
        {"CIBokehBlur", {{"inputRingAmount", 0.5}}},
        {"CIMotionBlur", {{"inputRadius", 30.0}, {"inputAngle", 0.7}}},
        {"CIZoomBlur", {{"inputCenter", Vector{350, 250}}, {"inputAmount", 40.0}}},
        {"CIZoomBlur", {{"inputCenter", Vector{-200, 900}}}},
        {"CIMorphologyMaximum", {{"inputRadius", 7.5}}},
        {"CIMorphologyGradient", {}},
        {"CIMorphologyRectangleMinimum", {{"inputWidth", 9.0}, {"inputHeight", 4.0}}},
        {"CIMedianFilter", {}},
        {"CIConvolution7X7", {}},
    };
    for (auto& [name, inputs] : cases) {
        filterrun::Settings s{{"inputImage", in}};
        s.insert(s.end(), inputs.begin(), inputs.end());
        const Image out = filterrun::output(name, s);
        for (double scale : {1.0, 0.37}) {
            const Buffer whole = render(out, Rect{0, 0, 700, 500}, scale);
            const Buffer left = render(out, Rect{0, 0, 333, 500}, scale);
            const Buffer right = render(out, Rect{333, 97, 367, 403}, scale);
            EXPECT_LT(worstDiff(left, whole), 1e-5f) << name << " at " << scale;
            EXPECT_LT(worstDiff(right, whole), 1e-5f) << name << " at " << scale;
        }
    }
}

TEST(Morphology, RectanglesAndDiscsGrowAndShrinkByTheirSize) {
    Buffer rect =
        draw("CIMorphologyRectangleMaximum",
             {{"inputImage", dot(41, 41, 20, 20)}, {"inputWidth", 5.0}, {"inputHeight", 3.0}},
             Rect{0, 0, 41, 41});
    float inside = 0, outside = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            const bool in = std::abs(x - 20) <= 2 && std::abs(y - 20) <= 1;
            (in ? inside : outside) += rect.at(x, y)[3];
        }
    EXPECT_FLOAT_EQ(inside, 15);
    EXPECT_FLOAT_EQ(outside, 0);

    Buffer eroded =
        draw("CIMorphologyRectangleMinimum",
             {{"inputImage", dot(41, 41, 20, 20, 9)}, {"inputWidth", 5.0}, {"inputHeight", 1.0}},
             Rect{0, 0, 41, 41});
    EXPECT_FLOAT_EQ(total(eroded)[3], 5 * 9);

    Buffer disc =
        draw("CIMorphologyMaximum", {{"inputImage", dot(41, 41, 20, 20)}, {"inputRadius", 5.0}},
             Rect{0, 0, 41, 41});
    EXPECT_EQ(disc.at(25, 20)[3], 1.f);
    EXPECT_EQ(disc.at(23, 24)[3], 1.f);  // 4.9 away
    EXPECT_EQ(disc.at(24, 24)[3], 0.f);  // 5.7 away
    EXPECT_NEAR(total(disc)[3], kPiF * 5.5f * 5.5f, 5);
}

TEST(Morphology, MaximumAboveMinimumBelowAndTheGradientBetween) {
    const Image in = floatImage(90, 70, [](int x, int y) {
        Px p = smoothPixel(x * 3, y * 2);
        return (x / 9 + y / 7) % 2 ? p : p * 0.4f;
    });
    const Buffer src = render(in, Rect{0, 0, 90, 70});
    const Buffer hi = draw("CIMorphologyMaximum", {{"inputImage", in}}, Rect{0, 0, 90, 70});
    const Buffer lo = draw("CIMorphologyMinimum", {{"inputImage", in}}, Rect{0, 0, 90, 70});
    const Buffer grad = draw("CIMorphologyGradient", {{"inputImage", in}}, Rect{0, 0, 90, 70});
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 90; ++x)
            for (int c = 0; c < 3; ++c) {
                ASSERT_GE(hi.at(x, y)[c], src.at(x, y)[c]);
                ASSERT_LE(lo.at(x, y)[c], src.at(x, y)[c]);
                ASSERT_NEAR(grad.at(x, y)[c], hi.at(x, y)[c] - lo.at(x, y)[c], 1e-6f);
            }
}

TEST(Median, RemovesSpecksAndKeepsEdges) {
    const Image in = floatImage(40, 30, [](int x, int y) {
        if (x == 10 && y == 10) return kWhite;
        return x < 25 ? Px{0.2f, 0.2f, 0.2f, 1} : Px{0.8f, 0.6f, 0.4f, 1};
    });
    const Image out = apply("CIMedianFilter", {{"inputImage", in}});
    const Buffer b = render(out, Rect{0, 0, 40, 30});
    EXPECT_LT(maxDiff(b.at(10, 10), Px{0.2f, 0.2f, 0.2f, 1}), 1e-6f);
    EXPECT_LT(maxDiff(b.at(24, 15), Px{0.2f, 0.2f, 0.2f, 1}), 1e-6f);
    EXPECT_LT(maxDiff(b.at(25, 15), Px{0.8f, 0.6f, 0.4f, 1}), 1e-6f);
    // A preview pixel is larger than the neighbourhood: nothing to take a median of.
    EXPECT_LT(worstDiff(render(in, Rect{0, 0, 40, 30}, 0.5), render(out, Rect{0, 0, 40, 30}, 0.5)),
              1e-6f);
}

TEST(NoiseReduction, SmoothsFaintNoiseAndKeepsStrongEdges) {
    auto noisy = [](int x, int y) {
        const float n = 0.01f * float(((x * 7919 + y * 104729) % 17) - 8) / 8;
        const float v = lin((x < 40 ? 0.25f : 0.75f) + n);
        return Px{v, v, v, 1};
    };
    const Image in = floatImage(80, 40, noisy);
    const Buffer src = render(in, Rect{0, 0, 80, 40});
    EXPECT_LT(
        worstDiff(src, draw("CINoiseReduction",
                            {{"inputImage", in}, {"inputNoiseLevel", 0.0}, {"inputSharpness", 0.0}},
                            Rect{0, 0, 80, 40})),
        2e-4f);
    const Buffer out =
        draw("CINoiseReduction", {{"inputImage", in}, {"inputSharpness", 0.0}}, Rect{0, 0, 80, 40});
    auto variance = [](const Buffer& b) {
        double s = 0, s2 = 0, n = 0;
        for (int y = 5; y < 35; ++y)
            for (int x = 5; x < 30; ++x) {
                const double v = enc(b.at(x, y)[0]);
                s += v, s2 += v * v, n += 1;
            }
        return s2 / n - (s / n) * (s / n);
    };
    EXPECT_LT(variance(out), 0.2 * variance(src));
    EXPECT_GT(enc(out.at(42, 20)[0]) - enc(out.at(37, 20)[0]), 0.45f);
}

TEST(Sharpening, OvershootsBothSidesOfAnEdgeAndLeavesFlatPartsAlone) {
    const Image in = floatImage(60, 20, [](int x, int) {
        const float v = x < 30 ? 0.3f : 0.7f;
        return Px{v, v, v, 1};
    });
    const Buffer b = draw("CIUnsharpMask", {{"inputImage", in}}, Rect{0, 0, 60, 20});
    auto level = [&](int x) { return b.at(x, 10)[0]; };
    EXPECT_NEAR(level(5), 0.3f, 1e-3);
    EXPECT_NEAR(level(55), 0.7f, 1e-3);
    EXPECT_LT(level(29), 0.28f);
    EXPECT_GT(level(30), 0.72f);
    // Even: the dip below is as deep as the rise above.
    EXPECT_NEAR(0.3f - level(29), level(30) - 0.7f, 2e-3);
}

TEST(MaskedVariableBlur, BlackMaskKeepsWhiteMaskBlursFully) {
    const Image in = smooth(120, 80);
    const Image black = constant(120, 80, Px{0, 0, 0, 1}), white = constant(120, 80, kWhite);
    const Rect r{20, 20, 80, 40};
    EXPECT_LT(worstDiff(render(in, r), draw("CIMaskedVariableBlur",
                                            {{"inputImage", in}, {"inputMask", black}}, r)),
              1e-6f);
    EXPECT_LT(
        worstDiff(render(gaussianBlur(in, 5), r),
                  draw("CIMaskedVariableBlur", {{"inputImage", in}, {"inputMask", white}}, r)),
        1e-5f);
}
