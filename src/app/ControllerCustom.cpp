// The custom family of the controller: making a working generator from a list row.

#include "app/Controller.h"
#include "chrome/BaseColoredButton.h"
#include "effects/BaseEffect.h"
#include "foundation/UndoManager.h"

namespace app {

void Controller::outlineViewSelectionDidChange_Custom(effects::BaseEffect* item) {
    retireEffect(currentCustomEffect, m_selectes_FavBtnCustom);
    if (!item) return;
    currentCustomEffect = item->mycopy();
    currentCustomEffect->setUpControlsView();
    m_wasChanged = true;
}

}  // namespace app
