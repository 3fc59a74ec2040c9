#include "app/EffectFamily.h"

#include <QItemSelectionModel>
#include <QTreeView>

#include "chrome/BaseColoredButton.h"
#include "favourites/FavouritesList.h"

namespace app {

EffectFamily::EffectFamily(Mode mode, Controller& controller)
    : m_mode(mode), m_controller(controller) {}

EffectFamily::~EffectFamily() = default;

void EffectFamily::redraw() {
    if (m_views.canvas) m_views.canvas->update();
}

void EffectFamily::switchOffFavourite() {
    if (!highlightedFavourite) return;
    highlightedFavourite->setState(0);
    highlightedFavourite = nullptr;
}

void EffectFamily::deselectList() {
    if (m_views.list && m_views.list->selectionModel())
        m_views.list->selectionModel()->clearSelection();
}

}  // namespace app
