#include "app/PrototypeFamily.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <utility>

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
    if (const std::shared_ptr<effects::BaseEffect> old = m_historyEffect.lock())
        if (auto* um = m_controller.undoManager()) um->removeAllActionsWithTarget(old.get());
    m_historyEffect.reset();
    if (m_working) {
        m_working->clearEffect();
        m_working.reset();
    }
    switchOffFavourite();
}

void PrototypeFamily::select(const effects::BaseEffect* effect) {
    retire();
    if (!effect) return;
    m_working = effect->mycopy();
    m_historyEffect = m_working;
    m_working->setUpControlsView();
    m_controller.document().setWasChanged(true);
}

void PrototypeFamily::clearAll() {
    const std::shared_ptr<effects::BaseEffect> dropped = std::exchange(m_working, nullptr);
    if (dropped) dropped->clearEffect();
    switchOffFavourite();
    deselectList();
    // The dropped effect stays in the history, which can bring it back with its settings.
    if (auto* um = m_controller.undoManager(); um && dropped)
        um->registerUndoWithTarget(dropped.get(), [this, dropped] { restore(dropped); });
}

void PrototypeFamily::restore(const std::shared_ptr<effects::BaseEffect>& effect) {
    m_working = effect;
    m_historyEffect = effect;
    const effects::BaseEffect* prototype = prototypeNamed(effect->className());
    int row = -1;
    for (size_t i = 0; i < m_prototypes.size(); ++i)
        if (m_prototypes[i].get() == prototype) row = int(i);
    QAbstractItemModel* model = views().list ? views().list->model() : nullptr;
    selectListRow(model && row >= 0 ? model->index(row, 0) : QModelIndex());
    pictureChanged();
    effect->setUpControlsView();
    if (auto* um = m_controller.undoManager())
        um->registerUndoWithTarget(effect.get(), [this] { clearAll(); });
    m_controller.updateMainBtnState();
    redraw();
}

void PrototypeFamily::selectionChanged(QTreeView* list) {
    if (m_quietSelection) return;
    const QModelIndexList rows =
        list && list->selectionModel() ? list->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty()) {
        clearAll();
        return;
    }
    select(m_controller.outlineViewChildOfItem(list, rows.first().row(), nullptr));
}

}  // namespace app
