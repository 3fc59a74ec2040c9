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

TEST(SimpleObjects, SpinSquaresTurnFurtherWithEachSquare) {
    // On a device larger than the squares, where none hides the one before it.
    const auto shapes = shapesOf(simpleEffects::SpinSquares, 10, 1, QSize(4000, 4000));
    ASSERT_EQ(shapes.size(), 50u);  // a square and the four sides of its frame, ten times
    EXPECT_EQ(shapes[0].path.boundingRect(), QRectF(-363, -454, 1452, 1452));
    for (size_t i = 0; i < shapes.size(); ++i) {
        EXPECT_TRUE(shapes[i].filled);
        EXPECT_EQ(shapes[i].colour.alpha(), 255);
    }
    // The frame lies one unit inside the square's edge, in a colour of its own.
    QPainterPath frame;
    for (int k = 1; k <= 4; ++k) {
        frame.addPath(shapes[size_t(k)].path);
        EXPECT_EQ(shapes[size_t(k)].colour, shapes[1].colour);
    }
    EXPECT_NE(shapes[1].colour, shapes[0].colour);
    EXPECT_EQ(frame.boundingRect(), shapes[0].path.boundingRect());
    EXPECT_FALSE(frame.contains(QPointF(0, 0)));
    EXPECT_TRUE(frame.contains(QPointF(-362.5, 0)));
    EXPECT_TRUE(frame.contains(QPointF(0, -453.5)));
    // Square i is turned by 0 + 1 + ... + i degrees about the centre: the last by 45, with a
    // half-side of 5 + (726 - 5) / 10.
    for (int i : {1, 4, 9}) {
        const QTransform t = shapes[size_t(5 * i)].transform;
        EXPECT_NEAR(std::atan2(t.m12(), t.m11()) * 180 / M_PI, i * (i + 1) / 2.0, 1e-9) << i;
        EXPECT_NEAR(t.map(QPointF(kW / 2, kH / 2)).x(), kW / 2, 1e-9);
    }
    const RecordedShape& last = shapes[45];
    const QRectF local = last.transform.inverted().map(last.path).boundingRect();
    EXPECT_NEAR(local.width(), 2 * 77.1, 1e-6);
    EXPECT_NEAR(local.center().x(), kW / 2, 1e-6);
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

TEST(SimpleObjects, RandomValuesAreTakenInTheStatedOrder) {
    // A filled rectangle: its colour (alpha, blue, green, red), then its two corners, x first.
    std::srand(7);
    const double a = unit(), b = unit(), g = unit(), r = unit();
    const double px = unit() * kW, py = unit() * kH, qx = unit() * kW, qy = unit() * kH;
    auto rect = shapesOf(simpleEffects::Rects, 1, 7);
    ASSERT_EQ(rect.size(), 1u);
    EXPECT_EQ(rect[0].path.boundingRect(), QRectF(QPointF(px, py), QPointF(qx, qy)).normalized());
    EXPECT_EQ(rect[0].colour, QColor::fromRgbF(float(r), float(g), float(b), float(a)));

    // A circle: its two points first, then its colour; the radius is the smaller span itself.
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

    // A stroked rectangle: colour, width, then the corners.
    std::srand(7);
    for (int k = 0; k < 8; ++k) unit();  // the first, filled rectangle
    for (int k = 0; k < 4; ++k) unit();  // the colour
    const double width = std::rand() % 10 + 2;
    const double sx = unit() * kW, sy = unit() * kH, tx = unit() * kW, ty = unit() * kH;
    rect = shapesOf(simpleEffects::Rects, 2, 7);
    EXPECT_EQ(rect[1].width, width);
    EXPECT_EQ(rect[1].path.boundingRect(), QRectF(QPointF(sx, sy), QPointF(tx, ty)).normalized());
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
    EXPECT_FALSE(allTransparent(shapes));
    s->setChangOpacitySender(80, nullptr);
    s->setBgColorSender(Qt::red, nullptr);
    s->setUseBgImageSender(false, nullptr);
    EXPECT_EQ(s->effectImage(), shapes);
    rig.undo->removeAllActions();

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

TEST(SimpleObjects, SettingsRoundTripAndAbsurdValuesAreTamed) {
    GeneratorRig rig;
    auto s = prototype<simpleEffects>();
    effects::EffectSettings d = s->save();
    EXPECT_EQ(d.value("drawObj").toInt(), 0);
    EXPECT_EQ(d.value("object_count").toInt(), 30);
    EXPECT_EQ(d.value("opacity").toFloat(), 50);
    EXPECT_EQ(d.value("class").toString(), "simpleEffects");

    s->setObjectMode(6);
    s->seObjectCount(120);
    s->seOpacity(33);
    s->setBgColor(QColor(1, 2, 3, 4));
    s->setUseBackImage(false);
    auto copy = s->mycopy();
    EXPECT_EQ(copy->save(), s->save());
    auto fresh = prototype<simpleEffects>()->mycopy();
    fresh->read(s->save());
    EXPECT_EQ(fresh->save(), s->save());
    fresh->read({});
    EXPECT_EQ(fresh->save(), s->save());

    // A stored type outside the list is kept (it draws nothing); a count that would not finish
    // is cut to the slider's largest.
    s->read({{"drawObj", 12}, {"object_count", 1e9}});
    EXPECT_EQ(s->objectType(), 12);
    EXPECT_EQ(s->objectCount(), simpleEffects::kMaxCount);
    s->read({{"object_count", -4}});
    EXPECT_EQ(s->objectCount(), 0);
}
