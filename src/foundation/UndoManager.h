#pragma once
// Undo history whose actions are keyed by the object they act on, so that everything concerning
// one object can be dropped from the middle of the history. Performing an undo records what the
// action registers as the matching redo; the actions registered while one user event is handled
// form one group, undone and redone as a whole.

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

namespace foundation {

class UndoManager : public QObject {
    Q_OBJECT

  public:
    using Target = const void*;
    using Action = std::function<void()>;

    explicit UndoManager(QObject* parent = nullptr);

    // Records an action: on the undo stack normally and while redoing, on the redo stack while
    // undoing. A registration outside both clears the redo stack. Outside an explicit group the
    // action joins the group of the current event, closed when control returns to the event loop
    // (or by closeEventGroup).
    void registerUndoWithTarget(Target target, Action action, const QString& name = {});
    // Names the group being recorded.
    void setActionName(const QString& name);

    void beginUndoGrouping();
    void endUndoGrouping();
    // Ends the group of the current event now.
    void closeEventGroup();

    bool canUndo() const;
    bool canRedo() const;
    bool isUndoing() const { return state_ == State::Undoing; }
    bool isRedoing() const { return state_ == State::Redoing; }
    void undo();
    void redo();

    QString undoActionName() const;
    QString redoActionName() const;
    // "Undo" or "Undo <name>"; "Redo" or "Redo <name>".
    QString undoMenuItemTitle() const;
    QString redoMenuItemTitle() const;

    void removeAllActions();
    void removeAllActionsWithTarget(Target target);

    int undoCount() const { return int(undoStack_.size()); }
    int redoCount() const { return int(redoStack_.size()); }

  Q_SIGNALS:
    // Something changed that menu items and buttons may depend on.
    void changed();

  private:
    struct Entry {
        Target target;
        Action action;
    };
    struct Group {
        std::vector<Entry> entries;
        QString name;
    };
    enum class State { Idle, Undoing, Redoing };

    std::vector<Group>& recordingStack();
    Group& openGroup();
    void closeOpenGroup();
    void perform(std::vector<Group>& from, State state);

    std::vector<Group> undoStack_, redoStack_;
    // Group being recorded; it lives on recordingStack() back while open.
    bool groupOpen_ = false;
    bool eventGroup_ = false;
    int nesting_ = 0;
    bool closeScheduled_ = false;
    State state_ = State::Idle;
    QString pendingName_;
};

}  // namespace foundation
