#pragma once
// Sine-wave plasma through a brightness ramp.

#include "effects/BaseEffect.h"

namespace generators {

class plasmaEffect : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("plasmaEffect");
    static inline const QString kName = QStringLiteral("Plasma Effect");
    static inline const QString kTips = QStringLiteral("Plasma Effect Generator");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace generators
