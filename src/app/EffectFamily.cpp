#include "app/EffectFamily.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <utility>

#include "chrome/BaseColoredButton.h"

namespace app {

void EffectFamily::redraw() {
    if (m_views.canvas) m_views.canvas->update();
}

void EffectFamily::switchOffFavourite() {
    if (!highlightedFavourite) return;
    highlightedFavourite->setState(0);
    highlightedFavourite = nullptr;
}

void EffectFamily::deselectList() {
    selectListRow({});
}

void EffectFamily::selectListRow(const QModelIndex& row) {
    QItemSelectionModel* selection = m_views.list ? m_views.list->selectionModel() : nullptr;
    if (!selection) return;
    const bool quiet = std::exchange(m_quietSelection, true);
    if (row.isValid())
        selection->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selection->clearSelection();
    m_quietSelection = quiet;
}

}  // namespace app
