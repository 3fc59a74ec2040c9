// The custom family's operations of the controller.

#include "app/Controller.h"
#include "app/CustomFamily.h"

namespace app {

void Controller::outlineViewSelectionDidChange_Custom(effects::BaseEffect* item) {
    m_custom->select(item);
}

}  // namespace app
