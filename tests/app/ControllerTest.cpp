#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>

#include "chrome/AboutPanel.h"
#include "chrome/ColorPanel.h"
#include "effects/BaseEffect.h"
#include "foundation/NotificationCenter.h"
#include "generators/customEffImageView.h"
#include "support/AppRig.h"
#include "threed/MyOGLView.h"
#include "workbench/MyImageView.h"

using app::Controller;
using chrome::KesAlert;

namespace {

class ControllerTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        answer = 2;  // Cancel
        AppRig::SetUp();
    }
    QString lastMessage() const { return alerts.isEmpty() ? QString() : alerts.last(); }
    QString lastText() const { return alertTexts.isEmpty() ? QString() : alertTexts.last(); }
};

}  // namespace

TEST_F(ControllerTest, StartsInTheStandardModeWithTheDefaultPictureFitted) {
    EXPECT_EQ(shownTitle(), "Deverav");
    EXPECT_EQ(Controller::mainController(), c.get());
    EXPECT_EQ(c->filerMode(), app::Mode::Standard);
    EXPECT_EQ(w->filterTabView()->currentIndex(), 0);
    EXPECT_EQ(w->mainTabView()->currentIndex(), 0);
    EXPECT_FALSE(c->wasChanged());

    const imaging::Image pic = c->backImage();
    ASSERT_FALSE(pic.isNull());
    EXPECT_GE(pic.extent().width, 1600);
    // The whole picture fits into the canvas's scroll view, and fills it in one direction.
    const QSize area = w->ciView()->enclosingScrollView()->size();
    const double z = w->ciView()->getZoom();
    EXPECT_LE(pic.extent().width * z, area.width());
    EXPECT_LE(pic.extent().height * z, area.height());
    EXPECT_GT(
        std::max(pic.extent().width * z / area.width(), pic.extent().height * z / area.height()),
        0.9);
    // The slider shows that zoom.
    EXPECT_NEAR(Controller::zoomForSliderValue(w->zoomSlider()->value() / 100.0), z, 0.01);

    for (const QString& p :
         {c->standard().texturePath(), c->standard().shadingEmapPath(),
          c->standard().alphaEmapPath(), c->standard().rampPath(), c->standard().maskPath()})
        EXPECT_TRUE(QFileInfo(p).isFile()) << p.toStdString();
    EXPECT_TRUE(c->standard().texturePath().endsWith("smoothtexture.tiff"));
    EXPECT_TRUE(c->standard().maskPath().endsWith("mask.tiff"));
    EXPECT_TRUE(chrome::ColorPanel::showsAlpha());
    for (QTreeView* v : {w->listView(), w->filter3DOutlineView(), w->filterCustomOutlineView()})
        EXPECT_FALSE(v->selectionModel()->hasSelection());
}

TEST_F(ControllerTest, TheCanvasShowsThePictureThroughTheRenderContext) {
    // Frames are rendered off the event loop.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        w->ciView()->repaint();
        return w->ciView()->frameIsCurrent();
    }));
    const QImage shot = w->ciView()->grab().toImage();
    const QPoint mid(w->ciView()->width() / 2, w->ciView()->height() / 2);
    const QColor seen = shot.pixelColor(mid);
    // Not the empty canvas colour: something of the picture is drawn there.
    EXPECT_NE(seen, w->ciView()->palette().color(QPalette::Dark));
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
    switchTo(app::Mode::ThreeD);
    EXPECT_EQ(c->filerMode(), app::Mode::ThreeD);
    EXPECT_EQ(w->standardBtn()->state() + w->threeDBtn()->state() + w->customBtn()->state(), 1);
    EXPECT_EQ(w->filterTabView()->currentIndex(), 1);
    EXPECT_EQ(w->favoritesTabView()->currentIndex(), 1);
    EXPECT_EQ(w->mainTabView()->currentIndex(), 1);
    EXPECT_TRUE(w->openGLView()->isVisible());
    EXPECT_FALSE(w->zoomSlider()->isEnabled());
    endEvent();

    switchTo(app::Mode::Custom);
    EXPECT_EQ(c->filerMode(), app::Mode::Custom);
    EXPECT_FALSE(w->openGLView()->isVisible());
    EXPECT_TRUE(w->zoomSlider()->isEnabled());
    endEvent();

    // Only the last switch is in the history.
    EXPECT_EQ(undo().undoCount(), 1);
    c->undo();
    EXPECT_EQ(c->filerMode(), app::Mode::ThreeD);
    EXPECT_FALSE(undo().canUndo());
    c->redo();
    EXPECT_EQ(c->filerMode(), app::Mode::Custom);
}

