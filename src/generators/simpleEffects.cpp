#include "generators/simpleEffects.h"

namespace generators {

void simpleEffects::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> simpleEffects::newInstance() const {
    return std::make_unique<simpleEffects>();
}

}  // namespace generators
