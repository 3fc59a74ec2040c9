// Generators: patterns where they belong, shapes with the area they claim, lights brightest at
// their source, noise that is the same wherever and however it is rendered.

#include "FilterRun.h"
#include "imaging/FilterKit.h"

using namespace imaging;
using namespace filterrun;

namespace {

const Color kRed{1, 0, 0, 1}, kBlue{0, 0, 1, 1};
const Px kRedPx{1, 0, 0, 1}, kBluePx{0, 0, 1, 1};

void expectNear(Px got, Px want, float tol, const std::string& what) {
    EXPECT_LT(testimg::maxDiff(got, want), tol)
        << what << ": got " << got[0] << " " << got[1] << " " << got[2] << " " << got[3];
}

}  // namespace

TEST(GeneratorFilters, CheckerboardAndStripesAlternateByWidth) {
    Settings s{{"inputCenter", Vector{0, 0}},
               {"inputWidth", 10.0},
               {"inputColor0", kRed},
               {"inputColor1", kBlue}};
    for (double scale : {1.0, 0.5}) {
        Buffer c = run("CICheckerboardGenerator", s, Rect{0, 0, 40, 40}, scale);
        expectNear(at(c, {5, 5}, scale), kRedPx, 1e-5f, "first square");
        expectNear(at(c, {15, 5}, scale), kBluePx, 1e-5f, "next along x");
        expectNear(at(c, {5, 15}, scale), kBluePx, 1e-5f, "next along y");
        expectNear(at(c, {15, 15}, scale), kRedPx, 1e-5f, "diagonal");
        Buffer st = run("CIStripesGenerator", s, Rect{0, 0, 40, 40}, scale);
        expectNear(at(st, {5, 5}, scale), kRedPx, 1e-5f, "stripe");
        expectNear(at(st, {5, 35}, scale), kRedPx, 1e-5f, "same stripe higher up");
        expectNear(at(st, {15, 5}, scale), kBluePx, 1e-5f, "next stripe");
    }
    // Soft squares still average to the mean of the two colours.
    Settings soft = s;
    soft.push_back({"inputSharpness", 0.0});
    Px m = testimg::mean(run("CICheckerboardGenerator", soft, Rect{0, 0, 40, 40}));
    expectNear(m, Px{0.5f, 0, 0.5f, 1}, 0.01f, "mean of a soft board");
    EXPECT_TRUE(output("CIStripesGenerator", s).extent().isInfinite());
}

TEST(GeneratorFilters, ConstantColourAndDotsFillThePlane) {
    Image c = output("CIConstantColorGenerator", {{"inputColor", Color{1, 0.5, 0, 0.5}}});
    EXPECT_TRUE(c.extent().isInfinite());
    Buffer b = testimg::render(c, Rect{-1e6, 3e5, 4, 4});
    expectNear(b.at(b.rect().x0, b.rect().y0), Px{0.5f, lin(0.5f) * 0.5f, 0, 0.5f}, 1e-5f,
               "premultiplied, anywhere");
    Settings dots{{"inputCenter", Vector{0, 0}},
                  {"inputWidth", 20.0},
                  {"inputColor0", kRed},
                  {"inputColor1", kBlue}};
    Buffer d = run("CIPolkaDotGenerator", dots, Rect{0, 0, 60, 60});
    expectNear(at(d, {40.2, 20.2}), kRedPx, 1e-5f, "dot on the grid");
    expectNear(at(d, {30.2, 30.2}), kBluePx, 1e-5f, "ground between dots");
}

