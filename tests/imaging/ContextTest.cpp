// The render context: regions, tiles, scales, sources and the basic node kinds.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "TestImages.h"
#include "imaging/ColorTables.h"
#include "imaging/Error.h"
#include "imaging/NodeKinds.h"

using namespace imaging;
using namespace testimg;

namespace {

// Counts the pixels a pointwise kernel is asked for.
Image counting(const Image& in, std::atomic<long>& count) {
    return colorKernel(
        [&count](Px p) {
            count.fetch_add(1, std::memory_order_relaxed);
            return p;
        },
        in);
}

}  // namespace

TEST(Context, ComputesOnlyTheRegionAskedFor) {
    std::atomic<long> source{0}, top{0};
    Image img = counting(counting(smooth(1000, 1000), source), top);
    Buffer b = render(img, Rect{100, 200, 10, 10});
    EXPECT_EQ(b.rect(), (IRect{100, 200, 110, 210}));
    EXPECT_EQ(top.load(), 100);
    EXPECT_EQ(source.load(), 100);

    // Through a blur, the input is needed only within the blur's reach of the region.
    source = 0;
    Image blurred = gaussianBlur(counting(smooth(1000, 1000), source), 2.0);
    render(blurred, Rect{500, 500, 10, 10});
    const long reach = 3 * 2;  // 3 sigma
    EXPECT_GT(source.load(), 100);
    EXPECT_LE(source.load(), (10 + 2 * reach + 2) * (10 + 2 * reach + 2));
}

TEST(Context, EightBitPicturesRoundTripExactly) {
    Bitmap b(37, 23, PixelFormat::RGBA8);
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            uint8_t* p = b.row(y) + 4 * x;
            p[0] = uint8_t(x * 7), p[1] = uint8_t(y * 11), p[2] = uint8_t(x * y), p[3] = 255;
        }
    // One semi-transparent pixel, kept within rounding.
    b.row(3)[4 * 5 + 3] = 128;
    Bitmap out = Context().renderBitmap(Image::fromBitmap(b), Rect{0, 0, 37, 23});
    ASSERT_EQ(out.width(), 37);
    ASSERT_EQ(out.height(), 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            for (int c = 0; c < 4; ++c) {
                int want = b.row(y)[4 * x + c], got = out.row(y)[4 * x + c];
                if (x == 5 && y == 3 && c < 3)
                    EXPECT_NEAR(got, want, 2) << x << "," << y;
                else
                    EXPECT_EQ(got, want) << x << "," << y << " channel " << c;
            }
}

TEST(Context, PremultipliedBitmapsAreReadAsTheSameColours) {
    Bitmap straight(2, 1, PixelFormat::RGBA8), premul(2, 1, PixelFormat::RGBA8Premultiplied);
    const uint8_t s[8] = {200, 100, 50, 128, 10, 20, 30, 255};
    std::memcpy(straight.row(0), s, 8);
    for (int i = 0; i < 2; ++i)
        for (int c = 0; c < 4; ++c)
            premul.row(0)[4 * i + c] =
                c == 3 ? s[4 * i + 3] : uint8_t((s[4 * i + c] * s[4 * i + 3] + 127) / 255);
    Buffer a = render(Image::fromBitmap(straight), Rect{0, 0, 2, 1});
    Buffer b = render(Image::fromBitmap(premul), Rect{0, 0, 2, 1});
    EXPECT_LT(maxDiff(a.at(0, 0), b.at(0, 0)), 0.01f);
    EXPECT_LT(maxDiff(a.at(1, 0), b.at(1, 0)), 1e-6f);
}

TEST(Context, PixelRowsAreYUp) {
    // Bitmaps are stored top row first; picture row 0 is the bottom one.
    Bitmap b(1, 2, PixelFormat::RGBA8);
    b.row(0)[0] = 255, b.row(0)[3] = 255;  // top: red
    b.row(1)[2] = 255, b.row(1)[3] = 255;  // bottom: blue
    Buffer buf = render(Image::fromBitmap(b), Rect{0, 0, 1, 2});
    EXPECT_FLOAT_EQ(buf.at(0, 0)[2], 1.f);
    EXPECT_FLOAT_EQ(buf.at(0, 1)[0], 1.f);
}

TEST(Context, OutsideTheExtentIsTransparent) {
    Image img = constant(10, 10, Px{1, 1, 1, 1});
    Buffer b = render(img, Rect{-5, -5, 20, 20});
    EXPECT_EQ(b.rect(), (IRect{-5, -5, 15, 15}));
    EXPECT_FLOAT_EQ(b.at(-1, 5)[3], 0.f);
    EXPECT_FLOAT_EQ(b.at(0, 0)[3], 1.f);
    EXPECT_FLOAT_EQ(b.at(10, 9)[3], 0.f);
    EXPECT_EQ(render(Image(), Rect{0, 0, 4, 4}).rect(), (IRect{0, 0, 4, 4}));
}

