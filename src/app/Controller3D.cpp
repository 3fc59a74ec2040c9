// The 3D family's operations of the controller.

#include "app/Controller.h"
#include "app/ThreeDFamily.h"

namespace app {

effects::BaseEffect* Controller::getCurrent3DEffect() const {
    return m_threeD->workingEffect();
}

void Controller::outlineViewSelectionDidChange_3D(effects::BaseEffect* item) {
    m_threeD->select(item);
}

}  // namespace app