TEST(GeneratorFilters, RandomNoiseIsStableEvenAndConverges) {
    Image img = output("CIRandomGenerator", {});
    Buffer whole = testimg::render(img, Rect{0, 0, 128, 128});
    Buffer part = testimg::render(img, Rect{37, 51, 20, 20});
    for (int y = 51; y < 71; ++y)
        for (int x = 37; x < 57; ++x) EXPECT_EQ(testimg::maxDiff(whole.at(x, y), part.at(x, y)), 0);
    Px m = testimg::mean(whole);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(m[c], 0.5f, 0.01f);
    EXPECT_NE(whole.at(3, 3)[0], whole.at(4, 3)[0]);
    // A half-scale pixel is the mean of the four it covers.
    Buffer half = testimg::render(img, Rect{0, 0, 128, 128}, 0.5);
    Px four = (whole.at(10, 20) + whole.at(11, 20) + whole.at(10, 21) + whole.at(11, 21)) / 4.f;
    expectNear(half.at(5, 10), four, 1e-5f, "half scale");
    Image other = output("CIRandomGenerator", {{"inputSeed", 7.0}});
    EXPECT_NE(testimg::render(other, Rect{0, 0, 1, 1}).at(0, 0)[0], whole.at(0, 0)[0]);
}

TEST(GeneratorFilters, RectanglesCoverTheirArea) {
    Settings r{
        {"inputExtent", Vector{10, 20, 60, 40}}, {"inputRadius", 10.0}, {"inputColor", kRed}};
    Image rr = output("CIRoundedRectangleGenerator", r);
    EXPECT_EQ(rr.extent(), (Rect{10, 20, 60, 40}));
    Buffer b = testimg::render(rr, Rect{0, 0, 80, 80});
    expectNear(at(b, {40, 40}), kRedPx, 1e-6f, "inside");
    EXPECT_EQ(at(b, {10.5, 20.5})[3], 0.f) << "the corner is rounded off";
    expectNear(at(b, {10.5, 40}), kRedPx, 1e-6f, "straight edge");
    // Area: the rectangle less the four corners the rounding cuts away.
    float area = testimg::mean(b)[3] * 80 * 80;
    EXPECT_NEAR(area, 60 * 40 - (4 - kit::kPi) * 100, 3);

    Settings s = r;
    s.push_back({"inputWidth", 4.0});
    Buffer st = run("CIRoundedRectangleStrokeGenerator", s, Rect{0, 0, 80, 80});
    EXPECT_EQ(at(st, {40, 40})[3], 0.f) << "hollow";
    EXPECT_EQ(at(st, {40, 20.5})[3], 1.f) << "on the outline";
    EXPECT_EQ(at(st, {40, 14})[3], 0.f) << "beyond the stroke";

    Settings bl{{"inputExtent", Vector{20, 20, 40, 40}}, {"inputSigma", 4.0}, {"inputColor", kRed}};
    Buffer bb = run("CIBlurredRectangleGenerator", bl, Rect{0, 0, 80, 80});
    EXPECT_NEAR(at(bb, {40, 40})[3], 1, 1e-3f);
    EXPECT_NEAR(at(bb, {20, 40.5})[3], 0.5f, 0.06f) << "half at the edge";
    EXPECT_NEAR(testimg::mean(bb)[3] * 80 * 80, 40 * 40, 2) << "blurring keeps the area";
}

TEST(GeneratorFilters, LightsAreBrightestAtTheirSource) {
    for (const char* name : {"CIStarShineGenerator", "CISunbeamsGenerator"}) {
        Buffer b = run(name, {{"inputCenter", Vector{100, 100}}}, Rect{0, 0, 200, 200});
        float centre = at(b, {100, 100})[3], near = at(b, {100, 160})[3], far = at(b, {5, 5})[3];
        EXPECT_GT(centre, 0.95f) << name;
        EXPECT_GT(centre, near) << name;
        EXPECT_GT(near, far) << name;
        for (int y = 0; y < 200; y += 11)
            for (int x = 0; x < 200; x += 11) {
                Px p = b.at(x, y);
                EXPECT_GE(p[3], 0.f);
                EXPECT_LE(p[3], 1.f);
                EXPECT_LE(p[0], p[3] + 1e-6f) << "premultiplied";
            }
    }
    // The star's cross: brighter along its arms than between them at the same distance.
    Settings star{{"inputCenter", Vector{100, 100}}, {"inputCrossAngle", 0.0}};
    Buffer s = run("CIStarShineGenerator", star, Rect{0, 0, 300, 200});
    EXPECT_GT(at(s, {220, 100.5})[3], 2 * at(s, {185, 185})[3]);
    // The halo is a ring: brighter at its radius than at its centre, red outside blue.
    Settings halo{{"inputCenter", Vector{100, 100}},
                  {"inputColor", Color{1, 1, 1, 1}},
                  {"inputStriationStrength", 0.0}};
    Buffer h = run("CILenticularHaloGenerator", halo, Rect{0, 0, 300, 200});
    EXPECT_GT(at(h, {170, 100})[3], 4 * at(h, {100, 100})[3]);
    Px outer = at(h, {100 + 70 + 25, 100}), inner = at(h, {100 + 70 - 25, 100});
    EXPECT_GT(outer[0], outer[2]);
    EXPECT_GT(inner[2], inner[0]);
}

