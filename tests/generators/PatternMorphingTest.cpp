// The pattern morphing: the shared morphers, the rosette they shape, its placement and its
// settings.

#include <gtest/gtest.h>

#include <QPainter>
#include <QSlider>
#include <QWidget>
#include <cmath>

#include "GeneratorRig.h"
#include "RecordingDevice.h"
#include "generators/patMorphingEffect.h"
#include "workbench/ColorWell.h"
#include "workbench/FloatSlider.h"

using namespace generators;

namespace {

using M = patMorphingEffect;

// The ellipses one drawing of `effect` strokes on an 800 x 600 picture.
std::vector<RecordedShape> ellipsesOf(patMorphingEffect& effect) {
    RecordingDevice device(QSize(800, 600));
    QPainter p(&device);
    effect.drawMyself(p, QRectF(0, 0, 800, 600));
    p.end();
    return device.shapes();
}

void setMorphers(float outside, float gapX, float gapY) {
    M::interMarkOutside.value = outside;
    M::interGapX.value = gapX;
    M::interGapY.value = gapY;
}

}  // namespace

TEST(PatternMorphing, AMorpherStepsTowardsItsTargetThroughSpringAndDamping) {
    ValueMorpher m;
    m.value = 100;
    m.damping = 0.75f;
    m.strength = 0.5f;
    m.setTarget(200);
    m.update();
    EXPECT_FLOAT_EQ(m.acceleration, 50);
    EXPECT_FLOAT_EQ(m.velocity, 37.5f);
    EXPECT_FLOAT_EQ(m.value, 137.5f);
    m.update();  // the velocity carries on: (31.25 + 37.5) x 0.75
    EXPECT_FLOAT_EQ(m.velocity, 51.5625f);
    EXPECT_FLOAT_EQ(m.value, 189.0625f);
    // Without a target only the accumulated force moves it, and is used up.
    m.noTarget();
    m.force = 4;
    m.update();
    EXPECT_FLOAT_EQ(m.velocity, (4 + 51.5625f) * 0.75f);
    EXPECT_EQ(m.force, 0);
    m.update();
    EXPECT_FLOAT_EQ(m.acceleration, 0);

    // At rest within their ranges after set-up; targets within theirs after a step.
    for (unsigned seed = 1; seed < 30; ++seed) {
        std::srand(seed);
        M::setupPatMorphing();
        EXPECT_FALSE(M::interMarkOutside.hasTarget);
        EXPECT_EQ(M::interMarkOutside.velocity, 0);
        EXPECT_EQ(M::interMarkInside.damping, 0.75f);
        EXPECT_EQ(M::interGapY.strength, 0.5f);
        EXPECT_TRUE(M::interMarkInside.value >= 2 && M::interMarkInside.value <= 150);
        EXPECT_TRUE(M::interMarkOutside.value >= 25 && M::interMarkOutside.value <= 220);
        EXPECT_TRUE(M::interGapX.value >= 0 && M::interGapX.value <= 20);
        const float before = M::interMarkOutside.value;
        M::updateValues();
        EXPECT_TRUE(M::interMarkOutside.hasTarget);
        EXPECT_TRUE(M::interMarkOutside.target >= 25 && M::interMarkOutside.target <= 520);
        EXPECT_TRUE(M::interMarkInside.target >= 2 && M::interMarkInside.target <= 300);
        EXPECT_FLOAT_EQ(M::interMarkOutside.value,
                        before + (M::interMarkOutside.target - before) * 0.5f * 0.75f);
    }
    // The draws come in the order inside, outside, gap across, gap up.
    std::srand(11);
    const double r1 = (std::rand() & 0x7FFF) / 32767.0, r2 = (std::rand() & 0x7FFF) / 32767.0;
    std::srand(11);
    M::setupPatMorphing();
    EXPECT_FLOAT_EQ(M::interMarkInside.value, float(r1 * 148 + 2));
    EXPECT_FLOAT_EQ(M::interMarkOutside.value, float(r2 * 195 + 25));
}

