// The zooming canvas: fitting and centring, wheel steps, what may be dropped on it, and frames
// rendered off the event loop and refined once nothing changes.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QUrl>

#include "chrome/ZoomCanvas.h"
#include "foundation/ImageBridge.h"
#include "foundation/NativeName.h"

using chrome::ZoomCanvas;

namespace {

imaging::Image solid(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGBA8888);
    img.fill(c);
    return foundation::imageFromQImage(img);
}

// A canvas in a frameless scroll area whose visible area is `view`.
template <class Canvas = ZoomCanvas>
struct Rig {
    explicit Rig(imaging::Image pic, QSize view = {400, 300}) : picture(std::move(pic)) {
        scroll.setFrameShape(QFrame::NoFrame);
        scroll.setWidgetResizable(false);
        scroll.resize(view);
        canvas = new Canvas;
        scroll.setWidget(canvas);
        canvas->setImageSource([this] { return picture; }, [this] { return picture; });
        scroll.show();
    }
    // Repaints until the frame shown is the current one (or refined, when asked).
    bool waitForFrame(bool refined = false) {
        return QTest::qWaitFor(
            [&] {
                canvas->repaint();
                return refined ? canvas->frameIsRefined() : canvas->frameIsCurrent();
            },
            5000);
    }
    imaging::Image picture;
    QScrollArea scroll;
    Canvas* canvas;
};

}  // namespace

TEST(ZoomCanvas, ASmallPictureIsCentredAndALargeOneFillsTheViewFromItsOrigin) {
    Rig<> rig(solid(100, 100, Qt::red));
    rig.canvas->setZoom(1.0);
    EXPECT_EQ(rig.canvas->bounds(), (imaging::Rect{-150, -100, 400, 300}));
    EXPECT_EQ(rig.canvas->viewTransformOffsetX(), 150);
    EXPECT_EQ(rig.canvas->viewTransformOffsetY(), 100);
    EXPECT_EQ(rig.canvas->size(), QSize(400, 300));
    // Equal margins: the picture's lower-left corner at (150, 200), y down.
    EXPECT_EQ(rig.canvas->widgetFromPicture({0, 0}), QPointF(150, 200));
    EXPECT_EQ(rig.canvas->widgetFromPicture({100, 100}), QPointF(250, 100));
    const imaging::Point p = rig.canvas->pictureFromWidget({175, 190});
    EXPECT_DOUBLE_EQ(p.x, 25);
    EXPECT_DOUBLE_EQ(p.y, 10);

    // Wider than the view only: one scroll bar, and the picture centred in the height left.
    rig.picture = solid(1000, 100, Qt::red);
    rig.canvas->setZoom(1.0);
    QCoreApplication::processEvents();  // the scroll area shows its bars
    EXPECT_TRUE(rig.scroll.horizontalScrollBar()->isVisible());
    EXPECT_FALSE(rig.scroll.verticalScrollBar()->isVisible());
    const int left = rig.scroll.viewport()->height();
    EXPECT_EQ(rig.canvas->bounds().x, 0);
    EXPECT_NEAR(rig.canvas->widgetFromPicture({0, 100}).y(), (left - 100) / 2, 0.5);

    // Larger both ways: bounds are the picture.
    rig.picture = solid(1000, 500, Qt::red);
    rig.canvas->setZoom(1.0);
    EXPECT_EQ(rig.canvas->bounds(), (imaging::Rect{0, 0, 1000, 500}));
    EXPECT_EQ(rig.canvas->size(), QSize(1000, 500));

    // Zoom limits.
    rig.canvas->setZoom(0.05);
    EXPECT_EQ(rig.canvas->getZoom(), 0.1);
    rig.canvas->setZoom(25);
    EXPECT_EQ(rig.canvas->getZoom(), 10);
}

