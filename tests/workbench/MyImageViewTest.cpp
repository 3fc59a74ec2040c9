// The standard canvas with the controller: picking the nearest handle, dragging positions,
// rectangle corners, 3D positions and transform origins as undoable edits, drawing the handles,
// the wheel, the context menu and a dropped file.

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "imaging/FilterKit.h"
#include "support/AppRig.h"
#include "workbench/MyImageView.h"
#include "workbench/TestFilters.h"

using app::Controller;
using apprig::solid;
using imaging::Point;
using imaging::Value;
using imaging::Vector;
using workbench::MyImageView;

namespace {

// Handles of every kind, an input without one between them.
std::shared_ptr<imaging::Filter> handleFilter() {
    using namespace imaging::kit;
    auto f =
        testfilters::make("TestHandleFilter", {ImageInput(), Position("inputCenter", 50, 40),
                                               VectorInput("inputWeights", {1, 2, 3, 4}),
                                               Rectangle("inputRectangle", 10, 10, 100, 50),
                                               Transform(), Position3("inputPoint3", 70, 80, 9)});
    f->setValue("inputTransform", imaging::AffineTransform{2, 0, 0, 2, 5, 6});
    return f;
}

class MyImageViewTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        AppRig::SetUp();
        usePicture(apprig::solid(200, 150, Qt::black));
        view = w->ciView();
        filter = handleFilter();
        c->standard().setCurrentFilter(filter);
        undo().removeAllActions();
    }

    MyImageView* view = nullptr;
    std::shared_ptr<imaging::Filter> filter;
};

}  // namespace

