#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include "effects/BaseEffect.h"
#include "support/AppRig.h"

using app::Controller;
using apprig::distinctPixels;
using apprig::pixels;
using apprig::pngBytes;
using apprig::solid;

namespace {

class UnsavedWorkTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        answer = 2;  // Cancel, unless a test queues other answers
        AppRig::SetUp();
        wood = writeFile("wood.png", pngBytes(distinctPixels(12, 8)));
        photo = writeFile("photo.png", pngBytes(solid(30, 20, Qt::blue)));
        answerSavePanels();  // none queued: the panel is cancelled
    }
    void open(const QString& path) {
        foundation::OpenPanel::setResponder([path](const auto&) { return QStringList{path}; });
        c->openImg();
        endEvent();
    }
    QSize fileSize(const QString& path) const { return QImage(path).size(); }

    QString wood, photo;
};

}  // namespace

TEST_F(UnsavedWorkTest, EveryRecordedStepCountsAndUndoingBackToTheSavedStateIsClean) {
    open(photo);
    EXPECT_FALSE(c->wasChanged());
    EXPECT_EQ(shownTitle(), "Deverav::photo.png");

    // Each picture edit is a change; undoing all of them is none.
    c->flipVert();
    endEvent();
    EXPECT_TRUE(c->wasChanged());
    EXPECT_EQ(shownTitle(), "Deverav::photo.png*");
    c->rotateRight();
    endEvent();
    c->resizeImageHeight(10, 10);
    endEvent();
    auto blur = apprig::makeFilter("CIGaussianBlur");
    c->setFilterValueForKey(blur, 3.0, "inputRadius");
    endEvent();
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(c->wasChanged()) << i;
        c->undo();
    }
    EXPECT_FALSE(c->wasChanged());
    EXPECT_EQ(shownTitle(), "Deverav::photo.png");
    c->redo();
    EXPECT_TRUE(c->wasChanged());

    // Saved, then undone: changed again; redone: back at the saved state.
    answer = 1;  // replace the file
    c->saveImg();
    EXPECT_FALSE(c->wasChanged());
    c->undo();
    EXPECT_TRUE(c->wasChanged());
    c->redo();
    EXPECT_FALSE(c->wasChanged());

    // A new edit after undoing past the save makes the saved state unreachable for good.
    c->undo();
    c->rotateLeft();
    endEvent();
    EXPECT_TRUE(c->wasChanged());
    c->undo();
    EXPECT_TRUE(c->wasChanged());
}

TEST_F(UnsavedWorkTest, PastingOverAnOpenedPhotoAsksBeforeQuitting) {
    open(photo);
    auto* data = new QMimeData;
    data->setData("image/png", pngBytes(solid(5, 5, Qt::yellow)));
    QGuiApplication::clipboard()->setMimeData(data);
    c->paste();
    endEvent();
    answer = 2;  // Cancel
    c->terminate();
    EXPECT_EQ(alerts, QStringList{"Do you want to save changes?"});
    EXPECT_EQ(quits, 0);
    // Apply, save, undo: the undone apply is unsaved work again.
    c->undo();
    auto invert = apprig::makeFilter("CIColorInvert");
    c->standard().setCurrentFilter(invert);
    c->applyBtnAction();
    endEvent();
    alertAnswers = {1, 2};  // replace the file; then Cancel the quit
    c->saveImg();
    c->undo();
    c->terminate();
    EXPECT_EQ(alerts.last(), "Do you want to save changes?");
    EXPECT_EQ(quits, 0);
}

TEST_F(UnsavedWorkTest, OpeningOverChangesAsksAndNeverBringsBackTheOldPicture) {
    open(wood);
    const imaging::Image woodPicture = c->backImage();
    c->flipHorizont();
    endEvent();
    const imaging::Image edited = c->backImage();

    // Cancel opens nothing: picture, path and changes stay.
    answer = 2;
    open(photo);
    EXPECT_EQ(alerts, QStringList{"Do you want to save changes?"});
    EXPECT_EQ(alertTitles.last(), QStringList({"Save...", "Cancel", "Don't Save"}));
    EXPECT_EQ(c->backImage(), edited);
    EXPECT_EQ(c->getFilePath(), wood);
    EXPECT_TRUE(c->wasChanged());

    // Don't Save opens a clean document whose history starts empty.
    answer = 3;
    open(photo);
    EXPECT_EQ(c->getFilePath(), photo);
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 30, 20}));
    EXPECT_FALSE(c->wasChanged());
    EXPECT_FALSE(undo().canUndo());
    c->undo();
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 30, 20}));
    // So Save can never write wood's picture into photo.png.
    answer = 1;
    c->saveImg();
    EXPECT_EQ(fileSize(photo), QSize(30, 20));
    EXPECT_NE(c->backImage(), woodPicture);

    // A dropped file asks the same question.
    c->flipVert();
    endEvent();
    answer = 2;
    EXPECT_FALSE(c->openDroppedFile(wood));
    EXPECT_EQ(c->getFilePath(), photo);
    answer = 3;
    EXPECT_TRUE(c->openDroppedFile(wood));
    EXPECT_EQ(shownTitle(), "Deverav::wood.png");
    EXPECT_FALSE(c->wasChanged());
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(UnsavedWorkTest, SaveFirstSavesTheChangesThenOpens) {
    open(wood);
    c->rotateLeft();
    endEvent();
    alertAnswers = {1, 1};  // Save..., then replace wood.png
    open(photo);
    EXPECT_EQ(alerts, QStringList({"Do you want to save changes?",
                                   "Do you want to replace an existing file?"}));
    EXPECT_EQ(fileSize(wood), QSize(8, 12));  // the turned picture was saved
    EXPECT_EQ(c->getFilePath(), photo);
    EXPECT_FALSE(c->wasChanged());

    // A picture without a file goes through the save panel; cancelling it opens nothing.
    usePicture(solid(6, 6, Qt::red));
    c->setFilePath(QString());
    c->flipVert();
    endEvent();
    answer = 1;
    open(wood);
    EXPECT_EQ(c->getFilePath(), "");
    EXPECT_TRUE(c->wasChanged());
    panelAnswers = {{dir.filePath("kept.png")}};
    open(wood);
    EXPECT_EQ(fileSize(dir.filePath("kept.png")), QSize(6, 6));
    EXPECT_EQ(c->getFilePath(), wood);
}

