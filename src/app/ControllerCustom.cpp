// The custom family's operations of the controller.

#include "app/Controller.h"
#include "app/CustomFamily.h"
#include "foundation/Preferences.h"

namespace app {

effects::BaseEffect* Controller::getCurrentCustomEffect() const {
    return m_custom->workingEffect();
}

void Controller::outlineViewSelectionDidChange_Custom(effects::BaseEffect* item) {
    m_custom->select(item);
}

void Controller::addFavoritesCustom() {
    addFavoritesOf(Mode::Custom);
}

void Controller::removeFavoritesCustom(favourites::onlyTextClosedButton* button) {
    m_custom->removeFavourite(button);
}

void Controller::filterChangedCustom(favourites::onlyTextClosedButton* button) {
    m_custom->favouriteClicked(button);
}

void Controller::readFavoritesCustom() {
    m_custom->readFavourites(m_prefs.settings());
}

}  // namespace app