TEST(GeneratorFilters, FractalNoiseStaysBetweenItsColoursAndConverges) {
    Settings s{{"inputColor0", kRed}, {"inputColor1", kBlue}};
    Image img = output("CIFractalNoiseGenerator", s);
    Buffer full = testimg::render(img, Rect{0, 0, 256, 256});
    float lo = 1, hi = 0;
    for (int y = 0; y < 256; y += 3)
        for (int x = 0; x < 256; x += 3) {
            Px p = full.at(x, y);
            EXPECT_NEAR(p[0] + p[2], 1, 1e-5f);
            lo = std::min(lo, p[0]), hi = std::max(hi, p[0]);
        }
    EXPECT_GT(hi - lo, 0.3f) << "it varies";
    Buffer quarter = testimg::render(img, Rect{0, 0, 256, 256}, 0.25);
    double diff = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            Px f{0, 0, 0, 0};
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i) f += full.at(4 * x + i, 4 * y + j);
            diff += testimg::maxDiff(quarter.at(x, y), f / 16.f);
        }
    EXPECT_LT(diff / (64 * 64), 0.04);
}

namespace {

// The grey of a module picture at the centre of module (column, row from the top).
float moduleAt(const Image& img, int column, int row, double quiet) {
    const Rect e = img.extent();
    const Point p{quiet + column + 0.5, e.height - quiet - row - 0.5};
    return testimg::render(img, Rect{p.x - 0.5, p.y - 0.5, 1, 1}).at(int(p.x), int(p.y))[0];
}

}  // namespace

