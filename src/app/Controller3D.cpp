// The 3D family of the controller: making a working 3D effect from a list row.

#include "app/Controller.h"
#include "chrome/BaseColoredButton.h"
#include "effects/BaseEffect.h"
#include "foundation/UndoManager.h"

namespace app {

void Controller::outlineViewSelectionDidChange_3D(effects::BaseEffect* item) {
    retireEffect(current3DEffect, m_selectes_FavBtn3D);
    if (!item) return;
    current3DEffect = item->mycopy();
    current3DEffect->setUpControlsView();
    m_wasChanged = true;
}

}  // namespace app
