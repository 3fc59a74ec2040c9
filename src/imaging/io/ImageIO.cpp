#include "imaging/io/ImageIO.h"

#include <Magick++.h>

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/NodeKinds.h"

namespace imaging::io {

namespace {

void initMagick() {
    static std::once_flag once;
    std::call_once(once, [] { Magick::InitializeMagick(nullptr); });
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string displayName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

Bitmap fromQImage(const QImage& src) {
    QImage img = src.convertToFormat(QImage::Format_RGBA8888);
    Bitmap b(img.width(), img.height(), PixelFormat::RGBA8);
    for (int y = 0; y < img.height(); ++y)
        std::memcpy(b.row(y), img.constScanLine(y), size_t(img.width()) * 4);
    return b;
}

QImage toQImage(const Bitmap& bitmap) {
    Bitmap b = bitmap;
    if (b.format() == PixelFormat::RGBAF) {
        // Engine floats: convert through a buffer so that the colour encoding is the engine's.
        Buffer buf(IRect{0, 0, b.width(), b.height()});
        for (int y = 0; y < b.height(); ++y)
            std::memcpy(buf.row(b.height() - 1 - y), b.row(y), size_t(b.width()) * sizeof(Px));
        b = Context::toBitmap(buf, PixelFormat::RGBA8);
    }
    QImage::Format f = b.format() == PixelFormat::RGBA8Premultiplied
                           ? QImage::Format_RGBA8888_Premultiplied
                           : QImage::Format_RGBA8888;
    QImage img(b.width(), b.height(), f);
    for (int y = 0; y < b.height(); ++y)
        std::memcpy(img.scanLine(y), b.row(y), size_t(b.width()) * 4);
    return img;
}

// Qt refuses pictures above its allocation limit (128 MB by default); ours is the engine's.
void raiseQtLimit() {
    static std::once_flag once;
    std::call_once(once,
                   [] { QImageReader::setAllocationLimit(int(kMaxPixels * 4 / (1 << 20)) + 1); });
}

bool readWithQt(QImageReader& reader, Bitmap& out, std::string& error) {
    raiseQtLimit();
    if (!reader.canRead()) return false;
    QSize size = reader.size();
    if (size.isValid()) checkPictureSize(size.width(), size.height());
    QImage img;
    if (!reader.read(&img) || img.isNull()) {
        error = reader.errorString().toStdString();
        return false;
    }
    checkPictureSize(img.width(), img.height());
    out = fromQImage(img);
    return true;
}

Bitmap fromMagick(Magick::Image& m) {
    checkPictureSize(m.columns(), m.rows());
    Bitmap b(int(m.columns()), int(m.rows()), PixelFormat::RGBA8);
    m.write(0, 0, m.columns(), m.rows(), "RGBA", Magick::CharPixel, b.data());
    return b;
}

bool readWithMagick(const Magick::Blob& blob, const std::string& path, Bitmap& out,
                    std::string& error) {
    initMagick();
    try {
        Magick::Image m;
        m.quiet(true);
        if (path.empty()) {
            m.ping(blob);
        } else {
            m.ping(path);
        }
        checkPictureSize(m.columns(), m.rows());
        if (path.empty()) {
            m.read(blob);
        } else {
            m.read(path);
        }
        out = fromMagick(m);
        return true;
    } catch (const Error&) {
        throw;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

}  // namespace

Bitmap readBitmap(const std::string& path) {
    QFileInfo info(QString::fromStdString(path));
    const std::string name = displayName(path);
    if (!info.exists()) throw Error("The file \"" + name + "\" does not exist.");
    if (!info.isFile() || !info.isReadable())
        throw Error("The file \"" + name + "\" cannot be read.");
    Bitmap b;
    std::string qtError, magickError;
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    if (readWithQt(reader, b, qtError)) return b;
    if (readWithMagick({}, path, b, magickError)) return b;
    if (!qtError.empty())
        throw Error("The file \"" + name + "\" is damaged or truncated (" + qtError + ").");
    throw Error("The file \"" + name + "\" is not a picture this program can read.");
}

Image readImage(const std::string& path) {
    return Image::fromBitmap(readBitmap(path));
}

Bitmap decodeBitmap(const uint8_t* data, size_t size) {
    if (!data || size == 0) throw Error("The data holds no picture.");
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer dev(&bytes);
    dev.open(QIODevice::ReadOnly);
    QImageReader reader(&dev);
    Bitmap b;
    std::string qtError, magickError;
    if (readWithQt(reader, b, qtError)) return b;
    if (readWithMagick(Magick::Blob(data, size), {}, b, magickError)) return b;
    throw Error("The data is not a picture this program can read.");
}

Image imageWithData(const std::vector<uint8_t>& data) {
    return Image::fromBitmap(decodeBitmap(data.data(), data.size()));
}

std::vector<uint8_t> encodeBitmap(const Bitmap& bitmap, const std::string& format) {
    QByteArray bytes;
    QBuffer dev(&bytes);
    dev.open(QIODevice::WriteOnly);
    QImageWriter writer(&dev, QByteArray::fromStdString(lower(format)));
    if (!writer.write(toQImage(bitmap)))
        throw Error("Could not encode the picture as " + format + ": " +
                    writer.errorString().toStdString());
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void writeBitmap(const Bitmap& bitmap, const std::string& path, double dpi, int quality) {
    if (bitmap.isNull()) throw Error("There is no picture to write.");
    const QString qpath = QString::fromStdString(path);
    const std::string ext = lower(QFileInfo(qpath).suffix().toStdString());
    const std::string name = displayName(path);
    QImage img = toQImage(bitmap);
    if (dpi > 0) {
        int dpm = int(std::lround(dpi / 0.0254));
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
    }
    QSaveFile file(qpath);
    if (QImageWriter::supportedImageFormats().contains(QByteArray::fromStdString(ext))) {
        if (!file.open(QIODevice::WriteOnly))
            throw Error("Could not write \"" + name + "\": " + file.errorString().toStdString());
        QImageWriter writer(&file, QByteArray::fromStdString(ext));
        if (quality >= 0) writer.setQuality(quality);
        if (!writer.write(img)) {
            file.cancelWriting();
            throw Error("Could not write \"" + name + "\": " + writer.errorString().toStdString());
        }
        if (!file.commit())
            throw Error("Could not write \"" + name + "\": " + file.errorString().toStdString());
        return;
    }
    // ImageMagick encodes into memory; the bytes then go through the same safe file.
    initMagick();
    Magick::Blob blob;
    try {
        QImage straight = img.convertToFormat(QImage::Format_RGBA8888);
        Magick::Image m(size_t(straight.width()), size_t(straight.height()), "RGBA",
                        Magick::CharPixel, straight.constBits());
        m.magick(ext);
        if (dpi > 0) {
            m.resolutionUnits(MagickCore::PixelsPerInchResolution);
            const std::string d = std::to_string(int(std::lround(dpi)));
            m.density(Magick::Geometry(d + "x" + d));
        }
        if (quality >= 0) m.quality(size_t(quality));
        m.write(&blob);
    } catch (const std::exception& e) {
        throw Error("Could not write \"" + name + "\" as " + ext + ": " + e.what());
    }
    if (blob.length() == 0) throw Error("Could not write \"" + name + "\" as " + ext + ".");
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(static_cast<const char*>(blob.data()), qint64(blob.length())) !=
            qint64(blob.length()) ||
        !file.commit())
        throw Error("Could not write \"" + name + "\": " + file.errorString().toStdString());
}

bool pingPicture(const std::string& path, PictureHeader& out) {
    initMagick();
    try {
        Magick::Image m;
        m.quiet(true);
        m.ping(path);
        if (m.columns() == 0 || m.rows() == 0) return false;
        out.width = int(m.columns());
        out.height = int(m.rows());
        out.depth = int(m.depth());
        switch (m.colorSpace()) {
            case MagickCore::GRAYColorspace:
            case MagickCore::Rec601LumaColorspace:
            case MagickCore::Rec709LumaColorspace:
                out.colorModel = "Gray";
                break;
            case MagickCore::CMYKColorspace:
                out.colorModel = "CMYK";
                break;
            case MagickCore::LabColorspace:
                out.colorModel = "Lab";
                break;
            default:
                out.colorModel = "RGB";
                break;
        }
        out.hasAlpha = m.matte();
        double toInch = 0;
        switch (m.resolutionUnits()) {
            case MagickCore::PixelsPerInchResolution:
                toInch = 1;
                break;
            case MagickCore::PixelsPerCentimeterResolution:
                toInch = 2.54;
                break;
            default:
                break;
        }
        out.dpiX = m.xResolution() * toInch;
        out.dpiY = m.yResolution() * toInch;
        out.format = m.magick();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<std::string> readableExtensions() {
    std::set<std::string> exts;
    for (auto& f : QImageReader::supportedImageFormats()) exts.insert(lower(f.toStdString()));
    for (const char* e : {"psd", "tga", "sgi", "rgb", "pict", "pct", "pcx", "jp2", "xcf"})
        exts.insert(e);
    return {exts.begin(), exts.end()};
}

}  // namespace imaging::io
