#include "workbench/DataSource.h"

#include <QPixmap>

#include "foundation/Resources.h"
#include "imaging/Attribute.h"
#include "imaging/FilterRegistry.h"

namespace workbench {

namespace {

const QString kMarkerImage = QStringLiteral("16x16c.tif");

struct CategorySource {
    const char* name;
    const char* first;
    const char* second;  // appended after the first; may be null
};

// In the order the list shows them.
const CategorySource kCategories[] = {
    {"Geometry", imaging::kCICategoryGeometryAdjustment, nullptr},
    {"Distortion", imaging::kCICategoryDistortionEffect, nullptr},
    {"Halftone", imaging::kCICategoryHalftoneEffect, nullptr},
    {"Focus", imaging::kCICategorySharpen, imaging::kCICategoryBlur},
    {"Stylize", imaging::kCICategoryStylize, nullptr},
    {"Gradient", imaging::kCICategoryGradient, nullptr},
    {"Color", imaging::kCICategoryColorEffect, imaging::kCICategoryColorAdjustment},
    {"Tile", imaging::kCICategoryTileEffect, nullptr},
    {"Generator", imaging::kCICategoryGenerator, nullptr},
};

// Model indexes carry their item: 0 for a category row, category + 1 for an entry row.
quintptr idFor(const DataSource::Item& parent) {
    return parent.isRoot() ? 0 : quintptr(parent.category) + 1;
}

}  // namespace

DataSource::DataSource(const imaging::FilterRegistry& registry, QObject* parent)
    : QAbstractItemModel(parent), m_registry(registry) {
    buildFilters();
}

void DataSource::buildFilters() {
    beginResetModel();
    m_cifilters.clear();
    m_marked.clear();
    for (const CategorySource& c : kCategories) {
        std::vector<std::string> names = m_registry.filterNamesInCategory(c.first);
        if (c.second) {
            // Kept twice when both categories list a filter.
            const std::vector<std::string> more = m_registry.filterNamesInCategory(c.second);
            names.insert(names.end(), more.begin(), more.end());
        }
        if (names.empty()) continue;
        std::vector<Entry> entries = buildFilterDictionary(names);
        std::vector<bool> marks;
        for (const Entry& e : entries) marks.push_back(isControlsPresent(e.className));
        m_cifilters.push_back({QString::fromLatin1(c.name), std::move(entries)});
        m_marked.push_back(std::move(marks));
    }
    endResetModel();
}

std::vector<DataSource::Entry> DataSource::buildFilterDictionary(
    const std::vector<std::string>& names) const {
    std::vector<Entry> entries;
    for (const std::string& name : names) {
        const std::unique_ptr<imaging::Filter> f = m_registry.filterWithName(name);
        if (!f || f->inputKeys().empty()) continue;
        entries.push_back({QString::fromStdString(name), QString::fromStdString(f->displayName())});
    }
    return entries;
}

bool DataSource::isControlsPresent(const imaging::Filter* filter) {
    if (!filter) return false;
    for (const imaging::Attribute& a : filter->attributes()) {
        if (a.className == imaging::kClassVector && (a.type == imaging::kCIAttributeTypePosition ||
                                                     a.type == imaging::kCIAttributeTypeRectangle ||
                                                     a.type == imaging::kCIAttributeTypePosition3))
            return true;
        if (a.className == imaging::kClassTransform) return true;
    }
    return false;
}

bool DataSource::isControlsPresent(const QString& filterName) const {
    const std::unique_ptr<imaging::Filter> f = m_registry.filterWithName(filterName.toStdString());
    return isControlsPresent(f.get());
}

const DataSource::Entry* DataSource::entry(const Item& item) const {
    if (!item.isEntry() || item.category >= int(m_cifilters.size())) return nullptr;
    const auto& entries = m_cifilters[size_t(item.category)].entries;
    return item.entry < int(entries.size()) ? &entries[size_t(item.entry)] : nullptr;
}

int DataSource::outlineViewNumberOfChildrenOfItem(const Item& item) const {
    if (item.isRoot()) return int(m_cifilters.size());
    if (item.isCategory() && item.category < int(m_cifilters.size()))
        return int(m_cifilters[size_t(item.category)].entries.size());
    return 0;
}

DataSource::Item DataSource::outlineViewChildOfItem(int index, const Item& item) const {
    if (index < 0 || index >= outlineViewNumberOfChildrenOfItem(item)) return {};
    if (item.isRoot()) return {index, -1};
    return {item.category, index};
}

QVariant DataSource::outlineViewObjectValueForTableColumnByItem(const QString& column,
                                                                const Item& item) const {
    if (column == QLatin1String("0")) {
        if (!item.isEntry() || !entry(item)) return {};
        if (!m_marked[size_t(item.category)][size_t(item.entry)]) return {};
        const QImage marker = foundation::Resources::imageNamed(kMarkerImage);
        return marker.isNull() ? QVariant() : QVariant(marker);
    }
    if (const Entry* e = entry(item)) return e->name;
    if (item.isCategory() && item.category < int(m_cifilters.size()))
        return m_cifilters[size_t(item.category)].name;
    return {};
}

DataSource::Item DataSource::itemForIndex(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    if (index.internalId() == 0) return {index.row(), -1};
    return {int(index.internalId()) - 1, index.row()};
}

QModelIndex DataSource::indexForItem(const Item& item, int column) const {
    if (item.isCategory()) return index(item.category, column);
    if (item.isEntry()) return index(item.entry, column, index(item.category, 0));
    return {};
}

QModelIndex DataSource::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column > 1) return {};
    const Item p = itemForIndex(parent);
    if (parent.isValid() && !p.isCategory()) return {};
    if (row < 0 || row >= outlineViewNumberOfChildrenOfItem(p)) return {};
    return createIndex(row, column, idFor(p));
}

QModelIndex DataSource::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0) return {};
    return createIndex(int(child.internalId()) - 1, 0, quintptr(0));
}

int DataSource::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return outlineViewNumberOfChildrenOfItem(itemForIndex(parent));
}

int DataSource::columnCount(const QModelIndex&) const {
    return 2;
}

bool DataSource::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return !m_cifilters.empty();
    return parent.column() == 0 && outlineViewIsItemExpandable(itemForIndex(parent));
}

QVariant DataSource::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Item item = itemForIndex(index);
    const QString column = QString::number(index.column());
    if (index.column() == 0 && role == Qt::DecorationRole) {
        const QVariant v = outlineViewObjectValueForTableColumnByItem(column, item);
        return v.isNull() ? QVariant() : QVariant(QPixmap::fromImage(v.value<QImage>()));
    }
    if (index.column() == 1 && role == Qt::DisplayRole)
        return outlineViewObjectValueForTableColumnByItem(column, item);
    return {};
}

Qt::ItemFlags DataSource::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (itemForIndex(index).isEntry()) f |= Qt::ItemNeverHasChildren;
    return f;
}

}  // namespace workbench
