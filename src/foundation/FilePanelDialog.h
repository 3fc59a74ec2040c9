#pragma once
// The file dialog both panels show: Qt's own dialog, which also lists and hands back files whose
// names are not valid UTF-8 (see NativeNameModel), with paths that NativeName maps to the files'
// own bytes.

#include <QFileDialog>
#include <QModelIndexList>

class QAbstractItemView;

namespace foundation {

class NativeNameModel;

class FilePanelDialog : public QFileDialog {
    Q_OBJECT

  public:
    explicit FilePanelDialog(QWidget* parent = nullptr);

    NativeNameModel* nativeNameModel() const { return m_model; }
    // The chosen files as NativeName paths. Hides QFileDialog's, whose paths are Qt's: with a
    // name the field shows readably ("caf\xE9.png") and names that hold the escape characters
    // themselves, those would name other bytes.
    QStringList selectedFiles() const;
    // Proposes a file: a name that is not UTF-8 is put in the field readably.
    void selectFile(const QString& name);
    QString directoryPath() const;
    // Qt's checks cannot see files with such names; they are checked here instead.
    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QModelIndexList selectedNativeRows() const;
    void nativeSelectionChanged();
    // Opens a file the dialog's own model cannot name, or says why such a folder cannot open.
    void openNativeRow(QAbstractItemView* view, const QModelIndex& row);
    void tellFolderCannotOpen(const QString& path);

    // What the user typed or the panel proposed, as a NativeName path.
    QString typedPath(const QString& qtPath) const;

    NativeNameModel* m_model = nullptr;
};

}  // namespace foundation
