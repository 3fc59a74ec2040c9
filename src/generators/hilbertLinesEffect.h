#pragma once
// One Hilbert curve over the picture, its segments in random colours.

#include "effects/BaseEffect.h"

namespace generators {

class hilbertLinesEffect : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("hilbertLinesEffect");
    static inline const QString kName = QStringLiteral("Hilbert Lines");
    static inline const QString kTips = QStringLiteral("Hilbert Lines Effect Generator");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace generators
