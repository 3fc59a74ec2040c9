#pragma once
// The filter catalogue: the registry's filters grouped into nine categories (Focus and Color
// each merge two of the registry's categories), built once, in a fixed category order, and
// served to the standard list as a two-level tree: categories, then filter entries. Column "0"
// shows a marker for filters with handles on the canvas; the other column shows names. It holds
// names only, never filter objects.

#include <QAbstractItemModel>
#include <QImage>
#include <QString>
#include <vector>

namespace imaging {
class Filter;
class FilterRegistry;
}  // namespace imaging

namespace workbench {

class DataSource : public QAbstractItemModel {
    Q_OBJECT

  public:
    struct Entry {
        QString className;  // "class": the name filterWithName knows
        QString name;       // "name": the display name
    };
    struct Category {
        QString name;
        std::vector<Entry> entries;
    };
    // An item of the list: a category (entry < 0) or one of its entries; no category for the
    // root.
    struct Item {
        int category = -1;
        int entry = -1;
        bool isRoot() const { return category < 0; }
        bool isCategory() const { return category >= 0 && entry < 0; }
        bool isEntry() const { return category >= 0 && entry >= 0; }
    };

    explicit DataSource(const imaging::FilterRegistry& registry, QObject* parent = nullptr);

    void buildFilters();
    std::vector<Entry> buildFilterDictionary(const std::vector<std::string>& names) const;
    const std::vector<Category>& categories() const { return m_cifilters; }
    const Entry* entry(const Item& item) const;

    // Whether a filter has a parameter edited by a handle on the canvas: a position, rectangle
    // or 3D position vector, or a transform.
    static bool isControlsPresent(const imaging::Filter* filter);
    bool isControlsPresent(const QString& filterName) const;

    // The outline's questions.
    int outlineViewNumberOfChildrenOfItem(const Item& item) const;
    Item outlineViewChildOfItem(int index, const Item& item) const;
    bool outlineViewIsItemExpandable(const Item& item) const { return item.isCategory(); }
    // Column "0": the marker image or nothing; other columns: the entry's or category's name.
    QVariant outlineViewObjectValueForTableColumnByItem(const QString& column,
                                                        const Item& item) const;
    bool outlineViewShouldEditTableColumnItem(const QString&, const Item&) const { return false; }

    Item itemForIndex(const QModelIndex& index) const;
    QModelIndex indexForItem(const Item& item, int column = 1) const;

    // The model the list view shows.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;

  private:
    const imaging::FilterRegistry& m_registry;
    std::vector<Category> m_cifilters;
    // Marker per entry, decided once (filters are described by the registry, which never
    // changes a description).
    std::vector<std::vector<bool>> m_marked;
};

}  // namespace workbench
