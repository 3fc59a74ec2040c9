// The custom family's operations of the controller.

#include "app/Controller.h"
#include "app/CustomFamily.h"

namespace app {

effects::BaseEffect* Controller::getCurrentCustomEffect() const {
    return m_custom->workingEffect();
}

void Controller::outlineViewSelectionDidChange_Custom(effects::BaseEffect* item) {
    m_custom->select(item);
}

}  // namespace app
