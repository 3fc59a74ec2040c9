// Distortion filters: warps round a centre or a line, lenses, maps and nine-part pictures.

#include <gtest/gtest.h>

#include <numbers>

#include "FilterRun.h"
#include "TestImages.h"

using namespace imaging;
using namespace testimg;

namespace {

const Rect kArea{0, 0, 300, 300};

Image picture() {
    static Image p = places(300, 300);
    return p;
}

// The named filter over the picture, with the given further inputs.
Image filtered(const std::string& name, Inputs values) {
    filterrun::Settings s{{"inputImage", picture()}};
    for (auto& [k, v] : values) s.emplace_back(k, v);
    return filterrun::output(name, s);
}
Buffer drawn(const std::string& name, Inputs values) {
    return render(filtered(name, values), kArea);
}

// Largest difference between two renders over a grid of points (scaled pixels).
float gridDiff(const Buffer& a, const Buffer& b, int step = 7) {
    float worst = 0;
    for (int y = a.rect().y0 + 2; y < a.rect().y1 - 2; y += step)
        for (int x = a.rect().x0 + 2; x < a.rect().x1 - 2; x += step)
            worst = std::max(worst, maxDiff(a.at(x, y), b.at(x, y)));
    return worst;
}

struct RadialCase {
    const char* name;
    const char* key;  // the strength input
    double strong;
};

const RadialCase kRadial[] = {
    {"CITwirlDistortion", "inputAngle", 2.5},   {"CIVortexDistortion", "inputAngle", 20},
    {"CIBumpDistortion", "inputScale", 0.8},    {"CIBumpDistortionLinear", "inputScale", 0.8},
    {"CIPinchDistortion", "inputScale", 1.5},   {"CITorusLensDistortion", "inputRefraction", 2.5},
    {"CIGlassLozenge", "inputRefraction", 2.5}, {"CIRippleDistortion", "inputAmplitude", 10},
};

}  // namespace

TEST(RadialDistortions, BeyondTheRadiusNothingMoves) {
    for (const RadialCase& c : kRadial) {
        // Small radius about the middle: moved inside, untouched well outside.
        const char* radiusKey = "inputRadius";
        const double radius = std::string(c.name) == "CITorusLensDistortion" ? 50 : 60;
        const bool lozenge = std::string(c.name) == "CIGlassLozenge";
        Image strong = lozenge ? filtered(c.name, {{c.key, c.strong},
                                                   {radiusKey, radius},
                                                   {"inputPoint0", Vector{130, 150}},
                                                   {"inputPoint1", Vector{170, 150}}})
                               : filtered(c.name, {{c.key, c.strong},
                                                   {radiusKey, radius},
                                                   {"inputCenter", Vector{150, 150}}});
        ASSERT_TRUE(strong) << c.name;
        EXPECT_EQ(strong.extent(), picture().extent()) << c.name;
        for (double scale : {1.0, 0.5}) {
            Buffer b = render(strong, kArea, scale);
            Buffer s = render(picture(), kArea, scale);
            auto at = [&](const Buffer& buf, double x, double y) {
                return buf.at(int(x * scale), int(y * scale));
            };
            EXPECT_LT(maxDiff(at(b, 20, 20), at(s, 20, 20)), 1e-4f) << c.name;
            // The linear bump reaches along the whole line through the centre.
            if (std::string(c.name) != "CIBumpDistortionLinear") {
                EXPECT_LT(maxDiff(at(b, 280, 150), at(s, 280, 150)), 1e-4f) << c.name;
            }
            float moved = 0;
            for (int k = -40; k <= 40; k += 10)
                moved = std::max(moved,
                                 maxDiff(at(b, 150 + k, 150 + k / 2), at(s, 150 + k, 150 + k / 2)));
            EXPECT_GT(moved, 0.02f) << c.name << " at scale " << scale;
        }
    }
}

TEST(RadialDistortions, OppositeTwirlsCancelAndBumpsMagnifyTheMiddle) {
    Image pic = smooth(300, 300);
    Image there = apply("CITwirlDistortion",
                        {{"inputImage", pic}, {"inputAngle", 1.5}, {"inputRadius", 120.0}});
    Image back = apply("CITwirlDistortion",
                       {{"inputImage", there}, {"inputAngle", -1.5}, {"inputRadius", 120.0}});
    EXPECT_LT(gridDiff(render(back, Rect{40, 40, 220, 220}), render(pic, Rect{40, 40, 220, 220})),
              0.01f);

    // A bump of scale s shows the centre's neighbourhood magnified 1 / (1 - s) times.
    // Centred on a pixel's middle, so that pixel (150, 150) is the fixed point.
    const Vector mid{150.5, 150.5};
    Image bump = filtered("CIBumpDistortion",
                          {{"inputScale", 0.5}, {"inputRadius", 200.0}, {"inputCenter", mid}});
    Buffer b = render(bump, kArea), s = render(picture(), kArea);
    EXPECT_LT(maxDiff(b.at(154, 150), s.sample(152.5, 150.5)), 0.01f);
    EXPECT_LT(maxDiff(b.at(150, 150), s.at(150, 150)), 1e-4f);
    // Pinching pulls the picture in: a point near the centre shows one further out.
    Buffer p = draw("CIPinchDistortion",
                    {{"inputImage", picture()},
                     {"inputScale", 1.0},
                     {"inputRadius", 100.0},
                     {"inputCenter", mid}},
                    kArea);
    const double t = 20.0 / 100;  // 20 units out shows 100 * sqrt(t) units out
    EXPECT_LT(maxDiff(p.at(170, 150), s.sample(150.5 + 100 * std::sqrt(t), 150.5)), 0.02f);
}

