// The generators in the application: choosing one, and what Copy, Apply and Save take from it.

#include <QApplication>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "foundation/Progress.h"
#include "generators/GeneratorFrame.h"
#include "generators/hilbertLinesEffect.h"
#include "generators/linesEffect.h"
#include "support/AppRig.h"

using foundation::SavePanel;

namespace {

// A generator whose drawing needs more memory than there is.
class HungryGenerator : public generators::GeneratorFrame {
  public:
    QString className() const override { return QStringLiteral("HungryGenerator"); }
    void drawMyself(QPainter&, const QRectF&) override {}

  protected:
    QSize drawingSize(QSize) override { return {200000, 200000}; }
    void buildControls(QWidget*) override {}
    std::unique_ptr<effects::BaseEffect> newInstance() const override {
        return std::make_unique<HungryGenerator>();
    }
};

// A generator kept as a drawing whose full-size drawing on the 80 x 60 picture lasts until it is
// stopped, while `slow`; a red square otherwise, and on the canvas at once.
class SlowShapes : public generators::GeneratorFrame {
  public:
    QString className() const override { return QStringLiteral("SlowShapes"); }
    void drawMyself(QPainter&, const QRectF&) override {}
    Drawing record(const QRectF&) override {
        return [this](QPainter& p, const std::atomic<bool>& stop) {
            const bool fullSize = p.device()->width() == 80 && p.device()->height() == 60 &&
                                  p.transform() == QTransform(1, 0, 0, -1, 0, 60);
            while (slow && fullSize && !stop) QThread::msleep(5);
            if (!stop) p.fillRect(QRectF(10, 10, 20, 20), Qt::red);
        };
    }
    std::atomic<bool> slow = true;

  protected:
    void buildControls(QWidget*) override {}
    std::unique_ptr<effects::BaseEffect> newInstance() const override {
        return std::make_unique<SlowShapes>();
    }
};

// Cancels the progress panel as soon as it shows, until `stop`.
void cancelProgressPanels(QObject* owner, const bool& stop) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &stop] {
        if (stop) return timer->deleteLater();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible())
                if (auto* b = d->findChild<QPushButton*>()) b->click();
    });
    timer->start(10);
}

// The pixels alone: a saved file also records its colour space.
QImage pixelsOf(const QImage& img) {
    const QImage rgba = img.convertToFormat(QImage::Format_RGBA8888);
    return QImage(rgba.constBits(), rgba.width(), rgba.height(), rgba.bytesPerLine(), rgba.format())
        .copy();
}

class CustomModeTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        AppRig::SetUp();
        answerSavePanels();
        usePicture(apprig::distinctPixels(80, 60));
        switchTo(app::Mode::Custom);
        endEvent();
        undo().removeAllActions();
    }
    generators::GeneratedEffect* working() {
        return dynamic_cast<generators::GeneratedEffect*>(c->custom().workingEffect());
    }
};

}  // namespace

TEST_F(CustomModeTest, ChoosingAnotherGeneratorDropsTheUndoStepsOfTheLastOne) {
    c->setWasChanged(false);
    selectRow(w->filterCustomOutlineView(), 1);
    auto* lines = static_cast<generators::linesEffect*>(working());
    ASSERT_TRUE(lines);
    EXPECT_TRUE(c->wasChanged());
    EXPECT_FALSE(lines->wasInitialised() && lines->image().isNull());
    lines->setchangeOpacitySender(90, nullptr);
    endEvent();
    ASSERT_TRUE(undo().canUndo());

    selectRow(w->filterCustomOutlineView(), 2);
    ASSERT_TRUE(dynamic_cast<generators::hilbertLinesEffect*>(working()));
    // Undo no longer reaches the lines (which are gone).
    EXPECT_FALSE(undo().canUndo());

    // The mask effect is the eighth row.
    selectRow(w->filterCustomOutlineView(), 7);
    ASSERT_TRUE(working());
    EXPECT_EQ(working()->className(), "maskEffect");
}

