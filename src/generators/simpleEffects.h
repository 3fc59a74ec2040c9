#pragma once
// Random shapes of one of eight kinds scattered over the picture.

#include "effects/BaseEffect.h"

namespace generators {

class simpleEffects : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("simpleEffects");
    static inline const QString kName = QStringLiteral("Simple Objects");
    static inline const QString kTips = QStringLiteral("Simple Objects Generator");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace generators
