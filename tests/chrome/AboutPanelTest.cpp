#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "chrome/AboutPanel.h"

using chrome::AboutPanel;

TEST(AboutPanel, ShowsTheVersionAndKeepsItsLinkAreaAtTheStatedPlace) {
    AboutPanel about("1.2.3");
    auto* version = about.findChild<QLabel*>("versionField");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->text(), "Version 1.2.3");
    // (20, 137, 221, 20) measured from the bottom of the panel.
    EXPECT_EQ(about.linkArea(), QRect(20, AboutPanel::kHeight - 137 - 20, 221, 20));
}

TEST(AboutPanel, AClickOutsideTheLinkAreaClosesIt) {
    AboutPanel about("1");
    about.setTickMs(5000);  // no timeout during this test
    QTimer::singleShot(0, [&] { QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(5, 5)); });
    about.runOver(nullptr);
    EXPECT_TRUE(about.endedByInput());
    EXPECT_FALSE(about.isVisible());
}

TEST(AboutPanel, AClickOnTheLinkKeepsItOpenAndUntouchedItClosesByItself) {
    AboutPanel about("1");
    about.setTickMs(20);
    bool stillOpenAfterClick = false;
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(&about, Qt::LeftButton, {}, about.linkArea().center() + QPoint(60, 0));
        stillOpenAfterClick = about.isVisible();
    });
    QElapsedTimer t;
    t.start();
    about.runOver(nullptr);
    EXPECT_TRUE(stillOpenAfterClick);
    EXPECT_FALSE(about.endedByInput());
    // One tick to note the time, then more than three: four to five ticks untouched.
    EXPECT_GE(t.elapsed(), 4 * 20);
}
