// The rows of the 3D and custom effect lists: flat lists of the family's prototypes. (The
// standard list has a data source of its own.)

#include <QImage>
#include <QTreeView>

#include "app/Controller.h"
#include "app/CustomFamily.h"
#include "app/ThreeDFamily.h"
#include "foundation/Resources.h"

namespace app {

namespace {
const QString kMarkerImage = QStringLiteral("16x16c.tif");
}

PrototypeFamily* Controller::listFamily(const QTreeView* outlineView) const {
    // The family is the list's own, whatever mode is current, so that a list never shows the
    // rows of another family.
    if (!outlineView) return nullptr;
    for (PrototypeFamily* f : {static_cast<PrototypeFamily*>(m_threeD.get()),
                               static_cast<PrototypeFamily*>(m_custom.get())})
        if (f->views().list == outlineView) return f;
    return nullptr;
}

int Controller::outlineViewNumberOfChildrenOfItem(const QTreeView* outlineView,
                                                  const effects::BaseEffect* item) const {
    const PrototypeFamily* f = item ? nullptr : listFamily(outlineView);  // flat lists
    return f ? int(f->prototypes().size()) : 0;
}

effects::BaseEffect* Controller::outlineViewChildOfItem(const QTreeView* outlineView, int index,
                                                        const effects::BaseEffect* item) const {
    const PrototypeFamily* f = item ? nullptr : listFamily(outlineView);
    return f ? f->prototypeAt(index) : nullptr;
}

QVariant Controller::outlineViewObjectValueForTableColumnByItem(
    const QTreeView* outlineView, const QString& column, const effects::BaseEffect* item) const {
    if (column == QLatin1String("0")) {
        // The cross-hair marks the effects worked with the mouse.
        const PrototypeFamily* f = listFamily(outlineView);
        if (f && item && f->showsMarker(*item)) {
            const QImage marker = foundation::Resources::imageNamed(kMarkerImage);
            if (!marker.isNull()) return marker;
        }
        return {};
    }
    if (item) return item->name();
    return {};
}

}  // namespace app
