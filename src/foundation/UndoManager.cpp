#include "foundation/UndoManager.h"

#include <QMetaObject>
#include <algorithm>

namespace foundation {

UndoManager::UndoManager(QObject* parent) : QObject(parent) {}

std::vector<UndoManager::Group>& UndoManager::recordingStack() {
    return state_ == State::Undoing ? redoStack_ : undoStack_;
}

UndoManager::Group& UndoManager::openGroup() {
    if (!groupOpen_) {
        recordingStack().push_back({});
        groupOpen_ = true;
        eventGroup_ = nesting_ == 0 && state_ == State::Idle;
        if (eventGroup_ && !closeScheduled_) {
            closeScheduled_ = true;
            QMetaObject::invokeMethod(this, &UndoManager::closeEventGroup, Qt::QueuedConnection);
        }
    }
    return recordingStack().back();
}

void UndoManager::closeOpenGroup() {
    if (!groupOpen_) return;
    groupOpen_ = false;
    eventGroup_ = false;
    nesting_ = 0;
    auto& stack = recordingStack();
    if (!stack.empty() && stack.back().entries.empty()) stack.pop_back();
    // While a group is open its newest finished neighbour is spared; now the group itself is
    // the newest step.
    enforceMemoryLimit();
}

void UndoManager::registerUndoWithTarget(Target target, Action action, const QString& name,
                                         qint64 bytes) {
    if (!action) return;
    if (state_ == State::Idle) redoStack_.clear();
    Group& g = openGroup();
    const bool newStep = g.entries.empty() && state_ == State::Idle;
    g.entries.push_back({target, std::move(action), std::max<qint64>(0, bytes)});
    if (!name.isEmpty()) g.name = name;
    if (bytes > 0) enforceMemoryLimit();
    if (newStep) Q_EMIT stepDone();
    Q_EMIT changed();
}

void UndoManager::setMemoryLimit(qint64 bytes) {
    memoryLimit_ = std::max<qint64>(0, bytes);
    enforceMemoryLimit();
    Q_EMIT changed();
}

qint64 UndoManager::memoryUse() const {
    qint64 sum = 0;
    for (const auto* stack : {&undoStack_, &redoStack_})
        for (const Group& g : *stack)
            for (const Entry& e : g.entries) sum += e.bytes;
    return sum;
}

void UndoManager::enforceMemoryLimit() {
    qint64 use = memoryUse();
    auto groupBytes = [](const Group& g) {
        qint64 sum = 0;
        for (const Entry& e : g.entries) sum += e.bytes;
        return sum;
    };
    // The group being recorded sits at the back of its stack and is never dropped; on the undo
    // stack the newest finished step stays too.
    auto trim = [&](std::vector<Group>& stack, size_t keepAtBack) {
        size_t drop = 0;
        while (use > memoryLimit_ && drop + keepAtBack < stack.size())
            use -= groupBytes(stack[drop++]);
        stack.erase(stack.begin(), stack.begin() + ptrdiff_t(drop));
    };
    const bool undoOpen = groupOpen_ && &recordingStack() == &undoStack_;
    const bool redoOpen = groupOpen_ && !undoOpen;
    // The oldest undo steps go first, then the farthest redo steps.
    trim(undoStack_, undoOpen ? 2 : 1);
    trim(redoStack_, redoOpen ? 1 : 0);
}

void UndoManager::setActionName(const QString& name) {
    if (groupOpen_) {
        recordingStack().back().name = name;
    } else if (!undoStack_.empty()) {
        undoStack_.back().name = name;
    }
    Q_EMIT changed();
}

void UndoManager::beginUndoGrouping() {
    if (!groupOpen_) {
        openGroup();
        eventGroup_ = false;
    }
    ++nesting_;
}

void UndoManager::endUndoGrouping() {
    if (nesting_ == 0) return;
    if (--nesting_ == 0 && !eventGroup_ && state_ == State::Idle) closeOpenGroup();
    Q_EMIT changed();
}

void UndoManager::closeEventGroup() {
    closeScheduled_ = false;
    if (groupOpen_ && eventGroup_ && nesting_ == 0 && state_ == State::Idle) {
        closeOpenGroup();
        Q_EMIT changed();
    }
}

bool UndoManager::canUndo() const {
    return std::any_of(undoStack_.begin(), undoStack_.end(),
                       [](const Group& g) { return !g.entries.empty(); });
}

bool UndoManager::canRedo() const {
    return std::any_of(redoStack_.begin(), redoStack_.end(),
                       [](const Group& g) { return !g.entries.empty(); });
}

void UndoManager::perform(std::vector<Group>& from, State state) {
    if (state_ != State::Idle) return;  // no undo from inside an undo
    closeOpenGroup();
    while (!from.empty() && from.back().entries.empty()) from.pop_back();
    if (from.empty()) return;
    Group g = std::move(from.back());
    from.pop_back();

    state_ = state;
    recordingStack().push_back({{}, g.name});
    groupOpen_ = true;
    eventGroup_ = false;
    // The last action registered is the first undone.
    for (auto it = g.entries.rbegin(); it != g.entries.rend(); ++it) it->action();
    closeOpenGroup();
    state_ = State::Idle;
    if (state == State::Undoing)
        Q_EMIT stepUndone();
    else
        Q_EMIT stepRedone();
    Q_EMIT changed();
}

void UndoManager::undo() {
    perform(undoStack_, State::Undoing);
}
void UndoManager::redo() {
    perform(redoStack_, State::Redoing);
}

QString UndoManager::undoActionName() const {
    for (auto it = undoStack_.rbegin(); it != undoStack_.rend(); ++it)
        if (!it->entries.empty()) return it->name;
    return {};
}

QString UndoManager::redoActionName() const {
    for (auto it = redoStack_.rbegin(); it != redoStack_.rend(); ++it)
        if (!it->entries.empty()) return it->name;
    return {};
}

QString UndoManager::undoMenuItemTitle() const {
    const QString n = undoActionName();
    return n.isEmpty() ? QStringLiteral("Undo") : QStringLiteral("Undo ") + n;
}

QString UndoManager::redoMenuItemTitle() const {
    const QString n = redoActionName();
    return n.isEmpty() ? QStringLiteral("Redo") : QStringLiteral("Redo ") + n;
}

void UndoManager::removeAllActions() {
    QString openName;
    if (groupOpen_) openName = recordingStack().back().name;
    undoStack_.clear();
    redoStack_.clear();
    // A group being recorded stays open (it may belong to an undo in progress).
    if (groupOpen_) recordingStack().push_back({{}, openName});
    Q_EMIT changed();
}

void UndoManager::removeAllActionsWithTarget(Target target) {
    auto prune = [&](std::vector<Group>& stack, bool keepBack) {
        for (auto& g : stack)
            std::erase_if(g.entries, [&](const Entry& e) { return e.target == target; });
        const size_t keep = keepBack && !stack.empty() ? stack.size() - 1 : stack.size();
        std::vector<Group> kept;
        for (size_t i = 0; i < stack.size(); ++i)
            if (i >= keep || !stack[i].entries.empty()) kept.push_back(std::move(stack[i]));
        stack = std::move(kept);
    };
    const bool undoOpen = groupOpen_ && &recordingStack() == &undoStack_;
    prune(undoStack_, undoOpen);
    prune(redoStack_, groupOpen_ && !undoOpen);
    Q_EMIT changed();
}

}  // namespace foundation
