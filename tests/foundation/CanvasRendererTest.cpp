// Canvas frames rendered off the event loop: the full-resolution refinement averages exactly
// what each screen pixel covers, and frames come back in request order.

#include <gtest/gtest.h>

#include <QTest>
#include <random>

#include "foundation/CanvasRenderer.h"
#include "imaging/Context.h"

using foundation::CanvasRenderer;
using imaging::Image;
using imaging::IRect;

namespace {

Image noise(int w, int h, unsigned seed) {
    imaging::Bitmap b(w, h, imaging::PixelFormat::RGBA8);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 4; ++x) b.row(y)[x] = (x % 4 == 3) ? 255 : uint8_t(rng());
    return Image::fromBitmap(b);
}

// The mean of the full-resolution pixels over the picture area of scaled pixel (i, j): every
// pixel weighted by the part of its unit square inside that area.
imaging::Px areaMean(const imaging::Buffer& full, int i, int j, double scale) {
    const double x0 = i / scale, x1 = (i + 1) / scale, y0 = j / scale, y1 = (j + 1) / scale;
    double sum[4] = {0, 0, 0, 0};
    for (int y = int(std::floor(y0)); y < int(std::ceil(y1)); ++y)
        for (int x = int(std::floor(x0)); x < int(std::ceil(x1)); ++x) {
            const double w = (std::min(x1, x + 1.0) - std::max(x0, double(x))) *
                             (std::min(y1, y + 1.0) - std::max(y0, double(y)));
            for (int c = 0; c < 4; ++c) sum[c] += w * full.at(x, y)[c];
        }
    const double area = (x1 - x0) * (y1 - y0);
    return imaging::Px{float(sum[0] / area), float(sum[1] / area), float(sum[2] / area),
                       float(sum[3] / area)};
}

}  // namespace

TEST(CanvasRenderer, RefinedPixelsAreTheMeanOfTheAreaTheyCover) {
    // Tall enough for several bands; scales that do not divide the picture evenly.
    const Image pic = noise(37, 1400, 7);
    const imaging::Buffer full = imaging::Context().render(pic, pic.extent(), 1.0);
    for (double scale : {1.0 / 3.0, 0.4, 0.13}) {
        const IRect pixels = IRect::cover(pic.extent(), scale).intersected({2, 1, 11, 500});
        const imaging::Buffer refined = CanvasRenderer::renderRefined(pic, pixels, scale);
        ASSERT_EQ(refined.rect(), pixels);
        for (int j = pixels.y0; j < pixels.y1; j += 7)
            for (int i = pixels.x0; i < pixels.x1; ++i) {
                const imaging::Px want = areaMean(full, i, j, scale);
                const imaging::Px got = refined.at(i, j);
                for (int c = 0; c < 4; ++c)
                    ASSERT_NEAR(got[c], want[c], 1e-4) << scale << " " << i << "," << j;
            }
    }
}

TEST(CanvasRenderer, FramesArriveInRequestOrderAndFailuresSayWhy) {
    CanvasRenderer r;
    std::vector<CanvasRenderer::Frame> frames;
    r.setFrameHandler([&](const CanvasRenderer::Frame& f) { frames.push_back(f); });
    const Image pic = noise(300, 200, 3);
    quint64 last = 0;
    for (int k = 0; k < 6; ++k)
        last = r.request({pic, IRect{0, 0, 150, 100}, 0.5, k % 2 == 1, quint64(k)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frames.empty() && frames.back().serial == last; }));
    for (size_t k = 1; k < frames.size(); ++k) EXPECT_LT(frames[k - 1].serial, frames[k].serial);
    const CanvasRenderer::Frame& f = frames.back();
    EXPECT_EQ(f.tag, 5u);
    EXPECT_TRUE(f.refined);
    EXPECT_EQ(f.image.size(), QSize(150, 100));
    EXPECT_FALSE(r.busy());

    // Far beyond what may be rendered: an error, not a crash.
    frames.clear();
    last = r.request({pic, IRect{0, 0, 1 << 20, 1 << 20}, 1.0, false, 9});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frames.empty(); }));
    EXPECT_TRUE(frames.back().image.isNull());
    EXPECT_FALSE(frames.back().error.empty());
}
