#pragma once
// The picture on a curved surface that the user bends and turns.

#include "effects/BaseEffect.h"

namespace threed {

class EvalEffect : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("EvalEffect");
    static inline const QString kName = QStringLiteral("Surface Rotate");
    static inline const QString kTips = QStringLiteral("3D Surface Rotate");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace threed
