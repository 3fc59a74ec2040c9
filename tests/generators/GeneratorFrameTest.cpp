// The frame the generators share: settings dictionaries and copies, the two ways of making the
// generated picture, composing it over the picture, undoable settings and placement by mouse.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QWidget>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "GeneratorRig.h"
#include "generators/flareEffect.h"
#include "generators/hilbertLinesEffect.h"
#include "generators/linesEffect.h"
#include "generators/patMorphingEffect.h"
#include "generators/patchWorkEffect.h"
#include "generators/plasmaEffect.h"
#include "generators/simpleEffects.h"
#include "workbench/ColorWell.h"
#include "workbench/FloatSlider.h"

using namespace generators;

namespace {

// Changed settings survive a copy and a read onto a fresh copy; an empty or partial
// dictionary changes only what it holds.
template <class T>
void expectRoundTrip(const std::function<void(T&)>& change) {
    auto g = prototype<T>();
    SCOPED_TRACE(g->className().toStdString());
    const effects::EffectSettings defaults = g->save();
    change(*g);
    g->setUseBackImage(false);
    g->setBgColor(QColor(10, 20, 30, 40));
    g->seOpacity(66);
    const effects::EffectSettings d = g->save();
    EXPECT_NE(d, defaults);
    EXPECT_EQ(g->mycopy()->save(), d);
    auto fresh = prototype<T>()->mycopy();
    fresh->read(d);
    EXPECT_EQ(fresh->save(), d);
    fresh->read({});
    EXPECT_EQ(fresh->save(), d);
    fresh->read({{"opacity", 80.0f}});
    effects::EffectSettings after = fresh->save();
    EXPECT_EQ(after.value("opacity").toFloat(), 80);
    after["opacity"] = d.value("opacity");
    EXPECT_EQ(after, d);
}

template <class T>
std::function<std::unique_ptr<GeneratorFrame>()> maker() {
    return [] { return std::unique_ptr<GeneratorFrame>(prototype<T>().release()); };
}

}  // namespace

TEST(GeneratorFrame, SettingsRoundTripForEveryGenerator) {
    GeneratorRig rig;
    expectRoundTrip<linesEffect>([](linesEffect& g) {
        g.setLinesCount(77);
        g.setLineWidth(3.5f);
        g.setStartPoint({12, 34});
    });
    expectRoundTrip<hilbertLinesEffect>([](hilbertLinesEffect& g) {
        g.setLinesLevel(4);
        g.setLineWidth(2);
    });
    expectRoundTrip<simpleEffects>([](simpleEffects& g) {
        g.setObjectMode(6);
        g.seObjectCount(120);
    });
    expectRoundTrip<patMorphingEffect>([](patMorphingEffect& g) {
        g.setPatCount(9);
        g.setPatColor(QColor(1, 2, 3, 200));
        g.setLineWidth(3);
        g.setProportin(0.25f);
        g.setStartPoint({70, 80});
    });
    expectRoundTrip<flareEffect>([](flareEffect& g) {
        g.setLinesCount(12);
        g.setLineWidth(4);
        g.setStartPoint({33, 44});
    });
    // The patchwork stores a level and a width that its drawing ignores.
    expectRoundTrip<patchWorkEffect>([](patchWorkEffect& g) {
        g.setLinesLevel(3);
        g.setLineWidth(2.5f);
    });
    expectRoundTrip<plasmaEffect>([](plasmaEffect&) {});
}

