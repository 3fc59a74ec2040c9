#include "threed/EvalEffect.h"

namespace threed {

void EvalEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> EvalEffect::newInstance() const {
    return std::make_unique<EvalEffect>();
}

}  // namespace threed
