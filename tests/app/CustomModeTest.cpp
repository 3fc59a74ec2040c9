// The generators in the application: choosing one, and what Copy, Apply and Save take from it.

#include <gtest/gtest.h>

#include <QClipboard>

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
        foundation::SavePanel::setResponder([this](SavePanel& p) {
            p.setFilename(savePath);
            return SavePanel::kOK;
        });
        usePicture(apprig::distinctPixels(80, 60));
        switchTo(app::Mode::Custom);
        endEvent();
        undo().removeAllActions();
    }
    generators::GeneratedEffect* working() {
        return dynamic_cast<generators::GeneratedEffect*>(c->custom().workingEffect());
    }
    QString savePath;
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

    savePath = dir.filePath("generated.png");
    c->saveImgAs();
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

    savePath = dir.filePath("nothing.png");
    c->saveImgAs();
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
    c->saveImgAs();
    EXPECT_FALSE(QFile::exists(savePath));
    ASSERT_EQ(alerts.size(), 4);
    EXPECT_EQ(alerts.last(), "Couldn't save file.");
}
