#pragma once
// A family whose effects are BaseEffect objects made from prototypes: the 3D effects and the
// generators. Its list shows the prototypes in order; the working effect is a copy (mycopy) of
// the selected prototype or of a favourite's effect.

#include <memory>

#include "app/EffectFamily.h"
#include "effects/Prototypes.h"

namespace app {

class PrototypeFamily : public EffectFamily {
  public:
    PrototypeFamily(Mode mode, Controller& controller, effects::Prototypes prototypes);
    ~PrototypeFamily() override;

    // The prototypes get the controls host.
    void setViews(const FamilyViews& views) override;

    const effects::Prototypes& prototypes() const { return m_prototypes; }
    // The prototype of a list row; nothing out of range.
    effects::BaseEffect* prototypeAt(int row) const;
    // The prototype of a class name (as stored under "class" in an effect's settings).
    effects::BaseEffect* prototypeNamed(const QString& className) const;
    // Whether the row shows the marker of effects worked with the mouse.
    virtual bool showsMarker(const effects::BaseEffect& row) const = 0;

    effects::BaseEffect* workingEffect() const { return m_working.get(); }
    // Retires the working effect (and the history's steps of the effects made before) and
    // switches off the highlighted favourite; then, for an effect, makes a copy of it the
    // working effect, builds its controls and marks the document changed.
    void select(const effects::BaseEffect* effect);

    bool hasWorkingEffect() const override { return bool(m_working); }
    void clearAll() override;
    void selectionChanged(QTreeView* list) override;
    const void* undoTarget() const override { return m_historyEffect.lock().get(); }

  private:
    void retire();
    // Brings back a dropped effect with its list row.
    void restore(const std::shared_ptr<effects::BaseEffect>& effect);

    effects::Prototypes m_prototypes;
    // Shared with the history while a dropped effect can come back.
    std::shared_ptr<effects::BaseEffect> m_working;
    // The effect the history's steps concern: the working one, or the one last dropped.
    std::weak_ptr<effects::BaseEffect> m_historyEffect;
};

}  // namespace app
