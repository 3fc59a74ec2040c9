// The rows of the 3D and custom effect lists: flat lists of the effect prototypes. (The
// standard list has a data source of its own.)

#include <QImage>
#include <QTreeView>

#include "app/Controller.h"
#include "app/EffectListModel.h"
#include "app/MainWindow.h"
#include "foundation/Resources.h"
#include "generators/flareEffect.h"
#include "generators/hilbertLinesEffect.h"
#include "generators/linesEffect.h"
#include "generators/patMorphingEffect.h"
#include "generators/patchWorkEffect.h"
#include "generators/plasmaEffect.h"
#include "generators/simpleEffects.h"
#include "threed/EvalEffect.h"
#include "threed/ObjectEffect.h"

namespace app {

namespace {
const QString kMarkerImage = QStringLiteral("16x16c.tif");
}

int Controller::listFamily(const QTreeView* outlineView) const {
    // The family is the list's own, whatever mode is current, so that a list never shows the
    // rows of another family.
    if (outlineView && outlineView == filter3DOutlineView) return 1;
    if (outlineView && outlineView == filterCustomOutlineView) return 2;
    return 0;
}

int Controller::outlineViewNumberOfChildrenOfItem(const QTreeView* outlineView,
                                                  const effects::BaseEffect* item) const {
    if (item) return 0;  // flat lists
    int n = 0;
    switch (listFamily(outlineView)) {
        case 1:
            n = (eval3DEffect != nullptr) + (object3DEffect != nullptr);
            break;
        case 2:
            n = (m_simpleEffect != nullptr) + (m_lineEffect != nullptr) +
                (m_hilbertEffect != nullptr) + (m_patchWorkEffect != nullptr) +
                (m_flareEffect != nullptr) + (m_plasmaEffect != nullptr) +
                (m_pMorphingEffect != nullptr);
            break;
    }
    return n;
}

effects::BaseEffect* Controller::outlineViewChildOfItem(const QTreeView* outlineView, int index,
                                                        const effects::BaseEffect* item) const {
    if (item) return nullptr;
    switch (listFamily(outlineView)) {
        case 1: {
            effects::BaseEffect* rows[] = {eval3DEffect.get(), object3DEffect.get()};
            return index >= 0 && index < 2 ? rows[index] : nullptr;
        }
        case 2: {
            effects::BaseEffect* rows[] = {m_simpleEffect.get(),   m_lineEffect.get(),
                                           m_hilbertEffect.get(),  m_patchWorkEffect.get(),
                                           m_flareEffect.get(),    m_plasmaEffect.get(),
                                           m_pMorphingEffect.get()};
            return index >= 0 && index < 7 ? rows[index] : nullptr;
        }
    }
    return nullptr;
}

QVariant Controller::outlineViewObjectValueForTableColumnByItem(
    const QTreeView* outlineView, const QString& column, const effects::BaseEffect* item) const {
    if (column == QLatin1String("0")) {
        // The cross-hair marks the effects placed with the mouse; every 3D effect is turned
        // with it.
        const int family = listFamily(outlineView);
        if (family == 1 || (family == 2 && item && item->isMousing())) {
            const QImage marker = foundation::Resources::imageNamed(kMarkerImage);
            if (!marker.isNull()) return marker;
        }
        return {};
    }
    if (item) return item->name();
    return {};
}

void Controller::resetListModels() {
    if (!m_window) return;
    m_window->list3DModel()->reload();
    m_window->listCustomModel()->reload();
}

}  // namespace app
