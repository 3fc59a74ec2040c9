// The custom canvas: what it is fitted to, the generator's layers painted for the visible area
// (equal to the full-size result at 100 %), shapes kept as a drawing painted at the view's
// resolution, mouse routing and the placement cursor.

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QScrollArea>
#include <QTest>

#include "GeneratorRig.h"
#include "generators/customEffImageView.h"
#include "generators/hilbertLinesEffect.h"
#include "generators/linesEffect.h"
#include "generators/simpleEffects.h"
#include "support/PixelCompare.h"

using namespace generators;

namespace {

struct CanvasRig : GeneratorRig {
    explicit CanvasRig(QImage pic, QSize view = {700, 400}) : GeneratorRig(std::move(pic)) {
        scroll.setFrameShape(QFrame::NoFrame);
        scroll.resize(view);
        canvas = new customEffImageView;
        scroll.setWidget(canvas);
        canvas->setImageSource([this] { return engine; }, [this] { return engine; });
        canvas->setGeneratorSource([this] { return current.get(); });
        scroll.show();
    }
    // The canvas as it shows now, once the picture under the layers has arrived, with the
    // pointer over it or not (whatever the window system said last).
    QImage shot(bool pointerOver = false) {
        canvas->resizeViewBoundCenter(true, 3);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            canvas->repaint();
            return canvas->frameIsFinished();
        }));
        if (pointerOver) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QApplication::sendEvent(canvas, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(canvas, &leave);
        }
        return argb(canvas->grab().toImage());
    }
    // The part of `shot` where the picture lies.
    QImage pictureArea(const QImage& shot, QSize size) {
        const QPointF topLeft = canvas->widgetFromPicture({0, double(size.height())});
        const QPointF bottomRight = canvas->widgetFromPicture({double(size.width()), 0});
        return shot.copy(QRectF(topLeft, bottomRight).toRect());
    }
    QScrollArea scroll;
    customEffImageView* canvas;
};

}  // namespace

TEST(CustomCanvas, IsFittedToTheGeneratorsPictureElseThePictureElseADefaultArea) {
    CanvasRig rig({}, {900, 700});
    rig.canvas->setZoom(1.0);
    EXPECT_EQ(rig.canvas->fitSize(), QSizeF(726, 544));
    EXPECT_EQ(rig.canvas->bounds().width, 900);  // centred: (900 - 726) / 2 on each side
    EXPECT_EQ(rig.canvas->bounds().x, -87);

    rig.setPicture(testPicture(300, 200));
    EXPECT_EQ(rig.canvas->fitSize(), QSizeF(300, 200));
    rig.select(*prototype<linesEffect>());
    EXPECT_EQ(rig.canvas->fitSize(), QSizeF(300, 200));
    EXPECT_TRUE(rig.current->wasInitialised());  // the first refit generates
}

TEST(CustomCanvas, At100PercentItShowsExactlyTheComposedPicture) {
    CanvasRig rig(testPicture(600, 300));
    rig.canvas->setZoom(1.0);
    // Lines are drawn reduced and stretched; the Hilbert curve at full size.
    linesEffect* lines = rig.select(*prototype<linesEffect>());
    const QImage canvasLines = rig.pictureArea(rig.shot(), {600, 300});
    EXPECT_EQ(lines->effectImage().size(), QSize(400, 200));
    EXPECT_EQ(canvasLines, argb(lines->getDrawImage()));

    hilbertLinesEffect* h = rig.select(*prototype<hilbertLinesEffect>());
    const QImage canvasHilbert = rig.pictureArea(rig.shot(), {600, 300});
    EXPECT_EQ(canvasHilbert, argb(h->getDrawImage()));
    EXPECT_NE(canvasHilbert, canvasLines);

    // Zoomed out, the layers are drawn from halved copies: close to the composed picture
    // scaled down.
    rig.canvas->setZoom(0.25);
    const QImage small = rig.pictureArea(rig.shot(), {600, 300});
    ASSERT_EQ(small.size(), QSize(150, 75));
    const QImage expected =
        argb(h->getDrawImage())
            .scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(meanDifference(small, expected), 8.0);

    // Without the picture and with a clear colour the canvas shows through where nothing is
    // drawn.
    h->setLinesLevel(0);
    h->setUseBackImage(false);
    h->setBgColor(Qt::transparent);
    h->makeImageEffect();
    rig.canvas->setZoom(1.0);
    const QImage empty = rig.pictureArea(rig.shot(), {600, 300});
    EXPECT_EQ(empty.pixel(300, 150), rig.canvas->palette().color(QPalette::Dark).rgb());
}

