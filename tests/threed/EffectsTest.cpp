// The 3D effects without a GPU: their settings, copies, controls, undo and mouse turning.

#include <gtest/gtest.h>

#include <QLabel>
#include <limits>

#include "RecordingSink.h"
#include "TestHost.h"
#include "foundation/NotificationCenter.h"
#include "threed/EvalEffect.h"
#include "threed/ObjectEffect.h"

using threed::EvalEffect;
using threed::ObjectEffect;
using threed::test::RecordingSink;

namespace {

class ThreeDEffects : public ::testing::Test {
  protected:
    void SetUp() override {
        foundation::NotificationCenter::defaultCenter().addObserver(
            this, foundation::kUpdateOpenGLView, [this] { ++redraws; });
        host.resize(300, 400);  // taller than the rows need: they keep to its top
        for (threed::ThreeDEffect* e : {static_cast<threed::ThreeDEffect*>(&surface),
                                        static_cast<threed::ThreeDEffect*>(&solid)})
            e->setTopControlsView(&host);
        surface.awakeFromNib();
    }
    void TearDown() override {
        foundation::NotificationCenter::defaultCenter().removeObserver(this);
    }

    // Ends the event, then checks `value` after it, after undo and after redo.
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

// A control's frame, y measured up from the bottom of the box at the host's top.
QRect frameOf(QWidget* child) {
    const QRect g = child->geometry();
    return QRect(g.x(), threed::ThreeDEffect::kControlsHeight - g.bottom() - 1, g.width(),
                 g.height());
}

}  // namespace

TEST_F(ThreeDEffects, SettingsRoundTripAndBadValuesKeepWhatIsThere) {
    effects::EffectSettings d = surface.save();
    EXPECT_EQ(d.size(), 5 + 38);
    EXPECT_EQ(d.value("class").toString(), "EvalEffect");
    EXPECT_EQ(d.value("borderSize").typeId(), QMetaType::Int);
    EXPECT_EQ(d.value("point25").typeId(), QMetaType::Float);
    EXPECT_EQ(d.value("objectRotation1").toFloat(), -45);
    d["objectRotation3"] = 7.0f;
    d["borderColor2"] = 0.25f;
    d["borderSize"] = 9;
    d["polygonFilled"] = 0;
    d["point222"] = -0.25f;
    d["decal"] = 8448.0f;
    d["decalColor1"] = 0.75f;
    auto copy = surface.mycopy();
    copy->read(d);
    EXPECT_EQ(copy->save(), d);
    // A working copy of the restored effect carries everything, the stored-only fields too.
    EXPECT_EQ(copy->mycopy()->save(), d);
    copy->read({{"class", "EvalEffect"},
                {"point20", "x"},
                {"objectRotation1", std::numeric_limits<float>::quiet_NaN()},
                {"decalColor0", std::numeric_limits<float>::infinity()},
                {"decal", 1234.0f},
                // Beyond the stored types' ranges: left out, never wrapped round or infinite.
                {"borderSize", 9e18},
                {"borderColor0", 1e300}});
    EXPECT_EQ(copy->save(), d);

    d = solid.save();
    EXPECT_EQ(d.size(), 5 + 5);
    EXPECT_EQ(d.value("drawObj").toInt(), 0);  // the sphere
    d["drawObj"] = 7;
    d["objectRotationEFF1"] = -30.0f;
    auto object = solid.mycopy();
    object->read(d);
    EXPECT_EQ(object->mycopy()->save(), d);
    // A stored type this program does not know draws nothing.
    RecordingSink rec;
    static_cast<ObjectEffect*>(object.get())->emitObject(rec);
    EXPECT_TRUE(rec.empty());
    EXPECT_TRUE(rec.balanced());
}

TEST_F(ThreeDEffects, ADragOfTwentyPixelsTurnsTheSurfaceTenDegreesAndTheSolidMinusTen) {
    surface.setRotation({0, 0, 0, 0});
    for (threed::ThreeDEffect* e : {static_cast<threed::ThreeDEffect*>(&surface),
                                    static_cast<threed::ThreeDEffect*>(&solid)}) {
        e->mouseDragged({5, 5});  // not pressed: nothing
        e->mouseDown({100, 200});
        e->mouseDragged({110, 200});
        e->mouseDragged({120, 230});  // y grows upwards: the vertical angle goes down
        e->mouseUp({120, 230});
        e->mouseDragged({200, 200});  // released: nothing
        EXPECT_EQ(e->rotation(), (std::array<float, 4>{20, -30, 0, 0}));
        undo.closeEventGroup();
    }
    RecordingSink s, o;
    surface.emitRotation(s);
    solid.emitObject(o);
    ASSERT_GE(s.rotations.size(), 2u);
    ASSERT_GE(o.rotations.size(), 2u);
    EXPECT_EQ(s.rotations[1].degrees, 10);
    EXPECT_EQ(o.rotations[1].degrees, -10);
    EXPECT_EQ(o.rotations[1].y, 1);
    // Each drag is one undo step back to the angles at its press.
    undo.undo();
    EXPECT_EQ(solid.rotation()[0], 0);
    EXPECT_EQ(surface.rotation()[0], 20);
}

TEST_F(ThreeDEffects, SurfaceControlsShowTheFieldsAndEveryChangeUndoes) {
    surface.setUpControlsView();
    auto* first = surface.firstCurveSlider();
    auto* second = surface.secondCurveSlider();
    ASSERT_TRUE(first && second && surface.filledBox() && surface.decalBox() &&
                surface.decalColorWell());
    QStringList labels;
    for (QLabel* l : host.findChildren<QLabel*>()) labels << l->text();
    EXPECT_EQ(labels,
              (QStringList{"First Curve:", "Second Curve:", "Filled Poly:", "Colored Light:"}));
    EXPECT_EQ(frameOf(first), QRect(100, 193, 170, 16));
    EXPECT_EQ(frameOf(surface.decalColorWell()), QRect(126, 130, 44, 23));
    EXPECT_FLOAT_EQ(first->floatValue(), 0.6f);
    EXPECT_FLOAT_EQ(second->floatValue(), -0.6f);
    EXPECT_FALSE(surface.decalBox()->isChecked());

    const int before = redraws;
    first->setValue(first->minimum());  // as the mouse moves it
    // The slider's single-precision value is what is stored.
    expectUndoRedo([&] { return surface.points2()[5]; }, 0.6, double(-1.2f));
    undo.undo();
    EXPECT_FLOAT_EQ(first->floatValue(), 0.6f);  // the control follows
    second->setValue(second->maximum());
    expectUndoRedo([&] { return surface.points2()[17]; }, -0.6, double(1.2f));

    surface.filledBox()->click();
    expectUndoRedo([&] { return surface.filledMode(); }, 1u, 0u);
    surface.decalBox()->click();
    expectUndoRedo([&] { return surface.decalMode(); }, 8449.0f, 8448.0f);
    undo.undo();
    EXPECT_FALSE(surface.decalBox()->isChecked());
    undo.redo();

    const QColor blue = QColor::fromRgbF(0, 0.5f, 1);
    surface.decalColorWell()->setColor(blue);
    Q_EMIT surface.decalColorWell()->colorChanged();
    expectUndoRedo([&] { return surface.decalColor(); }, std::array<float, 3>{1, 0, 0},
                   std::array<float, 3>{0, float(blue.greenF()), 1});
    undo.undo();
    EXPECT_EQ(surface.decalColorWell()->color(), QColor(Qt::red));
    EXPECT_GE(redraws - before, 12);

    // Controls built again show the current values in place of the old ones.
    surface.setUpControlsView();
    EXPECT_EQ(host.findChildren<workbench::FloatSlider*>().size(), 2);
    EXPECT_FLOAT_EQ(surface.secondCurveSlider()->floatValue(), 1.2f);
    EXPECT_TRUE(surface.decalBox()->isChecked());
    EXPECT_FALSE(surface.filledBox()->isChecked());

    // A step outlives the controls it came from.
    surface.clearEffect();
    EXPECT_TRUE(host.findChildren<QWidget*>().isEmpty());
    undo.undo();
    EXPECT_EQ(surface.decalMode(), 8449.0f);
}

TEST_F(ThreeDEffects, ObjectTypePopUpUndoes) {
    solid.setUpControlsView();
    QComboBox* popup = solid.objectTypePopup();
    ASSERT_TRUE(popup);
    EXPECT_EQ(frameOf(popup), QRect(100, 190, 120, 22));
    ASSERT_EQ(popup->count(), 7);
    EXPECT_EQ(popup->itemText(3), "Cube");
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