TEST_F(MyImageViewTest, APressTakesTheNearestHandleAndTheFirstMetWinsATie) {
    // Far from everything: still the nearest, here the rectangle's top-right corner.
    view->mouseDown({1000, 1000});
    EXPECT_TRUE(view->movingNow);
    EXPECT_EQ(view->parmIndex, 0);
    EXPECT_EQ(view->parmKey, "inputRectangle");
    EXPECT_EQ(view->parmMode, MyImageView::kRectTopRight);
    view->mouseDown({6, 5});
    EXPECT_EQ(view->parmKey, "inputTransform");
    EXPECT_EQ(view->parmMode, MyImageView::kTransformOrigin);
    view->mouseDown({71, 79});
    EXPECT_EQ(view->parmMode, MyImageView::kPosition3);

    // The centre and the rectangle's top-left corner at the same place: the centre comes first.
    filter->setValue("inputCenter", Vector{10, 60});
    view->mouseDown({10, 61});
    EXPECT_EQ(view->parmKey, "inputCenter");
    // All four corners at one place: top-right, then top-left, bottom-right, bottom-left.
    filter->setValue("inputRectangle", Vector{150, 150, 0, 0});
    view->mouseDown({150, 140});
    EXPECT_EQ(view->parmMode, MyImageView::kRectTopRight);

    // No filter: nothing is held and a drag changes nothing.
    c->standard().setCurrentFilter(nullptr);
    view->mouseDown({10, 10});
    EXPECT_EQ(view->parmIndex, -1);
    EXPECT_EQ(view->parmMode, 0);
    view->mouseDragged({20, 20});
    // A filter without handles: the same.
    c->standard().setCurrentFilter(
        imaging::FilterRegistry::shared().filterWithName("CIGaussianBlur"));
    c->getCurrentFilter()->setDefaults();
    view->mouseDown({10, 10});
    EXPECT_EQ(view->parmMode, 0);
    view->mouseDragged({20, 20});
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(MyImageViewTest, RectangleCornersCrossOverAndEveryDragEventIsOneUndoStep) {
    view->mouseDown({109, 59});
    ASSERT_EQ(view->parmMode, MyImageView::kRectTopRight);
    view->mouseDragged({0, 100});
    EXPECT_EQ(filter->value("inputRectangle").toVector(), (Vector{0, 10, 10, 90}));
    EXPECT_EQ(view->parmMode, MyImageView::kRectTopLeft);
    endEvent();
    view->mouseDragged({30, 100});
    EXPECT_EQ(filter->value("inputRectangle").toVector(), (Vector{10, 10, 20, 90}));
    EXPECT_EQ(view->parmMode, MyImageView::kRectTopRight);
    endEvent();
    // Down past the bottom edge: the bottom-right corner is held now.
    view->mouseDragged({30, 0});
    EXPECT_EQ(filter->value("inputRectangle").toVector(), (Vector{10, 0, 20, 10}));
    EXPECT_EQ(view->parmMode, MyImageView::kRectBottomRight);
    endEvent();
    view->mouseUp();
    EXPECT_FALSE(view->movingNow);
    EXPECT_EQ(view->parmKey, "inputRectangle");

    EXPECT_EQ(undo().undoCount(), 3);
    // Handle edits carry no name.
    EXPECT_EQ(undo().undoMenuItemTitle(), "Undo");
    c->undo();
    EXPECT_EQ(filter->value("inputRectangle").toVector(), (Vector{10, 10, 20, 90}));
    c->undo();
    c->undo();
    EXPECT_EQ(filter->value("inputRectangle").toVector(), (Vector{10, 10, 100, 50}));
}

TEST_F(MyImageViewTest, PositionsPosition3AndTransformOriginsFollowTheMouse) {
    view->mouseDown({49, 41});
    view->mouseDragged({12.5, 40});
    EXPECT_EQ(filter->value("inputCenter").toVector(), (Vector{12.5, 40, 0, 0}));
    endEvent();

    view->mouseDown({70, 80});
    view->mouseDragged({1, 2});
    EXPECT_EQ(filter->value("inputPoint3").toVector(), (Vector{1, 2, 9}));
    endEvent();

    // Only the origin moves; undo brings the old one back.
    view->mouseDown({5, 6});
    view->mouseDragged({30, 20});
    EXPECT_EQ(filter->value("inputTransform").toTransform(),
              (imaging::AffineTransform{2, 0, 0, 2, 30, 20}));
    endEvent();
    c->undo();
    EXPECT_EQ(filter->value("inputTransform").toTransform(),
              (imaging::AffineTransform{2, 0, 0, 2, 5, 6}));
    // A transform given as six numbers stays six numbers.
    int mode = MyImageView::kTransformOrigin;
    EXPECT_EQ(MyImageView::draggedValue(Vector{1, 0.5, 0, 1, 3, 4}, mode, {7, 8}).toVector(),
              (Vector{1, 0.5, 0, 1, 7, 8}));
}

TEST_F(MyImageViewTest, HandlesKeepTheirScreenSizeAndShowOnlyWhileTheMouseIsInside) {
    const MyImageView::HandleShape s = MyImageView::handleShape({50.7, 40.2}, 4);
    EXPECT_DOUBLE_EQ(s.cx, 50.5);
    EXPECT_DOUBLE_EQ(s.cy, 40.5);
    EXPECT_DOUBLE_EQ(s.r, 1.5);  // 6 screen pixels
    EXPECT_DOUBLE_EQ(s.arm, 2);  // 8 screen pixels

    view->setZoom(2);
    filter->setValue("inputCenter", Vector{60.3, 50.8});
    auto armPixel = [&] {
        const QImage shot = view->grab().toImage();
        // On the right arm, 3 picture units from the centre (60.5, 50.5).
        return shot.pixelColor(view->widgetFromPicture({63.5, 50.5}).toPoint());
    };
    EXPECT_LT(armPixel().lightness(), 100);
    view->mouseEntered();
    EXPECT_TRUE(view->displayingPoints);
    EXPECT_EQ(view->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_GT(armPixel().lightness(), 200);
    view->mouseExited();
    EXPECT_FALSE(view->displayingPoints);
    EXPECT_LT(armPixel().lightness(), 100);

    // Filters without handles show none.
    c->standard().setCurrentFilter(
        imaging::FilterRegistry::shared().filterWithName("CIGaussianBlur"));
    view->mouseEntered();
    EXPECT_FALSE(view->displayingPoints);
}

TEST_F(MyImageViewTest, TheCanvasFollowsADragWithANewFrame) {
    ASSERT_TRUE(QTest::qWaitFor([&] {
        view->repaint();
        return view->frameIsCurrent();
    }));
    view->mouseDown({49, 41});
    view->mouseDragged({20, 30});
    view->repaint();
    EXPECT_FALSE(view->frameIsCurrent());
    EXPECT_TRUE(QTest::qWaitFor([&] {
        view->repaint();
        return view->frameIsCurrent();
    }));
}

TEST_F(MyImageViewTest, WheelContextMenuAndDroppedFile) {
    view->setZoom(1.0);
    const QPointF at = view->widgetFromPicture({100, 75});
    QWheelEvent wheel(at, view->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_DOUBLE_EQ(view->getZoom(), 1.05);
    EXPECT_NEAR(Controller::zoomForSliderValue(w->zoomSlider()->value() / 100.0), 1.05, 0.01);

    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at.toPoint(),
                                view->mapToGlobal(at.toPoint()));
    QApplication::sendEvent(view, &menuEvent);
    QMenu* menu = c->contextMenu();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->font().pointSize(), 11);
    menu->hide();

    const QString path = dir.filePath("dropped.png");
    ASSERT_TRUE(solid(30, 20, Qt::green).save(path));
    const imaging::Image before = c->backImage();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 30, 20}));
    EXPECT_EQ(shownTitle(), "Deverav::dropped.png");
    // A dropped file is opened: nothing of the picture before it can come back under its name.
    EXPECT_NE(c->backImage(), before);
    EXPECT_FALSE(undo().canUndo());
}
