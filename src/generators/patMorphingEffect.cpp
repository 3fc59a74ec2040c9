#include "generators/patMorphingEffect.h"

namespace generators {

void patMorphingEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> patMorphingEffect::newInstance() const {
    return std::make_unique<patMorphingEffect>();
}

}  // namespace generators
