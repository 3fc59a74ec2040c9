#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Preferences.h"

using namespace foundation;

TEST(NotificationCenter, PostsReachTheObserversOfThatNameUntilRemovedEvenDuringAPost) {
    NotificationCenter center;
    int gl = 0, custom = 0, other = 0;
    int a = 0, b = 0;  // observer identities
    center.addObserver(&a, kUpdateOpenGLView, [&] { ++gl; });
    center.addObserver(&b, kUpdateCustomView, [&] { ++custom; });
    center.addObserver(&b, kUpdateOpenGLView, [&] { ++other; });

    center.postNotificationName(kUpdateOpenGLView);
    EXPECT_EQ(gl, 1);
    EXPECT_EQ(other, 1);
    EXPECT_EQ(custom, 0);

    center.removeObserver(&b, kUpdateOpenGLView);
    center.postNotificationName(kUpdateOpenGLView);
    center.postNotificationName(kUpdateCustomView);
    EXPECT_EQ(gl, 2);
    EXPECT_EQ(other, 1);
    EXPECT_EQ(custom, 1);

    center.removeObserver(&a);
    center.postNotificationName(kUpdateOpenGLView);
    EXPECT_EQ(gl, 2);

    // An observer removed during a post is not called afterwards.
    int c = 0, d = 0, calledD = 0;
    center.addObserver(&c, kUpdateCustomView, [&] { center.removeObserver(&d); });
    center.addObserver(&d, kUpdateCustomView, [&] { ++calledD; });
    center.postNotificationName(kUpdateCustomView);
    EXPECT_EQ(calledD, 0);
}

TEST(Geometry, YUpFramesBecomeQtRectsMeasuredFromTheTop) {
    EXPECT_EQ(qtRectFromYUp(375, 12, 96, 32, 132), QRect(375, 88, 96, 32));
    EXPECT_EQ(qtRectFromYUp(QRectF(1, 2.5, 3, 4), 10.0), QRectF(1, 3.5, 3, 4));
}

TEST(Preferences, WindowFramesRoundTripAndCorruptEntriesReadAsAbsent) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("prefs.ini");
    {
        Preferences prefs(ini);
        EXPECT_FALSE(prefs.frame("Deverav"));
        prefs.saveFrame("Deverav", QRect(-20, 40, 1280, 800));
    }
    Preferences again(ini);
    ASSERT_TRUE(again.frame("Deverav"));
    EXPECT_EQ(*again.frame("Deverav"), QRect(-20, 40, 1280, 800));

    for (const QVariant& bad :
         {QVariant("garbage"), QVariant("1 2 3"), QVariant("1 2 0 5"), QVariant("1 2 -5 5"),
          QVariant("0 0 999999999 10"), QVariant("a b c d"), QVariant(42)}) {
        again.settings().setValue("WindowFrames/Deverav", bad);
        EXPECT_FALSE(again.frame("Deverav")) << bad.toString().toStdString();
    }
}

TEST(Preferences, ASavedFrameNeverOutgrowsTheScreenItIsOn) {
    QTemporaryDir dir;
    Preferences prefs(dir.filePath("prefs.ini"));
    const QList<QRect> screens = {QRect(0, 0, 1280, 1000), QRect(1280, 0, 1920, 1050)};
    prefs.settings().setValue("WindowFrames/Deverav", "0 0 100000 100000");
    EXPECT_EQ(prefs.frameOnScreens("Deverav", {screens[0]}), QRect(0, 0, 1280, 1000));
    // Mostly on the second screen: its area is the limit; a frame that fits is kept as it is.
    prefs.saveFrame("Deverav", QRect(1000, 10, 3000, 900));
    EXPECT_EQ(prefs.frameOnScreens("Deverav", screens), QRect(1000, 10, 1920, 900));
    prefs.saveFrame("Deverav", QRect(-20, 40, 1200, 800));
    EXPECT_EQ(prefs.frameOnScreens("Deverav", screens), QRect(-20, 40, 1200, 800));
    // This program's own screens.
    prefs.settings().setValue("WindowFrames/Deverav", "0 0 100000 100000");
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(prefs.frameOnScreens("Deverav"));
    EXPECT_LE(prefs.frameOnScreens("Deverav")->width(), avail.width());
    EXPECT_LE(prefs.frameOnScreens("Deverav")->height(), avail.height());
}