TEST(ZoomCanvas, WheelStepsGrowBySmallStepsNearOneAndByAFifthAbove) {
    // (zoom, steps, zoom after)
    for (auto [from, steps, to] : {std::tuple{1.0, 1, 1.05},
                                   {1.05, 1, 1.26},
                                   {1.05, -1, 1.0},
                                   {2.0, -1, 1.6},
                                   {0.1, -1, 0.1},
                                   {10.0, 1, 10.0},
                                   {3.0, 0, 3.0}})
        EXPECT_DOUBLE_EQ(ZoomCanvas::zoomAfterWheelStep(from, steps), to) << from << " " << steps;

    // A wheel notch over the canvas zooms about the mouse and tells the zoom slider.
    Rig<> rig(solid(2000, 2000, Qt::blue));
    rig.canvas->setZoom(1.0);
    QCoreApplication::processEvents();
    rig.scroll.horizontalScrollBar()->setValue(600);
    rig.scroll.verticalScrollBar()->setValue(800);
    QSignalSpy stepped(rig.canvas, &ZoomCanvas::zoomStepped);
    const QPoint inView(100, 80);
    const QPointF at = rig.canvas->mapFrom(rig.scroll.viewport(), QPointF(inView));
    const imaging::Point before = rig.canvas->pictureFromWidget(at);
    for (int notch = 0; notch < 3; ++notch) {
        const QPointF now = rig.canvas->mapFrom(rig.scroll.viewport(), QPointF(inView));
        QWheelEvent e(now, rig.canvas->mapToGlobal(now), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(rig.canvas, &e);
    }
    EXPECT_NEAR(rig.canvas->getZoom(), 1.512, 1e-12);
    ASSERT_EQ(stepped.count(), 3);
    EXPECT_EQ(stepped.last().first().toDouble(), rig.canvas->getZoom());
    const QPointF after = rig.canvas->mapFrom(rig.scroll.viewport(), QPointF(inView));
    const imaging::Point under = rig.canvas->pictureFromWidget(after);
    EXPECT_NEAR(under.x, before.x, 2.0);
    EXPECT_NEAR(under.y, before.y, 2.0);

    // Half notches add up to one step.
    QWheelEvent half(at, rig.canvas->mapToGlobal(at), {}, {0, -60}, Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(rig.canvas, &half);
    EXPECT_NEAR(rig.canvas->getZoom(), 1.512, 1e-12);
    QApplication::sendEvent(rig.canvas, &half);
    EXPECT_NEAR(rig.canvas->getZoom(), 1.512 * 0.8, 1e-12);
}

TEST(ZoomCanvas, OnlyOnePictureFileMayBeDropped) {
    auto urls = [](std::initializer_list<const char*> paths) {
        QList<QUrl> out;
        for (const char* p : paths) out << QUrl::fromLocalFile(QString::fromUtf8(p));
        return out;
    };
    for (const char* p : {"/tmp/a.tiff", "/tmp/a.png", "/tmp/a.JPG"})
        EXPECT_TRUE(ZoomCanvas::acceptsDroppedFiles(urls({p}))) << p;
    for (const char* p : {"/tmp/a.pdf", "/tmp/a.PdF", "/tmp/a.txt", "/tmp/noextension"})
        EXPECT_FALSE(ZoomCanvas::acceptsDroppedFiles(urls({p}))) << p;
    EXPECT_FALSE(ZoomCanvas::acceptsDroppedFiles(urls({"/tmp/a.png", "/tmp/b.png"})));
    EXPECT_FALSE(ZoomCanvas::acceptsDroppedFiles({QUrl("https://example.invalid/a.png")}));
    EXPECT_EQ(ZoomCanvas::dropHighlightRect({0, 0, 400, 300}), QRect(10, 18, 365, 262));

    // Hovering shows the frame once; leaving removes it; a drop hands the path over.
    QWidget window;
    window.resize(500, 400);
    auto* scroll = new QScrollArea(&window);
    scroll->setGeometry(20, 20, 450, 350);
    auto* canvas = new ZoomCanvas;
    scroll->setWidget(canvas);
    QStringList dropped;
    canvas->setFileDropHandler([&](const QString& p) {
        dropped << p;
        return true;
    });
    window.show();
    auto enter = [&](QMimeData& data) {
        QDragEnterEvent e({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &e);
        return e.isAccepted();
    };
    auto drop = [&](QMimeData& data) {
        QDropEvent e({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &e);
    };
    QMimeData data;
    data.setUrls(urls({"/tmp/picture.png"}));
    EXPECT_TRUE(enter(data));
    QWidget* frame = window.findChild<QWidget*>(QStringLiteral("dropHighlight"));
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->geometry(), scroll->geometry());
    QDragLeaveEvent leave;
    QApplication::sendEvent(canvas, &leave);
    EXPECT_FALSE(frame->isVisible());

    enter(data);
    drop(data);
    EXPECT_EQ(dropped, QStringList{"/tmp/picture.png"});
    // A name that is not UTF-8 arrives percent-encoded and is handed over with its bytes.
    QMimeData latin1;
    latin1.setUrls({QUrl::fromEncoded("file:///tmp/caf%E9.png")});
    EXPECT_TRUE(enter(latin1));
    drop(latin1);
    ASSERT_EQ(dropped.size(), 2);
    EXPECT_EQ(foundation::NativeName::toNative(dropped.last()), QByteArray("/tmp/caf\xE9.png"));
    EXPECT_FALSE(frame->isVisible());
    QMimeData two;
    two.setUrls(urls({"/tmp/a.png", "/tmp/b.png"}));
    EXPECT_FALSE(enter(two));
}

TEST(ZoomCanvas, FramesShowTheVisiblePartAndAreRefinedOnceNothingChanges) {
    Rig<> rig(solid(200, 150, QColor(200, 40, 10)));
    rig.canvas->setZoom(4.0);
    ASSERT_TRUE(rig.waitForFrame());
    // At 400 % the picture is larger than the view: only the visible part is drawn.
    const QImage shot = rig.canvas->grab(rig.canvas->visibleWidgetRect()).toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(200, 40, 10));

    // Below 100 %: a quick frame first, then one computed at full resolution.
    rig.picture = solid(1200, 900, QColor(20, 90, 250));
    rig.canvas->setZoom(0.3);
    ASSERT_TRUE(rig.waitForFrame());
    ASSERT_TRUE(rig.waitForFrame(true));
    const QImage refined = rig.canvas->grab().toImage();
    const QPointF mid = rig.canvas->widgetFromPicture({600, 450});
    EXPECT_EQ(refined.pixelColor(mid.toPoint()), QColor(20, 90, 250));
    // Outside the picture: the empty canvas.
    EXPECT_EQ(refined.pixelColor(2, 2).rgb(), rig.canvas->palette().color(QPalette::Dark).rgb());
}

TEST(ZoomCanvas, ZoomCommandsStepLikeTheWheelAboutTheMiddleAndFit) {
    Rig<> rig(solid(2000, 1000, Qt::blue));
    rig.canvas->setZoom(1.0);
    QCoreApplication::processEvents();
    rig.scroll.horizontalScrollBar()->setValue(700);
    const QRect vis = rig.canvas->visibleWidgetRect();
    const imaging::Point middle = rig.canvas->pictureFromWidget(QRectF(vis).center());
    QSignalSpy told(rig.canvas, &ZoomCanvas::zoomStepped);

    rig.canvas->zoomIn();
    EXPECT_DOUBLE_EQ(rig.canvas->getZoom(), 1.05);
    rig.canvas->zoomIn();
    EXPECT_DOUBLE_EQ(rig.canvas->getZoom(), 1.26);
    rig.canvas->zoomOut();
    EXPECT_DOUBLE_EQ(rig.canvas->getZoom(), ZoomCanvas::zoomAfterWheelStep(1.26, -1));
    QCoreApplication::processEvents();
    const imaging::Point still =
        rig.canvas->pictureFromWidget(QRectF(rig.canvas->visibleWidgetRect()).center());
    EXPECT_NEAR(still.x, middle.x, 2.0);
    EXPECT_NEAR(still.y, middle.y, 2.0);

    rig.canvas->zoomToActualSize();
    EXPECT_EQ(rig.canvas->getZoom(), 1.0);
    // The whole picture in the 400 x 300 frame, less a scroll bar's width each way.
    const int bar = rig.scroll.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    rig.canvas->zoomToFit();
    EXPECT_DOUBLE_EQ(rig.canvas->getZoom(), (400.0 - bar) / 2000);
    ASSERT_EQ(told.count(), 5);
    EXPECT_EQ(told.last().first().toDouble(), rig.canvas->getZoom());
    // A small picture is enlarged to fit, up to the zoom limit.
    rig.picture = solid(20, 10, Qt::blue);
    rig.canvas->zoomToFit();
    EXPECT_DOUBLE_EQ(rig.canvas->getZoom(), 10);
}

namespace {
// A canvas that counts the presses it handles itself (handles, generators).
class PressCounting : public ZoomCanvas {
  public:
    int presses = 0;

  protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};
}  // namespace

TEST(ZoomCanvas, DraggingWithTheMiddleButtonOrWithSpaceHeldPans) {
    Rig<PressCounting> rig(solid(2000, 2000, Qt::blue));
    QScrollArea& scroll = rig.scroll;
    PressCounting* canvas = rig.canvas;
    QLineEdit field;
    field.show();
    canvas->setZoom(1.0);
    QCoreApplication::processEvents();
    QScrollBar* h = scroll.horizontalScrollBar();
    QScrollBar* v = scroll.verticalScrollBar();
    h->setValue(500);
    v->setValue(500);

    // The picture follows the hand: dragging 40 right and 30 down shows what lay left and up.
    auto drag = [&](Qt::MouseButton button, QPoint by) {
        const QPoint at = canvas->mapFrom(scroll.viewport(), QPoint(200, 150));
        QTest::mousePress(canvas, button, {}, at);
        QTest::mouseMove(canvas, at + by);
        QTest::mouseRelease(canvas, button, {}, at + by);
    };
    drag(Qt::MiddleButton, {40, 30});
    EXPECT_EQ(h->value(), 460);
    EXPECT_EQ(v->value(), 470);
    EXPECT_EQ(canvas->presses, 0);
    EXPECT_FALSE(canvas->isPanning());

    // Without Space a left drag is the canvas's own.
    drag(Qt::LeftButton, {40, 30});
    EXPECT_EQ(canvas->presses, 1);
    EXPECT_EQ(h->value(), 460);

    // Space over the canvas, whatever has the focus, makes it a pan and shows the hand.
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), canvas->mapToGlobal(QPointF(10, 10)));
    QApplication::sendEvent(canvas, &enter);
    const Qt::CursorShape before = canvas->cursor().shape();
    QTest::keyPress(&scroll, Qt::Key_Space);
    EXPECT_TRUE(ZoomCanvas::spaceHeld());
    EXPECT_EQ(canvas->cursor().shape(), Qt::OpenHandCursor);
    drag(Qt::LeftButton, {-100, -50});
    EXPECT_EQ(h->value(), 560);
    EXPECT_EQ(v->value(), 520);
    EXPECT_EQ(canvas->presses, 1);
    QTest::keyRelease(&scroll, Qt::Key_Space);
    EXPECT_FALSE(ZoomCanvas::spaceHeld());
    EXPECT_EQ(canvas->cursor().shape(), before);

    // A space typed into a field is text.
    field.setFocus();
    QApplication::setActiveWindow(&field);
    QTest::keyClick(&field, Qt::Key_Space);
    EXPECT_EQ(field.text(), " ");
    EXPECT_FALSE(ZoomCanvas::spaceHeld());
}

