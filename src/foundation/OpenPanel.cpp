#include "foundation/OpenPanel.h"

#include <QHash>
#include <QPalette>

#include "foundation/FilePanelDialog.h"
#include "imaging/io/ImageIO.h"

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
    auto* panel = new FilePanelDialog(window);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(request.canChooseDirectories && !request.canChooseFiles
                           ? QFileDialog::Directory
                       : request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                         : QFileDialog::ExistingFile);
    // Qt's own dialog (FilePanelDialog), so that it takes the dark palette and behaves alike on
    // every desktop.
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

const QStringList& OpenPanel::typeCodes() {
    static const QStringList codes = {
        QStringLiteral("tiff"), QStringLiteral("tif "), QStringLiteral("jpeg"),
        QStringLiteral("jpg "), QStringLiteral("png "), QStringLiteral("gif "),
        QStringLiteral("TIFF"), QStringLiteral("TIF "), QStringLiteral("JPEG"),
        QStringLiteral("JPG "), QStringLiteral("PNG "), QStringLiteral("GIF "),
        QStringLiteral("sgi "), QStringLiteral("SGI "), QStringLiteral("pngf"),
        QStringLiteral("qtif"), QStringLiteral("8BPS"), QStringLiteral("BMPf"),
        QStringLiteral("MooV"), QStringLiteral("PICS"), QStringLiteral("SGI "),
        QStringLiteral("8BPS"), QStringLiteral("BMPf"), QStringLiteral("FPix"),
        QStringLiteral("GIFf"), QStringLiteral("JPEG"), QStringLiteral("PNGf"),
        QStringLiteral("PNTG"), QStringLiteral("TIFF"), QStringLiteral("TPIC"),
        QStringLiteral("qdgx"), QStringLiteral("qtif"), QStringLiteral("PICS"),
        QStringLiteral("FLC "), QStringLiteral("SWFL"), QStringLiteral("PDF ")};
    return codes;
}

QStringList OpenPanel::pictureNameFilters() {
    // File-type codes name formats; here files are known by their extensions.
    static const QHash<QString, QStringList> extensionsOfCode = {
        {QStringLiteral("tiff"), {QStringLiteral("tiff"), QStringLiteral("tif")}},
        {QStringLiteral("tif"), {QStringLiteral("tif")}},
        {QStringLiteral("jpeg"), {QStringLiteral("jpeg"), QStringLiteral("jpg")}},
        {QStringLiteral("jpg"), {QStringLiteral("jpg")}},
        {QStringLiteral("png"), {QStringLiteral("png")}},
        {QStringLiteral("pngf"), {QStringLiteral("png")}},
        {QStringLiteral("gif"), {QStringLiteral("gif")}},
        {QStringLiteral("giff"), {QStringLiteral("gif")}},
        {QStringLiteral("sgi"), {QStringLiteral("sgi"), QStringLiteral("rgb")}},
        {QStringLiteral("8bps"), {QStringLiteral("psd")}},
        {QStringLiteral("bmpf"), {QStringLiteral("bmp")}},
        {QStringLiteral("fpix"), {QStringLiteral("fpx")}},
        {QStringLiteral("pntg"), {QStringLiteral("pntg"), QStringLiteral("mac")}},
        {QStringLiteral("tpic"), {QStringLiteral("tga")}},
        {QStringLiteral("pics"), {QStringLiteral("pict"), QStringLiteral("pct")}},
        {QStringLiteral("qtif"), {QStringLiteral("qtif"), QStringLiteral("qti")}},
        {QStringLiteral("pdf"), {QStringLiteral("pdf")}},
    };
    QStringList readable;
    for (const std::string& ext : imaging::io::readableExtensions())
        readable << QString::fromStdString(ext).toLower();
    QStringList exts = readable;
    // Only types the readers know are offered: a file the panel invites must open.
    for (const QString& code : typeCodes())
        for (const QString& ext : extensionsOfCode.value(code.trimmed().toLower()))
            if (readable.contains(ext) && !exts.contains(ext)) exts << ext;
    // The panel matches patterns without regard to case.
    QStringList patterns;
    for (const QString& ext : exts) patterns << QStringLiteral("*.") + ext;
    return {QStringLiteral("Pictures (%1)").arg(patterns.join(QLatin1Char(' '))),
            QStringLiteral("All files (*)")};
}

}  // namespace foundation
