// A 3D favourite made from the rendered frame (a GL context is needed for the thumbnail), kept
// across runs and switched off by a list row.

#include <QTest>

#include "app/ThreeDFamily.h"
#include "support/FavouritesRig.h"

namespace {

class ThreeDFavourites : public apprig::FavouritesRig {
  protected:
    void SetUp() override {
        FavouritesRig::SetUp();
        usePicture(apprig::distinctPixels(64, 48));
    }
    void enter() {
        w->resize(1000, 700);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        switchTo(app::Mode::ThreeD);
        endEvent();
    }
};

}  // namespace

TEST_F(ThreeDFavourites, KeepTheirEffectAcrossRuns) {
    enter();
    selectRow(w->filter3DOutlineView(), 1);
    ASSERT_TRUE(c->getCurrent3DEffect());
    c->getCurrent3DEffect()->setName("My solid");
    action(app::act::addFavorites)->trigger();
    ASSERT_EQ(list(app::Mode::ThreeD).entries().size(), 1u);
    EXPECT_EQ(list(app::Mode::ThreeD).entries()[0].button->getBackImage().size(), QSize(40, 25));
    EXPECT_TRUE(c->standard().favourites().isEmpty());

    restart();
    enter();
    ASSERT_EQ(list(app::Mode::ThreeD).entries().size(), 1u);
    favourites::onlyTextClosedButton* b = list(app::Mode::ThreeD).entries()[0].button;
    b->click();
    endEvent();
    ASSERT_TRUE(c->getCurrent3DEffect());
    EXPECT_EQ(c->getCurrent3DEffect()->className(), "ObjectEffect");
    EXPECT_EQ(c->getCurrent3DEffect()->name(), "My solid");
    // Choosing a list row switches the favourite off.
    selectRow(w->filter3DOutlineView(), 0);
    EXPECT_FALSE(c->threeD().highlightedFavourite);
    EXPECT_EQ(b->state(), 0);
}
