#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "app/Controller.h"
#include "app/MainWindow.h"
#include "chrome/AboutPanel.h"
#include "chrome/BaseColoredButton.h"
#include "chrome/BaseColoredTextButton.h"
#include "chrome/ColorPanel.h"
#include "chrome/KesAlert.h"
#include "effects/BaseEffect.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Preferences.h"
#include "foundation/Resources.h"
#include "foundation/UndoManager.h"
#include "generators/customEffImageView.h"
#include "generators/linesEffect.h"
#include "threed/EvalEffect.h"
#include "threed/MyOGLView.h"
#include "workbench/MyImageView.h"

using app::Controller;
using chrome::KesAlert;

namespace {

class ControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        Controller::setExitAppPending(false);
        KesAlert::setResponder([this](KesAlert& a) {
            ++questions;
            lastMessage = a.message();
            lastText = a.informativeText();
            lastTitles = {a.firstButton()->text(), a.secondButton()->text(),
                          a.threeButton()->text()};
            return answer;
        });
        Controller::setUrlOpener([this](const QString& path) {
            opened.push_back(path);
            return true;
        });
        prefs = std::make_unique<foundation::Preferences>(dir.filePath("prefs.ini"));
        start();
    }

    void start() {
        c = std::make_unique<Controller>(*prefs);
        c->setQuitHandler([this] { ++quits; });
        c->loadWindow();
        c->window()->show();
        c->applicationDidFinishLaunching();
    }

    void TearDown() override {
        c.reset();
        KesAlert::setResponder({});
        Controller::setUrlOpener({});
        Controller::setExitAppPending(false);
        foundation::Resources::setSearchFolders({QStringLiteral(DEVERAV_TEST_RESOURCES)});
    }

    foundation::UndoManager& undo() { return *c->undoManager(); }
    QAction* action(const QString& name) { return c->window()->action(name); }
    void selectRow(QTreeView* v, int row) {
        v->selectionModel()->select(v->model()->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
    }
    void endEvent() { undo().closeEventGroup(); }

    QTemporaryDir dir;
    std::unique_ptr<foundation::Preferences> prefs;
    std::unique_ptr<Controller> c;
    int answer = 2, questions = 0, quits = 0;
    QString lastMessage, lastText;
    QStringList lastTitles, opened;
};

}  // namespace

TEST_F(ControllerTest, StartsInTheStandardModeWithTheDefaultPictureFitted) {
    EXPECT_EQ(c->window()->windowTitle(), "Deverav");
    EXPECT_EQ(Controller::mainController(), c.get());
    EXPECT_EQ(c->filerMode(), 0);
    EXPECT_EQ(c->filterTabView->currentIndex(), 0);
    EXPECT_EQ(c->mainTabView->currentIndex(), 0);
    EXPECT_FALSE(c->wasChanged());

    const imaging::Image pic = c->backImage();
    ASSERT_FALSE(pic.isNull());
    EXPECT_GE(pic.extent().width, 1600);
    // The whole picture fits into the canvas's scroll view, and fills it in one direction.
    const QSize area = c->ciView->enclosingScrollView()->size();
    const double z = c->ciView->getZoom();
    EXPECT_LE(pic.extent().width * z, area.width());
    EXPECT_LE(pic.extent().height * z, area.height());
    EXPECT_GT(
        std::max(pic.extent().width * z / area.width(), pic.extent().height * z / area.height()),
        0.9);
    // The slider shows that zoom.
    EXPECT_NEAR(Controller::zoomForSliderValue(c->zoomSlider->value() / 100.0), z, 0.01);

    for (const QString& p :
         {c->texturePath(), c->shadingEmapPath(), c->alphaEmapPath(), c->rampPath(), c->maskPath()})
        EXPECT_TRUE(QFileInfo(p).isFile()) << p.toStdString();
    EXPECT_TRUE(c->texturePath().endsWith("smoothtexture.tiff"));
    EXPECT_TRUE(c->maskPath().endsWith("mask.tiff"));
    EXPECT_TRUE(chrome::ColorPanel::showsAlpha());
    for (QTreeView* v : {c->listView, c->filter3DOutlineView, c->filterCustomOutlineView})
        EXPECT_FALSE(v->selectionModel()->hasSelection());
}