TEST(CustomCanvas, TheMouseMovesTheStartPointInPictureCoordinates) {
    CanvasRig rig(testPicture(300, 200));
    rig.canvas->setZoom(1.0);
    linesEffect* lines = rig.select(*prototype<linesEffect>());
    rig.shot();
    auto send = [&](QEvent::Type type, QPointF picturePoint, Qt::MouseButton button,
                    Qt::MouseButtons held) {
        const QPointF at = rig.canvas->widgetFromPicture({picturePoint.x(), picturePoint.y()});
        QMouseEvent e(type, at, rig.canvas->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(rig.canvas, &e);
    };
    send(QEvent::MouseButtonPress, {40, 30}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(rig.canvas->isDrawingCursor());
    send(QEvent::MouseMove, {60, 50}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(lines->startPoint(), QPointF(60, 50));
    send(QEvent::MouseButtonRelease, {70, 150}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(lines->startPoint(), QPointF(70, 150));
    // Moving without a button does nothing; the middle button's release ends a placement.
    send(QEvent::MouseMove, {10, 10}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(lines->startPoint(), QPointF(70, 150));
    send(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {100, 120}, Qt::MiddleButton, Qt::LeftButton);
    EXPECT_EQ(lines->startPoint(), QPointF(100, 120));

    // The placement cursor only over generators placed with the mouse.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(rig.canvas, &leave);
    EXPECT_FALSE(rig.canvas->isDrawingCursor());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(rig.canvas, &enter);
    EXPECT_TRUE(rig.canvas->isDrawingCursor());
    EXPECT_EQ(rig.canvas->cursor().shape(), Qt::PointingHandCursor);
    // It is drawn centred on the start point.
    const QImage with = rig.shot(true);
    const QImage without = rig.shot(false);
    const QPoint at = rig.canvas->widgetFromPicture({100, 120}).toPoint();
    EXPECT_NE(with.copy(at.x() - 3, at.y() - 3, 7, 7), without.copy(at.x() - 3, at.y() - 3, 7, 7));
    EXPECT_EQ(with.copy(at.x() + 20, at.y(), 10, 10), without.copy(at.x() + 20, at.y(), 10, 10));

    rig.select(*prototype<hilbertLinesEffect>());
    QApplication::sendEvent(rig.canvas, &enter);
    EXPECT_FALSE(rig.canvas->isDrawingCursor());
}

TEST(CustomCanvas, ShapesKeptAsADrawingArePaintedForTheViewAsTheFullSizePictureShowsThem) {
    const QSize size(600, 300);
    CanvasRig rig(testPicture(size.width(), size.height()));
    auto proto = prototype<simpleEffects>();
    proto->setObjectMode(simpleEffects::BezierPaths);  // fills and strokes, lines and curves
    proto->seObjectCount(40);
    proto->seOpacity(100);
    proto->setBgColor(Qt::transparent);
    simpleEffects* s = rig.select(*proto);

    rig.canvas->setZoom(1.0);
    const QImage at100 = rig.pictureArea(rig.shot(), size);
    const QImage full = argb(s->getDrawImage());
    EXPECT_LT(meanDifference(at100, full), 0.2);

    rig.canvas->setZoom(0.25);
    const QImage small = rig.pictureArea(rig.shot(), size);
    ASSERT_EQ(small.size(), QSize(150, 75));
    const QImage fullScaled =
        full.scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double smallDifference = meanDifference(small, fullScaled);
    EXPECT_LT(smallDifference, 3.0);
    // Shapes upside down are far from it: the comparison tells shapes apart.
    const QImage flipped = fullScaled.mirrored(false, true);
    EXPECT_GT(meanDifference(small, flipped), 4 * smallDifference);

    // At 400 % the visible part is drawn at that scale: the full-size picture's part enlarged,
    // with sharper edges.
    rig.canvas->setZoom(4.0);
    const QImage shot = rig.shot();
    const QRect visible = rig.canvas->visibleWidgetRect();
    const imaging::Point corner = rig.canvas->pictureFromWidget(visible.topLeft());
    const QRect part(int(std::lround(corner.x)), size.height() - int(std::lround(corner.y)),
                     visible.width() / 4, visible.height() / 4);
    const QImage enlarged =
        full.copy(part).scaled(part.size() * 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage shown = shot.copy(QRect(visible.topLeft(), part.size() * 4));
    EXPECT_LT(meanDifference(shown, enlarged), 5.5);
    // A step of a pixel already tells them apart.
    const QImage shifted =
        full.copy(part.translated(0, 1))
            .scaled(part.size() * 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_GT(meanDifference(shown, shifted), 7.5);
    // Drawn at the view's scale, not enlarged: edges stay steep.
    auto steepSteps = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 1; x < img.width(); ++x) {
                const QRgb a = img.pixel(x - 1, y), b = img.pixel(x, y);
                n += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                         std::abs(qBlue(a) - qBlue(b)) >
                     90;
            }
        return n;
    };
    EXPECT_GT(steepSteps(shown), 4 * steepSteps(enlarged) + 500);

    // Opacity and background lay the same drawing anew; new shapes are drawn once.
    rig.canvas->setZoom(1.0);
    rig.shot();
    const int painted = rig.canvas->drawingsPainted();
    s->setChangOpacitySender(40, nullptr);
    s->setBgColorSender(QColor(0, 0, 255, 60), nullptr);
    const QImage faded = rig.pictureArea(rig.shot(), size);
    EXPECT_EQ(rig.canvas->drawingsPainted(), painted);
    EXPECT_LT(meanDifference(faded, argb(s->getDrawImage())), 0.2);
    EXPECT_GT(meanDifference(faded, at100), 5.0);
    s->regenerate();
    rig.shot();
    rig.shot();
    EXPECT_EQ(rig.canvas->drawingsPainted(), painted + 1);
}
