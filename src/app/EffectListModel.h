#pragma once
// The rows of the 3D or the custom effect list, as the controller gives them: flat, two
// columns (the marker column "0" and the name), nothing expandable or editable.

#include <QAbstractItemModel>

class QTreeView;

namespace effects {
class BaseEffect;
}

namespace app {

class Controller;

class EffectListModel : public QAbstractItemModel {
    Q_OBJECT

  public:
    EffectListModel(Controller* controller, QTreeView* view);

    void reload();
    effects::BaseEffect* effectAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;

  private:
    Controller* m_controller;
    QTreeView* m_view;
};

}  // namespace app
