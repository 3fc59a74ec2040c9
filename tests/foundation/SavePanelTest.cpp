#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "foundation/SavePanel.h"

using namespace foundation;

TEST(SaveAccessoryView, HasTheFormatAndResolutionPopUpsByViewTag) {
    SaveAccessoryView view;
    PopUpButton* formats = view.viewWithTag(SaveAccessoryView::kFormatPopUpTag);
    PopUpButton* resolutions = view.viewWithTag(SaveAccessoryView::kResolutionPopUpTag);
    ASSERT_TRUE(formats);
    ASSERT_TRUE(resolutions);
    EXPECT_EQ(view.viewWithTag(3), nullptr);
    EXPECT_EQ(resolutions->itemTags(), QList<int>({72, 150, 300, 600}));
    EXPECT_EQ(resolutions->selectedTag(), 300);

    EXPECT_EQ(formats->selectedTag(), -1);
    formats->addItemWithTitleTag("JPEG", 7);
    formats->addItemWithTitleTag("PDF ", 17);
    EXPECT_TRUE(formats->selectItemWithTag(17));
    EXPECT_EQ(formats->currentText(), "PDF ");
    EXPECT_FALSE(formats->selectItemWithTag(5));
    EXPECT_EQ(formats->selectedTag(), 17);
}

class SavePanelTest : public ::testing::Test {
  protected:
    void TearDown() override { SavePanel::setResponder({}); }
    QMainWindow window;
    QTemporaryDir dir;
};

TEST_F(SavePanelTest, ARealPanelShowsTheAccessoryAndReportsTheChosenFile) {
    window.show();
    auto* accessory = new SaveAccessoryView(&window);
    accessory->hide();
    QPointer<SavePanel> panel = SavePanel::savePanel(&window);
    panel->setTitle("Save Image As:");
    panel->setAccessoryView(accessory);
    int code = -1;
    QString chosen;
    panel->beginSheetForDirectory(dir.path(), "proposed.png", &window, [&](SavePanel& p, int c) {
        code = c;
        chosen = p.filename();
    });
    QFileDialog* dialog = panel->dialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->windowTitle(), "Save Image As:");
    EXPECT_TRUE(dialog->isAncestorOf(accessory));
    EXPECT_TRUE(accessory->isVisible());
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->text(), "proposed.png");

    name->setText("chosen.png");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(code, SavePanel::kOK);
    EXPECT_EQ(chosen, QDir(dir.path()).filePath("chosen.png"));
    // Afterwards the accessory is back with its owner and the panel goes away.
    EXPECT_EQ(accessory->parentWidget(), &window);
    EXPECT_FALSE(accessory->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
}

TEST_F(SavePanelTest, AResponderAnswersWithoutAPersonAndCancelIsReported) {
    int asked = 0;
    SavePanel::setResponder([&](SavePanel& p) {
        ++asked;
        EXPECT_EQ(p.proposedName(), "x.tiff");
        return SavePanel::kCancel;
    });
    int code = -1;
    SavePanel::savePanel(&window)->beginSheetForDirectory(dir.path(), "x.tiff", &window,
                                                          [&](SavePanel&, int c) { code = c; });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(code, SavePanel::kCancel);

    SavePanel::setResponder([&](SavePanel& p) {
        p.setFilename(dir.filePath("typed.gif"));
        return SavePanel::kOK;
    });
    QString chosen;
    SavePanel::savePanel(&window)->beginSheetForDirectory({}, {}, &window,
                                                          [&](SavePanel& p, int c) {
                                                              code = c;
                                                              chosen = p.filename();
                                                          });
    EXPECT_EQ(code, SavePanel::kOK);
    EXPECT_EQ(chosen, dir.filePath("typed.gif"));
}