TEST_F(UnsavedWorkTest, TheCloseBoxAsksTheQuitQuestion) {
    c->flipVert();
    endEvent();
    answer = 2;  // Cancel
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(alerts, QStringList{"Do you want to save changes?"});
    answer = 1;  // Save...: the picture has no file, so the panel comes; cancelled, nothing quits
    w->close();
    EXPECT_TRUE(w->isVisible());
    answer = 3;  // Don't Save
    w->close();
    EXPECT_FALSE(w->isVisible());
}

TEST_F(UnsavedWorkTest, DroppingTheWorkingEffectCanBeUndoneWithAllItsValues) {
    auto blur = apprig::makeFilter("CIGaussianBlur");
    c->standard().setCurrentFilter(blur);
    c->setFilterValueForKey(blur, 25.0, "inputRadius");
    endEvent();

    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(c->getCurrentFilter());
    endEvent();
    c->undo();
    EXPECT_EQ(c->getCurrentFilter(), blur.get());
    EXPECT_EQ(blur->value("inputRadius").toNumber(), 25.0);
    EXPECT_TRUE(w->applyBtn()->isEnabled());
    c->redo();
    EXPECT_FALSE(c->getCurrentFilter());
    c->undo();
    c->undo();  // the radius step is still there
    EXPECT_EQ(blur->value("inputRadius").toNumber(), 10.0);

    // The same in the 3D family, from the menu command: the same effect object comes back.
    switchTo(app::Mode::ThreeD);
    selectRow(w->filter3DOutlineView(), 1);
    effects::BaseEffect* solidEffect = c->getCurrent3DEffect();
    ASSERT_TRUE(solidEffect);
    endEvent();
    action(app::act::escapeEffect)->setEnabled(true);
    action(app::act::escapeEffect)->trigger();
    EXPECT_FALSE(c->getCurrent3DEffect());
    EXPECT_FALSE(w->filter3DOutlineView()->selectionModel()->hasSelection());
    endEvent();
    c->undo();
    EXPECT_EQ(c->getCurrent3DEffect(), solidEffect);
    EXPECT_EQ(w->filter3DOutlineView()->selectionModel()->selectedRows().value(0).row(), 1);
}

TEST_F(UnsavedWorkTest, EscapeThatAMenuOrATextFieldTakesKeepsTheEffect) {
    c->standard().setCurrentFilter(apprig::makeFilter("CIGaussianBlur"));
    QMenu* edit = w->menuNamed("Edit");
    ASSERT_TRUE(edit);
    edit->popup(w->mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(edit));
    // The menu takes the press and closes; the release then reaches the window.
    QTest::keyPress(edit, Qt::Key_Escape);
    EXPECT_FALSE(edit->isVisible());
    QTest::keyRelease(w, Qt::Key_Escape);
    EXPECT_TRUE(c->getCurrentFilter());

    auto* field = new QLineEdit(w->placeCntrlView());
    field->show();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(c->getCurrentFilter());
    delete field;
}

TEST_F(UnsavedWorkTest, ANewWorkingFilterTakesThePreviousFiltersStepsAway) {
    auto box = apprig::makeFilter("CIBoxBlur");
    c->standard().setCurrentFilter(box);
    c->setFilterValueForKey(box, 4.0, "inputRadius");
    c->setActionNameForFilterKey(box.get(), "inputRadius");
    endEvent();
    c->flipVert();
    endEvent();
    c->standard().setCurrentFilter(apprig::makeFilter("CIGaussianBlur"));
    EXPECT_EQ(undo().undoCount(), 1);
    c->undo();  // the flip
    EXPECT_FALSE(undo().canUndo());
    EXPECT_EQ(box->value("inputRadius").toNumber(), 4.0);

    // A dropped filter's steps go too when the next one is made.
    c->standard().setCurrentFilter(box);
    c->setFilterValueForKey(box, 6.0, "inputRadius");
    endEvent();
    c->escapeEffect();
    endEvent();
    c->standard().setCurrentFilter(apprig::makeFilter("CIGaussianBlur"));
    EXPECT_FALSE(undo().canUndo());
}
