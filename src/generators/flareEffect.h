#pragma once
// A star of bright spikes around a centre placed with the mouse.

#include "effects/BaseEffect.h"

namespace generators {

class flareEffect : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("flareEffect");
    static inline const QString kName = QStringLiteral("Flare Effect");
    static inline const QString kTips = QStringLiteral("Flare Effect Generator");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }
    bool isMousing() const override { return true; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace generators