TEST_F(ControllerTest, TheCanvasShowsThePictureThroughTheRenderContext) {
    // Frames are rendered off the event loop.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        c->ciView->repaint();
        return c->ciView->frameIsCurrent();
    }));
    const QImage shot = c->ciView->grab().toImage();
    const QPoint mid(c->ciView->width() / 2, c->ciView->height() / 2);
    const QColor seen = shot.pixelColor(mid);
    // Not the empty canvas colour: something of the picture is drawn there.
    EXPECT_NE(seen, c->ciView->palette().color(QPalette::Dark));
}

TEST_F(ControllerTest, AMissingDefaultPictureLeavesNoPictureAndCopyDisabled) {
    c.reset();
    QTemporaryDir empty;
    foundation::Resources::setSearchFolders({empty.path()});
    start();
    EXPECT_TRUE(c->backImage().isNull());
    EXPECT_FALSE(c->validateMenuItem(action(app::act::copy)));
    EXPECT_EQ(c->registerMyHelpBook(), -43);
}

TEST_F(ControllerTest, SwitchingModesArrangesTheWindowAndUndoSwitchesBack) {
    c->changeFilterMode(c->threeDBtn);
    EXPECT_EQ(c->filerMode(), 1);
    EXPECT_EQ(c->standardBtn->state() + c->threeDBtn->state() + c->customBtn->state(), 1);
    EXPECT_EQ(c->filterTabView->currentIndex(), 1);
    EXPECT_EQ(c->favoritesTabView->currentIndex(), 1);
    EXPECT_EQ(c->mainTabView->currentIndex(), 1);
    EXPECT_TRUE(c->openGLView->isVisible());
    EXPECT_FALSE(c->zoomSlider->isEnabled());
    endEvent();

    c->changeFilterMode(c->customBtn);
    EXPECT_EQ(c->filerMode(), 2);
    EXPECT_FALSE(c->openGLView->isVisible());
    EXPECT_TRUE(c->zoomSlider->isEnabled());
    endEvent();

    // Only the last switch is in the history.
    EXPECT_EQ(undo().undoCount(), 1);
    c->undo();
    EXPECT_EQ(c->filerMode(), 1);
    EXPECT_FALSE(undo().canUndo());
    c->redo();
    EXPECT_EQ(c->filerMode(), 2);
    c->undo();
    EXPECT_EQ(c->filerMode(), 1);
}

TEST_F(ControllerTest, NoEarlierUndoActionSurvivesASwitch) {
    int undone = 0;
    undo().registerUndoWithTarget(c.get(), [&] { ++undone; });
    endEvent();
    c->changeFilterMode(c->threeDBtn);
    selectRow(c->filter3DOutlineView, 0);
    undo().registerUndoWithTarget(c->getCurrent3DEffect(), [&] { ++undone; });
    endEvent();
    c->changeFilterMode(c->customBtn);
    endEvent();
    c->undo();  // back to 3D
    EXPECT_FALSE(undo().canUndo());
    EXPECT_EQ(undone, 0);
}

TEST_F(ControllerTest, TheMenuSwitchesByTagAndChecksExactlyTheCurrentMode) {
    const QList<QAction*> modes = c->window()->modeActions();
    ASSERT_EQ(modes.size(), 3);
    for (int tag = 1; tag <= 3; ++tag) {
        c->selectMenuMode(modes[tag - 1]);
        EXPECT_EQ(c->filerMode(), tag - 1);
        for (QAction* a : modes) EXPECT_TRUE(c->validateMenuItem(a));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(modes[i]->isChecked(), i == tag - 1);
    }
    QAction other;
    other.setObjectName(app::act::selectMenuMode);
    other.setData(7);
    c->selectMenuMode(&other);
    EXPECT_EQ(c->filerMode(), 2);
}

TEST_F(ControllerTest, WorkingEffectsAreCopiesAndSurviveModeSwitches) {
    c->changeFilterMode(c->threeDBtn);
    selectRow(c->filter3DOutlineView, 0);
    effects::BaseEffect* surface = c->getCurrent3DEffect();
    ASSERT_TRUE(surface);
    EXPECT_NE(surface, static_cast<effects::BaseEffect*>(c->eval3DEffect.get()));
    EXPECT_EQ(surface->name(), "Surface Rotate");
    EXPECT_TRUE(c->wasChanged());
    EXPECT_TRUE(c->applyBtn->isEnabled() || !c->isActionAvailable(app::act::applyBtn));

    c->changeFilterMode(c->customBtn);
    selectRow(c->filterCustomOutlineView, 4);
    ASSERT_TRUE(c->getCurrentCustomEffect());
    EXPECT_EQ(c->getCurrentCustomEffect()->name(), "Flare Effect");
    c->changeFilterMode(c->threeDBtn);
    EXPECT_EQ(c->getCurrent3DEffect(), surface);

    // Choosing another row retires the working effect and its undo actions.
    int undone = 0;
    undo().registerUndoWithTarget(surface, [&] { ++undone; });
    endEvent();
    selectRow(c->filter3DOutlineView, 1);
    EXPECT_EQ(c->getCurrent3DEffect()->name(), "3D Objects");
    c->undo();  // undoes the switch, never the dropped effect's action
    EXPECT_EQ(undone, 0);
}

