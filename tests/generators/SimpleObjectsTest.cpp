// The simple objects: how many shapes of which kind each object type draws, in which order the
// random values are taken, and the settings around them.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QWidget>
#include <cmath>
#include <utility>

#include "GeneratorRig.h"
#include "RecordingDevice.h"
#include "generators/simpleEffects.h"
#include "workbench/Autoresizer.h"
#include "workbench/FloatSlider.h"

using namespace generators;

namespace {

constexpr double kW = 726, kH = 544;

// The shapes that one drawing of `type` with `count` objects paints on a 726 x 544 picture,
// onto a device of `device` size.
std::vector<RecordedShape> shapesOf(int type, int count, unsigned seed = 1,
                                    QSize device = QSize(int(kW), int(kH))) {
    simpleEffects s;
    s.setObjectMode(type);
    s.seObjectCount(count);
    RecordingDevice recorder{device};
    std::srand(seed);
    QPainter p(&recorder);
    s.drawMyself(p, QRectF(0, 0, kW, kH));
    p.end();
    return recorder.shapes();
}

double unit() {
    return (std::rand() & 0x7FFF) / 32767.0;
}

}  // namespace

TEST(SimpleObjects, EachKindDrawsItsNumberOfShapes) {
    // Rectangles, circles, paths and triangles: N shapes, filled and stroked by turns, strokes
    // 2 to 11 wide in whole numbers.
    for (int type : {simpleEffects::Rects, simpleEffects::Circles, simpleEffects::BezierPaths,
                     simpleEffects::Triangles}) {
        const auto shapes = shapesOf(type, 10);
        ASSERT_EQ(shapes.size(), 10u) << type;
        for (size_t i = 0; i < shapes.size(); ++i) {
            EXPECT_EQ(shapes[i].filled, i % 2 == 0) << type << " " << i;
            EXPECT_EQ(shapes[i].stroked, i % 2 == 1) << type << " " << i;
            if (i % 2) {
                EXPECT_GE(shapes[i].width, 2);
                EXPECT_LE(shapes[i].width, 11);
                EXPECT_EQ(shapes[i].width, std::trunc(shapes[i].width));
            }
        }
    }
    // An open triangle has two sides only.
    const auto triangles = shapesOf(simpleEffects::Triangles, 2);
    EXPECT_EQ(triangles[1].path.elementCount(), 3);
    EXPECT_NE(triangles[1].path.elementAt(0), triangles[1].path.elementAt(2));

    // Flowers: 4 N of them, five petals and a heart each, a hundredth of the longer side wide.
    const auto flowers = shapesOf(simpleEffects::Flowers, 10);
    ASSERT_EQ(flowers.size(), 4u * 10 * 6);
    for (const RecordedShape& s : flowers) {
        EXPECT_TRUE(s.filled && !s.stroked);
        EXPECT_NEAR(s.path.boundingRect().width(), 7.26, 1e-6);
    }
    // The petals of a flower lie around its heart, 75 degrees apart.
    const QPointF heart = flowers[5].path.boundingRect().topLeft();
    const QPointF third = flowers[2].path.boundingRect().topLeft() - heart;
    EXPECT_NEAR(third.x(), 7.26 * std::cos(150 * M_PI / 180), 1e-6);
    EXPECT_NEAR(third.y(), 7.26 * std::sin(150 * M_PI / 180), 1e-6);
    EXPECT_EQ(flowers[0].colour, flowers[4].colour);
    EXPECT_NE(flowers[0].colour, flowers[5].colour);

    // Balls: 8 N filled discs.
    const auto balls = shapesOf(simpleEffects::Balls, 10);
    ASSERT_EQ(balls.size(), 80u);
    for (const RecordedShape& s : balls) {
        const QRectF r = s.path.boundingRect();
        EXPECT_TRUE(s.filled);
        EXPECT_NEAR(r.width(), r.height(), 1e-9);
        EXPECT_LE(r.width(), std::hypot(kW, kH) / 10);
    }

    // Anything outside the list draws nothing.
    EXPECT_TRUE(shapesOf(8, 10).empty());
    EXPECT_TRUE(shapesOf(-1, 10).empty());
}