TEST(GeneratorFrame, DefaultsAndAbsurdStoredValues) {
    GeneratorRig rig;
    const std::pair<effects::EffectSettings, effects::EffectSettings> defaults[] = {
        {prototype<linesEffect>()->save(),
         {{"class", "linesEffect"}, {"linesCount", 500}, {"opacity", 50.0f}}},
        {prototype<simpleEffects>()->save(),
         {{"drawObj", 0}, {"object_count", 30}, {"opacity", 50.0f}}},
        {prototype<patMorphingEffect>()->save(),
         {{"count", 30},
          {"opacity", 70.0f},
          {"lineWidth", 10.0f},
          {"proportion", 0.5f},
          {"patColor", QColor::fromRgbF(0.2f, 1, 0.2f, 1)}}},
        {prototype<flareEffect>()->save(), {{"opacity", 50.0f}}},
        {prototype<patchWorkEffect>()->save(),
         {{"level", 7}, {"lineWidth", 7.5f}, {"opacity", 40.0f}}},
    };
    for (const auto& [saved, expected] : defaults)
        for (auto it = expected.begin(); it != expected.end(); ++it)
            EXPECT_EQ(saved.value(it.key()), it.value())
                << saved.value("class").toString().toStdString() << " " << it.key().toStdString();
    for (const QPointF p :
         {prototype<linesEffect>()->startPoint(), prototype<patchWorkEffect>()->startPoint()})
        EXPECT_FALSE(GeneratedEffect::isPlaced(p));

    // Corrupt or absurd stored values: a level that would never finish drawing, counts that
    // would not finish, values of the wrong kind.
    auto h = prototype<hilbertLinesEffect>();
    h->read({{"level", 100},
             {"lineWidth", std::numeric_limits<double>::quiet_NaN()},
             {"opacity", "abc"},
             {"useBackImage", "no"},
             {"bgColor", "not a colour"}});
    EXPECT_EQ(h->level(), hilbertLinesEffect::kMaxLevel);
    EXPECT_EQ(h->lineWidth(), 7.5f);
    EXPECT_EQ(h->opacity(), 70);
    EXPECT_TRUE(h->useBackImage());
    EXPECT_EQ(h->bgColor(), QColor::fromRgbF(1, 1, 1, 0.5));
    h->read({{"level", 0}});  // possible: it draws nothing
    EXPECT_EQ(h->level(), 0);
    auto lines = prototype<linesEffect>();
    lines->read({{"linesCount", 1e9}, {"opacity", -5.0}});
    EXPECT_EQ(lines->linesCount(), linesEffect::kMaxLines);
    EXPECT_EQ(lines->opacity(), 0);
    // A stored type outside the list is kept: it draws nothing.
    auto s = prototype<simpleEffects>();
    s->read({{"drawObj", 12}, {"object_count", 1e9}});
    EXPECT_EQ(s->objectType(), 12);
    EXPECT_EQ(s->objectCount(), simpleEffects::kMaxCount);
    s->read({{"object_count", -4}});
    EXPECT_EQ(s->objectCount(), 0);
    auto m = prototype<patMorphingEffect>();
    m->read({{"count", 100000}, {"lineWidth", -3.0}, {"patColor", "not a colour"}});
    EXPECT_EQ(m->patCount(), patMorphingEffect::kMaxCount);
    EXPECT_EQ(m->lineWidth(), 0);
    EXPECT_EQ(m->patColor(), QColor::fromRgbF(0.2f, 1, 0.2f, 1));
    auto f = prototype<flareEffect>();
    f->read({{"linesCount", 1e9}});
    EXPECT_EQ(f->linesCount(), flareEffect::kMaxSpikes);
}

TEST(GeneratorFrame, ACopyCarriesTheSettingsButNoPictures) {
    GeneratorRig rig(testPicture(300, 200));
    linesEffect* copy = rig.select(*prototype<linesEffect>());
    EXPECT_FALSE(copy->wasInitialised());
    EXPECT_TRUE(copy->image().isNull());
    EXPECT_TRUE(copy->effectImage().isNull());
    // Unplaced in the prototype, so unplaced in the copy: it starts from the picture's centre.
    EXPECT_FALSE(GeneratedEffect::isPlaced(copy->startPoint()));
    copy->getDrawImage();
    EXPECT_TRUE(copy->wasInitialised());
    EXPECT_EQ(copy->startPoint(), QPointF(150, 100));

    // The Hilbert curve does not carry a start point.
    auto h = prototype<hilbertLinesEffect>();
    h->setStartPoint({5, 5});
    h->setLinesLevel(5);
    auto hc = h->mycopy();
    EXPECT_EQ(static_cast<hilbertLinesEffect*>(hc.get())->level(), 5);
    EXPECT_NE(hc->startPoint(), QPointF(5, 5));
}

TEST(GeneratorFrame, OpacityBackgroundAndPictureChoiceKeepTheGeneratedShapes) {
    GeneratorRig rig(testPicture(120, 90));
    const std::function<std::unique_ptr<GeneratorFrame>()> makers[] = {
        maker<linesEffect>(),      maker<hilbertLinesEffect>(), maker<simpleEffects>(),
        maker<plasmaEffect>(),     maker<flareEffect>(),        maker<patchWorkEffect>(),
        maker<patMorphingEffect>()};
    for (const auto& make : makers) {
        auto g = make();
        SCOPED_TRACE(g->className().toStdString());
        GeneratorFrame* s = rig.select(*g);
        s->prepare();
        const QImage shapes = s->effectImage().copy();
        EXPECT_FALSE(allTransparent(shapes));
        s->setchangeOpacitySender(0, nullptr);
        s->setchangeBgColorSender(Qt::blue, nullptr);
        s->setuseBgImageSender(false, nullptr);
        EXPECT_EQ(s->effectImage(), shapes);
        // Opacity 0: the background colour alone.
        EXPECT_EQ(argb(s->getDrawImage()).pixelColor(60, 45), QColor(Qt::blue));
    }
}

