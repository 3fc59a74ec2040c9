#include "foundation/FilePanelDialog.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

#include "foundation/NativeName.h"
#include "foundation/NativeNameModel.h"

namespace foundation {

FilePanelDialog::FilePanelDialog(QWidget* parent) : QFileDialog(parent) {
    // The list is our own to extend only in Qt's dialog, not in a desktop's.
    setOption(QFileDialog::DontUseNativeDialog);
    m_model = new NativeNameModel(this);
    setProxyModel(m_model);
    for (auto* view : findChildren<QAbstractItemView*>()) {
        if (view->model() != m_model) continue;
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        // After the dialog's own handler, which ignores rows it cannot map to its model.
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &FilePanelDialog::nativeSelectionChanged);
    }
    // The dialog disables its Open or Save button whenever it updates it and the chosen row is
    // not in its model; the buttons are made anew when the accept mode changes.
    if (auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
        box->installEventFilter(this);
        for (auto* button : box->findChildren<QPushButton*>()) button->installEventFilter(this);
    }
}

QModelIndexList FilePanelDialog::selectedNativeRows() const {
    QModelIndexList rows;
    if (auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView")))
        for (const QModelIndex& row : view->selectionModel()->selectedRows())
            if (m_model->isNativeRow(row)) rows << row;
    return rows;
}

void FilePanelDialog::nativeSelectionChanged() {
    const QModelIndexList rows = selectedNativeRows();
    if (rows.isEmpty()) return;
    auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit && !edit->hasFocus() && rows.size() == 1)
        edit->setText(NativeName::displayName(rows.first().data(Qt::EditRole).toString()));
    if (auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
        if (QPushButton* ok = box->button(acceptMode() == AcceptOpen ? QDialogButtonBox::Open
                                                                     : QDialogButtonBox::Save))
            ok->setEnabled(true);
}

QStringList FilePanelDialog::selectedFiles() const {
    QStringList files;
    if (auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView")))
        for (const QModelIndex& row : view->selectionModel()->selectedRows()) {
            const QString path = row.data(QFileSystemModel::FilePathRole).toString();
            files << (m_model->isNativeRow(row) ? path : NativeName::fromQt(path));
        }
    if (!files.isEmpty()) return files;
    for (const QString& path : QFileDialog::selectedFiles()) files << typedPath(path);
    return files;
}

QString FilePanelDialog::typedPath(const QString& qtPath) const {
    // A file really named with "\x" text keeps its name; otherwise the field's readable form
    // stands for the bytes (also once the name's extension follows a newly chosen format).
    const qsizetype slash = qtPath.lastIndexOf(u'/');
    if (slash < 0 || QFileInfo::exists(qtPath)) return NativeName::fromQt(qtPath);
    return NativeName::fromQt(qtPath.left(slash)) + u'/' +
           NativeName::fromDisplayName(qtPath.mid(slash + 1));
}

void FilePanelDialog::selectFile(const QString& name) {
    QFileDialog::selectFile(NativeName::displayName(name));
}

QString FilePanelDialog::directoryPath() const {
    return NativeName::fromQt(directory().absolutePath());
}

void FilePanelDialog::accept() {
    const QStringList files = selectedFiles();
    const bool native = std::any_of(files.begin(), files.end(),
                                    [](const QString& f) { return NativeName::hasEscapes(f); });
    if (!native) {
        QFileDialog::accept();
        return;
    }
    const bool existing = fileMode() == ExistingFile || fileMode() == ExistingFiles;
    for (const QString& file : files) {
        const NativeName::Status status = NativeName::status(file);
        if (status.isDir) {
            tellFolderCannotOpen(file);
            return;
        }
        if (existing && !status.exists) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("%1\nFile not found.\nPlease verify the correct file name "
                                    "was given.")
                                     .arg(NativeName::displayName(file.section(u'/', -1))));
            return;
        }
    }
    if (existing)
        QDialog::accept();
    else
        QFileDialog::accept();
}

void FilePanelDialog::tellFolderCannotOpen(const QString& path) {
    QMessageBox::information(this, windowTitle(), NativeNameModel::whyFolderCannotOpen(path));
}

void FilePanelDialog::openNativeRow(QAbstractItemView* view, const QModelIndex& row) {
    // Such a folder cannot be chosen, so it is not among the selected files.
    if (m_model->isNativeFolder(row)) {
        tellFolderCannotOpen(row.data(QFileSystemModel::FilePathRole).toString());
        return;
    }
    view->setCurrentIndex(row);
    accept();
}

bool FilePanelDialog::eventFilter(QObject* watched, QEvent* event) {
    if (auto* button = qobject_cast<QPushButton*>(watched)) {
        if (event->type() == QEvent::EnabledChange && !button->isEnabled() &&
            !selectedNativeRows().isEmpty())
            button->setEnabled(true);
        return false;
    }
    if (event->type() == QEvent::ChildPolished && qobject_cast<QDialogButtonBox*>(watched)) {
        if (auto* button = qobject_cast<QPushButton*>(static_cast<QChildEvent*>(event)->child()))
            button->installEventFilter(this);
        return false;
    }
    // The dialog would take a row it cannot map for a folder and leave for the computer's top.
    QAbstractItemView* view = qobject_cast<QAbstractItemView*>(watched);
    if (!view && watched->parent()) view = qobject_cast<QAbstractItemView*>(watched->parent());
    if (!view) return false;
    if (event->type() == QEvent::MouseButtonDblClick && watched == view->viewport()) {
        const QModelIndex row =
            view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (m_model->isNativeRow(row)) {
            openNativeRow(view, row);
            return true;
        }
    } else if (event->type() == QEvent::KeyPress && watched == view) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            m_model->isNativeRow(view->currentIndex())) {
            openNativeRow(view, view->currentIndex());
            return true;
        }
    }
    return false;
}

}  // namespace foundation