TEST_F(CustomModeTest, CopyApplyAndSaveTakeTheComposedPictureAtFullSize) {
    selectRow(w->filterCustomOutlineView(), 2);
    generators::GeneratedEffect* h = working();
    ASSERT_TRUE(h);
    const QImage composed = h->getDrawImage().convertToFormat(QImage::Format_RGBA8888);
    ASSERT_EQ(composed.size(), QSize(80, 60));
    EXPECT_NE(composed, apprig::distinctPixels(80, 60));

    EXPECT_EQ(c->getEffectedImage().convertToFormat(QImage::Format_RGBA8888), composed);
    c->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGBA8888),
              composed);

    const QString savePath = dir.filePath("generated.png");
    saveAs({savePath});
    EXPECT_EQ(pixelsOf(QImage(savePath)), composed);
    EXPECT_FALSE(c->wasChanged());

    c->applyBtnAction();
    EXPECT_EQ(apprig::pixels(c->backImage()), composed);
    EXPECT_FALSE(c->custom().workingEffect());
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(CustomModeTest, AGeneratorThatMadeNoPictureSaysWhyAndNothingPassesForItsResult) {
    HungryGenerator hungry;
    c->custom().select(&hungry);
    ASSERT_TRUE(working());
    // The canvas shows the plain picture; the result is not taken for the generator's.
    working()->prepare();
    EXPECT_TRUE(working()->effectImage().isNull());
    const QString why = "There is not enough memory for a picture of 200000 × 200000 pixels.";
    EXPECT_EQ(working()->problem(), why);

    const QString savePath = dir.filePath("nothing.png");
    saveAs({savePath});
    EXPECT_FALSE(QFile::exists(savePath));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts.last(), "Couldn't save file.");
    EXPECT_TRUE(alertTexts.last().contains(why));

    QGuiApplication::clipboard()->clear();
    c->copy();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts.last(), "Couldn't copy the picture.");
    EXPECT_EQ(alertTexts.last(), why);
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());

    const imaging::Image before = c->backImage();
    c->applyBtnAction();
    ASSERT_EQ(alerts.size(), 3);
    EXPECT_EQ(alerts.last(), "Couldn't change the picture.");
    EXPECT_EQ(c->backImage(), before);
    EXPECT_TRUE(c->custom().workingEffect());  // kept for another try

    // Without a picture too: a save is no success when nothing was written.
    c->setBackgroundImage(imaging::Image());
    c->custom().select(&hungry);
    saveAs({savePath});
    EXPECT_FALSE(QFile::exists(savePath));
    ASSERT_EQ(alerts.size(), 4);
    EXPECT_EQ(alerts.last(), "Couldn't save file.");
}

TEST_F(CustomModeTest, ADroppedGeneratorKeptByTheHistoryGoesWithIt) {
    selectRow(w->filterCustomOutlineView(), 1);
    static_cast<generators::linesEffect*>(working())->setchangeOpacitySender(90, nullptr);
    endEvent();
    c->custom().clearAll();
    endEvent();
    ASSERT_TRUE(undo().canUndo());
    undo().removeAllActions();
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(CustomModeTest, ShapesAreDrawnAtFullSizeWithProgressAndACancelChangesNothing) {
    foundation::setProgressDelay(0);
    SlowShapes slow;
    c->custom().select(&slow);
    auto* g = static_cast<SlowShapes*>(c->custom().workingEffect());
    g->seOpacity(100);
    g->setUseBackImage(false);
    g->setBgColor(Qt::transparent);
    g->prepare();
    ASSERT_TRUE(g->needsFullDrawing());
    bool done = false;
    QObject owner;
    cancelProgressPanels(&owner, done);

    const imaging::Image before = c->backImage();
    c->applyBtnAction();
    EXPECT_EQ(c->backImage(), before);
    EXPECT_EQ(c->custom().workingEffect(), g);  // kept for another try
    EXPECT_TRUE(g->needsFullDrawing());
    QGuiApplication::clipboard()->clear();
    c->copy();
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
    const QString savePath = dir.filePath("cancelled.png");
    saveAs({savePath});
    EXPECT_FALSE(QFile::exists(savePath));
    c->custom().addFavourite();
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join(", ").toStdString();

    // Let through, the drawing is made once and Apply takes it.
    done = true;
    g->slow = false;
    c->applyBtnAction();
    foundation::setProgressDelay(-1);
    const QImage applied = apprig::pixels(c->backImage());
    EXPECT_EQ(applied.pixelColor(15, 60 - 15), QColor(Qt::red));
    EXPECT_FALSE(c->custom().workingEffect());
    EXPECT_TRUE(alerts.isEmpty());
}
