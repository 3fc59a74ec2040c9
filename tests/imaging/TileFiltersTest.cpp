// Tile filters: the plane filled from part of the picture with the symmetry each one names, and
// the clamps that stretch a picture's edges outwards.

#include <gtest/gtest.h>

#include <numbers>

#include "FilterRun.h"
#include "TestImages.h"

using namespace imaging;
using namespace testimg;

namespace {

constexpr double kPi = std::numbers::pi;
const Point kC{200, 200};

Image picture() {
    static Image p = places(400, 400);
    return p;
}

// The named filter over the picture, with the given further inputs.
Image filtered(const std::string& name, Inputs values) {
    filterrun::Settings s{{"inputImage", picture()}};
    for (auto& [k, v] : values) s.emplace_back(k, v);
    return filterrun::output(name, s);
}

// A render of the area round the centre, large enough to hold several cells.
struct View {
    Buffer b;
    double scale;
    explicit View(const Image& img, double s = 1)
        : b(render(img, Rect{-300, -300, 1000, 1000}, s)), scale(s) {}
    Px at(Point p) const { return b.sample(p.x * scale, p.y * scale); }
    Px at(double x, double y) const { return at(Point{x, y}); }
};

Point turned(Point v, double a) {
    return {kC.x + v.x * std::cos(a) - v.y * std::sin(a),
            kC.y + v.x * std::sin(a) + v.y * std::cos(a)};
}

// Offsets from the centre to check symmetries at: off the mirror lines and cell edges.
const Point kProbes[] = {{13, 7}, {31, 11}, {-17, 23}, {8, -29}, {37, 26}};

}  // namespace

TEST(CellTiles, EachHasTheTurnsAndMirrorsOfItsName) {
    struct Case {
        const char* name;
        double turn;    // a rotation about the centre that leaves the pattern unchanged
        bool mirrored;  // also symmetric under the mirror in the x axis through the centre
    };
    for (const Case& c : {Case{"CIFourfoldRotatedTile", kPi / 2, false},
                          Case{"CIEightfoldReflectedTile", kPi / 2, true},
                          Case{"CISixfoldRotatedTile", kPi / 3, false},
                          Case{"CISixfoldReflectedTile", 2 * kPi / 3, true},
                          Case{"CITwelvefoldReflectedTile", kPi / 3, true}}) {
        Image img = filtered(c.name, {{"inputCenter", Vector{kC.x, kC.y}}, {"inputWidth", 120.0}});
        EXPECT_TRUE(img.extent().isInfinite()) << c.name;
        for (double scale : {1.0, 0.5}) {
            View v(img, scale);
            const float tol = scale == 1 ? 0.01f : 0.03f;
            for (Point p : kProbes) {
                Px here = v.at(turned(p, 0));
                EXPECT_LT(maxDiff(here, v.at(turned(p, c.turn))), tol) << c.name << " " << p.x;
                if (c.mirrored) {
                    EXPECT_LT(maxDiff(here, v.at(kC.x + p.x, kC.y - p.y)), tol) << c.name;
                }
                // The pattern repeats from cell to cell.
                EXPECT_LT(maxDiff(here, v.at(turned(p, 0).x + 120, turned(p, 0).y)), tol) << c.name;
            }
            // Near the centre the picture itself shows (in the first wedge).
            EXPECT_LT(maxDiff(v.at(kC.x + 20, kC.y + 3),
                              render(picture(), Rect{220, 203, 1, 1}).at(220, 203)),
                      0.02f)
                << c.name;
        }
    }
}

