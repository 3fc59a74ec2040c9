#include <gtest/gtest.h>

#include <QApplication>
#include <QLayout>
#include <QToolButton>
#include <memory>
#include <vector>

#include "chrome/BaseColoredButton.h"
#include "favourites/DocPageControl.h"

using favourites::DocPageControl;

namespace {

constexpr int P = DocPageControl::kPitch;

class Strip : public ::testing::Test {
  protected:
    void SetUp() override {
        DocPageControl::setManualAnimation(true);
        bar = std::make_unique<DocPageControl>();
        bar->show();
    }
    void TearDown() override {
        bar.reset();
        DocPageControl::setManualAnimation(false);
    }

    // Makes the strip's visible width exactly `w`.
    void setVisibleWidth(int w) {
        bar->resize(1000, 74);
        bar->layout()->activate();
        const int frame = 1000 - bar->visibleWidth();
        bar->resize(w + frame, 74);
        bar->layout()->activate();
        ASSERT_EQ(bar->visibleWidth(), w);
    }
    chrome::BaseColoredButton* append() {
        auto* b = new chrome::BaseColoredButton;
        bar->addItemSelected(b);
        return b;
    }
    // Runs the animation to its end; the number of ticks it took.
    int finish() {
        int ticks = 0;
        while (DocPageControl::isAnimating() && ticks < 100) {
            DocPageControl::AnimateScroller();
            ++ticks;
        }
        return ticks;
    }
    void fill(int n) {
        for (int i = 0; i < n; ++i) {
            append();
            finish();
        }
    }
    // Where each tick of the running animation leaves the strip.
    std::vector<double> positionsPerTick() {
        std::vector<double> at;
        while (DocPageControl::isAnimating()) {
            DocPageControl::AnimateScroller();
            at.push_back(bar->scrollPosition());
        }
        return at;
    }
    void stepBackTo(double x) {
        while (bar->scrollPosition() > x) {
            bar->stepPrev();
            finish();
        }
    }
    bool prevShown() const { return !bar->prevBtn()->isHidden(); }
    bool nextShown() const { return !bar->nextBtn()->isHidden(); }

    std::unique_ptr<DocPageControl> bar;
};

}  // namespace