TEST(GeneratorFrame, DrawingImagesAreReducedOnlyForTheMouseFollowingGenerators) {
    GeneratorRig rig(testPicture(1200, 800));
    linesEffect* lines = rig.select(*prototype<linesEffect>());
    lines->prepare();
    EXPECT_EQ(lines->effectImage().size(), QSize(300, 200));
    EXPECT_FLOAT_EQ(lines->imageZoom(), 0.25f);
    EXPECT_EQ(lines->layers().size, QSize(1200, 800));
    EXPECT_EQ(lines->getDrawImage().size(), QSize(1200, 800));

    hilbertLinesEffect* h = rig.select(*prototype<hilbertLinesEffect>());
    h->prepare();
    EXPECT_EQ(h->effectImage().size(), QSize(1200, 800));

    // Small pictures are drawn at their own size; without a picture at 726 x 544.
    rig.setPicture(testPicture(150, 120));
    lines = rig.select(*prototype<linesEffect>());
    lines->prepare();
    EXPECT_EQ(lines->effectImage().size(), QSize(150, 120));
    EXPECT_EQ(lines->imageZoom(), 1.0f);
    rig.setPicture({});
    lines = rig.select(*prototype<linesEffect>());
    EXPECT_EQ(lines->getDrawImage().size(), QSize(726, 544));
    EXPECT_EQ(lines->startPoint(), QPointF(363, 272));
}

TEST(GeneratorFrame, TheComposedPictureLaysTheLayersInOrder) {
    const QImage pic = testPicture(64, 48);
    GeneratorRig rig(pic);
    // Level 0 draws nothing: the composition is the picture under the background colour.
    auto proto = prototype<hilbertLinesEffect>();
    proto->setLinesLevel(0);
    hilbertLinesEffect* h = rig.select(*proto);
    QImage out = argb(h->getDrawImage());
    ASSERT_EQ(out.size(), pic.size());
    for (QPoint at : {QPoint(0, 0), QPoint(63, 47), QPoint(20, 30)}) {
        const QColor p = pic.pixelColor(at), o = out.pixelColor(at);
        EXPECT_NEAR(o.red(), (p.red() + 255) / 2.0, 1.5);
        EXPECT_NEAR(o.blue(), (p.blue() + 255) / 2.0, 1.5);
        EXPECT_EQ(o.alpha(), 255);
    }
    // Without the picture and with a clear colour: nothing at all.
    h->setUseBackImage(false);
    h->setBgColor(Qt::transparent);
    out = argb(h->getDrawImage());
    EXPECT_EQ(out.size(), pic.size());
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) ASSERT_EQ(qAlpha(out.pixel(x, y)), 0);

    // An opaque generated picture at full opacity, alone: the generated picture itself.
    plasmaEffect* plasma = rig.select(*prototype<plasmaEffect>());
    plasma->setUseBackImage(false);
    plasma->setBgColor(Qt::transparent);
    plasma->seOpacity(100);
    out = argb(plasma->getDrawImage());
    const QImage generated = argb(plasma->effectImage());
    ASSERT_EQ(generated.size(), QSize(48, 48));
    EXPECT_EQ(out.pixel(0, 0), generated.pixel(0, 0));
    EXPECT_EQ(out.pixel(63, 47), generated.pixel(47, 47));
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) ASSERT_EQ(qAlpha(out.pixel(x, y)), 255);
    // At opacity 0 only the background remains, whatever was generated.
    plasma->seOpacity(0);
    plasma->setUseBackImage(true);
    EXPECT_EQ(argb(plasma->getDrawImage()), argb(pic));
}

