#pragma once
// Reading back what the exporters wrote, with readers other than the writers where possible.

#include <Magick++.h>

#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <optional>
#include <vector>

#include "foundation/GraphicsExporter.h"
#include "foundation/PictureMetadata.h"

namespace exporttest {

struct Exported {
    bool ok = false;
    QString error, warning;
};

// The whole picture written at once, as Save does it.
inline Exported exportImage(foundation::OSType code, const QImage& image, const QString& path,
                            double dpi = 300,
                            std::shared_ptr<const foundation::PictureMetadata> metadata = {}) {
    auto x = foundation::GraphicsExporter::open(code);
    if (!x) return {false, QStringLiteral("no exporter"), {}};
    x->setInputImage(image);
    x->setOutputFile(path);
    x->setResolution(dpi, dpi);
    x->setMetadata(std::move(metadata));
    const bool ok = x->doExport();
    return {ok, x->errorString(), x->warningString()};
}

// A picture of few colours (every 8 x 8 block one colour, channels independent), so that a
// palette format keeps it exactly too. Odd sizes exercise padded rows.
inline QImage blockPicture(int w = 61, int h = 47) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int bx = x / 8, by = y / 8;
            img.setPixel(x, y, qRgb(bx * 37 % 256, by * 53 % 256, (bx + 3 * by) * 29 % 256));
        }
    return img;
}

// The same with a transparent band at the top and a half-transparent one at the bottom.
inline QImage transparentPicture() {
    QImage img = blockPicture();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (y < 8) img.setPixel(x, y, qRgba(0, 0, 0, 0));
            if (y >= 40) img.setPixel(x, y, qRgba(qRed(p), qGreen(p), qBlue(p), 128));
        }
    return img;
}

// The file as Qt's readers decode it, or ImageMagick's for formats Qt cannot read; straight
// alpha. (ImageMagick leaves the alpha of a picture without alpha channel undefined, so that
// is filled in here.)
inline QImage readBack(const QString& path) {
    const QImage byQt = QImageReader(path).read();
    if (!byQt.isNull()) return byQt.convertToFormat(QImage::Format_ARGB32);
    Magick::InitializeMagick(nullptr);
    Magick::Image m;
    m.quiet(true);
    m.read(path.toStdString());
    QImage img(int(m.columns()), int(m.rows()), QImage::Format_RGBA8888);
    img.fill(Qt::white);
    if (m.matte()) {
        m.write(0, 0, m.columns(), m.rows(), "RGBA", Magick::CharPixel, img.bits());
    } else {
        std::vector<uint8_t> rgb(m.columns() * m.rows() * 3);
        m.write(0, 0, m.columns(), m.rows(), "RGB", Magick::CharPixel, rgb.data());
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const uint8_t* p = &rgb[(size_t(y) * m.columns() + size_t(x)) * 3];
                img.setPixel(x, y, qRgb(p[0], p[1], p[2]));
            }
    }
    return img.convertToFormat(QImage::Format_ARGB32);
}

// Horizontal resolution in dots per inch as ImageMagick reads the file's fields; nothing when
// the file states none.
inline std::optional<double> storedDpi(const QString& path) {
    Magick::InitializeMagick(nullptr);
    Magick::Image m;
    m.quiet(true);
    m.ping(path.toStdString());
    const double x = m.xResolution();
    switch (m.resolutionUnits()) {
        case MagickCore::PixelsPerInchResolution:
            return x;
        case MagickCore::PixelsPerCentimeterResolution:
            return x * 2.54;
        default:
            return std::nullopt;
    }
}

struct ToolRun {
    int exitCode = -1;
    QString out;
};

inline ToolRun run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput())};
}

}  // namespace exporttest
