#pragma once
// A fan of lines in random colours from a start point placed with the mouse.

#include "effects/BaseEffect.h"

namespace generators {

class linesEffect : public effects::BaseEffect {
  public:
    static inline const QString kClassName = QStringLiteral("linesEffect");
    static inline const QString kName = QStringLiteral("Lines Effect");
    static inline const QString kTips = QStringLiteral("Lines Effect Generator");

    // Gives a prototype its list name and tips.
    void awakeFromNib();

    QString className() const override { return kClassName; }
    bool isMousing() const override { return true; }

  protected:
    std::unique_ptr<effects::BaseEffect> newInstance() const override;
};

}  // namespace generators
