#pragma once
// The prototypes of one effect family, in the order of its list: one object of each effect
// class, made when the window is loaded. The user always works on a copy (mycopy).

#include <memory>
#include <vector>

#include "effects/BaseEffect.h"

namespace effects {

using Prototypes = std::vector<std::unique_ptr<BaseEffect>>;

// Appends a prototype of `Effect`, with its list name, tips and defaults (its awakeFromNib).
template <class Effect>
void addPrototype(Prototypes& list) {
    auto effect = std::make_unique<Effect>();
    effect->awakeFromNib();
    list.push_back(std::move(effect));
}

}  // namespace effects