TEST(Context, ReducedScalesApproachTheFullResult) {
    Image img = gaussianBlur(smooth(800, 600), 6.0);
    Buffer full = render(img, Rect{0, 0, 800, 600});
    for (double s : {0.5, 0.25, 0.2}) {
        Buffer small = render(img, Rect{0, 0, 800, 600}, s);
        EXPECT_EQ(small.rect(), IRect::cover(Rect{0, 0, 800, 600}, s));
        float worst = 0;
        for (int y = small.rect().y0 + 2; y < small.rect().y1 - 2; y += 3)
            for (int x = small.rect().x0 + 2; x < small.rect().x1 - 2; x += 3) {
                // The full-resolution pixel at the same picture point.
                Point p{(x + 0.5) / s, (y + 0.5) / s};
                Px want = full.sample(p.x, p.y);
                worst = std::max(worst, maxDiff(small.at(x, y), want));
            }
        EXPECT_LT(worst, 0.02f) << "scale " << s;
    }
}

TEST(Context, ScaledSourcesKeepTheirEdgesAndAverageDetail) {
    // A one-pixel checkerboard averages to grey below full scale, without transparent fringes.
    Image img = floatImage(64, 64, [](int x, int y) {
        return (x + y) % 2 ? Px{1, 1, 1, 1} : Px{0, 0, 0, 1};
    });
    for (double s : {0.5, 0.3, 0.125}) {
        Buffer b = render(img, Rect{0, 0, 64, 64}, s);
        // Only the last row and column can be partly outside the picture.
        const int whole = int(std::floor(64 * s + 1e-9));
        EXPECT_NEAR(b.at(whole, 0)[3], 64 * s - whole, 1e-5) << "scale " << s;
        for (int y = 0; y < whole; ++y)
            for (int x = 0; x < whole; ++x) {
                Px p = b.at(x, y);
                ASSERT_NEAR(p[3], 1.f, 1e-5) << "scale " << s;
                ASSERT_NEAR(p[0], 0.5f, 0.13f) << "scale " << s << " at " << x << "," << y;
            }
    }
}

TEST(Context, GeneratorsAreInfiniteAndComputedWhereAsked) {
    Image g = generator([](Point p) { return Px{float(p.x), float(p.y), 0, 1}; });
    EXPECT_TRUE(g.extent().isInfinite());
    Buffer b = render(g, Rect{-1000, 5000, 4, 4});
    EXPECT_FLOAT_EQ(b.at(-1000, 5000)[0], -999.5f);
    EXPECT_FLOAT_EQ(b.at(-1000, 5003)[1], 5003.5f);
    // At half scale the kernel sees the centres of the bigger pixels.
    Buffer h = render(g, Rect{0, 0, 4, 4}, 0.5);
    EXPECT_FLOAT_EQ(h.at(0, 0)[0], 1.f);
}

TEST(Context, RefusesAbsurdRequests) {
    Image g = generator([](Point) { return Px{1, 1, 1, 1}; });
    EXPECT_THROW(render(g, Rect{0, 0, 1e6, 1e6}), Error);
    EXPECT_THROW(render(g, Rect::infinite()), Error);
    EXPECT_THROW(render(g, Rect{0, 0, 10, 10}, 0), Error);
    EXPECT_THROW(render(g, Rect{0, 0, 10, 10}, std::nan("")), Error);
    // Results may pass the side limit by a blur's reach; their memory is what bounds them.
    EXPECT_NO_THROW(Bitmap(70000, 10, PixelFormat::RGBA8));
    EXPECT_THROW(Bitmap(1000000, 1000, PixelFormat::RGBA8), Error);
    EXPECT_THROW(Bitmap(20000, 20000, PixelFormat::RGBA8), Error);
}

TEST(Context, CancellationStopsTheRender) {
    std::atomic<bool> cancel{true};
    RenderOptions o;
    o.cancel = &cancel;
    EXPECT_THROW(Context().render(smooth(600, 600), Rect{0, 0, 600, 600}, 1, o), Cancelled);
}

TEST(NodeKinds, BlurKeepsTheMeanAndSpreadsAnImpulseBySigma) {
    for (double sigma : {1.5, 10.0}) {  // direct taps and the recursive form
        Image dot = floatImage(301, 301, [](int x, int y) {
            return x == 150 && y == 150 ? Px{1, 1, 1, 1} : Px{0, 0, 0, 0};
        });
        Image blurred = gaussianBlur(dot, sigma);
        EXPECT_EQ(blurred.extent(),
                  (Rect{-3 * sigma, -3 * sigma, 301 + 6 * sigma, 301 + 6 * sigma}));
        Buffer b = render(blurred, Rect{0, 0, 301, 301});
        double sum = 0, m2 = 0;
        for (int y = 0; y < 301; ++y)
            for (int x = 0; x < 301; ++x) {
                double v = b.at(x, y)[3];
                sum += v;
                m2 += v * ((x - 150) * (x - 150));
            }
        EXPECT_NEAR(sum, 1.0, 0.01) << sigma;
        EXPECT_NEAR(std::sqrt(m2 / sum), sigma, 0.06 * sigma) << sigma;
        EXPECT_NEAR(b.at(150 + 5, 150)[3], b.at(150 - 5, 150)[3], 1e-4);
        EXPECT_NEAR(b.at(150, 150 + 5)[3], b.at(150 + 5, 150)[3], 2e-3);
    }
    Image flat = constant(200, 200, Px{0.3f, 0.6f, 0.9f, 1});
    Buffer inside = render(gaussianBlur(flat, 12), Rect{60, 60, 80, 80});
    EXPECT_LT(maxDiff(mean(inside), Px{0.3f, 0.6f, 0.9f, 1}), 1e-3f);
}

