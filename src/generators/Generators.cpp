#include "generators/Generators.h"

#include "generators/flareEffect.h"
#include "generators/hilbertLinesEffect.h"
#include "generators/linesEffect.h"
#include "generators/maskEffect.h"
#include "generators/patMorphingEffect.h"
#include "generators/patchWorkEffect.h"
#include "generators/plasmaEffect.h"
#include "generators/simpleEffects.h"

namespace generators {

// A new generator: its own files and one line here, at the row it takes in the list.
effects::Prototypes generatorPrototypes() {
    effects::Prototypes list;
    effects::addPrototype<simpleEffects>(list);
    effects::addPrototype<linesEffect>(list);
    effects::addPrototype<hilbertLinesEffect>(list);
    effects::addPrototype<patchWorkEffect>(list);
    effects::addPrototype<flareEffect>(list);
    effects::addPrototype<plasmaEffect>(list);
    effects::addPrototype<patMorphingEffect>(list);
    // Offered after the seven generators.
    effects::addPrototype<maskEffect>(list);
    return list;
}

}  // namespace generators
