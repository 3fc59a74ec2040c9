// Rendering a result a strip of rows at a time, and reading a TIFF a strip at a time.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FilterRun.h"
#include "imaging/Context.h"
#include "imaging/NodeKinds.h"
#include "imaging/io/TiffCodec.h"

#include <QBuffer>

using namespace imaging;
using testimg::grainy;

namespace {

// The strips stripStarts names, rendered one by one and stacked, against the whole render.
void expectStripsMatchWhole(const Image& image, const Rect& region, const RenderOptions& options,
                            size_t minimumStrips) {
    const Context ctx;
    const Bitmap whole = ctx.renderBitmap(image, region, 1, PixelFormat::RGBA8, options);
    ASSERT_FALSE(whole.isNull());
    const std::vector<int> starts = ctx.stripStarts(image, region, 1, options);
    ASSERT_GE(starts.size(), minimumStrips);
    ASSERT_EQ(starts.front(), 0);
    for (size_t i = 0; i < starts.size(); ++i) {
        const int end = i + 1 < starts.size() ? starts[i + 1] : whole.height();
        ASSERT_LT(starts[i], end);
        const Bitmap strip = ctx.renderRows(image, region, 1, starts[i], end - starts[i],
                                            PixelFormat::RGBA8, options);
        ASSERT_EQ(strip.width(), whole.width());
        ASSERT_EQ(strip.height(), end - starts[i]);
        for (int y = 0; y < strip.height(); ++y)
            ASSERT_EQ(std::memcmp(strip.row(y), whole.row(starts[i] + y), whole.bytesPerRow()), 0)
                << "strip " << i << ", row " << starts[i] + y;
    }
}

}  // namespace

TEST(StripRender, StripsGiveTheWholeRendersPixels) {
    const Image picture = grainy(200, 150);
    RenderOptions small;
    small.stripBudget = 128 << 10;  // forces strips on a small picture
    // Box-blur running sums depend on where a strip begins: the strips must be renderBitmap's.
    const Image blur =
        testimg::apply("CIGaussianBlur", {{"inputImage", picture}, {"inputRadius", 10.0}});
    expectStripsMatchWhole(blur, Rect{0, 0, 200, 150}, small, 3);
    expectStripsMatchWhole(blur, blur.extent(), small, 3);
    // Sampling along rays, a rotation, and a colour filter that only the result's size bounds.
    expectStripsMatchWhole(testimg::apply("CIZoomBlur", {{"inputImage", picture}}),
                           Rect{0, 0, 200, 150}, small, 2);
    expectStripsMatchWhole(picture.imageByApplyingTransform(AffineTransform::rotation(0.5)),
                           Rect{-40, -20, 280, 200}, small, 2);
    expectStripsMatchWhole(
        testimg::apply("CIColorControls", {{"inputImage", picture}, {"inputSaturation", 0.3}}),
        Rect{0, 0, 200, 150}, small, 4);
}

TEST(StripRender, StripsCoverOddSizesAndSmallRenders) {
    const Context ctx;
    const Image picture = grainy(97, 131);
    RenderOptions tiny;
    tiny.stripBudget = 256;
    // A strip budget below one row still moves forward a row at a time.
    const std::vector<int> starts = ctx.stripStarts(picture, Rect{0, 0, 97, 131}, 1, tiny);
    ASSERT_EQ(starts.size(), 131u);
    EXPECT_EQ(starts.back(), 130);
    // Without a budget problem the whole is one strip.
    EXPECT_EQ(ctx.stripStarts(picture, Rect{0, 0, 97, 131}, 1), std::vector<int>{0});
    // Rows outside the render are clamped away.
    EXPECT_EQ(ctx.renderRows(picture, Rect{0, 0, 97, 131}, 1, 120, 50).height(), 11);
    EXPECT_TRUE(ctx.renderRows(picture, Rect{0, 0, 97, 131}, 1, 131, 5).isNull());
    // Nothing to draw is transparent rows.
    const Bitmap empty = ctx.renderRows(Image(), Rect{0, 0, 5, 4}, 1, 1, 2);
    ASSERT_EQ(empty.height(), 2);
    EXPECT_EQ(empty.row(1)[3], 0);
}

TEST(StripRender, TiffReadingReportsEachStripOnce) {
    // An RGBA picture in strips of about 8 KB: several strips.
    Bitmap b(150, 90, PixelFormat::RGBA8);
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            uint8_t* p = b.row(y) + 4 * x;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x + y), p[3] = uint8_t(100 + y);
        }
    QByteArray file;
    QBuffer dev(&file);
    dev.open(QIODevice::ReadWrite);
    ASSERT_TRUE(io::writeTiffDirect(b, 0, dev));
    std::vector<std::pair<size_t, size_t>> told;
    Bitmap back;
    std::string detail;
    ASSERT_EQ(io::readTiffDirect(file, back, detail,
                                 [&](size_t at, size_t n) { told.emplace_back(at, n); }),
              io::TiffResult::Read);
    ASSERT_EQ(back.height(), 90);
    for (int y = 0; y < 90; ++y) ASSERT_EQ(std::memcmp(back.row(y), b.row(y), 150 * 4), 0);
    // Every pixel byte is in exactly one reported strip, in order, and nothing else is.
    ASSERT_GE(told.size(), 3u);
    size_t covered = 0;
    for (size_t i = 0; i < told.size(); ++i) {
        if (i > 0) {
            EXPECT_EQ(told[i].first, told[i - 1].first + told[i - 1].second);
        }
        EXPECT_LE(told[i].first + told[i].second, size_t(file.size()));
        covered += told[i].second;
    }
    EXPECT_EQ(covered, size_t(150 * 90 * 4));
}
