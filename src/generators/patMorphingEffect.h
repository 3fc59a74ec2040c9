#pragma once
// A rosette of ellipses placed with the mouse, changing shape with each generation.

#include "effects/BaseEffect.h"

namespace generators {

class patMorphingEffect : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("patMorphingEffect");
    static inline const QString kName = QStringLiteral("Pattern Morphing");
    static inline const QString kTips = QStringLiteral("Pattern Morphing Effect Generator");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }
    bool isMousing() const override { return true; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace generators
