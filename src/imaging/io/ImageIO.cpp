#include "imaging/io/ImageIO.h"
#include "imaging/io/QtBitmap.h"

#include <Magick++.h>
#include <tiffio.h>

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/Log.h"
#include "imaging/NodeKinds.h"
#include "imaging/io/ColorProfile.h"
#include "imaging/io/SafeFile.h"
#include "imaging/io/TiffCodec.h"

namespace imaging::io {

namespace {

// libtiff keeps one global error handler. ImageMagick's TIFF coder installs one that reports
// into the exception of the read it is doing on this thread; when Qt's TIFF reader then meets a
// damaged file, that handler writes into a long-gone exception and aborts the process. Ours
// forwards to ImageMagick's only while this thread is inside an ImageMagick call, and otherwise
// keeps libtiff's messages off the terminal.
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

std::string suffixOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : lower(name.substr(dot + 1));
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

// A GIF whose first image's data stops before its end (decoders leave the rest blank).
bool gifCutShort(const QByteArray& b) {
    auto colourTable = [](uint8_t flags) { return flags & 0x80 ? 3 << ((flags & 7) + 1) : 0; };
    // Sub-blocks up to their terminator; false when the data ends first.
    auto skipBlocks = [&b](qsizetype& pos) {
        while (pos < b.size() && b[pos] != 0) pos += uint8_t(b[pos]) + 1;
        if (pos >= b.size()) return false;
        ++pos;
        return true;
    };
    if (b.size() < 13) return true;
    qsizetype pos = 13 + colourTable(uint8_t(b[10]));
    while (pos < b.size()) {
        const uint8_t block = uint8_t(b[pos]);
        if (block == 0x21) {
            pos += 2;
            if (!skipBlocks(pos)) return true;
        } else if (block == 0x2C) {
            if (pos + 11 > b.size()) return true;
            pos += 10 + colourTable(uint8_t(b[pos + 9])) + 1;
            return !skipBlocks(pos);
        } else {
            return false;  // the trailer before any image, or not a GIF: the decoder says
        }
    }
    return true;
}

// Some readers fill what is missing from a file cut short and report success: a JPEG (the rest
// grey), an uncompressed BMP or SGI (the rest black), a GIF (the rest blank). Their structure
// says how long they must be.
bool cutShort(const QByteArray& b) {
    if (b.startsWith("\xff\xd8")) {
        // The last scan must be followed by the end-of-image marker; markers cannot occur inside
        // entropy-coded data.
        qsizetype sos = b.lastIndexOf("\xff\xda"), eoi = b.lastIndexOf("\xff\xd9");
        return sos >= 0 && eoi < sos;
    }
    if (b.startsWith("GIF8")) return gifCutShort(b);
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

// The picture's colours in sRGB, when its profile says they are in another space.
void toWorkingSpace(Bitmap& b, const QByteArray& icc) {
    if (!icc.isEmpty() && !convertToSRGB(b, icc))
        log("a colour profile that cannot be used was ignored");
}

// Qt's readers. Returns false when Qt has no reader for the data, or leaves it to ImageMagick;
// throws Error (or records a failure) for data it recognises but cannot decode.
bool readWithQt(const QByteArray& bytes, const std::string& ext, Bitmap& out, Failure& failure) {
    raiseQtLimit();
    const QByteArray icc = embeddedProfile(bytes);
    // CMYK with its profile: ImageMagick gives the inks themselves, Qt only a rough RGB.
    if (profileSpace(icc) == ProfileSpace::CMYK) return false;
    QByteArray copy = bytes;  // QBuffer needs a non-const array; this shares the data
    QBuffer dev(&copy);
    dev.open(QIODevice::ReadOnly);
    DecoderMessages messages;
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
    if (cutShort(bytes) || messages.sawPrematureEnd()) {
        failure.detail = "the data ends before the picture does";
        return false;
    }
    checkPictureSize(img.width(), img.height());
    const QColorSpace space = img.colorSpace();
    const QByteArray profile = space.isValid() ? space.iccProfile() : icc;
    out = bitmapFromQImage(std::move(img));
    toWorkingSpace(out, profile);
    return true;
}

// Formats without a signature that ImageMagick may be told to expect from a file's extension.
bool magickHintAllowed(const std::string& ext) {
    static const std::set<std::string> hints = {"tga", "icb", "vda", "vst",  "pict", "pct",
                                                "pcx", "sgi", "rgb", "rgba", "bw"};
    return hints.count(ext) != 0;
}

// The only ImageMagick coders used: raster formats. Drawing languages and documents (SVG, MVG,
// MSL, text, PostScript, PDF) can reach other files and programs, whatever a picture's name or
// the system's policy says.
bool magickCoderAllowed(const std::string& coder) {
    static const std::set<std::string> coders = {
        "BMP",  "BMP2", "BMP3",   "DIB",   "GIF",   "GIF87", "ICO", "ICON", "CUR", "JPEG", "JPG",
        "PNG",  "PNG8", "PNG24",  "PNG32", "PNG48", "PNG64", "PNM", "PPM",  "PGM", "PBM",  "PAM",
        "TIFF", "TIF",  "TIFF64", "WEBP",  "PSD",   "PSB",   "TGA", "ICB",  "VDA", "VST",  "SGI",
        "PICT", "PCT",  "PCX",    "DCX",   "JP2",   "J2K",   "JPC", "JPX",  "XCF", "WBMP"};
    return coders.count(coder) != 0;
}

// The coder ImageMagick would pick for the bytes, from their content alone.
std::string magickCoderFor(const QByteArray& bytes) {
    using namespace MagickCore;
    ImageInfo* info = AcquireImageInfo();
    ExceptionInfo* ex = AcquireExceptionInfo();
    SetImageInfoBlob(info, bytes.constData(), size_t(bytes.size()));
    SetImageInfo(info, 0, ex);
    std::string coder = info->magick;
    DestroyExceptionInfo(ex);
    DestroyImageInfo(info);
    return coder;
}

using MagickImagePtr =
    std::unique_ptr<MagickCore::Image, MagickCore::Image* (*)(MagickCore::Image*)>;

// ImageMagick's reader on one blob, through MagickCore so that the severity of what it reports
// decides: damage (an error, or a corrupt-image warning) is never taken as a picture. `ping`
// reads the header only. Null when it cannot be read (`failure` says why).
MagickImagePtr magickRead(const QByteArray& bytes, const std::string& ext, bool ping,
                          Failure& failure) {
    using namespace MagickCore;
    initMagick();
    InMagick inside;
    MagickImagePtr none(nullptr, DestroyImageList);
    std::string coder = magickCoderFor(bytes);
    if (!magickCoderAllowed(coder)) {
        coder = lower(ext);
        std::transform(coder.begin(), coder.end(), coder.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        if (!magickHintAllowed(ext) || !magickCoderAllowed(coder)) {
            failure.detail = "no picture found";
            return none;
        }
    }
    std::unique_ptr<ImageInfo, ImageInfo* (*)(ImageInfo*)> info(AcquireImageInfo(),
                                                                DestroyImageInfo);
    std::unique_ptr<ExceptionInfo, ExceptionInfo* (*)(ExceptionInfo*)> ex(AcquireExceptionInfo(),
                                                                          DestroyExceptionInfo);
    // This coder and no other, whatever the bytes seem to be on a second look.
    CopyMagickString(info->magick, coder.c_str(), MaxTextExtent);
    info->affirm = MagickTrue;
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
    MagickImagePtr head(PingBlob(info.get(), bytes.constData(), size_t(bytes.size()), ex.get()),
                        DestroyImageList);
    if (refused() || !head || head->columns == 0 || head->rows == 0) {
        if (failure.detail.empty()) failure.detail = "no picture found";
        return none;
    }
    checkPictureSize((long long)head->columns, (long long)head->rows);
    if (ping) return head;
    if (cutShort(bytes)) {
        failure.detail = "the data ends before the picture does (corrupt)";
        return none;
    }
    MagickImagePtr img(BlobToImage(info.get(), bytes.constData(), size_t(bytes.size()), ex.get()),
                       DestroyImageList);
    if (refused() || !img) {
        if (failure.detail.empty()) failure.detail = "no picture found";
        return none;
    }
    checkPictureSize((long long)img->columns, (long long)img->rows);
    // Rows stored bottom-up (TGA) or a recorded rotation: upright, as Qt's readers give them.
    if (img->orientation != UndefinedOrientation && img->orientation != TopLeftOrientation) {
        MagickImagePtr upright(AutoOrientImage(img.get(), img->orientation, ex.get()),
                               DestroyImageList);
        if (!upright) {
            failure.detail = ex->reason ? ex->reason : "the picture could not be turned upright";
            return none;
        }
        img = std::move(upright);
    }
    return img;
}

// The pixels of an image ImageMagick decoded, in sRGB.
bool magickPixels(MagickCore::Image* img, Bitmap& out, Failure& failure) {
    using namespace MagickCore;
    ExceptionInfo* ex = &img->exception;
    const size_t w = img->columns, h = img->rows;
    const bool alpha = img->matte != MagickFalse;
    QByteArray icc;
    if (const StringInfo* p = GetImageProfile(img, "icc"))
        icc = QByteArray(reinterpret_cast<const char*>(GetStringInfoDatum(p)),
                         qsizetype(GetStringInfoLength(p)));
    if (img->colorspace == CMYKColorspace && profileSpace(icc) == ProfileSpace::CMYK) {
        const int channels = alpha ? 5 : 4;
        std::vector<uint8_t> cmyk(w * h * size_t(channels));
        if (!ExportImagePixels(img, 0, 0, w, h, alpha ? "CMYKA" : "CMYK", CharPixel, cmyk.data(),
                               ex)) {
            failure.detail = ex->reason ? ex->reason : "pixels could not be read";
            return false;
        }
        out = cmykToSRGB(cmyk.data(), int(w), int(h), channels, icc);
        if (!out.isNull()) return true;
    }
    Bitmap b(int(w), int(h), PixelFormat::RGBA8);
    // Without an alpha channel ImageMagick's exported alpha is undefined: take RGB, then opaque.
    if (!alpha) {
        std::vector<uint8_t> rgb(w * 3);
        for (size_t y = 0; y < h; ++y) {
            if (!ExportImagePixels(img, 0, ssize_t(y), w, 1, "RGB", CharPixel, rgb.data(), ex)) {
                failure.detail = ex->reason ? ex->reason : "pixels could not be read";
                return false;
            }
            uint8_t* d = b.row(int(y));
            for (size_t x = 0; x < w; ++x, d += 4) {
                d[0] = rgb[3 * x], d[1] = rgb[3 * x + 1], d[2] = rgb[3 * x + 2], d[3] = 255;
            }
        }
    } else if (!ExportImagePixels(img, 0, 0, w, h, "RGBA", CharPixel, b.data(), ex)) {
        failure.detail = ex->reason ? ex->reason : "pixels could not be read";
        return false;
    }
    if (img->colorspace != CMYKColorspace) toWorkingSpace(b, icc);
    out = std::move(b);
    return true;
}

// ImageMagick's readers, always from memory: a file name could otherwise carry instructions
// ("ephemeral:", "format:").
bool readWithMagick(const QByteArray& bytes, const std::string& ext, Bitmap& out,
                    Failure& failure) {
    Failure why;
    MagickImagePtr img = magickRead(bytes, ext, false, why);
    if (img && magickPixels(img.get(), out, why)) return true;
    if (failure.detail.empty()) failure.detail = why.detail;
    return false;
}

// Qt first, ImageMagick for what Qt lacks or cannot finish. `subject` is for messages.
Bitmap decode(const QByteArray& bytes, const std::string& ext, const std::string& subject,
              const std::function<void(size_t, size_t)>& done = {}) {
    initMagick();  // also puts libtiff's messages where they belong
    Bitmap b;
    Failure qt, magick;
    TiffResult tiff;
    try {
        tiff = readTiffDirect(bytes, b, qt.detail, done);
        if (tiff == TiffResult::Read) {
            toWorkingSpace(b, tiffProfile(bytes));
            return b;
        }
    } catch (const Error& e) {
        throw Error(subject + ": " + e.what());
    }
    if (tiff == TiffResult::Damaged)
        throw Error(subject + " is damaged or truncated (" + qt.detail + ").");
    try {
        if (readWithQt(bytes, ext, b, qt)) return b;
        // What Qt recognised but could not decode is damaged; ImageMagick would only find less.
        // TIFF is the exception: it has layouts (floating-point samples) only ImageMagick reads.
        if ((qt.detail.empty() || looksLikeTiff(bytes)) && readWithMagick(bytes, ext, b, magick))
            return b;
    } catch (const Error& e) {
        throw Error(subject + ": " + e.what());
    }
    if (!qt.detail.empty()) throw Error(subject + " is damaged or truncated (" + qt.detail + ").");
    if (magick.detail.find("(corrupt)") != std::string::npos)
        throw Error(subject + " is damaged or truncated.");
    throw Error(subject + " is not a picture this program can read.");
}

// Opaque pictures are stored without an alpha channel: smaller files, and what other programs
// expect of a photograph.
bool opaque(const Bitmap& b) {
    for (int y = 0; y < b.height(); ++y) {
        const uint8_t* p = b.row(y);
        for (int x = 0; x < b.width(); ++x)
            if (p[4 * x + 3] != 255) return false;
    }
    return true;
}

}  // namespace

// What Qt's readers say while this thread decodes is kept (a decoder's warning that the data
// ended early means a damaged file) and off the terminal.
namespace {
thread_local std::string* qtMessages = nullptr;
QtMessageHandler previousQtHandler = nullptr;

void keepQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (qtMessages) {
        *qtMessages += text.toStdString() + '\n';
        return;
    }
    if (previousQtHandler) previousQtHandler(type, context, text);
}
}  // namespace

DecoderMessages::DecoderMessages() : saved_(qtMessages) {
    static std::once_flag once;
    std::call_once(once, [] { previousQtHandler = qInstallMessageHandler(keepQtMessage); });
    qtMessages = &text_;
}

DecoderMessages::~DecoderMessages() {
    qtMessages = saved_;
}

bool DecoderMessages::sawPrematureEnd() const {
    return QString::fromStdString(text_).contains(QLatin1String("premature end"),
                                                  Qt::CaseInsensitive);
}

Bitmap bitmapFromQImage(QImage img) {
    if (img.isNull()) return {};
    // In place where the layouts allow: a large picture is not held twice while converting.
    img.convertTo(QImage::Format_RGBA8888);
    if (img.isNull()) throw Error("There is not enough memory for the picture.");
    auto shared = std::make_shared<QImage>(std::move(img));
    if (shared->bytesPerLine() == qsizetype(shared->width()) * 4) {
        // The bitmap shares the QImage's pixels: a large picture is not copied once more.
        auto* bits = const_cast<uint8_t*>(shared->constBits());
        return Bitmap(shared->width(), shared->height(), PixelFormat::RGBA8,
                      std::shared_ptr<uint8_t[]>(shared, bits));
    }
    Bitmap b(shared->width(), shared->height(), PixelFormat::RGBA8);
    for (int y = 0; y < shared->height(); ++y)
        std::memcpy(b.row(y), shared->constScanLine(y), size_t(shared->width()) * 4);
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
    const FileBytes file = readFileBytes(path);
    return decode(file.bytes, suffixOf(path), "The file \"" + fileNameOf(path) + "\"", file.done);
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

QImage writableImage(const Bitmap& bitmap) {
    QImage img = qImageFromBitmap(bitmap);
    // The working space is sRGB, and writers that can record a profile say so.
    img.setColorSpace(QColorSpace::SRgb);
    return img;
}

std::vector<uint8_t> encodeBitmap(const Bitmap& bitmap, const std::string& format) {
    QByteArray bytes;
    QBuffer dev(&bytes);
    dev.open(QIODevice::WriteOnly);
    QImageWriter writer(&dev, QByteArray::fromStdString(lower(format)));
    if (!writer.write(writableImage(bitmap)))
        throw Error("Could not encode the picture as " + format + ": " +
                    writer.errorString().toStdString());
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void writeBitmap(const Bitmap& bitmap, const std::string& path, double dpi, int quality) {
    if (bitmap.isNull()) throw Error("There is no picture to write.");
    const std::string ext = suffixOf(path);
    const std::string name = fileNameOf(path);
    Encoder encoder;
    if ((ext == "tif" || ext == "tiff") && bitmap.format() == PixelFormat::RGBA8) {
        encoder = [&](QIODevice& out, std::string& error) {
            if (writeTiffDirect(bitmap, dpi, out)) return true;
            error = "the picture could not be encoded as TIFF";
            return false;
        };
    } else if (QImageWriter::supportedImageFormats().contains(QByteArray::fromStdString(ext))) {
        encoder = [&](QIODevice& out, std::string& error) {
            QImage img = writableImage(bitmap);
            if (img.format() == QImage::Format_RGBA8888 && ext != "ico" && ext != "cur" &&
                opaque(bitmap))
                img = img.convertToFormat(QImage::Format_RGB888);
            if (dpi > 0) {
                const int dpm = int(std::lround(dpi / 0.0254));
                img.setDotsPerMeterX(dpm);
                img.setDotsPerMeterY(dpm);
            }
            QImageWriter writer(&out, QByteArray::fromStdString(ext));
            if (quality >= 0) writer.setQuality(quality);
            if (writer.write(img)) return true;
            error = writer.errorString().toStdString();
            return false;
        };
    } else {
        // ImageMagick encodes into memory; the bytes then go through the same safe file.
        encoder = [&](QIODevice& out, std::string& error) {
            initMagick();
            InMagick inside;
            Magick::Blob blob;
            try {
                const QImage straight =
                    qImageFromBitmap(bitmap).convertToFormat(QImage::Format_RGBA8888);
                Magick::Image m(size_t(straight.width()), size_t(straight.height()), "RGBA",
                                Magick::CharPixel, straight.constBits());
                if (opaque(bitmap)) m.matte(false);
                // Rows go out top first, and the file says so (TGA would otherwise claim
                // bottom-up rows).
                m.orientation(MagickCore::TopLeftOrientation);
                m.magick(ext);
                if (dpi > 0) {
                    m.resolutionUnits(MagickCore::PixelsPerInchResolution);
                    const std::string d = std::to_string(int(std::lround(dpi)));
                    m.density(Magick::Geometry(d + "x" + d));
                }
                if (quality >= 0) m.quality(size_t(quality));
                m.write(&blob);
            } catch (const std::exception& e) {
                error = "cannot be written as " + ext + ": " + e.what();
                return false;
            }
            if (blob.length() == 0) {
                error = "cannot be written as " + ext;
                return false;
            }
            return out.write(static_cast<const char*>(blob.data()), qint64(blob.length())) ==
                   qint64(blob.length());
        };
    }
    const std::string error = writeFileSafely(path, encoder);
    if (!error.empty()) throw Error(error);
}

bool pingPicture(const std::string& path, PictureHeader& out) {
    FileBytes file;
    try {
        file = readFileBytes(path);
    } catch (const Error&) {
        return false;
    }
    const QByteArray& bytes = file.bytes;
    using namespace MagickCore;
    try {
        Failure why;
        MagickImagePtr m = magickRead(bytes, suffixOf(path), true, why);
        if (!m) return false;
        out.width = int(m->columns);
        out.height = int(m->rows);
        out.depth = int(m->depth);
        switch (m->colorspace) {
            case GRAYColorspace:
            case Rec601LumaColorspace:
            case Rec709LumaColorspace:
                out.colorModel = "Gray";
                break;
            case CMYKColorspace:
                out.colorModel = "CMYK";
                break;
            case LabColorspace:
                out.colorModel = "Lab";
                break;
            default:
                out.colorModel = "RGB";
                break;
        }
        out.hasAlpha = m->matte != MagickFalse;
        double toInch = 0;
        switch (m->units) {
            case PixelsPerInchResolution:
                toInch = 1;
                break;
            case PixelsPerCentimeterResolution:
                toInch = 2.54;
                break;
            default:
                break;
        }
        out.dpiX = m->x_resolution * toInch;
        out.dpiY = m->y_resolution * toInch;
        out.format = m->magick;
        return true;
    } catch (const Error&) {
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
