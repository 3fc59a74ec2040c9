// The 3D mode in the application: the working effect drawn on the canvas, its frame as the
// result that Copy, Save and Apply take, and retiring it.

#include <QApplication>
#include <QOpenGLWidget>
#include <QTest>

#include "chrome/ZoomCanvas.h"
#include "support/AppRig.h"
#include "threed/EvalEffect.h"
#include "threed/MyOGLView.h"
#include "threed/ObjectEffect.h"
#include "threed/TestHost.h"
#include "workbench/MyImageView.h"

namespace {

class ThreeDMode : public apprig::AppRig {
  protected:
    void SetUp() override {
        AppRig::SetUp();
        w->resize(1000, 700);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        usePicture(apprig::distinctPixels(64, 48));
        switchTo(app::Mode::ThreeD);
        endEvent();
    }
    threed::MyOGLView* view() { return w->openGLView(); }
};

}  // namespace

TEST_F(ThreeDMode, TheCroppedFrameIsWhatCopySaveAndApplyTake) {
    selectRow(w->filter3DOutlineView(), 0);
    auto* surface = dynamic_cast<threed::EvalEffect*>(c->getCurrent3DEffect());
    ASSERT_TRUE(surface);
    threed::test::makeFlat(*surface);
    const QImage shot = view()->ogl_shot();
    const int side = std::min(view()->width(), view()->height());
    EXPECT_NEAR(shot.width(), side / 2, 2);
    EXPECT_NEAR(shot.height(), side / 2, 2);

    // Copy and Save write exactly the frame, not the picture and not the whole canvas.
    const imaging::Bitmap saved = c->createObjectImage(300);
    EXPECT_EQ(QSize(saved.width(), saved.height()), shot.size());
    EXPECT_EQ(c->getEffectedImage().size(), shot.size());

    const imaging::Image before = c->backImage();
    c->applyBtnAction();
    EXPECT_EQ(c->backImage().extent(),
              (imaging::Rect{0, 0, double(shot.width()), double(shot.height())}));
    const QImage applied = apprig::pixels(c->backImage());
    for (const QPoint at : {QPoint(3, 3), QPoint(shot.width() / 2, shot.height() - 4)})
        EXPECT_EQ(applied.pixelColor(at),
                  shot.convertToFormat(QImage::Format_RGBA8888).pixelColor(at))
            << at.x() << "," << at.y();
    EXPECT_TRUE(c->wasChanged());
    EXPECT_EQ(c->getCurrent3DEffect(), nullptr);
    endEvent();
    c->undo();
    EXPECT_EQ(c->backImage(), before);
}

TEST_F(ThreeDMode, SelectingShowsThePictureOnTheShapeDroppingUndoesAndRetiringDropsItsSteps) {
    const QImage flat = view()->ogl_shot();  // no effect: the picture flat
    selectRow(w->filter3DOutlineView(), 1);
    auto* solid = dynamic_cast<threed::ObjectEffect*>(c->getCurrent3DEffect());
    ASSERT_TRUE(solid);
    EXPECT_EQ(solid->objectMode(), threed::ObjectEffect::Sphere);
    const QImage sphere = view()->ogl_shot();
    EXPECT_NE(sphere.size(), flat.size());
    EXPECT_GT(sphere.width(), 100);
    EXPECT_NEAR(sphere.width(), sphere.height(), 2);  // round in a wide canvas

    // A drag on the canvas turns it, and is undone from the menu.
    QWidget* s = view()->surface();
    const int steps = undo().undoCount();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseMove(s, QPoint(240, 180));  // right and up
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(240, 180));
    endEvent();
    EXPECT_EQ(solid->rotation()[0], 40);
    EXPECT_EQ(solid->rotation()[1], -20);
    EXPECT_EQ(undo().undoCount(), steps + 1);
    c->undo();
    EXPECT_EQ(solid->rotation()[0], 0);
    c->redo();

    // Dropping it can be undone: the same effect comes back, turned as it was, with its picture.
    c->escapeEffect();
    endEvent();
    EXPECT_EQ(c->getCurrent3DEffect(), nullptr);
    EXPECT_EQ(view()->ogl_shot().size(), flat.size());
    c->undo();
    ASSERT_EQ(c->getCurrent3DEffect(), solid);
    EXPECT_EQ(solid->rotation()[0], 40);
    EXPECT_GT(view()->ogl_shot().width(), 100);

    // Choosing another effect retires this one and takes its steps out of the history.
    selectRow(w->filter3DOutlineView(), 0);
    endEvent();
    EXPECT_NE(c->getCurrent3DEffect(), solid);
    EXPECT_EQ(undo().undoCount(), steps);
}

TEST_F(ThreeDMode, ZoomKeysWorkHereAndApplyTakesTheStandardFrameWhateverIsShown) {
    for (const QString& name :
         {app::act::zoomIn, app::act::zoomOut, app::act::zoomToActualSize, app::act::zoomToFit})
        EXPECT_TRUE(c->validateMenuItem(action(name))) << name.toStdString();
    selectRow(w->filter3DOutlineView(), 1);  // the sphere
    ASSERT_TRUE(c->getCurrent3DEffect());
    const QImage standard = view()->ogl_shot();
    const double other = w->ciView()->getZoom();

    auto key = [&](int k) {
        QApplication::setActiveWindow(w);
        QTest::keyClick(w, Qt::Key(k), Qt::ControlModifier);
    };
    key(Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(view()->zoom(), 1.05);
    key(Qt::Key_Equal);
    EXPECT_DOUBLE_EQ(view()->zoom(), 1.26);
    key(Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(view()->zoom(), chrome::ZoomCanvas::zoomAfterWheelStep(1.26, -1));
    key(Qt::Key_0);
    EXPECT_EQ(view()->zoom(), 1.0);
    key(Qt::Key_9);
    // The sphere fills the canvas's height.
    EXPECT_NEAR(view()->zoom(), double(view()->surface()->height()) / standard.height(), 0.02);
    EXPECT_EQ(w->ciView()->getZoom(), other);  // the standard canvas is left as it was

    // Zoomed and panned, Copy, Save and Apply take the frame of the standard view.
    view()->setZoom(3);
    view()->panBy({60, -40});
    ASSERT_NE(view()->pan(), QPointF());
    EXPECT_EQ(view()->ogl_shot(), standard);
    EXPECT_EQ(c->getEffectedImage().size(), standard.size());
    c->applyBtnAction();
    EXPECT_EQ(apprig::pixels(c->backImage()).convertToFormat(QImage::Format_RGBA8888),
              standard.convertToFormat(QImage::Format_RGBA8888));
}
