#include "generators/hilbertLinesEffect.h"

namespace generators {

void hilbertLinesEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> hilbertLinesEffect::newInstance() const {
    return std::make_unique<hilbertLinesEffect>();
}

}  // namespace generators
