#pragma once
// Smeared blotches of random colour stretched over the picture.

#include "effects/BaseEffect.h"

namespace generators {

class patchWorkEffect : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("patchWorkEffect");
    static inline const QString kName = QStringLiteral("Patch Works");
    static inline const QString kTips = QStringLiteral("Patch Works Effect Generator");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace generators
