#include "threed/ThreeDEffects.h"

#include "threed/EvalEffect.h"
#include "threed/ObjectEffect.h"

namespace threed {

// A new 3D effect: its own files and one line here, at the row it takes in the list.
effects::Prototypes threeDPrototypes() {
    effects::Prototypes list;
    effects::addPrototype<EvalEffect>(list);
    effects::addPrototype<ObjectEffect>(list);
    return list;
}

}  // namespace threed
