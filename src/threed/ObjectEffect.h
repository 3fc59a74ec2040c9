#pragma once
// The picture wrapped on a solid that the user turns.

#include "effects/BaseEffect.h"

namespace threed {

class ObjectEffect : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("ObjectEffect");
    static inline const QString kName = QStringLiteral("3D Objects");
    static inline const QString kTips = QStringLiteral("3D Objects Texuture");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace threed