TEST(LatticeTiles, ParallelogramsRepeatAsTheirNamesSay) {
    const Vector centre{kC.x, kC.y};
    Image par =
        filtered("CIParallelogramTile", {{"inputCenter", centre}, {"inputAcuteAngle", kPi / 3}});
    Image trans = filtered("CIFourfoldTranslatedTile",
                           {{"inputCenter", centre}, {"inputAcuteAngle", kPi / 3}});
    Image refl = filtered("CIFourfoldReflectedTile", {{"inputCenter", centre}});
    Image glide = filtered("CIGlideReflectedTile", {{"inputCenter", centre}});
    const Point a{100, 0}, b{100 * std::cos(kPi / 3), 100 * std::sin(kPi / 3)};
    View vp(par), vt(trans), vr(refl), vg(glide);
    Buffer src = render(picture(), Rect{0, 0, 400, 400});
    for (Point p : kProbes) {
        Point q{kC.x + std::abs(p.x) + 5, kC.y + std::abs(p.y) / 2 + 3};  // inside the first cell
        // Translated: period one cell along both sides; reflected ones: two cells.
        EXPECT_LT(maxDiff(vt.at(q), vt.at(q.x + a.x + b.x, q.y + a.y + b.y)), 0.01f);
        EXPECT_LT(maxDiff(vp.at(q), vp.at(q.x + 2 * b.x, q.y + 2 * b.y)), 0.01f);
        EXPECT_LT(maxDiff(vp.at(q), src.sample(q.x, q.y)), 0.01f);
        // Mirrored across the lines through the centre.
        EXPECT_LT(maxDiff(vr.at(kC.x + p.x, kC.y + p.y), vr.at(kC.x - p.x, kC.y + p.y)), 0.01f);
        EXPECT_LT(maxDiff(vr.at(kC.x + p.x, kC.y + p.y), vr.at(kC.x + p.x, kC.y - p.y)), 0.01f);
        // A glide: one row up is the row mirrored and moved half a cell; two rows up is the same.
        Point g{kC.x + p.x / 3, kC.y + p.y / 3};
        EXPECT_LT(maxDiff(vg.at(g), vg.at(g.x + 50, kC.y + 100 - (g.y - kC.y))), 0.01f);
        EXPECT_LT(maxDiff(vg.at(g), vg.at(g.x, g.y + 200)), 0.01f);
    }
}

TEST(TriangleTiles, MirrorsAcrossEveryTriangleSide) {
    Image tri =
        filtered("CITriangleTile", {{"inputCenter", Vector{kC.x, kC.y}}, {"inputWidth", 90.0}});
    View v(tri), half(tri, 0.5);
    // The triangle (0,0) (90,0) (45,78) from the centre shows the picture; across its bottom
    // side (y = 0) and across the side from (90,0) up the mirror images show.
    Buffer src = render(picture(), Rect{0, 0, 400, 400});
    Point inside{kC.x + 40, kC.y + 20};
    EXPECT_LT(maxDiff(v.at(inside), src.sample(inside.x, inside.y)), 0.01f);
    EXPECT_LT(maxDiff(v.at(inside), v.at(inside.x, kC.y - 20)), 0.01f);
    EXPECT_LT(maxDiff(v.at(inside), half.at(inside)), 0.03f);
    // Reflect `inside` in the line through (90, 0) at 120 degrees.
    const Point n{std::sqrt(3.0) / 2, 0.5};
    double d = (inside.x - kC.x - 90) * n.x + (inside.y - kC.y) * n.y;
    EXPECT_LT(maxDiff(v.at(inside), v.at(inside.x - 2 * d * n.x, inside.y - 2 * d * n.y)), 0.01f);

    // The kaleidoscope of triangles fades with the distance from its point, unless decay is 1.
    Image bright =
        filtered("CITriangleKaleidoscope",
                 {{"inputPoint", Vector{kC.x, kC.y}}, {"inputSize", 200.0}, {"inputDecay", 1.0}});
    Image faded =
        filtered("CITriangleKaleidoscope",
                 {{"inputPoint", Vector{kC.x, kC.y}}, {"inputSize", 200.0}, {"inputDecay", 0.5}});
    View vb(bright), vf(faded);
    EXPECT_LT(maxDiff(vb.at(kC), vf.at(kC)), 5e-3f);
    Px far = vf.at(kC.x + 400, kC.y), farBright = vb.at(kC.x + 400, kC.y);
    EXPECT_NEAR(far[0], farBright[0] * 0.25f, 0.01f);  // 0.5 per 200 units
    EXPECT_FLOAT_EQ(far[3], 1.f);
}