TEST(NodeKinds, CropKeepsWhatIsInsideAndCoversPartialPixels) {
    Image img = constant(100, 100, Px{1, 1, 1, 1});
    Image c = crop(img, Rect{10, 20, 30.5, 40});
    EXPECT_EQ(c.extent(), (Rect{10, 20, 30.5, 40}));
    Buffer b = render(c, Rect{0, 0, 100, 100});
    EXPECT_FLOAT_EQ(b.at(9, 30)[3], 0.f);
    EXPECT_FLOAT_EQ(b.at(10, 30)[3], 1.f);
    EXPECT_FLOAT_EQ(b.at(40, 30)[3], 0.5f);
    EXPECT_FLOAT_EQ(b.at(20, 60)[3], 0.f);
    EXPECT_TRUE(crop(img, Rect{200, 200, 5, 5}).extent().isEmpty());
}

TEST(NodeKinds, TransformsMoveTheExtentAndThePixels) {
    Image img = floatImage(4, 3, [](int x, int y) { return Px{float(x), float(y), 0, 1}; });
    Image moved = img.imageByApplyingTransform(AffineTransform::translation(-10, 5));
    EXPECT_EQ(moved.extent(), (Rect{-10, 5, 4, 3}));
    EXPECT_STREQ(moved.node()->kindName(), "source");  // no resampling for a translation
    Buffer b = render(moved, moved.extent());
    EXPECT_FLOAT_EQ(b.at(-8, 6)[0], 2.f);
    EXPECT_FLOAT_EQ(b.at(-8, 6)[1], 1.f);

    // A quarter turn: (x, y) -> (-y, x).
    Image turned = img.imageByApplyingTransform(AffineTransform::rotation(std::acos(-1.0) / 2));
    EXPECT_NEAR(turned.extent().x, -3, 1e-9);
    EXPECT_NEAR(turned.extent().width, 3, 1e-9);
    EXPECT_NEAR(turned.extent().height, 4, 1e-9);
    Buffer t = render(turned, turned.extent().integral());
    Px p = t.at(-2, 3);  // came from (3, 1)
    EXPECT_NEAR(p[0], 3.f, 1e-4);
    EXPECT_NEAR(p[1], 1.f, 1e-4);

    // Transforms of transforms are one resampling.
    Image twice = turned.imageByApplyingTransform(AffineTransform::rotation(0.3));
    EXPECT_EQ(twice.node()->inputs()[0], img);
    EXPECT_EQ(img.imageByApplyingTransform(AffineTransform::identity()), img);
}

TEST(NodeKinds, SourceOverCompositesAndCoversBothExtents) {
    Image fg = floatImage(
        2, 2,
        [](int, int) {
            return Px{0.5f, 0, 0, 0.5f};
        },
        Point{1, 1});
    Image bg = constant(4, 4, Px{0, 0, 1, 1});
    Image o = sourceOver(fg, bg);
    EXPECT_EQ(o.extent(), (Rect{0, 0, 4, 4}));
    Buffer b = render(o, o.extent());
    EXPECT_LT(maxDiff(b.at(1, 1), Px{0.5f, 0, 0.5f, 1}), 1e-6f);
    EXPECT_LT(maxDiff(b.at(0, 0), Px{0, 0, 1, 1}), 1e-6f);
}

TEST(NodeKinds, WarpsReadWhereTheMapPoints) {
    Image img = floatImage(100, 100, [](int x, int y) { return Px{float(x), float(y), 0, 1}; });
    // A mirror about x = 50 reads from the other side of the picture.
    Image m = warp(img, [](Point p) { return Point{100 - p.x, p.y}; });
    Buffer b = render(m, Rect{0, 0, 10, 10});
    EXPECT_NEAR(b.at(2, 3)[0], 97.f, 1e-4);
    EXPECT_NEAR(b.at(2, 3)[1], 3.f, 1e-4);
    // Non-finite points are transparent.
    Image hole = warp(img, [](Point p) { return p.x < 50 ? Point{NAN, NAN} : p; });
    Buffer h = render(hole, Rect{45, 0, 10, 1});
    EXPECT_FLOAT_EQ(h.at(45, 0)[3], 0.f);
    EXPECT_FLOAT_EQ(h.at(52, 0)[3], 1.f);
}

TEST(ColorTables, EncodingInvertsDecodingForEveryByte) {
    for (int i = 0; i < 256; ++i) EXPECT_EQ(encodeSrgb8(srgbDecodeTable()[i]), i);
    EXPECT_EQ(encodeSrgb8(-1.f), 0);
    EXPECT_EQ(encodeSrgb8(2.f), 255);
    EXPECT_EQ(encodeSrgb8(NAN), 0);
}