TEST_F(ControllerTest, NoEarlierUndoActionSurvivesASwitch) {
    int undone = 0;
    undo().registerUndoWithTarget(c.get(), [&] { ++undone; });
    endEvent();
    const imaging::Image before = c->backImage();
    c->flipVert();  // a picture edit: the document's own step
    endEvent();
    switchTo(app::Mode::ThreeD);
    selectRow(w->filter3DOutlineView(), 0);
    undo().registerUndoWithTarget(c->getCurrent3DEffect(), [&] { ++undone; });
    endEvent();
    switchTo(app::Mode::Custom);
    endEvent();
    c->undo();  // back to 3D
    EXPECT_FALSE(undo().canUndo());
    EXPECT_EQ(undone, 0);
    EXPECT_NE(c->backImage(), before);
}

TEST_F(ControllerTest, TheMenuSwitchesByTagAndChecksExactlyTheCurrentMode) {
    const QList<QAction*> modes = w->modeActions();
    ASSERT_EQ(modes.size(), 3);
    for (int tag = 1; tag <= 3; ++tag) {
        c->selectMenuMode(modes[tag - 1]);
        EXPECT_EQ(int(c->filerMode()), tag - 1);
        for (QAction* a : modes) EXPECT_TRUE(c->validateMenuItem(a));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(modes[i]->isChecked(), i == tag - 1);
    }
    QAction other;
    other.setObjectName(app::act::selectMenuMode);
    other.setData(7);
    c->selectMenuMode(&other);
    EXPECT_EQ(c->filerMode(), app::Mode::Custom);
}

TEST_F(ControllerTest, WorkingEffectsAreCopiesAndSurviveModeSwitches) {
    switchTo(app::Mode::ThreeD);
    selectRow(w->filter3DOutlineView(), 0);
    effects::BaseEffect* surface = c->getCurrent3DEffect();
    ASSERT_TRUE(surface);
    EXPECT_NE(surface, static_cast<effects::BaseEffect*>(c->threeD().prototypeAt(0)));
    EXPECT_EQ(surface->name(), "Surface Rotate");
    EXPECT_TRUE(c->wasChanged());
    EXPECT_TRUE(w->applyBtn()->isEnabled());

    switchTo(app::Mode::Custom);
    selectRow(w->filterCustomOutlineView(), 4);
    ASSERT_TRUE(c->getCurrentCustomEffect());
    EXPECT_EQ(c->getCurrentCustomEffect()->name(), "Flare Effect");
    switchTo(app::Mode::ThreeD);
    EXPECT_EQ(c->getCurrent3DEffect(), surface);
    selectRow(w->filter3DOutlineView(), 1);
    EXPECT_EQ(c->getCurrent3DEffect()->name(), "3D Objects");
}

TEST_F(ControllerTest, EscapeDropsOnlyTheCurrentModesEffect) {
    switchTo(app::Mode::ThreeD);
    selectRow(w->filter3DOutlineView(), 1);
    switchTo(app::Mode::Custom);
    EXPECT_FALSE(c->validateMenuItem(action(app::act::escapeEffect)));
    selectRow(w->filterCustomOutlineView(), 0);
    EXPECT_TRUE(c->validateMenuItem(action(app::act::escapeEffect)));

    // Escape released on the window.
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(c->getCurrentCustomEffect());
    EXPECT_FALSE(w->filterCustomOutlineView()->selectionModel()->hasSelection());
    EXPECT_TRUE(c->getCurrent3DEffect());
    EXPECT_FALSE(c->validateMenuItem(action(app::act::escapeEffect)));
    // Dropping an effect is not a change to the picture's changed flag either way.
    EXPECT_TRUE(c->wasChanged());
}

TEST_F(ControllerTest, WindowTitleFollowsTheFileName) {
    EXPECT_EQ(c->windowTitleForPath(QString()), "Deverav");
    EXPECT_EQ(c->windowTitleForPath("/home/ann/Pictures/beach.jpg"), "Deverav::beach.jpg");
    EXPECT_EQ(c->windowTitleForPath("beach.jpg"), "Deverav::beach.jpg");
    EXPECT_EQ(c->windowTitleForPath("/tmp/holiday/"), "Deverav::holiday");
    c->setFilePath("/home/ann/Pictures/beach.jpg");
    EXPECT_EQ(shownTitle(), "Deverav::beach.jpg");
    EXPECT_EQ(c->getFilePath(), "/home/ann/Pictures/beach.jpg");
    // Unsaved changes show the desktop's marker, and the program's name only once.
    c->setWasChanged(true);
    EXPECT_EQ(w->windowTitle(), "Deverav::beach.jpg[*]");
    EXPECT_EQ(shownTitle(), "Deverav::beach.jpg*");
    c->setWasChanged(false);
    c->setFilePath(QString());
    EXPECT_EQ(shownTitle(), "Deverav");
}

