#include <gtest/gtest.h>

#include "TestImages.h"
#include "imaging/Error.h"
#include "imaging/Resample.h"

using namespace imaging;

TEST(Resample, ReducingAveragesEverySourcePixelAndEnlargingKeepsFlatAreasFlat) {
    // One-pixel stripes of black and white: point sampling would give all black or all white.
    const Image stripes = testimg::floatImage(200, 100, [](int x, int) {
        return x % 2 ? Px{1, 1, 1, 1} : Px{0, 0, 0, 1};
    });
    const Bitmap small = resampleToBitmap(stripes, 50, 50);
    ASSERT_EQ(small.width(), 50);
    ASSERT_EQ(small.height(), 50);
    // Half white in linear light is about 188 in sRGB, everywhere away from the edges (where
    // the filter loses its outer taps).
    for (int y = 0; y < 50; y += 7)
        for (int x = 4; x < 46; x += 3) {
            const uint8_t* p = small.row(y) + 4 * x;
            EXPECT_NEAR(p[0], 188, 2) << x << "," << y;
            EXPECT_EQ(p[3], 255);
        }

    // A bar in the middle stays in the middle: the filter is centred on each output pixel.
    const Image bar = testimg::floatImage(200, 20, [](int x, int) {
        return x >= 90 && x < 110 ? Px{1, 1, 1, 1} : Px{0, 0, 0, 1};
    });
    const Bitmap halved = resampleToBitmap(bar, 100, 10);
    for (int x = 35; x < 50; ++x)
        EXPECT_NEAR(halved.row(5)[4 * x], halved.row(5)[4 * (99 - x)], 1) << x;

    const Image flat = testimg::constant(10, 10, Px{0.2f, 0.4f, 0.6f, 1});
    const Bitmap big = resampleToBitmap(flat, 73, 41);
    const uint8_t* corner = big.row(0);
    const uint8_t* mid = big.row(20) + 4 * 36;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(corner[i], mid[i]);
}

TEST(Resample, RefusesWhatCannotBeAPicture) {
    EXPECT_THROW(resampleToBitmap(Image(), 10, 10), Error);
    EXPECT_THROW(resampleToBitmap(testimg::constant(4, 4, Px{1, 1, 1, 1}), 0, 10), Error);
    EXPECT_THROW(resampleToBitmap(testimg::constant(4, 4, Px{1, 1, 1, 1}), 70000, 70000), Error);
}
