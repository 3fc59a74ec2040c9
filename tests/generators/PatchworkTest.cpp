// The patchwork: the size of its bitmap, the noise, and smearing that never leaves the bitmap.

#include <gtest/gtest.h>

#include <vector>

#include "GeneratorRig.h"
#include "generators/patchWorkEffect.h"

using namespace generators;

namespace {

// A side x side bitmap inside a larger buffer: guard rows above and below and guard bytes at
// the end of every row, all 0xA5, so that any write outside the bitmap shows.
struct GuardedBitmap {
    static constexpr int kGuardRows = 4, kGuardBytes = 16;
    explicit GuardedBitmap(int side)
        : stride(side * 4 + kGuardBytes),
          buffer(size_t(stride * (side + 2 * kGuardRows)), 0xA5),
          image(buffer.data() + stride * kGuardRows, side, side, stride, QImage::Format_RGBX8888) {
        for (int y = 0; y < side; ++y) std::fill_n(image.scanLine(y), side * 4, uchar(0));
    }
    bool guardsIntact() const {
        const int side = image.width();
        for (int y = 0; y < side + 2 * kGuardRows; ++y)
            for (int x = 0; x < stride; ++x) {
                const bool inside = y >= kGuardRows && y < kGuardRows + side && x < side * 4;
                if (!inside && buffer[size_t(y * stride + x)] != 0xA5) return false;
            }
        return true;
    }
    int stride;
    std::vector<uchar> buffer;
    QImage image;
};

}  // namespace

TEST(Patchwork, TheBitmapIsTheShorterSideAtMost200AndStretchedOverThePicture) {
    GeneratorRig rig(testPicture(726, 544));
    patchWorkEffect* p = rig.select(*prototype<patchWorkEffect>());
    p->prepare();
    EXPECT_EQ(p->effectImage().size(), QSize(200, 200));
    EXPECT_EQ(p->getDrawImage().size(), QSize(726, 544));

    rig.setPicture(testPicture(150, 400));
    p->reloadImage();
    EXPECT_EQ(p->effectImage().size(), QSize(150, 150));
    EXPECT_EQ(p->getDrawImage().size(), QSize(150, 400));
    // Opaque everywhere; laid at its opacity over the picture.
    const QImage e = argb(p->effectImage());
    for (int y = 0; y < e.height(); ++y)
        for (int x = 0; x < e.width(); ++x) ASSERT_EQ(qAlpha(e.pixel(x, y)), 255);

    // Generate draws other blotches.
    const QImage first = p->effectImage().copy();
    p->regenerate();
    EXPECT_NE(p->effectImage(), first);

    // Tiny pictures still make a picture of their own size.
    for (QSize tiny : {QSize(1, 1), QSize(2, 7), QSize(3, 3), QSize(9, 4)}) {
        rig.setPicture(testPicture(tiny.width(), tiny.height()));
        p->reloadImage();
        const int side = std::min(tiny.width(), tiny.height());
        EXPECT_EQ(p->effectImage().size(), QSize(side, side));
        EXPECT_EQ(p->getDrawImage().size(), tiny);
    }
}

TEST(Patchwork, NoiseSparesTheFirstPixelAndSmearingStaysInsideTheBitmap) {
    std::srand(3);
    GuardedBitmap noisy(20);
    noisy.image.fill(QColor(0, 0, 255));
    patchWorkEffect::addNoise(noisy.image);
    EXPECT_EQ(noisy.image.pixelColor(0, 0), QColor(0, 0, 255));
    int blue = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            blue += noisy.image.pixelColor(x, y) == QColor(0, 0, 255);
            ASSERT_EQ(noisy.image.pixelColor(x, y).alpha(), 255);
        }
    EXPECT_LT(blue, 5);
    EXPECT_TRUE(noisy.guardsIntact());
    // Every further pixel is one draw, complemented, its bytes red, green and blue.
    std::srand(3);
    for (int x = 1; x < 4; ++x) {
        const unsigned c = ~unsigned((std::rand() & 0x7FFF) / 32767.0 * 16777216);
        EXPECT_EQ(noisy.image.pixelColor(x, 0),
                  QColor((c >> 16) & 0xff, (c >> 8) & 0xff, c & 0xff));
    }

    // Offsets of up to two rows and columns from rows up to side - 3; a random value of exactly
    // 1 makes an offset of 3, and bitmaps under 4 pixels have no such rows at all.
    for (int side : {2, 3, 4, 5, 200}) {
        for (unsigned seed = 1; seed <= (side < 10 ? 20u : 2u); ++seed) {
            std::srand(seed);
            GuardedBitmap b(side);
            patchWorkEffect::addNoise(b.image);
            patchWorkEffect::smear(b.image);
            ASSERT_TRUE(b.guardsIntact()) << side << " " << seed;
            // Nor is anything read from outside: no guard bytes came in.
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x)
                    ASSERT_NE(b.image.pixel(x, y) & 0xFFFFFF, 0xA5A5A5u) << side << " " << seed;
        }
    }

    // Smearing copies colours that are already there: it makes no new ones.
    std::srand(4);
    GuardedBitmap two(8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            two.image.setPixelColor(x, y, (x + y) % 2 ? Qt::red : Qt::green);
    patchWorkEffect::smear(two.image);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const QColor c = two.image.pixelColor(x, y);
            ASSERT_TRUE(c == QColor(Qt::red) || c == QColor(Qt::green)) << x << "," << y;
        }
}

TEST(Patchwork, TheUnusedLevelIsUndoableAndDrawsAnew) {
    GeneratorRig rig(testPicture(50, 40));
    auto proto = prototype<patchWorkEffect>();
    proto->setLinesLevel(3);
    patchWorkEffect* p = rig.select(*proto);
    p->prepare();
    const QImage first = p->effectImage().copy();
    p->setchangeLinesLevelSender(5, nullptr);
    rig.endEvent();
    EXPECT_NE(p->effectImage(), first);
    rig.undo->undo();
    EXPECT_EQ(p->level(), 3);
}
