#include "foundation/OpenPanel.h"

#include <QFileDialog>
#include <QPalette>

namespace foundation {

namespace {
OpenPanel::Responder& responder() {
    static OpenPanel::Responder r;
    return r;
}
}  // namespace

void OpenPanel::setResponder(Responder r) {
    responder() = std::move(r);
}

void OpenPanel::beginSheetForWindow(QWidget* window, const Request& request, DidEnd didEnd) {
    if (responder()) {
        const QStringList files = responder()(request);
        if (didEnd) didEnd(files.isEmpty() ? kCancel : kOK, files);
        return;
    }
    auto* panel = new QFileDialog(window);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(request.canChooseDirectories && !request.canChooseFiles
                           ? QFileDialog::Directory
                       : request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                         : QFileDialog::ExistingFile);
    // Our own dialog, so that it takes the dark palette and behaves alike on every desktop.
    panel->setOption(QFileDialog::DontUseNativeDialog);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(0x3a, 0x3a, 0x3c));
    panel->setPalette(p);
    panel->setNameFilters(request.nameFilters);
    QObject::connect(panel, &QFileDialog::finished, panel, [panel, didEnd](int result) {
        const QStringList files =
            result == QDialog::Accepted ? panel->selectedFiles() : QStringList();
        if (didEnd) didEnd(result == QDialog::Accepted && !files.isEmpty() ? kOK : kCancel, files);
    });
    panel->open();
}

}  // namespace foundation
