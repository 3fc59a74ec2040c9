// Geometry filters: scaling, projective maps and straightening.

#include <gtest/gtest.h>

#include <numbers>

#include "FilterRun.h"
#include "TestImages.h"
#include "imaging/filters/WarpMath.h"

using namespace imaging;
using namespace testimg;

namespace {

// The leftmost opaque pixel of row y, or INT_MIN.
int leftEdge(const Buffer& b, int y) {
    for (int x = b.rect().x0; x < b.rect().x1; ++x)
        if (b.at(x, y)[3] > 0.5f) return x;
    return INT32_MIN;
}

// The named filter over `img` with its four corners (top left, top right, bottom right, bottom
// left) and any further inputs.
Image cornered(const std::string& name, const Image& img, const std::array<Vector, 4>& c,
               Inputs more = {}) {
    filterrun::Settings s{{"inputImage", img},
                          {"inputTopLeft", c[0]},
                          {"inputTopRight", c[1]},
                          {"inputBottomRight", c[2]},
                          {"inputBottomLeft", c[3]}};
    for (auto& [k, v] : more) s.emplace_back(k, v);
    return filterrun::output(name, s);
}

}  // namespace

TEST(ScaleFilters, ScaleOneIsTheIdentityAndOtherScalesMoveTheExtent) {
    Image pic = places(120, 90);
    Buffer src = render(pic, Rect{0, 0, 120, 90});
    for (const char* name : {"CILanczosScaleTransform", "CIBicubicScaleTransform"}) {
        Image same = apply(name, {{"inputImage", pic}});
        EXPECT_EQ(same.extent(), pic.extent()) << name;
        Buffer b = render(same, Rect{0, 0, 120, 90});
        float worst = 0;
        // Bicubic with C != 0 is not interpolating exactly; Lanczos at integral phases is.
        for (int y = 2; y < 88; ++y)
            for (int x = 2; x < 118; ++x)
                worst = std::max(worst, maxDiff(b.at(x, y), src.at(x, y)));
        EXPECT_LT(worst, std::string(name) == "CILanczosScaleTransform" ? 1e-4f : 0.02f) << name;

        Image half =
            apply(name, {{"inputImage", pic}, {"inputScale", 0.5}, {"inputAspectRatio", 2.0}});
        EXPECT_EQ(half.extent(), (Rect{0, 0, 120, 45})) << name;
        // The point (x, y) of the picture lands at (x, y / 2).
        Buffer h = render(half, Rect{0, 0, 120, 45});
        EXPECT_LT(maxDiff(h.at(60, 20), src.sample(60.5, 41)), 0.02f) << name;
    }
}

TEST(ScaleFilters, ShrinkingAveragesDetailInsteadOfAliasing) {
    // One-pixel stripes of black and white shrink to even grey, at every render scale.
    Image stripes = floatImage(200, 200, [](int x, int) {
        float v = x % 2 ? 1.f : 0.f;
        return Px{v, v, v, 1};
    });
    for (const char* name : {"CILanczosScaleTransform", "CIBicubicScaleTransform"}) {
        Image small = apply(name, {{"inputImage", stripes}, {"inputScale", 0.3}});
        for (double scale : {1.0, 0.5}) {
            Buffer b = render(small, Rect{0, 0, 60, 60}, scale);
            for (int x = 5; x < int(55 * scale); x += 3)
                EXPECT_NEAR(b.at(x, int(30 * scale))[0], 0.5f, 0.03f) << name << " x " << x;
        }
    }
}

TEST(PerspectiveFilters, CornersGoWhereTheyAreAskedAndCorrectionUndoesIt) {
    Image pic = places(200, 100);
    const Vector tl{30, 170}, tr{260, 190}, br{230, 20}, bl{10, 40};
    Image warped = cornered("CIPerspectiveTransform", pic, {tl, tr, br, bl});
    EXPECT_EQ(warped.extent(), (Rect{10, 20, 250, 170}));
    Buffer w = render(warped, warped.extent());
    Buffer src = render(pic, pic.extent());
    // Just inside each corner the picture's corresponding corner shows.
    auto inward = [](Vector corner, Vector towards) {
        return Point{corner.x() + 0.015 * (towards.x() - corner.x()),
                     corner.y() + 0.015 * (towards.y() - corner.y())};
    };
    struct Case {
        Vector corner, opposite;
        Point picturePoint;
    };
    for (const Case& c : {Case{bl, tr, {1, 1}}, Case{tr, bl, {199, 99}}, Case{tl, br, {1, 99}},
                          Case{br, tl, {199, 1}}}) {
        Point p = inward(c.corner, c.opposite);
        EXPECT_LT(maxDiff(w.sample(p.x, p.y), src.sample(c.picturePoint.x, c.picturePoint.y)),
                  0.06f)
            << c.corner.x() << "," << c.corner.y();
    }
    EXPECT_FLOAT_EQ(w.at(150, 185)[3], 0.f);  // outside the quadrilateral

    // Correcting with the same corners gives back the picture, scaled to the mean side lengths.
    Image back = cornered("CIPerspectiveCorrection", warped, {tl, tr, br, bl});
    Rect e = back.extent();
    EXPECT_NEAR(e.x, 10, 1e-9);
    EXPECT_NEAR(e.y, 20, 1e-9);
    Buffer b = render(back, e);
    for (double fx : {0.2, 0.5, 0.8})
        for (double fy : {0.2, 0.5, 0.8}) {
            Px got = b.sample(e.x + fx * e.width, e.y + fy * e.height);
            EXPECT_LT(maxDiff(got, src.sample(fx * 200, fy * 100)), 0.03f) << fx << "," << fy;
        }
}

