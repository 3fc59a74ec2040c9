#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "foundation/SavePanel.h"

using namespace foundation;

TEST(SavePanel, ARealPanelShowsTheAccessoryAndReportsTheChosenFile) {
    QMainWindow window;
    QTemporaryDir dir;
    window.show();
    auto* accessory = new SaveAccessoryView(&window);
    accessory->hide();
    EXPECT_EQ(accessory->viewWithTag(2)->itemTags(), QList<int>({72, 150, 300, 600}));
    EXPECT_EQ(accessory->viewWithTag(2)->selectedTag(), 300);

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
