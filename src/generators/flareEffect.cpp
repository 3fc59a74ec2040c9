#include "generators/flareEffect.h"

namespace generators {

void flareEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> flareEffect::newInstance() const {
    return std::make_unique<flareEffect>();
}

}  // namespace generators
