#include "app/ResizePanel.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

#include "foundation/Progress.h"
#include "imaging/Bitmap.h"
#include "support/AppRig.h"

using app::ResizeModel;
using app::ResizePanel;
namespace unit = app::unit;

// ---------------------------------------------------------------- the arithmetic alone

namespace {
ResizeModel picture(double w, double h) {
    ResizeModel m;
    m.setWH(w, h);
    return m;
}
}  // namespace

TEST(ResizeModel, ProportionsAndUnitConversions) {
    // Pixels, then percent: the other field follows; the target is in pixels.
    ResizeModel m = picture(800, 600);
    m.endEditing(true, 400, false);
    EXPECT_DOUBLE_EQ(m.fieldHeight, 300);
    m.changeMeasurements(unit::percent);
    EXPECT_DOUBLE_EQ(m.fieldWidth, 50);
    m.endEditing(false, 25, false);
    EXPECT_DOUBLE_EQ(m.fieldWidth, 25);
    EXPECT_DOUBLE_EQ(m.target().width, 200);
    EXPECT_DOUBLE_EQ(m.target().height, 150);

    // Without typing, a unit shows the picture's own size, and back again exactly.
    m = picture(800, 600);
    m.changeMeasurements(unit::millimetres);
    EXPECT_DOUBLE_EQ(m.fieldWidth, 800 / 2.835);
    m.changeMeasurements(unit::pixels);
    EXPECT_DOUBLE_EQ(m.fieldWidth, 800);
    EXPECT_EQ(m.target().verdict, ResizeModel::Verdict::Nothing);  // a unit alone is no edit

    // Typed values are read in the unit they were typed in; the switch on keeps them apart.
    m.changeMeasurements(unit::inches);
    m.endEditing(true, 2, true);
    EXPECT_DOUBLE_EQ(m.fieldHeight, 600.0 / 72);
    m.endEditing(false, 1, true);
    m.changeMeasurements(unit::centimetres);
    EXPECT_DOUBLE_EQ(m.fieldWidth, 144 / 28.35);
    m.changeMeasurements(unit::picas);
    EXPECT_NEAR(m.fieldWidth, 12, 1e-9);
    EXPECT_NEAR(m.fieldHeight, 6, 1e-9);
    EXPECT_NEAR(m.target().width, 144, 1e-9);
}

TEST(ResizeModel, APictureWithoutAreaNeverDividesByZero) {
    ResizeModel m = picture(0, 0);
    m.endEditing(true, 100, false);
    m.changeMeasurements(unit::percent);
    m.endEditing(false, 30, false);
    EXPECT_DOUBLE_EQ(m.fieldWidth, 30);
    EXPECT_DOUBLE_EQ(m.fieldHeight, 30);
    m.changeMeasurements(unit::pixels);
    for (double v : {m.fieldWidth, m.fieldHeight}) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(m.target().verdict, ResizeModel::Verdict::Nothing);
}

TEST(ResizeModel, SizesNoPictureCanHaveAreRefused) {
    auto verdict = [](double w, double h) {
        ResizeModel m = picture(800, 600);
        m.endEditing(true, w, true);
        m.endEditing(false, h, true);
        return m.target().verdict;
    };
    EXPECT_EQ(verdict(1, 1), ResizeModel::Verdict::Resize);
    EXPECT_EQ(verdict(400, 0.4), ResizeModel::Verdict::Invalid);
    EXPECT_EQ(verdict(-5, 300), ResizeModel::Verdict::Invalid);
    EXPECT_EQ(verdict(std::nan(""), 300), ResizeModel::Verdict::Invalid);
    EXPECT_EQ(verdict(70000, 10), ResizeModel::Verdict::TooLarge);
    EXPECT_EQ(verdict(20000, 20000), ResizeModel::Verdict::TooLarge);
    EXPECT_EQ(app::formatFieldValue(0.001), "0");
    EXPECT_TRUE(std::isnan(app::parseFieldValue("twelve")));
}

// ---------------------------------------------------------------- the panel in the program

namespace {

class ResizePanelTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        AppRig::SetUp();
        // The progress panel shows at once, as on a loaded machine: it takes the activation.
        foundation::setProgressDelay(0);
        setPicture(800, 600);
        panel = c->resizePanel();
        undo().closeEventGroup();
    }
    void TearDown() override {
        foundation::setProgressDelay(-1);
        AppRig::TearDown();
    }

    void setPicture(int width, int height) {
        c->setBackgroundImage(imaging::Image::fromBitmap(
            imaging::Bitmap(width, height, imaging::PixelFormat::RGBA8)));
    }
    QSize pictureSize() const {
        const imaging::Rect r = c->getBgImageExtent();
        return QSize(int(std::lround(r.width)), int(std::lround(r.height)));
    }
    QAction* menuItem() { return w->action(app::act::showResizePanel); }

    void open() {
        if (!panel->isVisible()) menuItem()->trigger();
        ASSERT_TRUE(panel->isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    }
    // Types into a field and leaves it, as a person would.
    void type(QLineEdit* field, const QString& text) {
        // A person clicks into the panel first; without activation no field loses focus.
        panel->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QLineEdit* other = field == panel->mWidth ? panel->mHeight : panel->mWidth;
        other->setFocus();
    }
    void chooseUnit(int tag) {
        const int i = panel->mMeasurePopup->findData(tag);
        panel->mMeasurePopup->setCurrentIndex(i);
        Q_EMIT panel->mMeasurePopup->activated(i);
    }
    QString unitShown() const { return panel->mMeasurePopup->currentText(); }
    // The two fields' texts, as "width height".
    std::string fields() const {
        return (panel->mWidth->text() + " " + panel->mHeight->text()).toStdString();
    }

    ResizePanel* panel = nullptr;
};

}  // namespace

