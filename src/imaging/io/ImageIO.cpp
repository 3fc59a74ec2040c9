#include "imaging/io/ImageIO.h"
#include "imaging/io/QtBitmap.h"

#include <Magick++.h>
#include <tiffio.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
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
#include "imaging/io/TiffCodec.h"

namespace imaging::io {

namespace {

// libtiff keeps one global error handler. ImageMagick's TIFF coder installs one that reports
// into the exception of the read it is doing on this thread; when Qt's TIFF reader then meets a
// damaged file, that handler writes into a long-gone exception and aborts the process. Ours
// forwards to ImageMagick's only while this thread is inside an ImageMagick call.
thread_local int insideMagick = 0;
TIFFErrorHandler magickTiffError = nullptr, magickTiffWarning = nullptr;

void tiffError(const char* module, const char* fmt, va_list ap) {
    if (insideMagick && magickTiffError) magickTiffError(module, fmt, ap);
}
void tiffWarning(const char* module, const char* fmt, va_list ap) {
    if (insideMagick && magickTiffWarning) magickTiffWarning(module, fmt, ap);
}

struct InMagick {
    InMagick() { ++insideMagick; }
    ~InMagick() { --insideMagick; }
};

void initMagick() {
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // The engine's limits, so that ImageMagick's own readers refuse absurd headers too.
        Magick::ResourceLimits::width(kMaxSide);
        Magick::ResourceLimits::height(kMaxSide);
        Magick::ResourceLimits::area(MagickCore::MagickSizeType(kMaxPixels));
        // Load the TIFF coder now, so that its libtiff handlers are in place before ours.
        try {
            Magick::CoderInfo tiff("TIFF");
        } catch (const std::exception&) {
        }
        magickTiffError = TIFFSetErrorHandler(tiffError);
        magickTiffWarning = TIFFSetWarningHandler(tiffWarning);
    });
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string displayName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// Qt refuses pictures above its allocation limit (128 MB by default); ours is the engine's.
void raiseQtLimit() {
    static std::once_flag once;
    std::call_once(once,
                   [] { QImageReader::setAllocationLimit(int(kMaxPixels * 4 / (1 << 20)) + 1); });
}

// Why the bytes cannot be read, or empty when they can.
struct Failure {
    std::string detail;
};

uint32_t le32(const QByteArray& b, qsizetype at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(b[at + i]);
    return v;
}
uint32_t be32(const QByteArray& b, qsizetype at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | uint8_t(b[at + i]);
    return v;
}
uint16_t be16(const QByteArray& b, qsizetype at) {
    return uint16_t(uint8_t(b[at]) << 8 | uint8_t(b[at + 1]));
}

// Some readers fill what is missing from a file cut short and report success: a JPEG (the rest
// grey), an uncompressed BMP or SGI (the rest black). Their structure says how long they must be.
bool cutShort(const QByteArray& b) {
    if (b.startsWith("\xff\xd8")) {
        // The last scan must be followed by the end-of-image marker; markers cannot occur inside
        // entropy-coded data.
        qsizetype sos = b.lastIndexOf("\xff\xda"), eoi = b.lastIndexOf("\xff\xd9");
        return sos >= 0 && eoi < sos;
    }
    if (b.startsWith("BM") && b.size() >= 34) {
        const uint32_t offset = le32(b, 10), compression = le32(b, 30);
        const int32_t w = int32_t(le32(b, 18)), h = int32_t(le32(b, 22));
        const uint16_t bpp = uint16_t(uint8_t(b[28]) | uint8_t(b[29]) << 8);
        if (compression != 0 && compression != 3 && compression != 6) return false;
        const int64_t row = (int64_t(std::abs(w)) * bpp + 31) / 32 * 4;
        return int64_t(offset) + row * std::abs(int64_t(h)) > b.size();
    }
    if (b.startsWith("\x01\xda") && b.size() >= 12) {
        const int64_t bpc = uint8_t(b[3]), w = be16(b, 6), h = std::max<int>(1, be16(b, 8)),
                      z = std::max<int>(1, be16(b, 10));
        if (b[2] == 0) return 512 + bpc * w * h * z > b.size();
        // Run-length encoded: tables of where each row starts and how long it is.
        const int64_t n = h * z;
        if (512 + 8 * n > b.size()) return true;
        int64_t end = 0;
        for (int64_t i = 0; i < n; ++i)
            end =
                std::max<int64_t>(end, int64_t(be32(b, 512 + 4 * i)) + be32(b, 512 + 4 * (n + i)));
        return end > b.size();
    }
    return false;
}

// Qt's readers. Returns false when Qt has no reader for the data; throws Error (or records a
// failure) for data it recognises but cannot decode.
bool readWithQt(const QByteArray& bytes, const std::string& ext, Bitmap& out, Failure& failure) {
    raiseQtLimit();
    QByteArray copy = bytes;  // QBuffer needs a non-const array; this shares the data
    QBuffer dev(&copy);
    dev.open(QIODevice::ReadOnly);
    QImageReader reader(&dev, QByteArray::fromStdString(ext));
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        // The extension may be wrong: try by content alone.
        dev.seek(0);
        reader.setFormat(QByteArray());
        if (!reader.canRead()) return false;
    }
    QSize size = reader.size();
    if (size.isValid()) checkPictureSize(size.width(), size.height());
    QImage img;
    if (!reader.read(&img) || img.isNull()) {
        failure.detail = reader.errorString().toStdString();
        return false;
    }
    if (cutShort(bytes)) {
        failure.detail = "the data ends before the picture does";
        return false;
    }
    checkPictureSize(img.width(), img.height());
    out = bitmapFromQImage(img);
    return true;
}

