#include <gtest/gtest.h>

#include <QCoreApplication>
#include <vector>

#include "foundation/UndoManager.h"

using foundation::UndoManager;

namespace {

// A value whose changes are undoable the way the program's setters do it: the setter registers
// its own call with the old value.
struct Setting {
    explicit Setting(UndoManager& manager) : um(manager) {}
    UndoManager& um;
    int value = 0;
    QString name;
    void set(int v) {
        const int old = value;
        um.registerUndoWithTarget(
            this, [this, old] { set(old); }, name);
        value = v;
    }
};

}  // namespace

TEST(UndoManager, UndoAndRedoChainsRestoreEveryStep) {
    UndoManager um;
    Setting s{um};
    for (int v : {1, 2, 3}) {
        s.set(v);
        um.closeEventGroup();
    }
    EXPECT_EQ(um.undoCount(), 3);
    EXPECT_FALSE(um.canRedo());

    um.undo();
    EXPECT_EQ(s.value, 2);
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
    um.redo();
    um.redo();
    um.redo();
    EXPECT_EQ(s.value, 3);
    EXPECT_FALSE(um.canRedo());
    EXPECT_EQ(um.undoCount(), 3);
}

TEST(UndoManager, NewActionAfterUndoDropsTheRedoHistory) {
    UndoManager um;
    Setting s{um};
    s.set(1);
    um.closeEventGroup();
    s.set(2);
    um.closeEventGroup();
    um.undo();
    ASSERT_TRUE(um.canRedo());
    s.set(5);
    EXPECT_FALSE(um.canRedo());
    um.closeEventGroup();
    um.undo();
    EXPECT_EQ(s.value, 1);
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

TEST(UndoManager, UndoClosesTheOpenEventGroupFirst) {
    UndoManager um;
    Setting s{um};
    s.set(1);
    um.closeEventGroup();
    s.set(2);  // same event as the undo below
    um.undo();
    EXPECT_EQ(s.value, 1);
    um.undo();
    EXPECT_EQ(s.value, 0);
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
    s.set(4);
    um.closeEventGroup();
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
    s.set(2);
    um.closeEventGroup();
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
    a.set(1);
    um.closeEventGroup();
    b.set(1);  // group with b only
    um.closeEventGroup();
    a.set(2);
    b.set(2);  // mixed group
    um.closeEventGroup();
    a.set(3);
    um.closeEventGroup();
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
    other.set(5);
    um.closeEventGroup();
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

TEST(UndoManager, RemoveAllActionsEmptiesBothStacks) {
    UndoManager um;
    Setting s{um};
    s.set(1);
    um.closeEventGroup();
    s.set(2);
    um.closeEventGroup();
    um.undo();
    um.removeAllActions();
    EXPECT_FALSE(um.canUndo());
    EXPECT_FALSE(um.canRedo());
    EXPECT_EQ(um.undoMenuItemTitle(), "Undo");
}

namespace {
// A picture-sized value: each step keeps `bytes` alive, as an old picture does.
struct Picture {
    explicit Picture(UndoManager& manager) : um(manager) {}
    UndoManager& um;
    int value = 0;
    void set(int v, qint64 bytes) {
        const int old = value;
        um.registerUndoWithTarget(
            this, [this, old, bytes] { set(old, bytes); }, {}, bytes);
        value = v;
        um.closeEventGroup();
    }
};
}  // namespace

TEST(UndoManager, PastTheMemoryLimitTheOldestStepsGo) {
    UndoManager um;
    EXPECT_EQ(um.memoryLimit(), qint64(2) << 30);
    um.setMemoryLimit(100);
    Picture p{um};
    for (int v = 1; v <= 5; ++v) p.set(v, 40);
    EXPECT_EQ(um.memoryUse(), 80);
    EXPECT_EQ(um.undoCount(), 2);
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
    Picture big{um};
    big.set(1, 500);
    EXPECT_EQ(um.undoCount(), 1);
    um.undo();
    EXPECT_EQ(big.value, 0);

    // Steps that keep nothing alive are never forgotten for memory.
    UndoManager light;
    light.setMemoryLimit(1);
    Setting s{light};
    for (int v = 1; v <= 50; ++v) {
        s.set(v);
        light.closeEventGroup();
    }
    EXPECT_EQ(light.undoCount(), 50);
}
