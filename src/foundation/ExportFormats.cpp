#include "foundation/ExportFormats.h"

namespace foundation {

const std::array<QString, kExportFormatCount> gformats_ns = {
    QStringLiteral("MooV"), QStringLiteral("PICS"), QStringLiteral("SGI "), QStringLiteral("8BPS"),
    QStringLiteral("BMPf"), QStringLiteral("FPix"), QStringLiteral("GIFf"), QStringLiteral("JPEG"),
    QStringLiteral("PNGf"), QStringLiteral("PNTG"), QStringLiteral("TIFF"), QStringLiteral("TPIC"),
    QStringLiteral("qdgx"), QStringLiteral("qtif"), QStringLiteral("PICS"), QStringLiteral("FLC "),
    QStringLiteral("SWFL"), QStringLiteral("PDF "),
};

const std::array<OSType, kExportFormatCount - 1> gformats = {
    fourCharCode("MooV"), fourCharCode("PICS"), fourCharCode(".SGI"), fourCharCode("8BPS"),
    fourCharCode("BMPf"), fourCharCode("FPix"), fourCharCode("GIFf"), fourCharCode("JPEG"),
    fourCharCode("PNGf"), fourCharCode("PNTG"), fourCharCode("TIFF"), fourCharCode("TPIC"),
    fourCharCode("qdgx"), fourCharCode("qtif"), fourCharCode("PICS"), fourCharCode("FLC "),
    fourCharCode("SWFL"),
};

OSType subtypeForFormatIndex(int index) {
    if (index == kPDFFormatIndex) return kPDFSubtype;
    if (index < 0 || index >= int(gformats.size())) return 0;
    return gformats[size_t(index)];
}

namespace {
// Position of the extension's dot in `path`, or -1.
qsizetype extensionDot(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > slash + 1 ? dot : -1;
}

QStringList extensionsOf(int index) {
    const GraphicsExporter::Format* f = GraphicsExporter::formatFor(subtypeForFormatIndex(index));
    return f ? f->extensions : QStringList();
}
}  // namespace

QString pathExtension(const QString& path) {
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? QString() : path.mid(dot + 1);
}

QString stringByDeletingPathExtension(const QString& path) {
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? path : path.left(dot);
}

QString conventionalExtension(int index) {
    const QStringList exts = extensionsOf(index);
    if (!exts.isEmpty()) return exts.first();
    if (index < 0 || index >= kExportFormatCount) return QString();
    return gformats_ns[size_t(index)].trimmed().toLower();
}

QString finalPathForFormat(const QString& path, int index) {
    const QString ext = pathExtension(path).toLower();
    const QString base = stringByDeletingPathExtension(path);
    if (!ext.isEmpty() && extensionsOf(index).contains(ext)) return base + QLatin1Char('.') + ext;
    return base + QLatin1Char('.') + conventionalExtension(index);
}

int formatIndexForPath(const QString& path) {
    QString ext = pathExtension(path);
    if (ext.isEmpty()) return -1;
    QString padded = ext.toUpper();
    while (padded.size() < 4) padded += QLatin1Char(' ');
    for (int i = 0; i < kExportFormatCount; ++i)
        if (gformats_ns[size_t(i)].toUpper() == padded || extensionsOf(i).contains(ext.toLower()))
            return i;
    return -1;
}

}  // namespace foundation