TEST(SimpleObjects, LightsAreRaysOfTenDiscsTwelveDegreesApart) {
    for (int count : {10, 11}) {
        const auto discs = shapesOf(simpleEffects::Lights, count);
        ASSERT_EQ(discs.size(), 50u) << count;  // count / 2 rays
        for (int ray = 0; ray < 5; ++ray) {
            const double a = ray * 12 * M_PI / 180;
            for (int k = 0; k < 10; ++k) {
                const RecordedShape& s = discs[size_t(ray * 10 + k)];
                const double t = (k + 2) / 10.0;
                const QRectF expected(kW / 2 + t * std::cos(a) * kW / 2,
                                      kH / 2 + t * std::sin(a) * kH / 2, 20, 20);
                const QRectF r = s.path.boundingRect();
                EXPECT_NEAR(r.x(), expected.x(), 1e-6) << ray << " " << k;
                EXPECT_NEAR(r.y(), expected.y(), 1e-6) << ray << " " << k;
                EXPECT_NEAR(r.width(), 20, 1e-6);
                EXPECT_EQ(s.colour, discs[size_t(ray * 10)].colour);
            }
        }
        EXPECT_NE(discs[0].colour, discs[10].colour);
    }
}

TEST(SimpleObjects, SpinSquaresPaintOnlyWhatStaysVisibleWithTheSamePixels) {
    // Each square filled and framed whole, one after the other, as the plain description has it.
    auto plain = [](QImage& img, int n) {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(0, img.height());
        p.scale(1, -1);
        const double w = img.width(), h = img.height(), m = std::max(w, h), step = (m - 5) / n;
        QRectF sq(w / 2 - m, h / 2 - m, 2 * m, 2 * m);
        for (int i = 0; i < n; ++i) {
            p.translate(w / 2, h / 2);
            p.rotate(i);
            p.translate(-w / 2, -h / 2);
            auto colour = [] {
                const long b = ::random() % 255, g = ::random() % 255, r = ::random() % 255;
                return QColor::fromRgbF(r / 255.0f, g / 255.0f, b / 255.0f);
            };
            p.fillRect(sq, colour());
            const QColor frame = colour();
            p.fillRect(QRectF(sq.left(), sq.top(), sq.width(), 1), frame);
            p.fillRect(QRectF(sq.left(), sq.bottom() - 1, sq.width(), 1), frame);
            p.fillRect(QRectF(sq.left(), sq.top() + 1, 1, sq.height() - 2), frame);
            p.fillRect(QRectF(sq.right() - 1, sq.top() + 1, 1, sq.height() - 2), frame);
            sq.adjust(step, step, -step, -step);
        }
    };
    for (auto [size, n] : {std::pair{QSize(300, 200), 10}, std::pair{QSize(240, 320), 200},
                           std::pair{QSize(64, 64), 37}}) {
        GeneratorRig rig(testPicture(size.width(), size.height()));
        auto proto = prototype<simpleEffects>();
        proto->setObjectMode(simpleEffects::SpinSquares);
        proto->seObjectCount(n);
        simpleEffects* s = rig.select(*proto);
        ::srandom(5);
        s->prepare();
        QImage expected(size, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::transparent);
        ::srandom(5);
        plain(expected, n);
        ASSERT_EQ(argb(s->effectImage()), expected) << n;
    }
}

TEST(SimpleObjects, ACircleTakesItsPointsBeforeItsColour) {
    // The radius is the smaller span itself. (The rectangles' order shows in the direct
    // drawing below.)
    std::srand(7);
    const double x1 = unit() * kW, y1 = unit() * kH, x2 = unit() * kW, y2 = unit() * kH;
    const double ca = unit();
    const auto circle = shapesOf(simpleEffects::Circles, 1, 7);
    const double radius = std::min(std::abs(x2 - x1), std::abs(y2 - y1));
    const QRectF box = circle[0].path.boundingRect();
    EXPECT_NEAR(box.width(), 2 * radius, 1e-6);
    EXPECT_NEAR(box.center().x(), (x1 + x2) / 2, 1e-6);
    EXPECT_NEAR(box.center().y(), (y1 + y2) / 2, 1e-6);
    EXPECT_NEAR(circle[0].colour.alphaF(), ca, 1e-4);
}

