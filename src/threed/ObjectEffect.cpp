#include "threed/ObjectEffect.h"

namespace threed {

void ObjectEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> ObjectEffect::newInstance() const {
    return std::make_unique<ObjectEffect>();
}

}  // namespace threed
