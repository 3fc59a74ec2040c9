#include "generators/linesEffect.h"

namespace generators {

void linesEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> linesEffect::newInstance() const {
    return std::make_unique<linesEffect>();
}

}  // namespace generators
