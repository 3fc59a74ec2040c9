// The 3D effects without a GPU: their settings, copies, controls, undo and mouse turning.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <cmath>
#include <limits>

#include "RecordingSink.h"
#include "TestHost.h"
#include "foundation/NotificationCenter.h"
#include "foundation/UndoManager.h"
#include "threed/EvalEffect.h"
#include "threed/ObjectEffect.h"
#include "workbench/Autoresizer.h"
#include "workbench/ColorWell.h"
#include "workbench/FloatSlider.h"

using threed::EvalEffect;
using threed::ObjectEffect;
using threed::test::RecordingSink;

namespace {

class ThreeDEffects : public ::testing::Test {
  protected:
    void SetUp() override {
        foundation::NotificationCenter::defaultCenter().addObserver(
            this, foundation::kUpdateOpenGLView, [this] { ++redraws; });
        host.resize(300, 400);  // taller than the rows need: they stay at its top
        surface.awakeFromNib();
        surface.setTopControlsView(&host);
        solid.awakeFromNib();
        solid.setTopControlsView(&host);
    }
    void TearDown() override {
        foundation::NotificationCenter::defaultCenter().removeObserver(this);
    }

    // Undoes and redoes the last step, checking `value` before, after undo and after redo.
    template <typename Get, typename T>
    void expectUndoRedo(Get value, T before, T after) {
        undo.closeEventGroup();
        EXPECT_EQ(value(), after);
        undo.undo();
        EXPECT_EQ(value(), before);
        undo.redo();
        EXPECT_EQ(value(), after);
    }

    threed::test::TestHost app;
    foundation::UndoManager& undo = app.undo;
    int redraws = 0;
    QWidget host;
    EvalEffect surface;
    ObjectEffect solid;
};

// A control's frame as laid out, y measured up from the bottom of the box at the host's top
// that the rows are given in.
QRect frameOf(QWidget* child) {
    const QRect g = child->geometry();
    return QRect(g.x(), threed::ThreeDEffect::kControlsHeight - g.bottom() - 1, g.width(),
                 g.height());
}

}  // namespace

TEST_F(ThreeDEffects, SurfaceSettingsRoundTripThroughTheirThirtyEightKeys) {
    const effects::EffectSettings defaults = surface.save();
    EXPECT_EQ(defaults.size(), 5 + 38);
    EXPECT_EQ(defaults.value("class").toString(), "EvalEffect");
    EXPECT_EQ(defaults.value("objectRotation0").toFloat(), 90);
    EXPECT_EQ(defaults.value("objectRotation1").toFloat(), -45);
    EXPECT_EQ(defaults.value("borderSize").typeId(), QMetaType::Int);
    EXPECT_EQ(defaults.value("polygonFilled").toInt(), 1);
    EXPECT_EQ(defaults.value("point2").isValid(), false);
    EXPECT_EQ(defaults.value("point213").typeId(), QMetaType::Float);
    EXPECT_EQ(defaults.value("point25").toFloat(), 0.6f);
    EXPECT_EQ(defaults.value("point217").toFloat(), -0.6f);
    EXPECT_EQ(defaults.value("decal").toFloat(), 8449);
    EXPECT_EQ(defaults.value("decalColor0").toFloat(), 1);

    effects::EffectSettings d = defaults;
    d["objectRotation0"] = 12.5f;
    d["objectRotation3"] = 7.0f;
    d["borderColor2"] = 0.25f;
    d["borderSize"] = 9;
    d["polygonFilled"] = 0;
    d["point25"] = -0.5f;
    d["point217"] = 0.5f;
    d["point222"] = -0.25f;
    d["decal"] = 8448.0f;
    d["decalColor1"] = 0.75f;
    auto copy = surface.mycopy();
    copy->read(d);
    EXPECT_EQ(copy->save(), d);
    // A working copy of the restored effect carries every parameter, the stored-only ones too.
    EXPECT_EQ(copy->mycopy()->save(), d);

    // Missing, mistyped or absurd values keep what is there.
    const effects::EffectSettings before = copy->save();
    copy->read({{"class", "EvalEffect"},
                {"point20", "x"},
                {"objectRotation1", std::numeric_limits<float>::quiet_NaN()},
                {"decalColor0", std::numeric_limits<float>::infinity()},
                {"decal", 1234.0f}});
    EXPECT_EQ(copy->save(), before);
}

