#pragma once
// Undo history whose actions are keyed by the object they act on, so that everything concerning
// one object can be dropped from the middle of the history. Performing an undo records what the
// action registers as the matching redo; the actions registered while one user event is handled
// form one group, undone and redone as a whole.
//
// Actions may say how much memory they keep alive (an old picture, say). Past the memory limit
// the oldest steps are forgotten, so that a long session cannot exhaust memory; the newest undo
// step is always kept.

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

    static constexpr qint64 kDefaultMemoryLimit = qint64(2) << 30;

    explicit UndoManager(QObject* parent = nullptr);

    // Records an action: on the undo stack normally and while redoing, on the redo stack while
    // undoing. A registration outside both clears the redo stack. Outside an explicit group the
    // action joins the group of the current event, closed when control returns to the event loop
    // (or by closeEventGroup). `bytes` is the memory the action keeps alive.
    void registerUndoWithTarget(Target target, Action action, const QString& name = {},
                                qint64 bytes = 0);
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

    // Memory the recorded steps may keep alive before the oldest are forgotten.
    void setMemoryLimit(qint64 bytes);
    qint64 memoryLimit() const { return memoryLimit_; }
    // Memory the undo and redo steps keep alive now.
    qint64 memoryUse() const;

    int undoCount() const { return int(undoStack_.size()); }
    int redoCount() const { return int(redoStack_.size()); }

  Q_SIGNALS:
    // Something changed that menu items and buttons may depend on.
    void changed();
    // A new step began (its first action was recorded outside undo and redo), a step was
    // undone, a step was redone: what a document counts to know whether it has changes.
    void stepDone();
    void stepUndone();
    void stepRedone();

  private:
    struct Entry {
        Target target;
        Action action;
        qint64 bytes = 0;
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
    // Forgets the oldest steps while the history keeps more than the limit alive.
    void enforceMemoryLimit();

    std::vector<Group> undoStack_, redoStack_;
    // Group being recorded; it lives on recordingStack() back while open.
    bool groupOpen_ = false;
    bool eventGroup_ = false;
    int nesting_ = 0;
    bool closeScheduled_ = false;
    State state_ = State::Idle;
    QString pendingName_;
    qint64 memoryLimit_ = kDefaultMemoryLimit;
};

}  // namespace foundation
