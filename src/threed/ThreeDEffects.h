#pragma once
// The 3D effects, as the rows of the 3D list.

#include "effects/Prototypes.h"

namespace threed {

effects::Prototypes threeDPrototypes();

}  // namespace threed