TEST_F(ControllerTest, EscapeDropsOnlyTheCurrentModesEffect) {
    c->changeFilterMode(c->threeDBtn);
    selectRow(c->filter3DOutlineView, 1);
    c->changeFilterMode(c->customBtn);
    EXPECT_FALSE(c->validateMenuItem(action(app::act::escapeEffect)));
    selectRow(c->filterCustomOutlineView, 0);
    EXPECT_TRUE(c->validateMenuItem(action(app::act::escapeEffect)));

    // Escape released on the window.
    QTest::keyClick(c->window(), Qt::Key_Escape);
    EXPECT_FALSE(c->getCurrentCustomEffect());
    EXPECT_FALSE(c->filterCustomOutlineView->selectionModel()->hasSelection());
    EXPECT_TRUE(c->getCurrent3DEffect());
    EXPECT_FALSE(c->validateMenuItem(action(app::act::escapeEffect)));

    // The menu command does the same in its mode.
    c->changeFilterMode(c->threeDBtn);
    EXPECT_TRUE(c->validateMenuItem(action(app::act::escapeEffect)));
    action(app::act::escapeEffect)->setEnabled(true);
    action(app::act::escapeEffect)->trigger();
    EXPECT_FALSE(c->getCurrent3DEffect());
    EXPECT_FALSE(c->filter3DOutlineView->selectionModel()->hasSelection());
    // Dropping an effect is not a change to the picture's changed flag either way.
    EXPECT_TRUE(c->wasChanged());
}

TEST_F(ControllerTest, WindowTitleFollowsTheFileName) {
    EXPECT_EQ(c->windowTitleForPath(QString()), "Deverav");
    EXPECT_EQ(c->windowTitleForPath("/home/ann/Pictures/beach.jpg"), "Deverav::beach.jpg");
    EXPECT_EQ(c->windowTitleForPath("beach.jpg"), "Deverav::beach.jpg");
    EXPECT_EQ(c->windowTitleForPath("/tmp/holiday/"), "Deverav::holiday");
    c->setFilePath("/home/ann/Pictures/beach.jpg");
    EXPECT_EQ(c->window()->windowTitle(), "Deverav::beach.jpg");
    EXPECT_EQ(c->getFilePath(), "/home/ann/Pictures/beach.jpg");
    c->setFilePath(QString());
    EXPECT_EQ(c->window()->windowTitle(), "Deverav");
    // Nothing but choosing effects changes the flag here.
    EXPECT_FALSE(c->wasChanged());
}

TEST_F(ControllerTest, QuittingWithoutChangesAsksNothing) {
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Now);
    EXPECT_EQ(questions, 0);
    c->terminate();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(questions, 0);
}

TEST_F(ControllerTest, TheQuitQuestionAndItsThreeAnswers) {
    c->setWasChanged(true);

    answer = 2;  // Cancel
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Cancel);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(lastMessage, "Do you want to save changes?");
    EXPECT_EQ(lastText, "Your changes will be lost if you choose don't save option.");
    EXPECT_EQ(lastTitles, QStringList({"Save...", "Cancel", "Don't Save"}));
    EXPECT_FALSE(Controller::exitAppPending());
    c->terminate();
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(c->window()->isVisible());

    answer = 3;  // Don't Save
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Now);
    EXPECT_FALSE(c->window()->findChild<QFileDialog*>("savePanel"));

    answer = 1;  // Save...
    questions = 0;
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Cancel);
    // The picture has no file yet: the save panel is up, and the quit waits for it.
    auto* panel = c->window()->findChild<QFileDialog*>("savePanel");
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(Controller::exitAppPending());
    // The save ends by asking again, which is granted without a question.
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Now);
    EXPECT_EQ(questions, 1);
}

TEST_F(ControllerTest, TheCloseBoxDoesNothingWhileThereAreChanges) {
    c->setWasChanged(true);
    EXPECT_FALSE(c->windowShouldClose());
    c->window()->close();
    EXPECT_TRUE(c->window()->isVisible());
    EXPECT_EQ(questions, 0);
    c->setWasChanged(false);
    EXPECT_TRUE(c->windowShouldClose());
    c->window()->close();
    EXPECT_FALSE(c->window()->isVisible());
}

