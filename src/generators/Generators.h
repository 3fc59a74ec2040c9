#pragma once
// The generators, as the rows of the custom list.

#include "effects/Prototypes.h"

namespace generators {

effects::Prototypes generatorPrototypes();

}  // namespace generators
