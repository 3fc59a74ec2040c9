// The generators' own drawing: the Hilbert curve's layout, the plasma's tables and sizes, and
// the mask effect's masking, grid and undo.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include "GeneratorRig.h"
#include "foundation/Resources.h"
#include "generators/hilbertLinesEffect.h"
#include "generators/maskEffect.h"
#include "generators/plasmaEffect.h"
#include "workbench/Autoresizer.h"

using namespace generators;

TEST(HilbertCurve, StepStartAndSegmentsFollowFromTheLevelAndThePictureSize) {
    GeneratorRig rig;  // no picture: laid out for 726 x 544
    auto proto = prototype<hilbertLinesEffect>();
    proto->setLinesLevel(3);
    hilbertLinesEffect* h = rig.select(*proto);
    h->prepare();
    EXPECT_EQ(h->effectImage().size(), QSize(726, 544));
    EXPECT_EQ(h->step(), 215);  // 1726 halved three times, truncating
    EXPECT_EQ(h->penStart(), QPointF(-393, -484));
    EXPECT_EQ(h->segmentCount(), 63);
    // The curve ends at the lower-right corner of its square.
    EXPECT_EQ(h->pen(), QPointF(-393 + 7 * 215, -484));
    EXPECT_FALSE(allTransparent(h->effectImage()));

    h->setLinesLevel(7);
    h->makeImageEffect();
    EXPECT_EQ(h->step(), 13);
    EXPECT_EQ(h->penStart(), QPointF(-494, -585));
    EXPECT_EQ(h->segmentCount(), 16383);

    // The same path in other colours at each generation.
    h->setLinesLevel(4);
    h->makeImageEffect();
    const QImage first = h->effectImage().copy();
    const QPointF end = h->pen();
    h->regenerate();
    EXPECT_EQ(h->pen(), end);
    EXPECT_NE(h->effectImage(), first);
    const QImage a = argb(first), b = argb(h->effectImage());
    for (int y = 0; y < a.height(); y += 7)
        for (int x = 0; x < a.width(); x += 7)
            ASSERT_EQ(qAlpha(a.pixel(x, y)) == 0, qAlpha(b.pixel(x, y)) == 0) << x << "," << y;

    // Level 0 draws nothing.
    h->setLinesLevel(0);
    h->makeImageEffect();
    EXPECT_EQ(h->segmentCount(), 0);
    EXPECT_TRUE(allTransparent(h->effectImage()));
}

TEST(Plasma, TablesStayWithinTheirRanges) {
    GeneratorRig rig;
    plasmaEffect* p = rig.select(*prototype<plasmaEffect>());
    EXPECT_EQ(p->luma(0), 0);
    EXPECT_EQ(p->luma(200), 122);
    EXPECT_EQ(p->luma(201), 122);
    EXPECT_EQ(p->luma(202), 125);
    EXPECT_EQ(p->luma(255), 255);
    for (int i = 256; i <= 511; ++i) ASSERT_EQ(p->luma(i), p->luma(511 - i)) << i;
    for (int i = 0; i < plasmaEffect::kLumaSize; ++i)
        ASSERT_TRUE(p->luma(i) >= 0 && p->luma(i) <= 255);
    int maxWave = 0;
    for (int i = 0; i < plasmaEffect::kWavesUsed; ++i) {
        ASSERT_TRUE(p->wave(i) >= 0 && p->wave(i) <= 200) << i;
        ASSERT_TRUE(p->wave2(i) >= 0 && p->wave2(i) <= 128) << i;
        maxWave = std::max(maxWave, p->wave(i) + p->wave2(i));
    }
    // Two sums index the ramp: at most 656.
    EXPECT_LE(2 * maxWave, 656);
    EXPECT_EQ(p->wave(0), 100);
    EXPECT_EQ(p->wave(180), 200);  // a quarter of the 720-entry period

    // Phases start in 0..512 and, once the plasma moves, stay in 0..719, so that every wave
    // index stays below 600 + 720.
    p->setupPlazma();
    for (int c = 0; c < 3; ++c)
        for (int a = 0; a < 2; ++a)
            for (int t = 0; t < 2; ++t)
                ASSERT_TRUE(p->phase(c, a, t) >= 0 && p->phase(c, a, t) <= 512);
    for (int frame = 0; frame < 400; ++frame) {
        p->plazmaBitmap(2);
        for (int c = 0; c < 3; ++c)
            for (int a = 0; a < 2; ++a)
                for (int t = 0; t < 2; ++t)
                    ASSERT_TRUE(p->phase(c, a, t) >= 0 && p->phase(c, a, t) < 720);
    }
}

TEST(Plasma, IsComputedOnAtMost600PixelsAndStretchedOverThePicture) {
    GeneratorRig rig(testPicture(2000, 300));
    plasmaEffect* p = rig.select(*prototype<plasmaEffect>());
    p->prepare();
    EXPECT_EQ(p->effectImage().size(), QSize(300, 300));
    EXPECT_EQ(p->getDrawImage().size(), QSize(2000, 300));
    rig.setPicture(testPicture(1000, 1000));
    p->reloadImage();
    EXPECT_EQ(p->effectImage().size(), QSize(600, 600));
    EXPECT_EQ(p->getDrawImage().size(), QSize(1000, 1000));
    // The plasma is opaque everywhere.
    const QImage e = argb(p->effectImage());
    for (int y = 0; y < e.height(); y += 13)
        for (int x = 0; x < e.width(); x += 13) ASSERT_EQ(qAlpha(e.pixel(x, y)), 255);

    // Generate and a new picture draw a new pattern.
    const QImage pattern = p->effectImage().copy();
    p->regenerate();
    EXPECT_NE(p->effectImage(), pattern);
    const QImage second = p->effectImage().copy();
    p->reloadImage();
    EXPECT_NE(p->effectImage(), second);
}

