// The controller's menus, undo, and the window's and the application's lifecycle.

#include <QAction>
#include <QPushButton>

#include "app/Controller.h"
#include "app/ImageInfo.h"
#include "app/MainWindow.h"
#include "app/ResizePanel.h"
#include "chrome/KesAlert.h"
#include "chrome/ZoomCanvas.h"
#include "favourites/DocPageControl.h"
#include "foundation/Pasteboard.h"
#include "foundation/Preferences.h"
#include "foundation/UndoManager.h"

namespace app {

// ---------------------------------------------------------------- undo and menus

void Controller::undo() {
    if (auto* um = undoManager()) um->undo();
    updateView();
    updateLayout();
}

void Controller::redo() {
    if (auto* um = undoManager()) um->redo();
    updateView();
    updateLayout();
}

bool Controller::validateMenuItem(QAction* item) {
    if (!item) return false;
    const QString a = item->objectName();
    foundation::UndoManager* um = undoManager();
    if (a == act::undo) return um && um->canUndo();
    if (a == act::redo) return um && um->canRedo();
    if (a == act::copy) return !backImage().isNull();
    if (a == act::paste) {
        const bool offers = foundation::Pasteboard::offersImage();
        if (m_window) m_window->pasteBtn()->setEnabled(offers);
        return offers;
    }
    if (a == act::zoomIn || a == act::zoomOut || a == act::zoomToActualSize || a == act::zoomToFit)
        return zoomTarget() != nullptr;
    // Apply from the menu is enabled exactly when the Apply button is.
    if (a == act::escapeEffect || a == act::applyBtn || a == act::addFavorites)
        return family(filerMode()).hasWorkingEffect();
    if (a == act::showInfoPanel) return m_infoPanel ? m_infoPanel->validateMenuItem(item) : true;
    if (a == act::showResizePanel)
        return m_resizePanel ? m_resizePanel->validateMenuItem(item) : true;
    if (a == act::selectMenuMode) {
        item->setChecked(item->data().toInt() - 1 == int(filerMode()));
        return true;
    }
    return true;
}

void Controller::validateAllMenuItems() {
    if (!m_window) return;
    for (QAction* a : m_window->allActions()) a->setEnabled(validateMenuItem(a));
    if (foundation::UndoManager* um = undoManager()) {
        m_window->action(act::undo)->setText(um->undoMenuItemTitle());
        m_window->action(act::redo)->setText(um->redoMenuItemTitle());
    }
}

// ---------------------------------------------------------------- window and application

bool Controller::windowShouldClose() {
    // Closing the one window ends the program: the same question as quitting.
    return applicationShouldTerminate() == TerminateReply::Now;
}

void Controller::windowWillClose() {
    saveFavorites();
}

void Controller::windowDidResize() {
    for (Mode m : kModes)
        if (favourites::DocPageControl* bar = family(m).views().favouritesBar)
            bar->liveResizeDone();
    for (Mode m : {Mode::Standard, Mode::Custom})
        if (auto* canvas = static_cast<chrome::ZoomCanvas*>(family(m).views().canvas))
            canvas->resizeViewBoundCenter(true, 3);
}

Controller::TerminateReply Controller::applicationShouldTerminate() {
    if (s_exit_app || !wasChanged()) return TerminateReply::Now;
    s_exit_app = false;
    const int answer = chrome::KesAlert::Alert_DONTSAVECANCELMsgText(m_window, kSaveChangesQuestion,
                                                                     kSaveChangesText);
    if (answer == 1) {
        // Saving ends by asking to quit again, which the first check then grants.
        s_exit_app = true;
        saveImg();
        return TerminateReply::Cancel;
    }
    if (answer == 2) return TerminateReply::Cancel;
    return TerminateReply::Now;
}

void Controller::applicationWillTerminate() {
    saveFavorites();
    if (!m_window) return;
    m_prefs.saveFrame(kFrameName, m_window->frameToSave());
}

void Controller::applicationDidFinishLaunching() {
    updateWinTitle();
    registerMyHelpBook();
    // Tells why, over the default picture.
    if (!m_startFileProblem.isEmpty())
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntOpenFile, m_startFileProblem);
}

void Controller::applicationDidBecomeActive() {
    updateMainBtnState();
}

void Controller::terminate() {
    if (applicationShouldTerminate() != TerminateReply::Now) return;
    applicationWillTerminate();
    m_terminating = true;
    if (m_window) m_window->close();
    if (m_quitHandler) m_quitHandler();
}

bool Controller::keyDown(int key) {
    // On the press: the release of an Escape that closed a menu or a dialog comes here too.
    if (key == Qt::Key_Escape) clearAllAndUpdate();
    return true;
}

bool Controller::keyUp(int) {
    return true;
}

}  // namespace app