TEST(Kaleidoscope, RepeatsTheWedgeCountTimes) {
    for (double count : {3.0, 6.0, 7.0}) {
        Image k = filtered(
            "CIKaleidoscope",
            {{"inputCenter", Vector{kC.x, kC.y}}, {"inputCount", count}, {"inputAngle", 0.4}});
        View v(k);
        for (Point p : kProbes) {
            Px here = v.at(turned(p, 0));
            EXPECT_LT(maxDiff(here, v.at(turned(p, 2 * kPi / count))), 0.01f) << count;
        }
        // Inside the wedge at the given angle the picture itself shows.
        Point q = turned({40 * std::cos(0.4 + 0.1), 40 * std::sin(0.4 + 0.1)}, 0);
        EXPECT_LT(maxDiff(v.at(q), render(picture(), Rect{0, 0, 400, 400}).sample(q.x, q.y)),
                  0.01f);
    }
}

TEST(WholePictureTiles, RepeatThePictureAndClampItsEdges) {
    Image pic = places(100, 80);
    Buffer src = render(pic, Rect{0, 0, 100, 80});
    // An affine tile of the identity repeats the picture along its own edges.
    Image tile = apply("CIAffineTile", {{"inputImage", pic}});
    Buffer t = render(tile, Rect{-200, -200, 500, 500});
    EXPECT_LT(maxDiff(t.at(-170, 230), src.at(30, 70)), 1e-4f);
    // Scaled by two, it repeats every 200 x 160.
    Buffer bt = draw("CIAffineTile",
                     {{"inputImage", pic}, {"inputTransform", AffineTransform::scaling(2, 2)}},
                     Rect{-200, -200, 600, 600});
    EXPECT_LT(maxDiff(bt.sample(61, 41), bt.sample(261, 201)), 0.01f);
    EXPECT_LT(maxDiff(bt.sample(61, 41), src.sample(30.5, 20.5)), 0.01f);

    // The perspective tile with the picture's own corners is the picture, repeated.
    Buffer p = draw("CIPerspectiveTile",
                    {{"inputImage", pic},
                     {"inputBottomLeft", Vector{0, 0}},
                     {"inputBottomRight", Vector{100, 0}},
                     {"inputTopRight", Vector{100, 80}},
                     {"inputTopLeft", Vector{0, 80}}},
                    Rect{-100, -100, 300, 300});
    EXPECT_LT(maxDiff(p.at(37, 21), src.at(37, 21)), 1e-3f);
    EXPECT_LT(maxDiff(p.at(137, 101), src.at(37, 21)), 1e-3f);

    // Clamps: outside, the nearest edge pixel; inside, the picture.
    Buffer c = draw("CIClamp", {{"inputImage", pic}, {"inputExtent", Vector{10, 10, 50, 40}}},
                    Rect{-50, -50, 200, 200});
    EXPECT_LT(maxDiff(c.at(30, 30), src.at(30, 30)), 1e-4f);
    EXPECT_LT(maxDiff(c.at(120, 30), src.at(59, 30)), 0.01f);
    EXPECT_LT(maxDiff(c.at(-40, -40), src.at(10, 10)), 0.01f);
    Image affineClamp = apply("CIAffineClamp", {{"inputImage", pic}});
    for (double scale : {1.0, 0.5}) {
        Buffer a = render(affineClamp, Rect{-100, -100, 300, 300}, scale);
        Px corner = a.sample(190 * scale, 150 * scale);
        EXPECT_LT(maxDiff(corner, src.at(99, 79)), 0.02f) << scale;
        EXPECT_FLOAT_EQ(corner[3], 1.f);
    }
}

TEST(OpTile, ScaleOneIsThePictureAndOtherScalesRepeatEachSquare) {
    Image same = filtered("CIOpTile", {{"inputScale", 1.0}});
    Buffer s = render(picture(), Rect{0, 0, 400, 400});
    Buffer b = render(same, Rect{0, 0, 400, 400});
    for (int y = 10; y < 390; y += 37)
        for (int x = 10; x < 390; x += 41) EXPECT_LT(maxDiff(b.at(x, y), s.at(x, y)), 1e-3f);
    // Each square's middle is the picture's; away from it the picture at `scale` times the
    // distance shows.
    Buffer o = draw("CIOpTile",
                    {{"inputImage", picture()},
                     {"inputScale", 2.0},
                     {"inputWidth", 50.0},
                     {"inputCenter", Vector{0, 0}}},
                    Rect{0, 0, 400, 400});
    EXPECT_LT(maxDiff(o.sample(175, 225), s.sample(175, 225)), 0.01f);
    EXPECT_LT(maxDiff(o.sample(185, 230), s.sample(195, 235)), 0.01f);
}
