#include "app/PrototypeFamily.h"

#include <QItemSelectionModel>
#include <QTreeView>

#include "app/Controller.h"
#include "foundation/UndoManager.h"

namespace app {

PrototypeFamily::PrototypeFamily(Mode mode, Controller& controller, effects::Prototypes prototypes)
    : EffectFamily(mode, controller), m_prototypes(std::move(prototypes)) {}

PrototypeFamily::~PrototypeFamily() = default;

void PrototypeFamily::setViews(const FamilyViews& views) {
    EffectFamily::setViews(views);
    for (const auto& p : m_prototypes) p->setTopControlsView(views.controlsHost);
}

effects::BaseEffect* PrototypeFamily::prototypeAt(int row) const {
    return row >= 0 && row < int(m_prototypes.size()) ? m_prototypes[size_t(row)].get() : nullptr;
}

effects::BaseEffect* PrototypeFamily::prototypeNamed(const QString& className) const {
    for (const auto& p : m_prototypes)
        if (p->className() == className) return p.get();
    return nullptr;
}

void PrototypeFamily::retire() {
    if (m_working) {
        if (auto* um = m_controller.undoManager()) um->removeAllActionsWithTarget(m_working.get());
        m_working->clearEffect();
        m_working.reset();
    }
    switchOffFavourite();
}

void PrototypeFamily::select(const effects::BaseEffect* effect,
                             const effects::EffectSettings* settings) {
    retire();
    if (!effect) return;
    m_working = effect->mycopy();
    if (settings) m_working->read(*settings);
    m_working->setUpControlsView();
    m_controller.document().setWasChanged(true);
}

void PrototypeFamily::clearAll() {
    retire();
    deselectList();
}

void PrototypeFamily::selectionChanged(QTreeView* list) {
    effects::BaseEffect* item = nullptr;
    const QModelIndexList rows =
        list && list->selectionModel() ? list->selectionModel()->selectedRows() : QModelIndexList();
    if (!rows.isEmpty())
        item = m_controller.outlineViewChildOfItem(list, rows.first().row(), nullptr);
    select(item);
}

}  // namespace app