TEST_F(ControllerTest, TheWindowFrameIsSavedAtQuitAndRestoredAtStart) {
    // Within the test screen (800 wide): a saved frame is never made larger than its screen.
    c->window()->setGeometry(QRect(40, 60, 800, 580));
    c->terminate();
    ASSERT_TRUE(prefs->frame("Deverav"));
    EXPECT_EQ(prefs->frame("Deverav")->size(), QSize(800, 580));
    c.reset();
    start();
    EXPECT_EQ(c->window()->geometry().size(), QSize(800, 580));

    // A corrupt or unreachable frame is ignored.
    c.reset();
    prefs->settings().setValue("WindowFrames/Deverav", "40 60 nonsense");
    start();
    EXPECT_GE(c->window()->width(), c->window()->minimumWidth());
    c.reset();
    prefs->saveFrame("Deverav", QRect(90000, 90000, 900, 640));
    start();
    EXPECT_LT(c->window()->geometry().x(), 10000);
}

TEST_F(ControllerTest, MenuValidationFollowsItsTable) {
    using namespace app;
    EXPECT_FALSE(c->validateMenuItem(action(act::undo)));
    EXPECT_FALSE(c->validateMenuItem(action(act::redo)));
    c->changeFilterMode(c->customBtn);
    endEvent();
    EXPECT_TRUE(c->validateMenuItem(action(act::undo)));
    c->undo();
    EXPECT_FALSE(c->validateMenuItem(action(act::undo)));
    EXPECT_TRUE(c->validateMenuItem(action(act::redo)));

    EXPECT_TRUE(c->validateMenuItem(action(act::saveImg)));
    EXPECT_TRUE(c->validateMenuItem(action(act::copy)));  // there is a picture
    EXPECT_TRUE(c->validateMenuItem(action(act::runAbout)));
    EXPECT_TRUE(c->validateMenuItem(action(act::flipVert)));

    // Paste follows the clipboard, and the paste button with it.
    c->setActionAvailable(act::paste, true);
    EXPECT_FALSE(c->validateMenuItem(action(act::paste)));
    EXPECT_FALSE(c->pasteBtn->isEnabled());
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(img);
    EXPECT_TRUE(c->validateMenuItem(action(act::paste)));
    EXPECT_TRUE(c->pasteBtn->isEnabled());
    QGuiApplication::clipboard()->clear();
    c->applicationDidBecomeActive();
    EXPECT_FALSE(c->pasteBtn->isEnabled());
}

TEST_F(ControllerTest, EveryMenuItemWorksAndTheUndoTitleFollowsTheHistory) {
    using namespace app;
    c->validateAllMenuItems();
    for (const QString& name :
         {act::openImg, act::copy, act::flipVert, act::flipHorizont, act::rotateRight,
          act::rotateLeft, act::showResizePanel, act::showInfoPanel, act::terminate,
          act::displayHelp, act::saveImg, act::saveImgAs})
        EXPECT_TRUE(action(name)->isEnabled()) << name.toStdString();
    EXPECT_EQ(action(act::showResizePanel)->text(), "Resize Image ...");
    EXPECT_EQ(action(act::showInfoPanel)->text(), "Image Information ...");
    // Undo's menu title follows the history.
    c->changeFilterMode(c->threeDBtn);
    EXPECT_TRUE(action(act::undo)->isEnabled());
    EXPECT_EQ(action(act::undo)->text(), "Undo");
}