TEST(RadialDistortions, HolesSplashesTunnelsAndWrapsPlaceThePictureAsDescribed) {
    Buffer s = render(picture(), kArea);
    Buffer h = drawn("CIHoleDistortion", {{"inputRadius", 40.0}});
    EXPECT_FLOAT_EQ(h.at(150, 150)[3], 0.f);
    EXPECT_FLOAT_EQ(h.at(150, 185)[3], 0.f);
    // At radius 50 the picture from radius 30 (sqrt(50² - 40²)) shows.
    EXPECT_LT(maxDiff(h.sample(200, 150.5), s.sample(180, 150.5)), 0.01f);

    // Beyond the circle every ray keeps the colour it had on leaving it.
    Buffer sp = draw(
        "CICircleSplashDistortion",
        {{"inputImage", picture()}, {"inputRadius", 50.0}, {"inputCenter", Vector{150.5, 150.5}}},
        kArea);
    EXPECT_LT(maxDiff(sp.at(220, 150), sp.at(280, 150)), 1e-4f);
    EXPECT_LT(maxDiff(sp.at(150, 180), s.at(150, 180)), 1e-4f);

    // The tunnel shows the disc again outside it, turned inside out: r shows R² / r.
    Image tunnel = filtered("CILightTunnel", {{"inputRadius", 60.0}});
    Buffer t = render(tunnel, kArea);
    EXPECT_LT(maxDiff(t.sample(150.5, 270.5), s.sample(150.5, 150.5 + 30)), 0.01f);
    EXPECT_LT(maxDiff(t.at(170, 160), s.at(170, 160)), 1e-4f);

    // The wrapped picture's bottom middle sits on the circle's top, its top edge further out.
    Image wrapped = filtered("CICircularWrap", {{"inputRadius", 100.0}});
    EXPECT_EQ(wrapped.extent(), (Rect{-250, -250, 800, 800}));
    Buffer w = render(wrapped, Rect{-250, -250, 800, 800});
    EXPECT_FLOAT_EQ(w.at(150, 150)[3], 0.f);  // the middle of the circle is empty
    EXPECT_LT(maxDiff(w.sample(150, 250 + 2), s.sample(150, 2)), 0.01f);
    EXPECT_LT(maxDiff(w.sample(150, 250 + 280), s.sample(150, 280)), 0.01f);
}

TEST(MapDistortions, NeutralMapsAndFlatTexturesMoveNothing) {
    Buffer s = render(picture(), kArea);
    Image grey = constant(300, 300, Px{0.5f, 0.5f, 0, 1});
    Image displaced = filtered("CIDisplacementDistortion", {{"inputDisplacementImage", grey}});
    EXPECT_LT(gridDiff(render(displaced, kArea), s), 1e-3f);
    // Full red moves every point half the scale to the right.
    Image red = constant(300, 300, Px{1, 0.5f, 0, 1});
    Buffer d =
        drawn("CIDisplacementDistortion", {{"inputDisplacementImage", red}, {"inputScale", 40.0}});
    EXPECT_LT(maxDiff(d.at(100, 100), s.at(120, 100)), 1e-3f);

    Image flat = filtered("CIGlassDistortion",
                          {{"inputTexture", constant(64, 64, Px{0.3f, 0.3f, 0.3f, 1})}});
    EXPECT_LT(gridDiff(render(flat, kArea), s), 1e-3f);
    // A sloping texture bends the light; the result converges when previewed.
    Image ramp = floatImage(300, 300, [](int x, int) {
        float v = srgbToLinear(float(x) / 300);
        return Px{v, v, v, 1};
    });
    Image glass =
        filtered("CIGlassDistortion", {{"inputTexture", ramp}, {"inputCenter", Vector{0, 0}}});
    Buffer g = render(glass, kArea), g2 = render(glass, kArea, 0.5);
    EXPECT_GT(maxDiff(g.at(150, 150), s.at(150, 150)), 0.01f);
    EXPECT_LT(maxDiff(g2.at(75, 75), g.sample(150, 150)), 0.02f);
}