TEST(PerspectiveFilters, TheExtentVariantMapsItsRectangleAndTheCorrectionCanKeepEverything) {
    Image pic = places(300, 300);
    const Vector tl{0, 300}, tr{300, 300}, br{300, 0}, bl{0, 0};
    // Mapping the picture's own rectangle to its own corners changes nothing.
    Image same = cornered("CIPerspectiveTransformWithExtent", pic, {tl, tr, br, bl},
                          {{"inputExtent", Vector{0, 0, 300, 300}}});
    Buffer a = render(same, Rect{0, 0, 300, 300}), s = render(pic, Rect{0, 0, 300, 300});
    for (int y = 5; y < 295; y += 29)
        for (int x = 5; x < 295; x += 31) EXPECT_LT(maxDiff(a.at(x, y), s.at(x, y)), 1e-3f);
    // Halving the extent's size doubles the picture.
    Image twice = cornered("CIPerspectiveTransformWithExtent", pic, {tl, tr, br, bl},
                           {{"inputExtent", Vector{0, 0, 150, 150}}});
    EXPECT_EQ(twice.extent(), (Rect{0, 0, 600, 600}));
    Buffer t = render(twice, Rect{0, 0, 600, 600});
    EXPECT_LT(maxDiff(t.sample(200, 160), s.sample(100, 80)), 0.01f);

    Image uncropped = apply("CIPerspectiveCorrection", {{"inputImage", pic}, {"inputCrop", false}});
    Image cropped = apply("CIPerspectiveCorrection", {{"inputImage", pic}});
    EXPECT_LT(cropped.extent().width, uncropped.extent().width);
}

TEST(PerspectiveFilters, KeystoneCorrectionsStraightenTheSidesTheyAreFor) {
    // A picture drawn as a trapezoid narrowing upwards, as a building photographed from below.
    Image pic = constant(200, 200, Px{1, 1, 1, 1});
    const Vector tl{60, 190}, tr{140, 190}, br{190, 10}, bl{10, 10};
    Image trapezoid = cornered("CIPerspectiveTransform", pic, {tl, tr, br, bl});
    auto corrected = [&](const char* name) {
        Image img = cornered(name, trapezoid, {tl, tr, br, bl});
        return render(img, img.extent().integral());
    };
    Buffer v = corrected("CIKeystoneCorrectionVertical");
    // The left side is upright: the same x near the bottom and the top.
    EXPECT_NEAR(leftEdge(v, 30), leftEdge(v, 170), 2);
    Buffer c = corrected("CIKeystoneCorrectionCombined");
    EXPECT_NEAR(leftEdge(c, 30), leftEdge(c, 170), 2);
    // The horizontal one keeps the converging sides.
    Buffer h = corrected("CIKeystoneCorrectionHorizontal");
    EXPECT_GT(std::abs(leftEdge(h, 30) - leftEdge(h, 170)), 20);
}

TEST(RotationFilters, ZeroAnglesAreTheIdentityAndTurnsKeepTheCentre) {
    Image pic = smooth(240, 160);
    Buffer src = render(pic, pic.extent());
    for (const char* name : {"CIStraightenFilter", "CIPerspectiveRotate"}) {
        Buffer b = draw(name, {{"inputImage", pic}}, pic.extent());
        EXPECT_LT(maxDiff(b.at(37, 81), src.at(37, 81)), 1e-4f) << name;
    }
    // Straightening fills its frame: the same extent, no transparent corners.
    Image straight = apply("CIStraightenFilter", {{"inputImage", pic}, {"inputAngle", 0.3}});
    EXPECT_EQ(straight.extent(), pic.extent());
    for (double scale : {1.0, 0.5}) {
        Buffer b = render(straight, pic.extent(), scale);
        EXPECT_GT(b.at(1, 1)[3], 0.99f);
        EXPECT_GT(b.at(int(239 * scale), int(159 * scale))[3], 0.99f);
        EXPECT_LT(maxDiff(b.sample(120 * scale, 80 * scale), src.sample(120, 80)), 0.01f);
    }
    // Turned about the centre and enlarged just enough to fill the frame: 1.4 times here.
    const double k = (240 * std::sin(0.3) + 160 * std::cos(0.3)) / 160;
    EXPECT_LT(maxDiff(render(straight, pic.extent()).sample(160, 80),
                      src.sample(120 + 40 * std::cos(0.3) / k, 80 - 40 * std::sin(0.3) / k)),
              0.01f);
    // Rolling the camera turns the picture about its centre.
    Buffer r = draw("CIPerspectiveRotate", {{"inputImage", pic}, {"inputRoll", std::numbers::pi}},
                    pic.extent());
    EXPECT_LT(maxDiff(r.sample(60, 50), src.sample(180, 110)), 0.01f);
    // Pitching it foreshortens one end: the extent is no longer the picture's.
    Image pitched = apply("CIPerspectiveRotate", {{"inputImage", pic}, {"inputPitch", 0.4}});
    EXPECT_NE(pitched.extent(), pic.extent());
}

TEST(PlaneMaths, HomographiesMapCornersAndInvert) {
    using namespace warpmath;
    std::array<Point, 4> q{Point{10, 40}, Point{230, 20}, Point{260, 190}, Point{30, 170}};
    auto h = Homography::squareTo(q);
    ASSERT_TRUE(h);
    Point corners[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        Point p = h->apply(corners[i]);
        EXPECT_NEAR(p.x, q[size_t(i)].x, 1e-9);
        EXPECT_NEAR(p.y, q[size_t(i)].y, 1e-9);
        Point back = h->inverted()->apply(p);
        EXPECT_NEAR(back.x, corners[i].x, 1e-9);
    }
    // Three corners in a line make no map.
    EXPECT_FALSE(Homography::squareTo({Point{0, 0}, Point{1, 1}, Point{2, 2}, Point{0, 5}}));
}