TEST(SimpleObjects, OnlyTypeAndCountDrawANewSetAndTheyUndo) {
    GeneratorRig rig(testPicture(120, 90));
    QWidget host;
    host.resize(300, GeneratedEffect::kPanelHeight);
    auto proto = prototype<simpleEffects>();
    simpleEffects* s = rig.selectWithControls(*proto, host);
    s->prepare();
    auto* box = host.findChild<QComboBox*>();
    QSlider* count = nullptr;
    for (auto* slider : host.findChildren<QSlider*>())
        if (!qobject_cast<workbench::FloatSlider*>(slider)) count = slider;
    ASSERT_TRUE(box && count);
    ASSERT_EQ(box->count(), 8);
    EXPECT_EQ(box->itemText(7), "Spin Squares");
    EXPECT_EQ(workbench::Autoresizer::of(&host)->frame(box).topLeft(), QPoint(140, 193));
    EXPECT_EQ(count->minimum(), 10);
    EXPECT_EQ(count->maximum(), 200);
    EXPECT_FALSE(count->hasTracking());

    const QImage shapes = s->effectImage().copy();
    box->setCurrentIndex(simpleEffects::Balls);  // the user picks "Balls"
    Q_EMIT box->activated(simpleEffects::Balls);
    rig.endEvent();
    EXPECT_EQ(s->objectType(), simpleEffects::Balls);
    const QImage balls = s->effectImage().copy();
    EXPECT_NE(balls, shapes);
    count->setValue(50);
    rig.endEvent();
    EXPECT_EQ(s->objectCount(), 50);
    EXPECT_NE(s->effectImage(), balls);

    rig.undo->undo();
    EXPECT_EQ(s->objectCount(), 30);
    EXPECT_EQ(count->value(), 30);
    rig.undo->undo();
    EXPECT_EQ(s->objectType(), simpleEffects::Rects);
    EXPECT_EQ(box->currentIndex(), simpleEffects::Rects);
    rig.undo->redo();
    EXPECT_EQ(s->objectType(), simpleEffects::Balls);
    EXPECT_EQ(box->currentIndex(), simpleEffects::Balls);

    // A type beyond the list leaves the generated picture empty.
    s->setObjectTypeSender(8, box);
    EXPECT_TRUE(allTransparent(s->effectImage()));
}

TEST(SimpleObjects, TheFullSizePictureIsADirectDrawingWithTheSameSeed) {
    // The rectangles and paths painted straight onto the picture, as they always were.
    auto direct = [](int type, int n, QSize size) {
        QImage img(size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(0, size.height());
        p.scale(1, -1);
        auto point = [&] {
            const double x = unit() * size.width();
            return QPointF(x, unit() * size.height());
        };
        auto colour = [] {
            const double a = unit(), b = unit(), g = unit(), r = unit();
            return QColor::fromRgbF(float(r), float(g), float(b), float(a));
        };
        auto pen = [&] {
            const QColor c = colour();
            QPen pen(c, std::rand() % 10 + 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
            pen.setMiterLimit(10);
            return pen;
        };
        for (int i = 0; i < n; ++i) {
            if (type == simpleEffects::Rects) {
                const QPen stroke = i % 2 ? pen() : QPen();
                const QColor fill = i % 2 ? QColor() : colour();
                const QPointF a = point(), b = point();
                QPainterPath path;
                path.addRect(QRectF(a, b).normalized());
                if (i % 2)
                    p.strokePath(path, stroke);
                else
                    p.fillRect(QRectF(a, b).normalized(), fill);
                continue;
            }
            const int pieces = std::rand() % 8 + 1;
            QPainterPath path(point());
            path.setFillRule(Qt::WindingFill);
            for (int j = 0; j < pieces; ++j) {
                const QPointF end = point();
                if (j % 2) {
                    const QPointF c1 = point(), c2 = point();
                    path.cubicTo(c1, c2, end);
                } else {
                    path.lineTo(end);
                }
            }
            if (i % 2) {
                p.strokePath(path, pen());
            } else {
                path.closeSubpath();
                p.fillPath(path, colour());
            }
        }
        return img;
    };
    const QSize size(300, 200);
    for (int type : {simpleEffects::Rects, simpleEffects::BezierPaths}) {
        GeneratorRig rig(testPicture(size.width(), size.height()));
        auto proto = prototype<simpleEffects>();
        proto->setObjectMode(type);
        proto->seObjectCount(40);
        simpleEffects* s = rig.select(*proto);
        std::srand(11);
        s->prepare();
        // Painted for a small view first: the full size is drawn from the same shapes.
        QImage view(90, 60, QImage::Format_ARGB32_Premultiplied);
        QPainter vp(&view);
        vp.scale(0.3, 0.3);
        const std::atomic<bool> never{false};
        (*s->layers().drawing)(vp, never);
        vp.end();
        std::srand(11);
        EXPECT_EQ(argb(s->effectImage()), direct(type, 40, size)) << type;
        // A new set replaces the last one whole.
        std::srand(12);
        s->regenerate();
        std::srand(12);
        EXPECT_EQ(argb(s->effectImage()), direct(type, 40, size)) << type;
    }
}
