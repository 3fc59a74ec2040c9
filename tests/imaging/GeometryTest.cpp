#include <gtest/gtest.h>

#include "imaging/Geometry.h"

using namespace imaging;

TEST(Geometry, InfiniteRectanglesStayInfiniteAndIntersectToTheOther) {
    Rect inf = Rect::infinite();
    EXPECT_TRUE(inf.isInfinite());
    Rect r{10, 20, 30, 40};
    EXPECT_EQ(inf.intersected(r), r);
    EXPECT_EQ(r.intersected(inf), r);
    EXPECT_TRUE(r.united(inf).isInfinite());
    EXPECT_TRUE(inf.insetBy(-5, -5).isInfinite());
    EXPECT_TRUE(AffineTransform::rotation(1).apply(inf).isInfinite());
}

TEST(Geometry, IntersectionUnionAndInset) {
    Rect a{0, 0, 10, 10}, b{5, -5, 10, 10};
    EXPECT_EQ(a.intersected(b), (Rect{5, 0, 5, 5}));
    EXPECT_EQ(a.united(b), (Rect{0, -5, 15, 15}));
    EXPECT_TRUE(a.intersected(Rect{20, 20, 1, 1}).isEmpty());
    EXPECT_EQ(a.insetBy(-3, -3), (Rect{-3, -3, 16, 16}));
    EXPECT_TRUE(a.insetBy(6, 6).isEmpty());
    EXPECT_EQ((Rect{0.5, 0.2, 1, 1}).integral(), (Rect{0, 0, 2, 2}));
}

TEST(Geometry, ScaledCoverOfExactEdgesDoesNotSpill) {
    EXPECT_EQ(IRect::cover(Rect{0, 0, 6000, 4000}, 0.2), (IRect{0, 0, 1200, 800}));
    EXPECT_EQ(IRect::cover(Rect{0.5, 0, 1, 1}, 1), (IRect{0, 0, 2, 1}));
    IRect huge = IRect::cover(Rect::infinite(), 1);
    EXPECT_GT(huge.width(), 1 << 28);
    EXPECT_EQ(huge.grown(100, 100).x0, huge.x0 - 100);  // no overflow
}

TEST(Geometry, AffineConcatenationInverseAndRectangles) {
    auto t = AffineTransform::translation(10, 5).concatenated(AffineTransform::scaling(2, 3));
    Point p = t.apply(Point{1, 1});
    EXPECT_DOUBLE_EQ(p.x, 22);  // translate first, then scale
    EXPECT_DOUBLE_EQ(p.y, 18);
    Point back = t.inverted().apply(p);
    EXPECT_NEAR(back.x, 1, 1e-12);
    EXPECT_NEAR(back.y, 1, 1e-12);
    Rect r = AffineTransform::rotation(std::acos(-1.0) / 2).apply(Rect{0, 0, 4, 2});
    EXPECT_NEAR(r.x, -2, 1e-12);
    EXPECT_NEAR(r.width, 2, 1e-12);
    EXPECT_NEAR(r.height, 4, 1e-12);
    EXPECT_FALSE(AffineTransform::scaling(0, 1).isInvertible());
}
