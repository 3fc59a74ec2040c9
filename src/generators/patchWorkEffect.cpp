#include "generators/patchWorkEffect.h"

namespace generators {

void patchWorkEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> patchWorkEffect::newInstance() const {
    return std::make_unique<patchWorkEffect>();
}

}  // namespace generators
