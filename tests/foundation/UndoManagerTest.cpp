#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <vector>

#include "foundation/UndoManager.h"

using foundation::UndoManager;

namespace {

// A value whose changes are undoable the way the program's setters do it: the setter registers
// its own call with the old value. `bytes` is what each step keeps alive, as an old picture does.
struct Setting {
    explicit Setting(UndoManager& manager, qint64 size = 0) : um(manager), bytes(size) {}
    UndoManager& um;
    qint64 bytes;
    int value = 0;
    QString name;
    void set(int v) {
        const int old = value;
        um.registerUndoWithTarget(
            this, [this, old] { set(old); }, name, bytes);
        value = v;
    }
    // A setting changed in an event of its own.
    void step(int v) {
        set(v);
        um.closeEventGroup();
    }
};

}  // namespace

TEST(UndoManager, UndoAndRedoChainsRestoreEveryStepAndANewStepEndsTheRedoHistory) {
    UndoManager um;
    Setting s{um};
    for (int v : {1, 2, 3}) s.step(v);
    EXPECT_EQ(um.undoCount(), 3);
    EXPECT_FALSE(um.canRedo());

    um.undo();
    um.undo();
    EXPECT_EQ(s.value, 1);
    EXPECT_TRUE(um.canRedo());
    um.redo();
    EXPECT_EQ(s.value, 2);
    um.undo();
    um.undo();
    EXPECT_EQ(s.value, 0);
    EXPECT_FALSE(um.canUndo());
    um.undo();  // nothing left: no effect
    EXPECT_EQ(s.value, 0);
    for (int i = 0; i < 3; ++i) um.redo();
    EXPECT_EQ(s.value, 3);
    EXPECT_FALSE(um.canRedo());
    EXPECT_EQ(um.undoCount(), 3);

    um.undo();
    s.set(5);
    EXPECT_FALSE(um.canRedo());
    // Undo closes the open event group first.
    um.undo();
    EXPECT_EQ(s.value, 2);

    um.removeAllActions();
    EXPECT_FALSE(um.canUndo());
    EXPECT_FALSE(um.canRedo());
    EXPECT_EQ(um.undoMenuItemTitle(), "Undo");
}

TEST(UndoManager, ActionsOfOneEventFormOneGroupUndoneInReverse) {
    UndoManager um;
    std::vector<int> order;
    Setting a{um}, b{um};
    a.set(10);
    b.set(20);
    a.set(11);
    // The group of this event closes when control returns to the event loop.
    EXPECT_EQ(um.undoCount(), 1);
    QCoreApplication::processEvents();
    b.set(21);
    QCoreApplication::processEvents();
    EXPECT_EQ(um.undoCount(), 2);

    um.undo();
    EXPECT_EQ(b.value, 20);
    EXPECT_EQ(a.value, 11);
    um.undo();
    EXPECT_EQ(a.value, 0);  // 11 -> 10 -> 0, the last registered first
    EXPECT_EQ(b.value, 0);
    um.redo();
    EXPECT_EQ(a.value, 11);
    EXPECT_EQ(b.value, 20);
}

TEST(UndoManager, ExplicitGroupsNestAndCloseAtTheOutermostEnd) {
    UndoManager um;
    Setting s{um};
    um.beginUndoGrouping();
    s.set(1);
    um.beginUndoGrouping();
    s.set(2);
    um.endUndoGrouping();
    s.set(3);
    um.endUndoGrouping();
    s.step(4);
    EXPECT_EQ(um.undoCount(), 2);
    um.undo();
    EXPECT_EQ(s.value, 3);
    um.undo();
    EXPECT_EQ(s.value, 0);
}

TEST(UndoManager, StepsAreCountedOncePerGroupAndUndoRedoCountTheirOwn) {
    UndoManager um;
    Setting a{um}, b{um};
    int done = 0, undone = 0, redone = 0;
    QObject::connect(&um, &UndoManager::stepDone, [&] { ++done; });
    QObject::connect(&um, &UndoManager::stepUndone, [&] { ++undone; });
    QObject::connect(&um, &UndoManager::stepRedone, [&] { ++redone; });
    a.set(1);
    b.set(1);  // the same event: the same step
    EXPECT_EQ(done, 1);
    um.closeEventGroup();
    um.beginUndoGrouping();
    a.set(2);
    b.set(2);
    um.endUndoGrouping();
    EXPECT_EQ(done, 2);
    um.undo();
    um.undo();
    um.redo();
    // Undo and redo record their opposites without counting them as new steps.
    EXPECT_EQ(done, 2);
    EXPECT_EQ(undone, 2);
    EXPECT_EQ(redone, 1);
}

TEST(UndoManager, NamesAndMenuTitles) {
    UndoManager um;
    Setting s{um};
    EXPECT_EQ(um.undoMenuItemTitle(), "Undo");
    EXPECT_EQ(um.redoMenuItemTitle(), "Redo");

    s.set(1);
    um.setActionName("Change to Radius 4.00");
    um.closeEventGroup();
    EXPECT_EQ(um.undoActionName(), "Change to Radius 4.00");
    EXPECT_EQ(um.undoMenuItemTitle(), "Undo Change to Radius 4.00");

    s.name = "Rotate";  // a name given with the registration
    s.step(2);
    EXPECT_EQ(um.undoMenuItemTitle(), "Undo Rotate");

    um.undo();
    // The redo carries the name of what was undone.
    EXPECT_EQ(um.redoMenuItemTitle(), "Redo Rotate");
    EXPECT_EQ(um.undoMenuItemTitle(), "Undo Change to Radius 4.00");
    um.redo();
    EXPECT_EQ(um.undoMenuItemTitle(), "Undo Rotate");
    EXPECT_EQ(um.redoMenuItemTitle(), "Redo");
}