TEST(DrosteDistortion, ThePictureRepeatsInsideItself) {
    // Inset: the middle 100 x 100 of a 300 x 300 picture, so each ring is a third of the last.
    Image d = filtered("CIDroste", {{"inputInsetPoint0", Vector{100, 100}},
                                    {"inputInsetPoint1", Vector{200, 200}},
                                    {"inputStrands", 0.0}});
    Buffer b = render(d, kArea), s = render(picture(), kArea);
    // Between the inset and the edge nothing changes ...
    EXPECT_LT(maxDiff(b.at(150, 280), s.at(150, 280)), 1e-3f);
    EXPECT_LT(maxDiff(b.at(20, 150), s.at(20, 150)), 1e-3f);
    // ... and inside the inset the same ring returns a third the size.
    EXPECT_LT(maxDiff(b.sample(150.5, 150.5 + 130.0 / 3), s.sample(150.5, 150.5 + 130)), 0.02f);
    // With a strand the rings join into a spiral: no longer the plain repetition.
    Image spiral = filtered("CIDroste", {{"inputInsetPoint0", Vector{100, 100}},
                                         {"inputInsetPoint1", Vector{200, 200}}});
    EXPECT_GT(gridDiff(render(spiral, kArea), b), 0.05f);
}

TEST(NinePartDistortions, CornersStayAndTheMiddleGrows) {
    Buffer s = render(picture(), kArea);
    const Vector b0{100, 100}, b1{200, 200};
    Image stretched = filtered(
        "CINinePartStretched",
        {{"inputBreakpoint0", b0}, {"inputBreakpoint1", b1}, {"inputGrowAmount", Vector{100, 50}}});
    EXPECT_EQ(stretched.extent(), (Rect{0, 0, 400, 350}));
    Buffer st = render(stretched, Rect{0, 0, 400, 350});
    EXPECT_LT(maxDiff(st.at(50, 50), s.at(50, 50)), 1e-4f);
    EXPECT_LT(maxDiff(st.at(350, 300), s.at(250, 250)), 1e-4f);
    // The middle is stretched twice as wide and 1.5 times as high.
    EXPECT_LT(maxDiff(st.sample(100 + 2 * 30, 100 + 1.5 * 30), s.sample(130, 130)), 0.01f);

    Buffer ti = draw("CINinePartTiled",
                     {{"inputImage", picture()},
                      {"inputBreakpoint0", b0},
                      {"inputBreakpoint1", b1},
                      {"inputGrowAmount", Vector{100, 100}},
                      {"inputFlipYTiles", false}},
                     Rect{0, 0, 400, 400});
    EXPECT_LT(maxDiff(ti.at(130, 50), ti.at(230, 50)), 1e-4f);  // repeats every 100
    Buffer fl = draw("CINinePartTiled",
                     {{"inputImage", picture()},
                      {"inputBreakpoint0", b0},
                      {"inputBreakpoint1", b1},
                      {"inputGrowAmount", Vector{100, 100}}},
                     Rect{0, 0, 400, 400});
    EXPECT_LT(maxDiff(fl.at(130, 50), fl.at(269, 50)), 1e-4f);  // mirrored about 200
    // No growth, no change.
    Image none = filtered("CINinePartStretched", {{"inputGrowAmount", Vector{0, 0}}});
    EXPECT_LT(gridDiff(render(none, kArea), s), 1e-4f);
}

TEST(NinePartDistortions, StretchCropFillsTheSizeAskedFor) {
    Buffer s = render(picture(), kArea);
    // Without cropping or bending, a plain stretch to 600 x 150.
    Image plain = filtered("CIStretchCrop", {{"inputSize", Vector{600, 150}},
                                             {"inputCropAmount", 0.0},
                                             {"inputCenterStretchAmount", 0.0}});
    EXPECT_EQ(plain.extent(), (Rect{0, 0, 600, 150}));
    Buffer p = render(plain, Rect{0, 0, 600, 150});
    EXPECT_LT(maxDiff(p.sample(120, 30), s.sample(60, 60)), 0.01f);
    // Cropping everything keeps the proportions: the middle row shows the middle third.
    Buffer c =
        draw("CIStretchCrop",
             {{"inputImage", picture()}, {"inputSize", Vector{600, 150}}, {"inputCropAmount", 1.0}},
             Rect{0, 0, 600, 150});
    EXPECT_LT(maxDiff(c.sample(300, 75), s.sample(150, 150)), 0.01f);
    EXPECT_LT(maxDiff(c.sample(2, 75), s.sample(1, 150)), 0.02f);
    EXPECT_LT(maxDiff(c.sample(300, 148), s.sample(150, 150 + 37)), 0.02f);
}
