#pragma once
// The main window: mode buttons, effect lists and controls on the left; the tool strip, the
// current mode's canvas and its favourites bar on the right; the menus.

#include <QHash>
#include <QMainWindow>

#include "foundation/UndoManager.h"

class QAction;
class QMenu;

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
    EffectListModel* list3DModel() const { return m_list3DModel; }
    EffectListModel* listCustomModel() const { return m_listCustomModel; }
    QMenu* menuNamed(const QString& title) const;

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
    EffectListModel* m_list3DModel = nullptr;
    EffectListModel* m_listCustomModel = nullptr;
    QWidget* m_openBtn = nullptr;

  public:
    QWidget* openBtn() const { return m_openBtn; }
};

}  // namespace app