TEST_F(ResizePanelTest, TypingHalfTheWidthResizesTo400x300UndoGoesBackAndCancelKeepsIt) {
    open();
    EXPECT_EQ(fields(), "800 600");
    EXPECT_EQ(panel->mCaptionInfo->text(), "800 x 600 pixels");
    EXPECT_EQ(panel->getMeasures(), unit::pixels);

    type(panel->mWidth, "400");
    EXPECT_EQ(fields(), "400 300");
    panel->mResizeBtn->click();
    EXPECT_EQ(pictureSize(), QSize(400, 300));
    EXPECT_EQ(fields(), "400 300");
    EXPECT_EQ(panel->mCaptionInfo->text(), "400 x 300 pixels");
    EXPECT_FALSE(panel->model().wasChanged);

    undo().closeEventGroup();
    c->undo();
    EXPECT_EQ(pictureSize(), QSize(800, 600));
    EXPECT_EQ(fields(), "800 600");
    c->redo();
    EXPECT_EQ(pictureSize(), QSize(400, 300));

    // Cancel puts the fields back and closes the panel.
    type(panel->mWidth, "200");
    panel->mCancelBtn->click();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(fields(), "400 300");
    EXPECT_EQ(pictureSize(), QSize(400, 300));
}

TEST_F(ResizePanelTest, FiftyPercentOfTheWidthGives400x300) {
    open();
    chooseUnit(unit::inches);
    EXPECT_EQ(fields(), "11.11 8.33");
    chooseUnit(unit::pixels);
    EXPECT_EQ(fields(), "800 600");
    panel->mResizeBtn->click();  // nothing typed: nothing happens
    EXPECT_FALSE(undo().canUndo());
    chooseUnit(unit::percent);
    EXPECT_EQ(fields(), "100 100");
    panel->mWidth->setFocus();
    panel->mWidth->selectAll();
    QTest::keyClicks(panel->mWidth, "50");
    QTest::keyClick(panel->mWidth, Qt::Key_Return);  // ends the edit, then presses Resize
    EXPECT_EQ(pictureSize(), QSize(400, 300));
    // The panel is back in pixels.
    EXPECT_EQ(unitShown(), QStringLiteral("Pixels"));
    EXPECT_EQ(fields(), "400 300");
}

TEST_F(ResizePanelTest, WithTheProportionSwitchOnTheFieldsAreIndependent) {
    open();
    QTest::mouseClick(panel->mPropBtn, Qt::LeftButton);
    EXPECT_EQ(panel->mPropBtn->state(), 1);
    EXPECT_EQ(panel->mPropBtn->currentImage(), panel->mPropBtn->alternateImage());

    type(panel->mWidth, "400");
    EXPECT_EQ(fields(), "400 600");
    panel->mResizeBtn->click();
    EXPECT_EQ(pictureSize(), QSize(400, 600));

    QTest::mouseClick(panel->mPropBtn, Qt::LeftButton);
    EXPECT_EQ(panel->mPropBtn->state(), 0);
    type(panel->mWidth, "200");
    EXPECT_EQ(fields(), "200 300");
}

TEST_F(ResizePanelTest, ImpossibleSizesAreExplainedAndThePictureKept) {
    open();
    type(panel->mWidth, "0");
    panel->mResizeBtn->click();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].startsWith(ResizePanel::kCannotResize));
    EXPECT_EQ(pictureSize(), QSize(800, 600));
    // The typed value stays for the person to correct.
    EXPECT_EQ(panel->mWidth->text(), "0");

    type(panel->mWidth, "100000");
    panel->mResizeBtn->click();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_TRUE(alertTexts[1].contains("100000 x 75000 pixels")) << alertTexts[1].toStdString();
    EXPECT_EQ(pictureSize(), QSize(800, 600));
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(ResizePanelTest, TheMenuItemAndTheUnitShownAlwaysMatchThePanel) {
    c->validateAllMenuItems();
    EXPECT_FALSE(menuItem()->isChecked());
    open();
    c->validateAllMenuItems();
    EXPECT_TRUE(menuItem()->isChecked());
    EXPECT_TRUE(menuItem()->isEnabled());
    chooseUnit(unit::inches);
    // A new picture arrives while inches are chosen: its size in inches.
    setPicture(144, 72);
    EXPECT_EQ(unitShown(), QStringLiteral("Inches"));
    EXPECT_EQ(fields(), "2 1");
    EXPECT_EQ(panel->mCaptionInfo->text(), "144 x 72 pixels");
    // Reopening shows pixels, in the fields and in the chooser.
    menuItem()->trigger();
    EXPECT_FALSE(panel->isVisible());
    open();
    EXPECT_EQ(unitShown(), QStringLiteral("Pixels"));
    EXPECT_EQ(fields(), "144 72");
    type(panel->mWidth, "72");
    panel->mResizeBtn->click();
    EXPECT_EQ(pictureSize(), QSize(72, 36));
}