// Formats without a signature that ImageMagick may be told to expect from a file's extension.
bool magickHintAllowed(const std::string& ext) {
    static const std::set<std::string> hints = {"tga", "icb", "vda", "vst",  "pict", "pct",
                                                "pcx", "sgi", "rgb", "rgba", "bw"};
    return hints.count(ext) != 0;
}

// ImageMagick's reader on one blob, through MagickCore so that the severity of what it reports
// decides: damage (an error, or a corrupt-image warning) is never taken as a picture.
bool readBlobWithMagick(const QByteArray& bytes, const std::string& magick, Bitmap& out,
                        Failure& failure) {
    using namespace MagickCore;
    std::unique_ptr<ImageInfo, ImageInfo* (*)(ImageInfo*)> info(AcquireImageInfo(),
                                                                DestroyImageInfo);
    std::unique_ptr<ExceptionInfo, ExceptionInfo* (*)(ExceptionInfo*)> ex(AcquireExceptionInfo(),
                                                                          DestroyExceptionInfo);
    using ImagePtr = std::unique_ptr<MagickCore::Image, MagickCore::Image* (*)(MagickCore::Image*)>;
    if (!magick.empty()) CopyMagickString(info->magick, magick.c_str(), MaxTextExtent);
    auto refused = [&] {
        if (ex->severity == ResourceLimitError || ex->severity == ResourceLimitWarning)
            throw Error("The picture is too large; the limit is " +
                        std::to_string(kMaxPixels / 1000000) + " megapixels and " +
                        std::to_string(kMaxSide) + " pixels on a side.");
        if (ex->severity >= ErrorException || ex->severity == CorruptImageWarning) {
            failure.detail =
                std::string(ex->reason ? ex->reason : "unreadable") +
                (ex->severity == CorruptImageError || ex->severity == CorruptImageWarning
                     ? " (corrupt)"
                     : "");
            return true;
        }
        return false;
    };
    ImagePtr ping(PingBlob(info.get(), bytes.constData(), size_t(bytes.size()), ex.get()),
                  DestroyImageList);
    if (refused() || !ping || ping->columns == 0 || ping->rows == 0) {
        if (failure.detail.empty()) failure.detail = "no picture found";
        return false;
    }
    checkPictureSize((long long)ping->columns, (long long)ping->rows);
    if (cutShort(bytes)) {
        failure.detail = "the data ends before the picture does (corrupt)";
        return false;
    }
    ImagePtr img(BlobToImage(info.get(), bytes.constData(), size_t(bytes.size()), ex.get()),
                 DestroyImageList);
    if (refused() || !img) {
        if (failure.detail.empty()) failure.detail = "no picture found";
        return false;
    }
    checkPictureSize((long long)img->columns, (long long)img->rows);
    Bitmap b(int(img->columns), int(img->rows), PixelFormat::RGBA8);
    // Without an alpha channel ImageMagick's exported alpha is undefined: take RGB, then opaque.
    const bool alpha = img->matte != MagickFalse;
    if (!alpha) {
        std::vector<uint8_t> rgb(size_t(img->columns) * 3);
        for (size_t y = 0; y < img->rows; ++y) {
            if (!ExportImagePixels(img.get(), 0, ssize_t(y), img->columns, 1, "RGB", CharPixel,
                                   rgb.data(), ex.get())) {
                failure.detail = ex->reason ? ex->reason : "pixels could not be read";
                return false;
            }
            uint8_t* d = b.row(int(y));
            for (size_t x = 0; x < img->columns; ++x, d += 4) {
                d[0] = rgb[3 * x], d[1] = rgb[3 * x + 1], d[2] = rgb[3 * x + 2], d[3] = 255;
            }
        }
    } else if (!ExportImagePixels(img.get(), 0, 0, img->columns, img->rows, "RGBA", CharPixel,
                                  b.data(), ex.get())) {
        failure.detail = ex->reason ? ex->reason : "pixels could not be read";
        return false;
    }
    out = std::move(b);
    return true;
}