TEST(UndoManager, RemovingATargetInTheMiddleOfTheHistoryKeepsTheRest) {
    UndoManager um;
    Setting a{um}, b{um};
    a.step(1);
    b.step(1);  // group with b only
    a.set(2);
    b.step(2);  // mixed group
    a.step(3);
    um.undo();  // a: 3 -> 2, now on the redo stack
    ASSERT_EQ(a.value, 2);

    um.removeAllActionsWithTarget(&b);
    EXPECT_EQ(um.undoCount(), 2);  // b's own group is gone, the mixed one keeps a's action
    EXPECT_TRUE(um.canRedo());

    um.undo();
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(b.value, 2);  // b's change is no longer undoable
    um.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_FALSE(um.canUndo());
    um.redo();
    um.redo();
    um.redo();
    EXPECT_EQ(a.value, 3);
}

TEST(UndoManager, RemovalDuringAnUndoKeepsTheRedoBeingRecorded) {
    // The mode switch empties the history and then registers its way back while it is itself
    // being undone.
    UndoManager um;
    int mode = 0;
    std::function<void(int)> switchTo = [&](int m) {
        const int previous = mode;
        mode = m;
        um.removeAllActionsWithTarget(&mode);
        um.registerUndoWithTarget(&mode, [&switchTo, previous] { switchTo(previous); });
    };
    Setting other{um};
    other.step(5);
    switchTo(1);
    um.closeEventGroup();
    switchTo(2);
    um.closeEventGroup();
    EXPECT_EQ(um.undoCount(), 2);  // the setting, then the last switch only

    um.undo();
    EXPECT_EQ(mode, 1);
    EXPECT_TRUE(um.canRedo());
    EXPECT_EQ(um.undoCount(), 1);  // only the setting is left to undo
    um.redo();
    EXPECT_EQ(mode, 2);
    um.undo();
    um.undo();
    EXPECT_EQ(other.value, 0);
    EXPECT_EQ(mode, 1);
}

TEST(UndoManager, PastTheMemoryLimitTheOldestStepsGo) {
    UndoManager um;
    EXPECT_EQ(um.memoryLimit(), qint64(2) << 30);
    um.setMemoryLimit(100);
    Setting p{um, 40};
    for (int v = 1; v <= 5; ++v) p.step(v);
    EXPECT_EQ(um.memoryUse(), 80);
    EXPECT_EQ(um.undoCount(), 2);
    um.setMemoryLimit(80);  // exactly full: nothing more goes
    EXPECT_EQ(um.undoCount(), 2);
    um.setMemoryLimit(100);
    // The newest steps are the ones kept.
    um.undo();
    um.undo();
    EXPECT_EQ(p.value, 3);
    EXPECT_FALSE(um.canUndo());
    // Redo steps count too; the farthest go when room is needed.
    EXPECT_EQ(um.memoryUse(), 80);
    um.redo();
    EXPECT_EQ(p.value, 4);

    // A step larger than the whole limit is still kept: the last edit can always be undone.
    Setting big{um, 500};
    big.step(1);
    EXPECT_EQ(um.undoCount(), 1);
    um.undo();
    EXPECT_EQ(big.value, 0);

    // Steps that keep nothing alive are never forgotten for memory.
    UndoManager light;
    light.setMemoryLimit(1);
    Setting s{light};
    for (int v = 1; v <= 50; ++v) s.step(v);
    EXPECT_EQ(light.undoCount(), 50);
}

// An action can hold the last reference to an object that, as it ends, takes its own steps out
// of the history (as the generators do): removing that action must not pull the history apart
// under the removal.
TEST(UndoManager, ActionsWhoseEndCallsBackAreRemovedSafely) {
    struct SelfRemoving {
        UndoManager& um;
        ~SelfRemoving() { um.removeAllActionsWithTarget(this); }
    };
    UndoManager um;
    Setting other{um};
    int target = 0;
    // A step whose action holds such an object (and holds it again in the redo history once
    // undone), then a step of another setting.
    auto step = [&] {
        auto held = std::make_shared<SelfRemoving>(SelfRemoving{um});
        um.registerUndoWithTarget(held.get(), [] {});
        um.registerUndoWithTarget(
            &target, [&um, &target, held] { um.registerUndoWithTarget(&target, [held] {}); });
        um.closeEventGroup();
        other.step(other.value + 1);
    };

    for (int k = 0; k < 3; ++k) step();
    um.removeAllActionsWithTarget(&target);
    EXPECT_EQ(um.undoCount(), 3);  // the other setting's steps

    step();
    step();
    um.removeAllActions();
    EXPECT_FALSE(um.canUndo());

    for (int k = 0; k < 3; ++k) step();
    um.registerUndoWithTarget(
        &other, [] {}, {}, 1000);
    um.closeEventGroup();
    um.setMemoryLimit(10);
    EXPECT_EQ(um.undoCount(), 1);
    um.setMemoryLimit(1 << 30);

    um.removeAllActions();
    step();
    um.undo();
    um.undo();
    ASSERT_TRUE(um.canRedo());
    other.step(10);  // a new step ends the redo history
    EXPECT_FALSE(um.canRedo());
    EXPECT_EQ(um.undoCount(), 1);
}