TEST_F(ThreeDEffects, ObjectSettingsRoundTripAndAnUnknownShapeDrawsNothing) {
    effects::EffectSettings d = solid.save();
    EXPECT_EQ(d.size(), 5 + 5);
    EXPECT_EQ(d.value("drawObj").toInt(), 0);  // the sphere, not turned
    EXPECT_EQ(d.value("objectRotationEFF0").toFloat(), 0);
    d["drawObj"] = 7;
    d["objectRotationEFF1"] = -30.0f;
    auto copy = solid.mycopy();
    copy->read(d);
    EXPECT_EQ(copy->save(), d);
    RecordingSink rec;
    static_cast<ObjectEffect*>(copy.get())->emitObject(rec);
    EXPECT_TRUE(rec.primitives.empty());
    EXPECT_TRUE(rec.quadrics.empty());
    EXPECT_TRUE(rec.balanced());
}

TEST_F(ThreeDEffects, ADragOfTwentyPixelsTurnsTheSurfaceTenDegreesAndTheSolidMinusTen) {
    surface.setRotation({0, 0, 0, 0});
    for (threed::ThreeDEffect* e : {static_cast<threed::ThreeDEffect*>(&surface),
                                    static_cast<threed::ThreeDEffect*>(&solid)}) {
        e->mouseDragged({5, 5});  // not pressed: nothing
        e->mouseDown({100, 200});
        e->mouseDragged({110, 200});
        e->mouseDragged({120, 200});
        e->mouseUp({120, 200});
        e->mouseDragged({200, 200});  // released: nothing
        EXPECT_EQ(e->rotation()[0], 20);
        EXPECT_EQ(e->rotation()[1], 0);
        undo.closeEventGroup();
    }
    RecordingSink s, o;
    surface.emitRotation(s);
    solid.emitObject(o);
    ASSERT_EQ(s.rotations.size(), 2u);
    EXPECT_EQ(s.rotations[1].degrees, 10);
    EXPECT_EQ(s.rotations[1].y, 1);
    ASSERT_GE(o.rotations.size(), 2u);
    EXPECT_EQ(o.rotations[1].degrees, -10);
    EXPECT_EQ(o.rotations[1].y, 1);

    // Moving up (y grows upwards in the canvas) lowers the vertical angle.
    solid.mouseDown({0, 100});
    solid.mouseDragged({0, 130});
    EXPECT_EQ(solid.rotation()[1], -30);
    solid.mouseUp({0, 130});
    // Each drag is one undo step back to the angles at its press, and comes back on redo.
    expectUndoRedo([&] { return solid.rotation(); }, std::array<float, 4>{20, 0, 0, 0},
                   std::array<float, 4>{20, -30, 0, 0});
    undo.undo();
    undo.undo();
    EXPECT_EQ(solid.rotation()[0], 0);
    EXPECT_EQ(surface.rotation()[0], 20);
    undo.undo();
    EXPECT_EQ(surface.rotation()[0], 0);
    EXPECT_GT(redraws, 0);
}