// ImageMagick's readers, always from memory: a file name could otherwise carry instructions
// ("ephemeral:", "format:").
bool readWithMagick(const QByteArray& bytes, const std::string& ext, Bitmap& out,
                    Failure& failure) {
    initMagick();
    InMagick inside;
    Failure first;
    if (readBlobWithMagick(bytes, {}, out, first)) return true;
    Failure hinted;
    if (magickHintAllowed(ext) && readBlobWithMagick(bytes, ext, out, hinted)) return true;
    if (failure.detail.empty())
        failure.detail = hinted.detail.empty() ? first.detail : hinted.detail;
    return false;
}

// Qt first, ImageMagick for what Qt lacks or cannot finish. `name` is for messages.
Bitmap decode(const QByteArray& bytes, const std::string& ext, const std::string& subject) {
    Bitmap b;
    Failure qt, magick;
    TiffResult tiff;
    try {
        tiff = readTiffDirect(bytes, b, qt.detail);
    } catch (const Error& e) {
        throw Error(subject + ": " + e.what());
    }
    if (tiff == TiffResult::Read) return b;
    if (tiff == TiffResult::Damaged)
        throw Error(subject + " is damaged or truncated (" + qt.detail + ").");
    try {
        if (readWithQt(bytes, ext, b, qt)) return b;
        // What Qt recognised but could not decode is damaged; ImageMagick would only find less.
        if (qt.detail.empty() && readWithMagick(bytes, ext, b, magick)) return b;
    } catch (const Error& e) {
        throw Error(subject + ": " + e.what());
    }
    if (!qt.detail.empty()) throw Error(subject + " is damaged or truncated (" + qt.detail + ").");
    if (magick.detail.find("(corrupt)") != std::string::npos)
        throw Error(subject + " is damaged or truncated.");
    throw Error(subject + " is not a picture this program can read.");
}

}  // namespace

Bitmap bitmapFromQImage(const QImage& src) {
    if (src.isNull()) return {};
    auto img = std::make_shared<QImage>(src.convertToFormat(QImage::Format_RGBA8888));
    if (img->bytesPerLine() == qsizetype(img->width()) * 4) {
        // The bitmap shares the QImage's pixels: a large picture is not copied once more.
        auto* bits = const_cast<uint8_t*>(img->constBits());
        return Bitmap(img->width(), img->height(), PixelFormat::RGBA8,
                      std::shared_ptr<uint8_t[]>(img, bits));
    }
    Bitmap b(img->width(), img->height(), PixelFormat::RGBA8);
    for (int y = 0; y < img->height(); ++y)
        std::memcpy(b.row(y), img->constScanLine(y), size_t(img->width()) * 4);
    return b;
}