TEST(PatternMorphing, TheRosetteIsRotatedEllipsesAroundThePlacedCentre) {
    GeneratorRig rig(testPicture(800, 600));
    auto proto = prototype<patMorphingEffect>();
    proto->setPatCount(4);
    patMorphingEffect* m = rig.select(*proto);
    m->prepare();
    // Centred on the picture until placed.
    EXPECT_EQ(m->startPoint(), QPointF(400, 300));

    setMorphers(100, 10, 20);
    auto shapes = ellipsesOf(*m);
    ASSERT_EQ(shapes.size(), 4u);
    // Each the ellipse in (10, 20, 50, 100) about the centre, turned by a further 90 degrees.
    for (int i = 0; i < 4; ++i) {
        const RecordedShape& s = shapes[size_t(i)];
        EXPECT_TRUE(s.stroked && !s.filled);
        EXPECT_EQ(s.width, 10);
        EXPECT_EQ(s.colour, QColor::fromRgbF(0.2f, 1, 0.2f, 1));
        QTransform turn;
        turn.rotate(90 * i);
        const QPointF centre = QPointF(400, 300) + turn.map(QPointF(10 + 25, 20 + 50));
        EXPECT_NEAR(s.path.boundingRect().center().x(), centre.x(), 1e-6) << i;
        EXPECT_NEAR(s.path.boundingRect().center().y(), centre.y(), 1e-6) << i;
        const QSizeF size = s.path.boundingRect().size();
        EXPECT_NEAR(i % 2 ? size.height() : size.width(), 50, 1e-6) << i;
        EXPECT_NEAR(i % 2 ? size.width() : size.height(), 100, 1e-6) << i;
    }

    // A proportion of 1 makes circles.
    m->setProportin(1);
    m->setPatCount(30);
    shapes = ellipsesOf(*m);
    ASSERT_EQ(shapes.size(), 30u);
    const QRectF box = shapes[7].path.boundingRect();
    // (Curves approximate the turned circle: within a hundredth of a pixel.)
    EXPECT_NEAR(box.width(), 100, 0.01);
    EXPECT_NEAR(box.height(), 100, 0.01);

    // Placed elsewhere, the rosette follows.
    m->setStartPoint({50, 60});
    m->setPatCount(4);
    m->setProportin(0.5f);
    shapes = ellipsesOf(*m);
    EXPECT_NEAR(shapes[0].path.boundingRect().center().x(), 50 + 35, 1e-6);
}

TEST(PatternMorphing, ADragRedrawsAndGenerateMorphsWithoutAnUndoStep) {
    GeneratorRig rig(testPicture(800, 600));
    patMorphingEffect* m = rig.select(*prototype<patMorphingEffect>());
    m->prepare();
    const QImage first = m->effectImage().copy();
    m->mouseDown({100, 100});
    m->mouseDragged({150, 120});
    EXPECT_NE(m->effectImage(), first);
    m->mouseUp({170, 140});
    rig.endEvent();

    // Generate moves the morphers one step towards new targets; it is not undoable.
    rig.undo->removeAllActions();
    const float height = M::interMarkOutside.value;
    const QImage shape = m->effectImage().copy();
    m->regenerate();
    EXPECT_TRUE(M::interMarkOutside.hasTarget);
    EXPECT_NE(M::interMarkOutside.value, height);
    EXPECT_NE(m->effectImage(), shape);
    EXPECT_FALSE(rig.undo->canUndo());
}