TEST(GeneratorFilters, BarcodesDrawTheirSymbolsModuleByModule) {
    // QR: version 1 (21 modules) with four modules of quiet zone; its finder patterns in three
    // corners: a dark ring, a light ring, a dark centre.
    const Image qr = output("CIQRCodeGenerator", {});
    ASSERT_TRUE(qr);
    EXPECT_EQ(qr.extent(), (Rect{0, 0, 29, 29}));
    for (auto [c, r] : {std::pair{0, 0}, std::pair{20, 0}, std::pair{0, 20}}) {
        const int dc = c ? -1 : 1, dr = r ? -1 : 1;
        EXPECT_EQ(moduleAt(qr, c, r, 4), 0.f) << c << " " << r;
        EXPECT_EQ(moduleAt(qr, c + dc, r + dr, 4), 1.f) << c << " " << r;
        EXPECT_EQ(moduleAt(qr, c + 3 * dc, r + 3 * dr, 4), 0.f) << c << " " << r;
    }
    EXPECT_EQ(moduleAt(qr, -2, 10, 4), 1.f) << "the quiet zone is light";
    // A longer message or more correction needs a larger symbol; a level that is none, nothing.
    const Image longer =
        output("CIQRCodeGenerator", {{"inputMessage", Data::fromText(std::string(60, 'x'))}});
    EXPECT_GT(longer.extent().width, 29);
    EXPECT_FALSE(output("CIQRCodeGenerator", {{"inputCorrectionLevel", "X"}}));
    EXPECT_FALSE(output("CIQRCodeGenerator", {{"inputMessage", Data()}}));

    // Code 128: start and stop patterns begin and end with a bar; 11 modules a character
    // (start, 7 characters, check digit, stop) and 2 of final bar.
    const Image bars = output("CICode128BarcodeGenerator",
                              {{"inputQuietSpace", 5.0}, {"inputBarcodeHeight", 20.0}});
    ASSERT_TRUE(bars);
    EXPECT_EQ(bars.extent(), (Rect{0, 0, 11 * 10 + 2 + 10, 30}));
    const Buffer b = testimg::render(bars, bars.extent());
    for (int y : {5, 15, 24}) {
        EXPECT_EQ(b.at(5, y)[0], 0.f) << y;
        EXPECT_EQ(b.at(5 + 111, y)[0], 0.f) << y;
        EXPECT_EQ(b.at(2, y)[0], 1.f) << y;
    }
    EXPECT_EQ(b.at(10, 2)[0], 1.f) << "quiet space above and below";

    // Aztec: square, with the bullseye's dark centre in the middle.
    for (bool compact : {true, false}) {
        const Image aztec = output("CIAztecCodeGenerator", {{"inputCompactStyle", compact}});
        ASSERT_TRUE(aztec) << compact;
        const Rect e = aztec.extent();
        EXPECT_EQ(e.width, e.height);
        const int mid = int(e.width) / 2;
        EXPECT_EQ(moduleAt(aztec, mid, mid, 0), 0.f) << compact;
        EXPECT_EQ(moduleAt(aztec, mid + 1, mid, 0), 1.f) << compact;
        if (compact) {
            EXPECT_LE(e.width, 27);
        }
    }
    // Half a module's worth of pixel is half dark: edges average as the full picture does.
    const Buffer half = testimg::render(qr, Rect{0, 0, 29, 29}, 0.5);
    const Buffer full = testimg::render(qr, Rect{0, 0, 29, 29});
    EXPECT_NEAR(half.at(2, 12)[0],
                (full.at(4, 24)[0] + full.at(5, 24)[0] + full.at(4, 25)[0] + full.at(5, 25)[0]) / 4,
                1e-5);
}

TEST(GeneratorFilters, TextAndMeshesDrawWhereTheySay) {
    const Image small = output("CITextImageGenerator", {{"inputFontSize", 12.0}});
    const Image large = output("CITextImageGenerator", {{"inputFontSize", 24.0}});
    const Image twoLines = output("CITextImageGenerator", {{"inputText", "Deverav\nDeverav"}});
    ASSERT_TRUE(small && large && twoLines);
    EXPECT_GT(small.extent().width, 20);
    EXPECT_NEAR(large.extent().width / small.extent().width, 2, 0.3);
    EXPECT_NEAR(twoLines.extent().height / small.extent().height, 2, 0.1);
    const Buffer ink = testimg::render(small, small.extent());
    float most = 0;
    for (int y = 0; y < ink.rect().y1; ++y)
        for (int x = 0; x < ink.rect().x1; ++x) most = std::max(most, ink.at(x, y)[3]);
    EXPECT_GT(most, 0.9f) << "some letter is solid";
    EXPECT_LT(testimg::mean(ink)[3], 0.6f) << "and the ground is clear";
    EXPECT_FALSE(output("CITextImageGenerator", {{"inputText", ""}}));

    // A mesh: opaque on its segments, clear away from them; any number of segments.
    const Image mesh = output("CIMeshGenerator", {{"inputWidth", 3.0}});
    const Buffer m = testimg::render(mesh, Rect{0, 0, 300, 300});
    EXPECT_NEAR(m.at(150, 50)[3], 1.f, 1e-5);  // on the bottom edge
    EXPECT_EQ(m.at(150, 120)[3], 0.f);         // inside the triangle
    std::vector<double> many;
    for (int i = 0; i < 100; ++i) many.insert(many.end(), {double(i), 0, double(i), 10});
    auto f = FilterRegistry::shared().filterWithName("CIMeshGenerator");
    EXPECT_TRUE(f->setValue("inputMesh", Vector(many)));
}
