#pragma once
// The application for the favourites tests: the bars scroll only when a test steps their
// animation, so that where a button sits never depends on timing.

#include "app/EffectFamily.h"
#include "favourites/DocPageControl.h"
#include "favourites/FavouritesList.h"
#include "support/AppRig.h"

namespace apprig {

class FavouritesRig : public AppRig {
  protected:
    void SetUp() override {
        favourites::DocPageControl::setManualAnimation(true);
        AppRig::SetUp();
    }
    void TearDown() override {
        AppRig::TearDown();
        favourites::DocPageControl::setManualAnimation(false);
    }

    favourites::FavouritesList& list(app::Mode m) { return c->family(m).favourites(); }
};

}  // namespace apprig
