// The render paths tuned for speed give the results of the plain ones: bitmaps encoded tile by
// tile, box-cascade blurs, rotations stepped along rows.

#include <gtest/gtest.h>

#include <cstring>

#include "TestImages.h"
#include "imaging/Context.h"
#include "imaging/FilterKit.h"
#include "imaging/NodeKinds.h"

using namespace imaging;
using testimg::maxDiff;

namespace {

// Sharp edges and smooth colour, partly transparent.
Image detailed(int w, int h) {
    return testimg::floatImage(w, h, [](int x, int y) {
        Px p = testimg::smoothPixel(x, y);
        if ((x / 5 + y / 7) % 2) p = p * 0.3f;
        if (x > 3 * y) p = p * 0.5f;  // premultiplied: half transparent
        return p;
    });
}

}  // namespace

TEST(RenderPath, BitmapsMatchTheBufferInEveryFormat) {
    const Image img = affineTransform(
        gaussianBlur(detailed(300, 200), 6),
        AffineTransform::rotation(0.4).concatenated(AffineTransform::translation(40, -10)));
    // Partly outside the result, at a scale with odd pixel edges.
    for (const Rect& region : {Rect{-50, -60, 420, 330}, Rect{10.3, 20.7, 90.2, 40.1}})
        for (double scale : {1.0, 0.37})
            for (PixelFormat f :
                 {PixelFormat::RGBA8, PixelFormat::RGBA8Premultiplied, PixelFormat::RGBAF}) {
                Bitmap direct = Context().renderBitmap(img, region, scale, f);
                Bitmap viaBuffer = Context::toBitmap(Context().render(img, region, scale), f);
                ASSERT_EQ(direct.width(), viaBuffer.width());
                ASSERT_EQ(direct.height(), viaBuffer.height());
                EXPECT_EQ(0, std::memcmp(direct.data(), viaBuffer.data(), direct.byteCount()))
                    << toString(region) << " scale " << scale << " format " << int(f);
            }
    // Nothing to draw: a transparent bitmap of the size asked for.
    Bitmap empty = Context().renderBitmap(Image(), Rect{0, 0, 7, 5});
    EXPECT_EQ(empty.width(), 7);
    EXPECT_EQ(empty.row(4)[3], 0);
}

TEST(RenderPath, WideBlursAgreeWithDirectGaussianTaps) {
    const Image src = detailed(400, 160);
    for (double sigma : {4.0, 10.0, 23.0}) {
        Image fast = gaussianBlur(src, sigma);
        auto taps = [sigma](double s) { return gaussianTaps(sigma * s); };
        Image direct = convolveSeparable(src, taps, taps, 3 * sigma);
        Buffer a = testimg::render(fast, Rect{-20, -20, 440, 200});
        Buffer b = testimg::render(direct, Rect{-20, -20, 440, 200});
        float worst = 0;
        for (int y = -20; y < 180; ++y)
            for (int x = -20; x < 420; ++x)
                worst = std::max(worst, maxDiff(a.at(x, y), b.at(x, y)));
        // Four box passes approximate the Gaussian closely (about 0.013 at worst on these
        // one-pixel edges); a slip in the sums' ends or pads costs far more.
        EXPECT_LT(worst, 0.02f) << "sigma " << sigma;
    }
}

TEST(RenderPath, BlurSumsDoNotDriftAlongLongLines) {
    // Running sums restart at fixed picture positions: the far end of a long line comes out the
    // same whether its line began nearby or 12000 pixels earlier, in both directions.
    for (bool vertical : {false, true}) {
        const int w = vertical ? 8 : 12000, h = vertical ? 12000 : 8;
        const Image blur = gaussianBlur(detailed(w, h), 10);
        const Rect far = vertical ? Rect{0, 11000, 8, 1000} : Rect{11000, 0, 1000, 8};
        Buffer nearby = testimg::render(blur, far);
        Buffer whole = testimg::render(blur, Rect{0, 0, double(w), double(h)});
        float worst = 0;
        for (int y = nearby.rect().y0; y < nearby.rect().y1; ++y)
            for (int x = nearby.rect().x0; x < nearby.rect().x1; ++x)
                worst = std::max(worst, maxDiff(nearby.at(x, y), whole.at(x, y)));
        EXPECT_LT(worst, 1e-6f) << (vertical ? "columns" : "rows");
    }
}

TEST(RenderPath, RotationsTakeOneSamplePerPixel) {
    // A one-pixel checkerboard turned by 30 degrees about the centre of pixel (20, 20): that
    // pixel maps onto itself, so a single sample reproduces it exactly while any averaging of
    // neighbours would mix black and white.
    const Image board = testimg::floatImage(41, 41, [](int x, int y) {
        return (x + y) % 2 ? Px{1, 1, 1, 1} : Px{0, 0, 0, 1};
    });
    const AffineTransform t = AffineTransform::translation(-20.5, -20.5)
                                  .concatenated(AffineTransform::rotation(kit::kPi / 6))
                                  .concatenated(AffineTransform::translation(20.5, 20.5));
    Buffer out = testimg::render(affineTransform(board, t), Rect{20, 20, 1, 1});
    EXPECT_LT(maxDiff(out.at(20, 20), Px{0, 0, 0, 1}), 1e-5f);
    // Shrinking still averages: a quarter-size checkerboard is an even grey.
    Buffer small = testimg::render(affineTransform(board, AffineTransform::scaling(0.25, 0.25)),
                                   Rect{2, 2, 1, 1});
    EXPECT_NEAR(small.at(2, 2)[0], 0.5f, 0.13f);
}