TEST(MaskEffect, DarkKeepsThePictureAndLightClearsIt) {
    const QImage pic = testPicture(40, 20);
    // Left half black, right half white, one column of mid grey between them.
    QImage mask(4, 2, QImage::Format_Grayscale8);
    for (int y = 0; y < 2; ++y) {
        uchar* row = mask.scanLine(y);
        row[0] = row[1] = 0;
        row[2] = row[3] = 255;
    }
    const QImage out = argb(maskEffect::maskedPicture(pic, mask));
    ASSERT_EQ(out.size(), pic.size());
    EXPECT_EQ(out.pixel(2, 10), argb(pic).pixel(2, 10));
    EXPECT_EQ(qAlpha(out.pixel(37, 10)), 0);
    const int mid = qAlpha(out.pixel(20, 10));
    EXPECT_GT(mid, 40);
    EXPECT_LT(mid, 215);
    // A partly hidden pixel keeps its colour.
    const QColor seen = out.pixelColor(20, 10);
    const QColor was = pic.pixelColor(20, 10);
    EXPECT_NEAR(seen.red(), was.red(), 3);
    EXPECT_NEAR(seen.green(), was.green(), 3);

    EXPECT_TRUE(maskEffect::maskedPicture({}, mask).isNull());
    EXPECT_TRUE(maskEffect::maskedPicture(pic, {}).isNull());
}

TEST(MaskEffect, TheGridSelectsMasksUndoablyAndTheChoiceIsKept) {
    GeneratorRig rig(testPicture(64, 64));
    QWidget host;
    host.resize(300, 240);
    auto proto = prototype<maskEffect>();
    maskEffect* m = rig.selectWithControls(*proto, host);
    m->prepare();
    ASSERT_TRUE(m->popupButton() && m->popupButton()->menu());
    EXPECT_EQ(m->maskName(), "t1.jpg");
    const QImage first = m->effectImage().copy();
    EXPECT_FALSE(first.isNull());
    // The masked picture alone: nothing under it.
    EXPECT_FALSE(m->layers().picture);

    // 48 buttons, counted upwards from the bottom-left corner of the grid.
    const QList<QAbstractButton*> grid = m->popupButton()->menu()->findChildren<QAbstractButton*>();
    ASSERT_EQ(grid.size(), maskEffect::kMaskCount);
    QAbstractButton *first1 = nullptr, *last48 = nullptr;
    for (QAbstractButton* b : grid) {
        const QRect frame = workbench::Autoresizer::of(b->parentWidget())->frame(b);
        if (frame.topLeft() == QPoint(5, 5)) first1 = b;
        if (frame.topLeft() == QPoint(155, 555)) last48 = b;
    }
    ASSERT_TRUE(first1 && last48);
    EXPECT_EQ(first1->property("tag").toInt(), 1);
    EXPECT_EQ(last48->property("tag").toInt(), 48);
    // In Qt's y-down terms the first row is the lowest.
    EXPECT_GT(first1->y(), last48->y());

    // Chosen in the open menu with the mouse.
    QMenu* menu = m->popupButton()->menu();
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(last48, Qt::LeftButton);
    EXPECT_FALSE(menu->isVisible());
    rig.endEvent();
    EXPECT_EQ(m->maskName(), "t48.jpg");
    const QImage second = m->effectImage().copy();
    EXPECT_NE(second, first);
    rig.undo->undo();
    EXPECT_EQ(m->maskName(), "t1.jpg");
    EXPECT_EQ(m->effectImage(), first);
    rig.undo->redo();
    EXPECT_EQ(m->maskName(), "t48.jpg");
    EXPECT_EQ(m->effectImage(), second);

    // A copy keeps the mask; a dictionary without one, or with a path, keeps the current one.
    auto copy = m->mycopy();
    EXPECT_EQ(static_cast<maskEffect*>(copy.get())->maskName(), "t48.jpg");
    const effects::EffectSettings saved = m->save();
    EXPECT_EQ(saved.value("maskImageName").toString(), "t48.jpg");
    EXPECT_EQ(saved.value("class").toString(), "maskEffect");
    m->read({{"Name", "Masked"}});
    EXPECT_EQ(m->maskName(), "t48.jpg");
    m->read({{"maskImageName", "../../etc/passwd"}});
    EXPECT_EQ(m->maskName(), "t48.jpg");
    auto fresh = proto->mycopy();
    fresh->read(saved);
    EXPECT_EQ(fresh->save(), saved);

    // A mask that cannot be found leaves the plain picture.
    m->setMaskName("t99.jpg");
    m->makeImageEffect();
    EXPECT_TRUE(m->effectImage().isNull());
    EXPECT_EQ(m->getDrawImage(), rig.qpicture);
}
