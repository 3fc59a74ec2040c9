#include "foundation/NativeNameModel.h"

#include <dirent.h>

#include <QDateTime>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>

namespace foundation {

NativeNameModel::NativeNameModel(QObject* parent) : QIdentityProxyModel(parent) {}

void NativeNameModel::setSourceModel(QAbstractItemModel* source) {
    if (sourceModel()) disconnect(sourceModel(), nullptr, this, nullptr);
    m_folders.clear();
    QIdentityProxyModel::setSourceModel(source);
    if (auto* files = fileModel()) {
        connect(files, &QFileSystemModel::directoryLoaded, this,
                [this](const QString& path) { refresh(path, true); });
        // Filters changing reorder the source; its new filters are applied once it is done.
        connect(files, &QAbstractItemModel::layoutChanged, this, &NativeNameModel::refreshAll,
                Qt::QueuedConnection);
    }
}

QFileSystemModel* NativeNameModel::fileModel() const {
    return qobject_cast<QFileSystemModel*>(sourceModel());
}

const NativeNameModel::Folder* NativeNameModel::folderOf(const QModelIndex& proxy) const {
    if (!proxy.isValid() || proxy.model() != this) return nullptr;
    for (const auto& [path, folder] : m_folders)
        if (proxy.internalPointer() == folder.get()) return folder.get();
    return nullptr;
}

bool NativeNameModel::isNativeRow(const QModelIndex& index) const {
    return folderOf(index) != nullptr;
}

bool NativeNameModel::isNativeFolder(const QModelIndex& index) const {
    const Entry* entry = entryOf(index);
    return entry && entry->status.isDir;
}

QString NativeNameModel::whyFolderCannotOpen(const QString& path) {
    return tr("The folder “%1” cannot be opened here because its name is not valid "
              "UTF-8. Pictures in it can still be opened by dropping them on the window or by "
              "naming them on the command line.")
        .arg(NativeName::displayName(path.section(QLatin1Char('/'), -1)));
}

const NativeNameModel::Entry* NativeNameModel::entryOf(const QModelIndex& proxy) const {
    const Folder* folder = folderOf(proxy);
    if (!folder) return nullptr;
    const QModelIndex sourceParent = fileModel()->index(folder->path);
    const qsizetype k = proxy.row() - sourceModel()->rowCount(sourceParent);
    if (k < 0 || k >= qsizetype(folder->shown.size())) return nullptr;
    return &folder->entries[folder->shown[k]];
}

NativeNameModel::Folder* NativeNameModel::folderFor(const QModelIndex& sourceParent) const {
    QFileSystemModel* files = fileModel();
    if (!files || !sourceParent.isValid() || !files->isDir(sourceParent)) return nullptr;
    const QString path = files->filePath(sourceParent);
    if (path.isEmpty()) return nullptr;
    auto& folder = m_folders[path];
    if (!folder) {
        folder = std::make_unique<Folder>();
        folder->path = path;
        scan(*folder);
        filter(*folder);
    }
    return folder.get();
}

void NativeNameModel::scan(Folder& folder) const {
    folder.entries.clear();
    const QString nativeDir = NativeName::fromQt(folder.path);
    const QByteArray dir = NativeName::toNative(nativeDir);
    DIR* listing = opendir(dir.constData());
    if (!listing) return;
    while (const dirent* e = readdir(listing)) {
        const QByteArrayView name(e->d_name);
        if (name.isValidUtf8()) continue;  // the source model lists it
        Entry entry;
        entry.name = NativeName::fromNative(name);
        entry.status = NativeName::status(nativeDir + QLatin1Char('/') + entry.name);
        if (entry.status.exists) folder.entries.push_back(entry);
    }
    closedir(listing);
    // Folders first, as the source lists them.
    std::sort(folder.entries.begin(), folder.entries.end(), [](const Entry& a, const Entry& b) {
        return a.status.isDir != b.status.isDir ? a.status.isDir : a.name < b.name;
    });
}

bool NativeNameModel::listed(const Entry& entry, bool* enabled) const {
    QFileSystemModel* files = fileModel();
    const QDir::Filters filters = files->filter();
    const QString& name = entry.name;
    if (!(filters & (entry.status.isDir ? QDir::Dirs | QDir::AllDirs : QDir::Files))) return false;
    if (name.startsWith(QLatin1Char('.')) && !(filters & QDir::Hidden)) return false;
    if (entry.status.isDir && (filters & QDir::AllDirs)) {  // name filters are for files then
        if (enabled) *enabled = true;
        return true;
    }
    const QStringList patterns = files->nameFilters();
    const auto options = filters & QDir::CaseSensitive ? QRegularExpression::NoPatternOption
                                                       : QRegularExpression::CaseInsensitiveOption;
    const bool matches =
        patterns.isEmpty() || std::any_of(patterns.begin(), patterns.end(), [&](const QString& p) {
            return QRegularExpression(QRegularExpression::wildcardToRegularExpression(p), options)
                .match(name)
                .hasMatch();
        });
    if (enabled) *enabled = matches;
    // Files outside the filters are greyed out rather than hidden when the model says so.
    return matches || files->nameFilterDisables();
}

void NativeNameModel::filter(Folder& folder) const {
    folder.shown.clear();
    for (int i = 0; i < int(folder.entries.size()); ++i)
        if (listed(folder.entries[i], nullptr)) folder.shown.push_back(i);
}

void NativeNameModel::refresh(const QString& path, bool rescan) {
    const auto it = m_folders.find(path);
    if (it == m_folders.end()) return;
    Folder& folder = *it->second;
    Folder updated{folder.path, folder.entries, {}};
    if (rescan) scan(updated);
    filter(updated);
    const auto names = [](const Folder& f) {
        QStringList out;
        for (int i : f.shown) out << f.entries[i].name;
        return out;
    };
    if (names(updated) == names(folder)) {
        folder.entries = std::move(updated.entries);
        folder.shown = std::move(updated.shown);
        return;
    }
    const QModelIndex sourceParent = fileModel()->index(path);
    const QModelIndex parent = mapFromSource(sourceParent);
    const int first = sourceModel()->rowCount(sourceParent);
    if (!folder.shown.empty()) {
        beginRemoveRows(parent, first, first + int(folder.shown.size()) - 1);
        folder.shown.clear();
        endRemoveRows();
    }
    folder.entries = std::move(updated.entries);
    if (!updated.shown.empty()) {
        beginInsertRows(parent, first, first + int(updated.shown.size()) - 1);
        folder.shown = std::move(updated.shown);
        endInsertRows();
    }
}

void NativeNameModel::refreshAll() {
    QStringList paths;
    for (const auto& [path, folder] : m_folders) paths << path;
    for (const QString& path : paths) refresh(path, false);
}

int NativeNameModel::rowCount(const QModelIndex& parent) const {
    if (isNativeRow(parent) || !sourceModel()) return 0;
    const QModelIndex sourceParent = mapToSource(parent);
    const Folder* folder = folderFor(sourceParent);
    return sourceModel()->rowCount(sourceParent) + (folder ? int(folder->shown.size()) : 0);
}

int NativeNameModel::columnCount(const QModelIndex& parent) const {
    return isNativeRow(parent) ? 0 : QIdentityProxyModel::columnCount(parent);
}

QModelIndex NativeNameModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || isNativeRow(parent) || !sourceModel()) return {};
    const QModelIndex sourceParent = mapToSource(parent);
    const int sourceRows = sourceModel()->rowCount(sourceParent);
    if (row < sourceRows) return QIdentityProxyModel::index(row, column, parent);
    const Folder* folder = folderFor(sourceParent);
    if (!folder || row - sourceRows >= int(folder->shown.size()) ||
        column >= sourceModel()->columnCount(sourceParent))
        return {};
    return createIndex(row, column, const_cast<Folder*>(folder));
}