TEST_F(ControllerTest, TheQuitQuestionAndItsThreeAnswers) {
    // Without changes nothing is asked.
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Now);
    EXPECT_TRUE(alerts.isEmpty());
    c->setWasChanged(true);

    answer = 2;  // Cancel
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Cancel);
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_EQ(lastMessage(), "Do you want to save changes?");
    EXPECT_EQ(lastText(), "Your changes will be lost if you choose don't save option.");
    EXPECT_EQ(alertTitles.last(), QStringList({"Save...", "Cancel", "Don't Save"}));
    EXPECT_FALSE(Controller::exitAppPending());
    c->terminate();
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(w->isVisible());

    answer = 3;  // Don't Save
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Now);
    EXPECT_FALSE(w->findChild<QFileDialog*>("savePanel"));

    answer = 1;  // Save...
    alerts.clear();
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Cancel);
    // The picture has no file yet: the save panel is up, and the quit waits for it.
    auto* panel = w->findChild<QFileDialog*>("savePanel");
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(Controller::exitAppPending());
    // The save ends by asking again, which is granted without a question.
    EXPECT_EQ(c->applicationShouldTerminate(), Controller::TerminateReply::Now);
    EXPECT_EQ(alerts.size(), 1);
}

TEST_F(ControllerTest, TheWindowFrameIsSavedAtQuitAndRestoredAtStart) {
    // Within the test screen (800 wide): a saved frame is never made larger than its screen.
    w->setGeometry(QRect(40, 60, 800, 580));
    c->terminate();
    ASSERT_TRUE(prefs->frame("Deverav"));
    EXPECT_EQ(prefs->frame("Deverav")->size(), QSize(800, 580));
    c.reset();
    start();
    EXPECT_EQ(w->geometry().size(), QSize(800, 580));

    // A corrupt or unreachable frame is ignored.
    c.reset();
    prefs->settings().setValue("WindowFrames/Deverav", "40 60 nonsense");
    start();
    EXPECT_GE(w->width(), w->minimumWidth());
    c.reset();
    prefs->saveFrame("Deverav", QRect(90000, 90000, 900, 640));
    start();
    EXPECT_LT(w->geometry().x(), 10000);
}

TEST_F(ControllerTest, MenuItemsFollowTheirTableTheHistoryAndTheClipboard) {
    using namespace app;
    c->validateAllMenuItems();
    for (const QString& name :
         {act::openImg, act::copy, act::flipVert, act::flipHorizont, act::rotateRight,
          act::rotateLeft, act::showResizePanel, act::showInfoPanel, act::terminate,
          act::displayHelp, act::saveImg, act::saveImgAs, act::runAbout})
        EXPECT_TRUE(action(name)->isEnabled()) << name.toStdString();
    EXPECT_EQ(action(act::showResizePanel)->text(), "Resize Image ...");
    EXPECT_EQ(action(act::showInfoPanel)->text(), "Image Information ...");
    // The canvas's context menu offers the picture commands.
    QStringList inMenu;
    for (QAction* a : c->contextMenu()->actions()) inMenu << a->objectName();
    for (const QString& name : {act::copy, act::paste, act::escapeEffect})
        EXPECT_TRUE(inMenu.contains(name)) << name.toStdString();

    EXPECT_FALSE(c->validateMenuItem(action(act::undo)));
    EXPECT_FALSE(c->validateMenuItem(action(act::redo)));
    switchTo(app::Mode::Custom);
    endEvent();
    EXPECT_TRUE(c->validateMenuItem(action(act::undo)));
    EXPECT_TRUE(action(act::undo)->isEnabled());
    EXPECT_EQ(action(act::undo)->text(), "Undo");
    c->undo();
    EXPECT_FALSE(c->validateMenuItem(action(act::undo)));
    EXPECT_TRUE(c->validateMenuItem(action(act::redo)));

    // Paste follows the clipboard, and the paste button with it.
    EXPECT_FALSE(c->validateMenuItem(action(act::paste)));
    EXPECT_FALSE(w->pasteBtn()->isEnabled());
    QGuiApplication::clipboard()->setImage(apprig::solid(4, 4, Qt::red));
    EXPECT_TRUE(c->validateMenuItem(action(act::paste)));
    EXPECT_TRUE(w->pasteBtn()->isEnabled());
    QGuiApplication::clipboard()->clear();
    c->applicationDidBecomeActive();
    EXPECT_FALSE(w->pasteBtn()->isEnabled());
}