QImage qImageFromBitmap(const Bitmap& bitmap) {
    if (bitmap.isNull()) return {};
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
    // A read-only view of the bitmap's pixels, kept alive by the image's clean-up.
    auto* keep = new Bitmap(b);
    return QImage(
        static_cast<const uchar*>(keep->data()), keep->width(), keep->height(),
        qsizetype(keep->bytesPerRow()), f, [](void* p) { delete static_cast<Bitmap*>(p); }, keep);
}

Bitmap readBitmap(const std::string& path) {
    QFileInfo info(QString::fromStdString(path));
    const std::string name = displayName(path);
    if (!info.exists()) throw Error("The file \"" + name + "\" does not exist.");
    QFile file(info.filePath());
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        throw Error("The file \"" + name + "\" cannot be read.");
    if (file.size() == 0) throw Error("The file \"" + name + "\" is empty.");
    // Mapped rather than copied where the system allows; the file stays open while it is read.
    QByteArray bytes;
    if (uchar* mapped = file.map(0, file.size()))
        bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size());
    else
        bytes = file.readAll();
    if (bytes.size() != file.size())
        throw Error("The file \"" + name +
                    "\" cannot be read: " + file.errorString().toStdString());
    return decode(bytes, lower(info.suffix().toStdString()), "The file \"" + name + "\"");
}

Image readImage(const std::string& path) {
    return Image::fromBitmap(readBitmap(path));
}

Bitmap decodeBitmap(const uint8_t* data, size_t size) {
    if (!data || size == 0) throw Error("The data holds no picture.");
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    return decode(bytes, {}, "The data");
}

Image imageWithData(const std::vector<uint8_t>& data) {
    return Image::fromBitmap(decodeBitmap(data.data(), data.size()));
}

std::vector<uint8_t> encodeBitmap(const Bitmap& bitmap, const std::string& format) {
    QByteArray bytes;
    QBuffer dev(&bytes);
    dev.open(QIODevice::WriteOnly);
    QImageWriter writer(&dev, QByteArray::fromStdString(lower(format)));
    if (!writer.write(qImageFromBitmap(bitmap)))
        throw Error("Could not encode the picture as " + format + ": " +
                    writer.errorString().toStdString());
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void writeBitmap(const Bitmap& bitmap, const std::string& path, double dpi, int quality) {
    if (bitmap.isNull()) throw Error("There is no picture to write.");
    const QString qpath = QString::fromStdString(path);
    const std::string ext = lower(QFileInfo(qpath).suffix().toStdString());
    const std::string name = displayName(path);
    if ((ext == "tif" || ext == "tiff") && bitmap.format() == PixelFormat::RGBA8) {
        const QByteArray data = encodeTiffDirect(bitmap, dpi);
        if (data.isEmpty()) throw Error("Could not encode \"" + name + "\" as TIFF.");
        QSaveFile file(qpath);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
            throw Error("Could not write \"" + name + "\": " + file.errorString().toStdString());
        return;
    }
    QImage img = qImageFromBitmap(bitmap);
    // Opaque pictures are stored without an alpha channel: smaller files, and what other
    // programs expect of a photograph.
    if (img.format() == QImage::Format_RGBA8888 && ext != "ico" && ext != "cur") {
        bool opaque = true;
        const int w = img.width(), h = img.height();
        for (int y = 0; y < h && opaque; ++y) {
            const uchar* p = img.constScanLine(y);
            for (int x = 0; x < w; ++x)
                if (p[4 * x + 3] != 255) {
                    opaque = false;
                    break;
                }
        }
        if (opaque) img = img.convertToFormat(QImage::Format_RGB888);
    }
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
    InMagick inside;
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
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) return false;
    // From memory: a file name could carry instructions to ImageMagick.
    const QByteArray bytes = file.readAll();
    InMagick inside;
    try {
        Magick::Image m;
        m.quiet(true);
        m.ping(Magick::Blob(bytes.constData(), size_t(bytes.size())));
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

void initialiseImageLibraries() {
    initMagick();
}

std::vector<std::string> readableExtensions() {
    std::set<std::string> exts;
    for (auto& f : QImageReader::supportedImageFormats()) exts.insert(lower(f.toStdString()));
    for (const char* e : {"psd", "tga", "sgi", "rgb", "pict", "pct", "pcx", "jp2", "xcf"})
        exts.insert(e);
    return {exts.begin(), exts.end()};
}

}  // namespace imaging::io