TEST(GeneratorFrame, UndoingALineWidthDrawsAnewButUndoingOpacityKeepsTheShapes) {
    GeneratorRig rig(testPicture(120, 90));
    QWidget host;
    host.resize(300, 240);
    auto proto = prototype<linesEffect>();
    linesEffect* lines = rig.selectWithControls(*proto, host);
    lines->prepare();
    workbench::FloatSlider* width = floatSlider(host, linesEffect::kMaxWidth);
    workbench::FloatSlider* opacity = floatSlider(host, 100);
    ASSERT_TRUE(width && opacity);
    EXPECT_EQ(width->floatValue(), 1.0f);
    EXPECT_EQ(opacity->floatValue(), 50.0f);

    const QImage first = lines->effectImage().copy();
    width->setValue(width->maximum() / 2);  // the user moves the slider
    rig.endEvent();
    EXPECT_FLOAT_EQ(lines->lineWidth(), 25.25f);
    const QImage wide = lines->effectImage().copy();
    EXPECT_NE(wide, first);

    rig.undo->undo();
    EXPECT_EQ(lines->lineWidth(), 1.0f);
    EXPECT_EQ(width->floatValue(), 1.0f);
    EXPECT_NE(lines->effectImage(), wide);
    EXPECT_NE(lines->effectImage(), first);  // new random lines with the old width
    rig.undo->redo();
    EXPECT_FLOAT_EQ(lines->lineWidth(), 25.25f);
    EXPECT_FLOAT_EQ(width->floatValue(), 25.25f);

    const QImage shapes = lines->effectImage().copy();
    opacity->setValue(opacity->maximum());
    rig.endEvent();
    EXPECT_EQ(lines->opacity(), 100.0f);
    rig.undo->undo();
    EXPECT_EQ(lines->opacity(), 50.0f);
    EXPECT_EQ(opacity->floatValue(), 50.0f);
    EXPECT_EQ(lines->effectImage(), shapes);

    // The colour well and the check box follow undo the same way, without drawing anew.
    auto* check = host.findChild<QCheckBox*>();
    ASSERT_TRUE(check);
    check->click();
    rig.endEvent();
    EXPECT_FALSE(lines->useBackImage());
    rig.undo->undo();
    EXPECT_TRUE(lines->useBackImage());
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(lines->effectImage(), shapes);
}

TEST(GeneratorFrame, AClickLeavesTwoUndoStepsAndADragReturnsInTwo) {
    GeneratorRig rig(testPicture(400, 300));
    linesEffect* lines = rig.select(*prototype<linesEffect>());
    lines->prepare();
    const QPointF centre = lines->startPoint();
    ASSERT_EQ(centre, QPointF(200, 150));

    lines->mouseDown({50, 60});
    rig.endEvent();
    lines->mouseUp({50, 60});
    rig.endEvent();
    EXPECT_EQ(lines->startPoint(), QPointF(50, 60));
    EXPECT_EQ(rig.undo->undoCount(), 2);
    rig.undo->undo();  // the step of the release: back to before the click
    EXPECT_EQ(lines->startPoint(), centre);
    rig.undo->undo();
    EXPECT_EQ(lines->startPoint(), centre);

    // A drag: one step to the last dragged position, one to where the press began.
    rig.undo->removeAllActions();
    const QImage before = lines->effectImage().copy();
    lines->mouseDown({10, 10});
    rig.endEvent();
    lines->mouseDragged({20, 25});
    EXPECT_EQ(lines->startPoint(), QPointF(20, 25));
    EXPECT_NE(lines->effectImage(), before);
    lines->mouseDragged({30, 35});
    rig.endEvent();
    lines->mouseUp({31, 36});
    rig.endEvent();
    EXPECT_EQ(lines->startPoint(), QPointF(31, 36));
    rig.undo->undo();
    EXPECT_EQ(lines->startPoint(), QPointF(30, 35));
    rig.undo->undo();
    EXPECT_EQ(lines->startPoint(), centre);
    rig.undo->redo();
    EXPECT_EQ(lines->startPoint(), QPointF(30, 35));

    // A generator that is not placed with the mouse ignores it.
    hilbertLinesEffect* h = rig.select(*prototype<hilbertLinesEffect>());
    const QPointF start = h->startPoint();
    h->mouseDown({1, 1});
    h->mouseDragged({2, 2});
    h->mouseUp({3, 3});
    EXPECT_EQ(h->startPoint(), start);
}

TEST(GeneratorFrame, RetiringDropsPictureControlsAndPendingUndo) {
    GeneratorRig rig(testPicture(80, 60));
    QWidget host;
    host.resize(300, 240);
    auto proto = prototype<hilbertLinesEffect>();
    hilbertLinesEffect* h = rig.selectWithControls(*proto, host);
    EXPECT_EQ(host.findChildren<QWidget*>().size() > 5, true);
    h->prepare();
    h->setchangeLinesLevelSender(4, nullptr);  // an undo step without a control
    rig.endEvent();
    h->clearEffect();
    EXPECT_FALSE(h->wasInitialised());
    EXPECT_TRUE(h->image().isNull());
    EXPECT_TRUE(host.findChildren<QWidget*>().isEmpty());
    // Its undo steps go with it: undo then reaches nothing of it.
    rig.current.reset();
    EXPECT_FALSE(rig.undo->canUndo());
}