TEST_F(ControllerTest, TheEffectListsShowTheirRows) {
    QAbstractItemModel* list3D = w->filter3DOutlineView()->model();
    ASSERT_EQ(list3D->rowCount(), 2);
    EXPECT_EQ(list3D->index(0, 1).data().toString(), "Surface Rotate");
    EXPECT_EQ(list3D->index(1, 1).data().toString(), "3D Objects");
    for (int r = 0; r < 2; ++r) EXPECT_FALSE(list3D->index(r, 0).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(list3D->index(0, 0).data(Qt::ToolTipRole).toString(), "3D Surface Rotate");

    QAbstractItemModel* custom = w->filterCustomOutlineView()->model();
    // The seven generators, then the mask effect.
    const QStringList names = {"Simple Objects",   "Lines Effect", "Hilbert Lines",
                               "Patch Works",      "Flare Effect", "Plasma Effect",
                               "Pattern Morphing", "Mask Effect"};
    ASSERT_EQ(custom->rowCount(), names.size());
    for (int r = 0; r < names.size(); ++r) {
        EXPECT_EQ(custom->index(r, 1).data().toString(), names[r]);
        const bool marker = !custom->index(r, 0).data(Qt::DecorationRole).isNull();
        EXPECT_EQ(marker, r == 1 || r == 4 || r == 6) << r;
        EXPECT_FALSE(custom->hasChildren(custom->index(r, 0)));
        EXPECT_FALSE(custom->flags(custom->index(r, 1)) & Qt::ItemIsEditable);
    }

    // Favourites find their effect's prototype by its stored class name.
    EXPECT_EQ(c->custom().prototypeNamed("linesEffect"), c->custom().prototypeAt(1));
    EXPECT_EQ(c->custom().prototypeNamed("maskEffect"), c->custom().prototypeAt(7));
    EXPECT_EQ(c->threeD().prototypeNamed("ObjectEffect"), c->threeD().prototypeAt(1));
    EXPECT_EQ(c->threeD().prototypeNamed("linesEffect"), nullptr);

    // The delegate calls themselves, as the lists ask them.
    EXPECT_EQ(c->outlineViewNumberOfChildrenOfItem(w->listView(), nullptr), 0);
    EXPECT_EQ(c->outlineViewChildOfItem(w->filter3DOutlineView(), 2, nullptr), nullptr);
    EXPECT_EQ(c->outlineViewNumberOfChildrenOfItem(w->filterCustomOutlineView(),
                                                   c->custom().prototypeAt(1)),
              0);
    EXPECT_TRUE(
        c->outlineViewObjectValueForTableColumnByItem(w->listView(), "0", nullptr).isNull());
}

TEST_F(ControllerTest, UndoAndRedoRebuildTheParameterPanelOnTheNextUpdate) {
    new QLabel("stale", w->placeCntrlView());
    c->undo();
    EXPECT_EQ(w->placeCntrlView()->findChildren<QLabel*>().size(), 1);  // deferred
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->placeCntrlView()->findChildren<QLabel*>().isEmpty());
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
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_TRUE(lastMessage().contains("user guide"));
}

TEST_F(ControllerTest, TheAboutBoxClosesByItself) {
    c->aboutWindow()->setTickMs(10);
    c->runAbout();
    EXPECT_FALSE(c->aboutWindow()->isVisible());
    EXPECT_FALSE(c->aboutWindow()->endedByInput());
}

TEST_F(ControllerTest, ZoomSliderMapping) {
    EXPECT_DOUBLE_EQ(Controller::zoomForSliderValue(5), 1.0);
    EXPECT_NEAR(Controller::sliderValueForZoom(0.1), 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(Controller::sliderValueForZoom(1), 5.0);
    EXPECT_DOUBLE_EQ(Controller::sliderValueForZoom(10), 10.0);
    for (double z : {0.1, 0.37, 1.0, 2.5, 10.0})
        EXPECT_NEAR(Controller::zoomForSliderValue(Controller::sliderValueForZoom(z)), z, 1e-12);

    // Moving the slider zooms the standard canvas; in the 3D mode the slider is off.
    w->zoomSlider()->setValue(500);
    EXPECT_DOUBLE_EQ(w->ciView()->getZoom(), 1.0);
    switchTo(app::Mode::Custom);
    w->zoomSlider()->setValue(750);
    EXPECT_DOUBLE_EQ(w->customEffectsView()->getZoom(), 5.5);
    EXPECT_DOUBLE_EQ(w->ciView()->getZoom(), 1.0);
}

TEST_F(ControllerTest, CanvasesRedrawOnTheirNotificationsAndStopListeningWhenGone) {
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    switchTo(app::Mode::ThreeD);
    QCoreApplication::processEvents();
    w->openGLView()->installEventFilter(&counter);
    auto& center = foundation::NotificationCenter::defaultCenter();
    center.postNotificationName(foundation::kUpdateOpenGLView);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 2000));
    w->openGLView()->removeEventFilter(&counter);
    c.reset();  // the window and its canvases go; a post must not reach them
    center.postNotificationName(foundation::kUpdateCustomView);
    center.postNotificationName(foundation::kUpdateOpenGLView);
}