TEST_F(ControllerTest, TheEffectListsShowTheirRows) {
    QAbstractItemModel* list3D = c->filter3DOutlineView->model();
    ASSERT_EQ(list3D->rowCount(), 2);
    EXPECT_EQ(list3D->index(0, 1).data().toString(), "Surface Rotate");
    EXPECT_EQ(list3D->index(1, 1).data().toString(), "3D Objects");
    for (int r = 0; r < 2; ++r) EXPECT_FALSE(list3D->index(r, 0).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(list3D->index(0, 0).data(Qt::ToolTipRole).toString(), "3D Surface Rotate");

    QAbstractItemModel* custom = c->filterCustomOutlineView->model();
    const QStringList names = {"Simple Objects", "Lines Effect",  "Hilbert Lines",   "Patch Works",
                               "Flare Effect",   "Plasma Effect", "Pattern Morphing"};
    ASSERT_EQ(custom->rowCount(), names.size());
    for (int r = 0; r < names.size(); ++r) {
        EXPECT_EQ(custom->index(r, 1).data().toString(), names[r]);
        const bool marker = !custom->index(r, 0).data(Qt::DecorationRole).isNull();
        EXPECT_EQ(marker, r == 1 || r == 4 || r == 6) << r;
        EXPECT_FALSE(custom->hasChildren(custom->index(r, 0)));
        EXPECT_FALSE(custom->flags(custom->index(r, 1)) & Qt::ItemIsEditable);
    }

    // The delegate calls themselves, as the lists ask them.
    EXPECT_EQ(c->outlineViewNumberOfChildrenOfItem(c->listView, nullptr), 0);
    EXPECT_EQ(c->outlineViewChildOfItem(c->filter3DOutlineView, 2, nullptr), nullptr);
    EXPECT_EQ(
        c->outlineViewNumberOfChildrenOfItem(c->filterCustomOutlineView, c->m_lineEffect.get()), 0);
    EXPECT_TRUE(c->outlineViewObjectValueForTableColumnByItem(c->listView, "0", nullptr).isNull());
}

TEST_F(ControllerTest, UndoAndRedoRebuildTheParameterPanelOnTheNextUpdate) {
    auto* stale = new QLabel("stale", c->placeCntrlView);
    c->undo();
    EXPECT_EQ(c->placeCntrlView->findChildren<QLabel*>().size(), 1);  // deferred
    QCoreApplication::processEvents();
    EXPECT_TRUE(c->placeCntrlView->findChildren<QLabel*>().isEmpty());
    Q_UNUSED(stale);
}

TEST_F(ControllerTest, HelpOpensTheShippedGuideAndSaysSoWhenItIsMissing) {
    c->displayHelp();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].endsWith("/main.html"));
    EXPECT_EQ(c->registerMyHelpBook(), 0);

    QTemporaryDir empty;
    foundation::Resources::setSearchFolders({empty.path()});
    answer = 1;
    c->displayHelp();
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(lastMessage.contains("user guide"));
}

TEST_F(ControllerTest, TheAboutBoxClosesByItself) {
    c->itsAboutWindow->setTickMs(10);
    c->runAbout();
    EXPECT_FALSE(c->itsAboutWindow->isVisible());
    EXPECT_FALSE(c->itsAboutWindow->endedByInput());
}

TEST_F(ControllerTest, ZoomSliderMapping) {
    EXPECT_DOUBLE_EQ(Controller::zoomForSliderValue(5), 1.0);
    EXPECT_NEAR(Controller::sliderValueForZoom(0.1), 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(Controller::sliderValueForZoom(1), 5.0);
    EXPECT_DOUBLE_EQ(Controller::sliderValueForZoom(10), 10.0);
    for (double z : {0.1, 0.37, 1.0, 2.5, 10.0})
        EXPECT_NEAR(Controller::zoomForSliderValue(Controller::sliderValueForZoom(z)), z, 1e-12);

    // Moving the slider zooms the standard canvas; in the 3D mode the slider is off.
    c->zoomSlider->setValue(500);
    EXPECT_DOUBLE_EQ(c->ciView->getZoom(), 1.0);
    c->changeFilterMode(c->customBtn);
    c->zoomSlider->setValue(750);
    EXPECT_DOUBLE_EQ(c->customEffectsView->getZoom(), 5.5);
    EXPECT_DOUBLE_EQ(c->ciView->getZoom(), 1.0);
}

TEST_F(ControllerTest, TheContextMenuOffersThePictureCommands) {
    QMenu* menu = c->contextMenu();
    ASSERT_TRUE(menu);
    QStringList names;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) names << a->objectName();
    EXPECT_TRUE(names.contains(app::act::copy));
    EXPECT_TRUE(names.contains(app::act::paste));
    EXPECT_TRUE(names.contains(app::act::escapeEffect));
}

TEST_F(ControllerTest, CanvasesRedrawOnTheirNotificationsAndStopListeningWhenGone) {
    auto& center = foundation::NotificationCenter::defaultCenter();
    center.postNotificationName(foundation::kUpdateCustomView);
    center.postNotificationName(foundation::kUpdateOpenGLView);
    c.reset();  // the window and its canvases go
    center.postNotificationName(foundation::kUpdateCustomView);
    center.postNotificationName(foundation::kUpdateOpenGLView);
    SUCCEED() << "no canvas outlived its window as an observer";
}
