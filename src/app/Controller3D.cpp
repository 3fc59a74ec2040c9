// The 3D family's operations of the controller.

#include "app/Controller.h"
#include "app/ThreeDFamily.h"
#include "foundation/Preferences.h"

namespace app {

effects::BaseEffect* Controller::getCurrent3DEffect() const {
    return m_threeD->workingEffect();
}

void Controller::outlineViewSelectionDidChange_3D(effects::BaseEffect* item) {
    m_threeD->select(item);
}

void Controller::addFavorites3D() {
    addFavoritesOf(Mode::ThreeD);
}

void Controller::removeFavorites3D(favourites::onlyTextClosedButton* button) {
    m_threeD->removeFavourite(button);
}

void Controller::filterChanged3D(favourites::onlyTextClosedButton* button) {
    m_threeD->favouriteClicked(button);
}

void Controller::readFavorites3D() {
    m_threeD->readFavourites(m_prefs.settings());
}

}  // namespace app
