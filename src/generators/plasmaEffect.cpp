#include "generators/plasmaEffect.h"

namespace generators {

void plasmaEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> plasmaEffect::newInstance() const {
    return std::make_unique<plasmaEffect>();
}

}  // namespace generators