TEST_F(ThreeDEffects, SurfaceControlsShowTheFieldsAndEveryChangeUndoes) {
    surface.setUpControlsView();
    auto* first = surface.firstCurveSlider();
    auto* second = surface.secondCurveSlider();
    ASSERT_TRUE(first && second && surface.filledBox() && surface.decalBox() &&
                surface.decalColorWell());
    // Rows as laid out, y measured up from the host's bottom.
    QStringList labels;
    for (QLabel* l : host.findChildren<QLabel*>()) labels << l->text();
    EXPECT_EQ(labels,
              (QStringList{"First Curve:", "Second Curve:", "Filled Poly:", "Colored Light:"}));
    EXPECT_EQ(frameOf(first), QRect(100, 193, 170, 16));
    EXPECT_EQ(frameOf(surface.decalColorWell()), QRect(126, 130, 44, 23));
    EXPECT_EQ(first->minValue(), -1.2);
    EXPECT_EQ(second->maxValue(), 1.2);
    EXPECT_FLOAT_EQ(first->floatValue(), 0.6f);
    EXPECT_FLOAT_EQ(second->floatValue(), -0.6f);
    EXPECT_TRUE(surface.filledBox()->isChecked());
    EXPECT_FALSE(surface.decalBox()->isChecked());
    EXPECT_EQ(surface.decalColorWell()->color(), QColor(Qt::red));

    const int before = redraws;
    first->setValue(first->minimum());  // as the mouse moves it
    // The slider's single-precision value is what is stored.
    expectUndoRedo([&] { return surface.points2()[5]; }, 0.6, double(-1.2f));
    EXPECT_FLOAT_EQ(first->floatValue(), -1.2f);
    undo.undo();
    EXPECT_FLOAT_EQ(first->floatValue(), 0.6f);  // the control follows the undo
    second->setValue(second->maximum());
    expectUndoRedo([&] { return surface.points2()[17]; }, -0.6, double(1.2f));
    EXPECT_FALSE(surface.wasInitialised());  // the maps are set up again at the next draw

    surface.filledBox()->click();
    expectUndoRedo([&] { return surface.filledMode(); }, 1u, 0u);
    undo.undo();
    EXPECT_TRUE(surface.filledBox()->isChecked());
    undo.redo();

    surface.decalBox()->click();
    expectUndoRedo([&] { return surface.decalMode(); }, 8449.0f, 8448.0f);
    EXPECT_TRUE(surface.decalBox()->isChecked());

    surface.decalColorWell()->setColor(QColor::fromRgbF(0, 0.5f, 1));
    Q_EMIT surface.decalColorWell()->colorChanged();
    expectUndoRedo([&] { return surface.decalColor(); }, std::array<float, 3>{1, 0, 0},
                   std::array<float, 3>{0, float(QColor::fromRgbF(0, 0.5f, 1).greenF()), 1});
    undo.undo();
    EXPECT_EQ(surface.decalColorWell()->color(), QColor(Qt::red));
    EXPECT_GE(redraws - before, 12);

    // Controls built again show the current values; the old ones are gone.
    surface.setUpControlsView();
    EXPECT_EQ(host.findChildren<workbench::FloatSlider*>().size(), 2);
    EXPECT_FLOAT_EQ(surface.firstCurveSlider()->floatValue(), 0.6f);
    EXPECT_FLOAT_EQ(surface.secondCurveSlider()->floatValue(), 1.2f);
    EXPECT_TRUE(surface.decalBox()->isChecked());
}

TEST_F(ThreeDEffects, ObjectTypePopUpUndoes) {
    solid.setUpControlsView();
    QComboBox* popup = solid.objectTypePopup();
    ASSERT_TRUE(popup);
    EXPECT_EQ(frameOf(popup), QRect(100, 190, 120, 22));
    ASSERT_EQ(popup->count(), 7);
    EXPECT_EQ(popup->itemText(3), "Cube");
    EXPECT_EQ(popup->currentIndex(), 0);
    popup->setCurrentIndex(4);
    Q_EMIT popup->activated(4);
    expectUndoRedo([&] { return solid.objectMode(); }, 0, 4);
    undo.undo();
    EXPECT_EQ(popup->currentIndex(), 0);

    // A stored type outside the menu selects no item.
    solid.setObjectMode(9);
    solid.setUpControlsView();
    EXPECT_EQ(solid.objectTypePopup()->currentIndex(), -1);
}

TEST_F(ThreeDEffects, UndoStepsOutliveTheControlsTheyCameFrom) {
    surface.setUpControlsView();
    surface.filledBox()->click();
    undo.closeEventGroup();
    surface.clearEffect();  // controls gone, the step is still in the history here
    EXPECT_TRUE(host.findChildren<QWidget*>().isEmpty());
    undo.undo();
    EXPECT_EQ(surface.filledMode(), 1u);
}

TEST_F(ThreeDEffects, ACopyStartsWithoutTextureAndUninitialised) {
    surface.read({{"point25", -0.5f}});
    auto copy = surface.mycopy();
    EXPECT_FALSE(copy->wasInitialised());
    EXPECT_FALSE(copy->texture());
    EXPECT_EQ(static_cast<EvalEffect*>(copy.get())->points2()[5], -0.5);
    EXPECT_EQ(copy->name(), "Surface Rotate");
    // Without an OpenGL context nothing is uploaded and nothing fails.
    copy->reloadImage();
    EXPECT_FALSE(copy->texture());
}