TEST(PatternMorphing, RedrawingClearsWhatTheLastRosetteCovered) {
    GeneratorRig rig(testPicture(400, 300));
    auto proto = prototype<patMorphingEffect>();
    patMorphingEffect* m = rig.select(*proto);
    m->prepare();
    // Large, wide rosettes moved about, partly off the picture, then a small one.
    const QPointF places[] = {{50, 40}, {390, 290}, {-30, 150}, {200, 310}};
    m->setLineWidth(30);
    for (QPointF at : places) {
        setMorphers(400, -20, 20);
        m->mouseDown(at);
        m->mouseDragged(at);
        m->mouseUp(at);
    }
    setMorphers(30, 5, 5);
    m->setLineWidth(2);
    m->mouseDown({200, 150});
    m->mouseDragged({200, 150});
    const QImage drawn = m->effectImage().copy();

    // The same rosette drawn on a fresh copy.
    const ValueMorpher kept[] = {M::interMarkInside, M::interMarkOutside, M::interGapX,
                                 M::interGapY};
    m->setStartPoint({200, 150});
    auto copy = m->mycopy();
    M::interMarkInside = kept[0];
    M::interMarkOutside = kept[1];
    M::interGapX = kept[2];
    M::interGapY = kept[3];
    auto* fresh = static_cast<patMorphingEffect*>(copy.get());
    fresh->prepare();
    EXPECT_EQ(argb(fresh->effectImage()), argb(drawn));
}

TEST(PatternMorphing, ControlsUndoAndOnlyTheShapeSettingsRedraw) {
    GeneratorRig rig(testPicture(200, 150));
    QWidget host;
    host.resize(300, 240);
    auto proto = prototype<patMorphingEffect>();
    patMorphingEffect* m = rig.selectWithControls(*proto, host);
    m->prepare();
    QSlider* count = nullptr;
    for (auto* s : host.findChildren<QSlider*>())
        if (!qobject_cast<workbench::FloatSlider*>(s)) count = s;
    workbench::FloatSlider* width = floatSlider(host, 30);
    workbench::FloatSlider* proportion = floatSlider(host, 1);
    workbench::ColorWell* patWell = nullptr;
    for (auto* w : host.findChildren<workbench::ColorWell*>())
        if (w->color() == m->patColor()) patWell = w;
    ASSERT_TRUE(count && width && proportion && patWell);
    EXPECT_EQ(count->minimum(), 4);
    EXPECT_EQ(count->maximum(), 60);
    EXPECT_EQ(proportion->minValue(), 0.1);

    const QImage shape = m->effectImage().copy();

    count->setValue(6);
    rig.endEvent();
    EXPECT_EQ(m->patCount(), 6);
    EXPECT_NE(m->effectImage(), shape);
    proportion->setFloatValue(1);
    Q_EMIT proportion->moved();
    rig.endEvent();
    EXPECT_FLOAT_EQ(m->proportion(), 1);
    patWell->setColor(Qt::red);  // the user picks red
    Q_EMIT patWell->colorChanged();
    rig.endEvent();
    EXPECT_EQ(m->patColor(), QColor(Qt::red));
    const QImage red = m->effectImage().copy();

    rig.undo->undo();
    EXPECT_EQ(m->patColor(), QColor::fromRgbF(0.2f, 1, 0.2f, 1));
    EXPECT_EQ(patWell->color(), m->patColor());
    EXPECT_NE(m->effectImage(), red);
    rig.undo->undo();
    EXPECT_FLOAT_EQ(m->proportion(), 0.5f);
    EXPECT_FLOAT_EQ(proportion->floatValue(), 0.5f);
    rig.undo->undo();
    EXPECT_EQ(m->patCount(), 30);
    EXPECT_EQ(count->value(), 30);
}

TEST(PatternMorphing, ACopyStartsFromFreshMorphers) {
    GeneratorRig rig;
    auto proto = prototype<patMorphingEffect>();
    // Morphers part-way to a target, moving: the copy sets them at rest afresh.
    M::interMarkOutside.setTarget(500);
    M::interMarkOutside.velocity = 40;
    M::interMarkOutside.value = 1000;
    auto copy = proto->mycopy();
    EXPECT_FALSE(M::interMarkOutside.hasTarget);
    EXPECT_EQ(M::interMarkOutside.velocity, 0);
    EXPECT_LE(M::interMarkOutside.value, 220);
}