QModelIndex NativeNameModel::parent(const QModelIndex& child) const {
    if (const Folder* folder = folderOf(child))
        return mapFromSource(fileModel()->index(folder->path));
    return QIdentityProxyModel::parent(child);
}

QModelIndex NativeNameModel::sibling(int row, int column, const QModelIndex& idx) const {
    return isNativeRow(idx) ? index(row, column, parent(idx))
                            : QIdentityProxyModel::sibling(row, column, idx);
}

QModelIndex NativeNameModel::mapToSource(const QModelIndex& proxy) const {
    return isNativeRow(proxy) ? QModelIndex() : QIdentityProxyModel::mapToSource(proxy);
}

QVariant NativeNameModel::data(const QModelIndex& index, int role) const {
    const Folder* folder = folderOf(index);
    if (!folder) return QIdentityProxyModel::data(index, role);
    const Entry* entry = entryOf(index);
    if (!entry) return {};
    const QString path = NativeName::fromQt(folder->path) + QLatin1Char('/') + entry->name;
    switch (role) {
        case QFileSystemModel::FilePathRole:
            return path;
        case QFileSystemModel::FileNameRole:
        case Qt::EditRole:
            return entry->name;
        case Qt::ToolTipRole:
            return entry->status.isDir ? whyFolderCannotOpen(path) : NativeName::displayName(path);
        default:
            break;
    }
    switch (index.column()) {
        case 0:
            if (role == Qt::DisplayRole) return NativeName::displayName(entry->name);
            if (role == Qt::DecorationRole && fileModel()->iconProvider())
                return fileModel()->iconProvider()->icon(entry->status.isDir
                                                             ? QAbstractFileIconProvider::Folder
                                                             : QAbstractFileIconProvider::File);
            break;
        case 1:
            if (role == Qt::DisplayRole)
                return entry->status.isDir
                           ? QString()
                           : QLocale::system().formattedDataSize(entry->status.size);
            if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
            break;
        case 2:
            // The parent is a folder too: its type is the provider's word for one.
            if (role == Qt::DisplayRole && entry->status.isDir && fileModel()->iconProvider())
                return fileModel()->iconProvider()->type(QFileInfo(folder->path));
            if (role == Qt::DisplayRole)
                return QMimeDatabase()
                    .mimeTypeForFile(entry->name, QMimeDatabase::MatchExtension)
                    .comment();
            break;
        case 3:
            if (role == Qt::DisplayRole)
                return QLocale::system().toString(
                    QDateTime::fromMSecsSinceEpoch(entry->status.modifiedMSecs),
                    QLocale::ShortFormat);
            break;
    }
    return {};
}

QMap<int, QVariant> NativeNameModel::itemData(const QModelIndex& index) const {
    return isNativeRow(index) ? QAbstractItemModel::itemData(index)
                              : QIdentityProxyModel::itemData(index);
}

Qt::ItemFlags NativeNameModel::flags(const QModelIndex& index) const {
    const Entry* entry = entryOf(index);
    if (!entry) return QIdentityProxyModel::flags(index);
    // A folder stays unchosen: the dialog would take its path for one it can enter.
    if (entry->status.isDir) return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    bool enabled = false;
    listed(*entry, &enabled);
    return enabled ? flags | Qt::ItemIsEnabled : flags;
}

bool NativeNameModel::hasChildren(const QModelIndex& parent) const {
    return isNativeRow(parent) ? false : QIdentityProxyModel::hasChildren(parent);
}

bool NativeNameModel::canFetchMore(const QModelIndex& parent) const {
    return isNativeRow(parent) ? false : QIdentityProxyModel::canFetchMore(parent);
}

void NativeNameModel::fetchMore(const QModelIndex& parent) {
    if (!isNativeRow(parent)) QIdentityProxyModel::fetchMore(parent);
}

}  // namespace foundation
