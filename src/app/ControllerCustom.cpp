// The custom family of the controller: making a working generator from a list row.

#include "app/Controller.h"
#include "chrome/BaseColoredButton.h"
#include "effects/BaseEffect.h"
#include "foundation/UndoManager.h"

namespace app {

void Controller::outlineViewSelectionDidChange_Custom(effects::BaseEffect* item) {
    if (currentCustomEffect) {
        if (auto* um = undoManager()) um->removeAllActionsWithTarget(currentCustomEffect.get());
        currentCustomEffect->clearEffect();
        currentCustomEffect.reset();
    }
    if (m_selectes_FavBtnCustom) {
        m_selectes_FavBtnCustom->setState(0);
        m_selectes_FavBtnCustom = nullptr;
    }
    if (!item) return;
    currentCustomEffect = item->mycopy();
    currentCustomEffect->setUpControlsView();
    m_wasChanged = true;
}

}  // namespace app
