#pragma once
// The file dialog both panels show: Qt's own dialog, which also lists and hands back files whose
// names are not valid UTF-8 (see NativeNameModel), with paths that NativeName maps to the files'
// own bytes.

#include <QFileDialog>
#include <QModelIndexList>

namespace foundation {

class NativeNameModel;

class FilePanelDialog : public QFileDialog {
    Q_OBJECT

  public:
    explicit FilePanelDialog(QWidget* parent = nullptr);

    NativeNameModel* nativeNameModel() const { return m_model; }
    // Qt's checks cannot see files with such names; they are checked here instead.
    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QModelIndexList selectedNativeRows() const;
    void nativeSelectionChanged();

    NativeNameModel* m_model = nullptr;
};

}  // namespace foundation