TEST_F(Strip, ItemsStandOnePitchApartAndArrowsShowOnlyWhatThereIsToScrollTo) {
    setVisibleWidth(5 * P + 20);
    fill(3);
    EXPECT_EQ(bar->pageCount(), 3);
    const QList<QWidget*> items = bar->items();
    ASSERT_EQ(items.size(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(items[i]->geometry(), QRect(i * P, 0, P, 50));
    EXPECT_EQ(bar->scrollPosition(), 0);
    EXPECT_FALSE(prevShown());
    EXPECT_FALSE(nextShown());

    // One more than fits: the strip scrolls it into view and offers the way back.
    fill(3);
    EXPECT_GT(bar->scrollPosition(), 0);
    EXPECT_EQ(bar->scrollPosition(), bar->documentWidth() - bar->visibleWidth());
    EXPECT_TRUE(prevShown());
    EXPECT_FALSE(nextShown());

    // Wide enough again for all: back to the start, no arrows.
    setVisibleWidth(8 * P);
    EXPECT_EQ(bar->scrollPosition(), 0);
    EXPECT_FALSE(prevShown());
    EXPECT_FALSE(nextShown());
}

TEST_F(Strip, ItemsAddedBeforeTheStripHasItsSizeTakeItsHeight) {
    // As the favourites read at start-up, before the window is laid out.
    bar = std::make_unique<DocPageControl>();
    for (int i = 0; i < 12; ++i) append();
    bar->show();
    setVisibleWidth(5 * P + 20);
    finish();
    const int h = bar->documentView()->height();
    EXPECT_EQ(h, 50);
    const QList<QWidget*> items = bar->items();
    ASSERT_EQ(items.size(), 12);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(items[i]->geometry(), QRect(i * P, 0, P, h));
    EXPECT_GE(bar->scrollPosition(), 0);
    EXPECT_LE(bar->scrollPosition(), bar->documentWidth() - bar->visibleWidth());
    EXPECT_EQ(prevShown(), bar->scrollPosition() > 0);
    EXPECT_EQ(nextShown(), bar->scrollPosition() + bar->visibleWidth() < 12 * P);
}

TEST_F(Strip, AppendingBeyondTheVisibleEndStepsOneItemAnimated) {
    setVisibleWidth(4 * P);
    fill(4);
    EXPECT_EQ(bar->scrollPosition(), 0);
    append();
    EXPECT_TRUE(DocPageControl::isAnimating());
    // Nothing moves until the timer ticks.
    EXPECT_EQ(bar->scrollPosition(), 0);
    DocPageControl::AnimateScroller();
    EXPECT_GT(bar->scrollPosition(), 0);
    EXPECT_LT(bar->scrollPosition(), P);
    finish();
    EXPECT_EQ(bar->scrollPosition(), P);
    EXPECT_EQ(bar->currentPage(), 1);
    EXPECT_EQ(bar->maxShownPage(), 5);
}

TEST_F(Strip, AStepOvershootsByAFifthOfItsTicksThenSnapsOntoTheTarget) {
    // Far more document than view: 13 ticks to the target, 2 past it, then the snap.
    setVisibleWidth(4 * P);
    fill(10);
    stepBackTo(0);
    bar->stepNext();
    std::vector<double> at = positionsPerTick();
    ASSERT_EQ(at.size(), 13u + 2u + 1u);
    EXPECT_NEAR(at[12], P, 1e-9);
    EXPECT_NEAR(at[14], P * 15.0 / 13.0, 1e-9);
    EXPECT_EQ(at.back(), P);

    // At most 100 points more document than view: 8 ticks, 1 past, the snap.
    bar.reset(new DocPageControl);
    bar->show();
    setVisibleWidth(4 * P + 30);
    fill(6);
    ASSERT_LE(bar->documentWidth() - bar->visibleWidth(), 100);
    const double from = bar->scrollPosition();
    bar->stepPrev();
    at = positionsPerTick();
    ASSERT_EQ(at.size(), 8u + 1u + 1u);
    EXPECT_NEAR(at[7], from - P, 1e-9);
    EXPECT_NEAR(at[8], from - P * 9.0 / 8.0, 1e-9);
    EXPECT_EQ(at.back(), from - P);
}

TEST_F(Strip, InsertingAfterANeighbourMakesRoomAndMovesTheHighlight) {
    setVisibleWidth(8 * P);
    fill(3);
    QList<QWidget*> before = bar->items();
    auto* a = static_cast<chrome::BaseColoredButton*>(before[0]);
    a->setState(1);
    auto* v = new chrome::BaseColoredButton;
    bar->addItemSelected(v, a);
    const QList<QWidget*> after = bar->items();
    ASSERT_EQ(after.size(), 4);
    EXPECT_EQ(after[1], v);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(after[i]->x(), i * P) << i;
    EXPECT_EQ(a->state(), 0);
    EXPECT_EQ(v->state(), 1);
}

TEST_F(Strip, RemovingClosesTheGapAndNamesWhatStandsInItsPlace) {
    setVisibleWidth(8 * P);
    fill(5);
    QList<QWidget*> items = bar->items();
    std::unique_ptr<QWidget> gone(items[1]);
    EXPECT_EQ(bar->removeItem(items[1]), items[2]);
    EXPECT_EQ(bar->pageCount(), 4);
    for (int i : {0, 2, 3, 4}) EXPECT_EQ(items[i]->x(), (i ? i - 1 : 0) * P) << i;
    EXPECT_EQ(gone->parent(), nullptr);

    // The last one: nothing takes its place, so the new last item is named.
    std::unique_ptr<QWidget> last(items[4]);
    EXPECT_EQ(bar->removeItem(items[4]), items[3]);
    // An item it does not hold, and the very last item.
    QWidget stranger;
    EXPECT_EQ(bar->removeItem(&stranger), nullptr);
    EXPECT_EQ(bar->pageCount(), 3);
    for (QWidget* w : {items[0], items[2]}) {
        bar->removeItem(w);
        delete w;
    }
    std::unique_ptr<QWidget> only(items[3]);
    EXPECT_EQ(bar->removeItem(items[3]), nullptr);
    EXPECT_EQ(bar->pageCount(), 0);
}

TEST_F(Strip, RemovingFromTheEndOfAScrolledStripLeavesNoGapOnTheRight) {
    setVisibleWidth(4 * P + 10);
    fill(8);
    const double end = bar->scrollPosition();
    ASSERT_EQ(end, bar->documentWidth() - bar->visibleWidth());
    std::unique_ptr<QWidget> last(bar->items().last());
    bar->removeItem(last.get());
    EXPECT_LE(bar->scrollPosition() + bar->visibleWidth(), bar->documentWidth());
    EXPECT_LT(bar->scrollPosition(), end);
    // Pulled back to an item's edge.
    EXPECT_EQ(bar->scrollPosition(), bar->currentPage() * P);
    EXPECT_EQ(bar->items().last()->x() + P, bar->documentWidth());
    EXPECT_TRUE(prevShown());
}

TEST_F(Strip, AdjustVisibilityStepsOnlyForItemsNotComfortablyInView) {
    setVisibleWidth(4 * P);
    fill(10);
    stepBackTo(2 * P);
    ASSERT_EQ(bar->scrollPosition(), 2 * P);
    // Items 2 to 5 are in view. One in the middle: nothing.
    bar->adjustVisibility(3);
    EXPECT_FALSE(DocPageControl::isAnimating());
    // The first visible item, exactly at the left edge: one step back.
    bar->adjustVisibility(2);
    finish();
    EXPECT_EQ(bar->scrollPosition(), P);
    // Items 1 to 4 are in view; the last one has no half item after it: one step forward.
    bar->adjustVisibility(4);
    finish();
    EXPECT_EQ(bar->scrollPosition(), 2 * P);
}

TEST_F(Strip, TheArrowsStepOneItemEachWay) {
    setVisibleWidth(3 * P);
    fill(6);
    const double end = bar->scrollPosition();
    bar->prevBtn()->click();
    finish();
    EXPECT_EQ(bar->scrollPosition(), end - P);
    EXPECT_TRUE(nextShown());
    bar->nextBtn()->click();
    finish();
    EXPECT_EQ(bar->scrollPosition(), end);
    EXPECT_FALSE(nextShown());
}
