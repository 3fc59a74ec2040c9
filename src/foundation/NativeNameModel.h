#pragma once
// Qt's folder listing leaves out files whose names are not valid UTF-8, so a file panel built on
// QFileSystemModel never shows them. This proxy shows a folder's rows as the model has them and,
// after them, a row for each such file that the model's filters let through, named through
// NativeName so that the path the panel hands back is the file's own. Folders with such names
// cannot be entered (the dialog navigates by Qt paths), so they are listed, cannot be chosen, and
// say why.

#include <QIdentityProxyModel>
#include <map>
#include <memory>
#include <vector>

#include "foundation/NativeName.h"

class QFileSystemModel;

namespace foundation {

class NativeNameModel : public QIdentityProxyModel {
    Q_OBJECT

  public:
    explicit NativeNameModel(QObject* parent = nullptr);

    // The source must be a QFileSystemModel.
    void setSourceModel(QAbstractItemModel* source) override;

    // Whether the row is one of this proxy's own (a file the source model cannot name).
    bool isNativeRow(const QModelIndex& index) const;
    // Whether the row is a folder with such a name (listed, but the dialog cannot enter it).
    bool isNativeFolder(const QModelIndex& index) const;
    // What the user is told on trying to open such a folder.
    static QString whyFolderCannotOpen(const QString& path);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    QModelIndex mapToSource(const QModelIndex& proxy) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QMap<int, QVariant> itemData(const QModelIndex& index) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

  private:
    struct Entry {
        QString name;  // through NativeName
        NativeName::Status status;
    };
    struct Folder {
        QString path;                // as the source model names it
        std::vector<Entry> entries;  // every file with such a name
        std::vector<int> shown;      // those the filters let through
    };

    QFileSystemModel* fileModel() const;
    const Folder* folderOf(const QModelIndex& proxy) const;
    const Entry* entryOf(const QModelIndex& proxy) const;
    // The folder behind a source index, listed on first use; null for files.
    Folder* folderFor(const QModelIndex& sourceParent) const;
    void scan(Folder& folder) const;
    // Whether the source model's filters list the entry; `enabled` tells whether a name filter
    // matches it (with disabled name filters, files that match none are listed greyed out).
    bool listed(const Entry& entry, bool* enabled) const;
    void filter(Folder& folder) const;
    // Lists again (or only filters again) and tells the views about rows that changed.
    void refresh(const QString& path, bool rescan);
    void refreshAll();

    mutable std::map<QString, std::unique_ptr<Folder>> m_folders;
};

}  // namespace foundation
