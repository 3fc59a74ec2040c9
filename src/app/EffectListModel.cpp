#include "app/EffectListModel.h"

#include <QImage>
#include <QPixmap>
#include <QTreeView>

#include "app/Controller.h"
#include "effects/BaseEffect.h"

namespace app {

EffectListModel::EffectListModel(Controller* controller, QTreeView* view)
    : QAbstractItemModel(view), m_controller(controller), m_view(view) {}

void EffectListModel::reload() {
    beginResetModel();
    endResetModel();
}

effects::BaseEffect* EffectListModel::effectAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    return static_cast<effects::BaseEffect*>(index.internalPointer());
}

QModelIndex EffectListModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column > 1) return {};
    return createIndex(row, column, m_controller->outlineViewChildOfItem(m_view, row, nullptr));
}

QModelIndex EffectListModel::parent(const QModelIndex&) const {
    return {};
}

int EffectListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return m_controller->outlineViewNumberOfChildrenOfItem(m_view, nullptr);
}

int EffectListModel::columnCount(const QModelIndex&) const {
    return 2;
}

bool EffectListModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return rowCount() > 0;
    return m_controller->outlineViewIsItemExpandable(m_view, effectAt(parent));
}

QVariant EffectListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    effects::BaseEffect* item = effectAt(index);
    const QString column = QString::number(index.column());
    if (role == Qt::DisplayRole && index.column() == 1)
        return m_controller->outlineViewObjectValueForTableColumnByItem(m_view, column, item);
    if (role == Qt::DecorationRole && index.column() == 0) {
        const QVariant v =
            m_controller->outlineViewObjectValueForTableColumnByItem(m_view, column, item);
        if (v.canConvert<QImage>()) return QPixmap::fromImage(v.value<QImage>());
        return {};
    }
    if (role == Qt::ToolTipRole && item) return item->tips();
    return {};
}

Qt::ItemFlags EffectListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_controller->outlineViewShouldEditTableColumnItem(m_view, QString::number(index.column()),
                                                           effectAt(index)))
        f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace app
