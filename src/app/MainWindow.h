#pragma once
// The main window: mode buttons, effect lists and controls on the left; the tool strip, the
// current mode's canvas and its favourites bar on the right; the menus. It builds the views and
// hands them out; the controller decides what they show.

#include <QHash>
#include <QMainWindow>
#include <optional>

#include "app/EffectFamily.h"
#include "foundation/UndoManager.h"

class QAbstractButton;
class QAction;
class QMenu;
class QSlider;
class QStackedWidget;
class QTreeView;

namespace chrome {
class BaseColoredButton;
}
namespace favourites {
class DocPageControl;
}
namespace generators {
class customEffImageView;
}
namespace threed {
class MyOGLView;
}
namespace workbench {
class MyImageView;
}

namespace app {

class Controller;
class EffectListModel;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(Controller* controller);

    foundation::UndoManager& undoManagerObject() { return m_undo; }
    // The menu item or button action with the given action name ("undo:", "copy:", ...).
    QAction* action(const QString& name) const { return m_actions.value(name); }
    // The three items of the Mode menu, tags 1 to 3.
    QList<QAction*> modeActions() const;
    QList<QAction*> allActions() const { return m_actions.values() + modeActions(); }
    QMenu* menuNamed(const QString& title) const;
    // The canvases' context menu.
    QMenu* contextMenu() const { return m_contextMenu; }
    // Takes a saved frame where a person can still reach it, else most of the screen.
    void restoreFrame(const std::optional<QRect>& saved);
    // The frame to save: the normal one of a maximised or full-screen window.
    QRect frameToSave() const;

    // --- the views of each mode
    chrome::BaseColoredButton* modeButton(Mode m) const { return m_modeButtons[int(m)]; }
    chrome::BaseColoredButton* standardBtn() const { return modeButton(Mode::Standard); }
    chrome::BaseColoredButton* threeDBtn() const { return modeButton(Mode::ThreeD); }
    chrome::BaseColoredButton* customBtn() const { return modeButton(Mode::Custom); }
    // The list, controls host, canvas and favourites bar of a mode.
    FamilyViews familyViews(Mode m) const;
    QTreeView* listView() const { return m_lists[0]; }
    QTreeView* filter3DOutlineView() const { return m_lists[1]; }
    QTreeView* filterCustomOutlineView() const { return m_lists[2]; }
    QWidget* placeCntrlView() const { return m_controlsHosts[0]; }
    workbench::MyImageView* ciView() const { return m_ciView; }
    threed::MyOGLView* openGLView() const { return m_openGLView; }
    generators::customEffImageView* customEffectsView() const { return m_customEffectsView; }
    EffectListModel* list3DModel() const { return m_list3DModel; }
    EffectListModel* listCustomModel() const { return m_listCustomModel; }

    // --- pages (one per mode) and the tool strip
    QStackedWidget* filterTabView() const { return m_filterTabView; }
    QStackedWidget* favoritesTabView() const { return m_favoritesTabView; }
    QStackedWidget* mainTabView() const { return m_mainTabView; }
    QSlider* zoomSlider() const { return m_zoomSlider; }
    QAbstractButton* pasteBtn() const { return m_pasteBtn; }
    QAbstractButton* applyBtn() const { return m_applyBtn; }
    // Beside the favourites bars: adds the current mode's working effect.
    QAbstractButton* addFavouriteBtn() const { return m_addFavouriteBtn; }
    QWidget* openBtn() const { return m_openBtn; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildMenus();
    QWidget* buildLeftPane();
    QWidget* buildRightPane();
    QAction* makeAction(const QString& name, const QString& title, const QKeySequence& key = {});

    Controller* m_controller;
    foundation::UndoManager m_undo;
    QHash<QString, QAction*> m_actions;
    QAction* m_modeActions[3] = {};
    QMenu* m_contextMenu = nullptr;
    chrome::BaseColoredButton* m_modeButtons[3] = {};
    QTreeView* m_lists[3] = {};
    QWidget* m_controlsHosts[3] = {};
    favourites::DocPageControl* m_favouriteBars[3] = {};
    workbench::MyImageView* m_ciView = nullptr;
    threed::MyOGLView* m_openGLView = nullptr;
    generators::customEffImageView* m_customEffectsView = nullptr;
    EffectListModel* m_list3DModel = nullptr;
    EffectListModel* m_listCustomModel = nullptr;
    QStackedWidget* m_filterTabView = nullptr;
    QStackedWidget* m_favoritesTabView = nullptr;
    QStackedWidget* m_mainTabView = nullptr;
    QSlider* m_zoomSlider = nullptr;
    QAbstractButton* m_pasteBtn = nullptr;
    QAbstractButton* m_applyBtn = nullptr;
    QAbstractButton* m_addFavouriteBtn = nullptr;
    QWidget* m_openBtn = nullptr;
};

}  // namespace app