TEST(ZoomCanvas, AboveTwoHundredPercentPixelsAreSharpSquares) {
    // Two columns of pixels, black and white.
    imaging::Bitmap b(2, 1, imaging::PixelFormat::RGBA8);
    const uint8_t px[8] = {0, 0, 0, 255, 255, 255, 255, 255};
    std::copy(px, px + 8, b.row(0));
    Rig<> rig(imaging::Image::fromBitmap(b), {200, 100});
    for (double zoom : {1.5, 8.0}) {
        SCOPED_TRACE(zoom);
        rig.canvas->setZoom(zoom);
        ASSERT_TRUE(rig.waitForFrame());
        const QImage shot = rig.canvas->grab().toImage();
        const QPointF left = rig.canvas->widgetFromPicture({0, 0.5});
        const int y = int(left.y());
        int grey = 0;
        for (int x = int(left.x()); x < int(left.x() + 2 * zoom); ++x) {
            const int r = qRed(shot.pixel(x, y));
            if (r > 10 && r < 245) ++grey;
        }
        // Smoothed at 150 %: a soft edge between the two; at 800 %: none.
        if (zoom < ZoomCanvas::kSharpAbove)
            EXPECT_GT(grey, 0);
        else
            EXPECT_EQ(grey, 0);
    }
    EXPECT_EQ(rig.canvas->frameScale(), 1.0);  // the picture's own pixels
}
