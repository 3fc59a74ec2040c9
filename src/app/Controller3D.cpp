// The 3D family of the controller: making a working 3D effect from a list row.

#include "app/Controller.h"
#include "chrome/BaseColoredButton.h"
#include "effects/BaseEffect.h"
#include "foundation/UndoManager.h"

namespace app {

void Controller::outlineViewSelectionDidChange_3D(effects::BaseEffect* item) {
    if (current3DEffect) {
        if (auto* um = undoManager()) um->removeAllActionsWithTarget(current3DEffect.get());
        current3DEffect->clearEffect();
        current3DEffect.reset();
    }
    if (m_selectes_FavBtn3D) {
        m_selectes_FavBtn3D->setState(0);
        m_selectes_FavBtn3D = nullptr;
    }
    if (!item) return;
    current3DEffect = item->mycopy();
    current3DEffect->setUpControlsView();
    m_wasChanged = true;
}

}  // namespace app
