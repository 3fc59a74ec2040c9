#include "foundation/GraphicsExporter.h"

#include <Magick++.h>

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>

#include "foundation/PdfWriter.h"
#include "foundation/PictureMetadata.h"
#include "foundation/RowEncoders.h"
#include "imaging/io/ColorProfile.h"
#include "imaging/io/SafeFile.h"

namespace foundation {

QString fourCharString(OSType code) {
    QString s;
    for (int shift = 24; shift >= 0; shift -= 8) s += QChar(char((code >> shift) & 0xff));
    return s;
}

namespace {

enum class Backend { None, Qt, Magick, Pdf };

struct Entry {
    GraphicsExporter::Format format;
    Backend backend = Backend::None;
    const char* coder = "";  // Qt writer or ImageMagick coder name
};

enum Extra { kNone = 0, kLossy = 1, kMetadata = 2, kQuality = 4 };

GraphicsExporter::Format fmt(const char* code, const char* name, QStringList exts, bool res,
                             bool alpha, int extra = kNone) {
    char c[5] = {code[0], code[1], code[2], code[3], 0};
    return {fourCharCode(c),   QString::fromLatin1(name), std::move(exts),       res, alpha,
            !(extra & kLossy), bool(extra & kMetadata),   bool(extra & kQuality)};
}

// Every exporter code of the format table, in the order the raster formats are offered.
// Formats without a backend have no writer on this platform and are never offered.
const std::vector<Entry>& entries() {
    static const std::vector<Entry> table = {
        {fmt("MooV", "MOV", {"mov"}, false, false)},
        {fmt("PICS", "PICT", {"pict", "pct"}, false, false), Backend::Magick, "PICT"},
        {fmt(".SGI", "SGI", {"sgi", "rgb", "rgba"}, false, true), Backend::Magick, "SGI"},
        {fmt("8BPS", "PSD", {"psd"}, true, true, kMetadata), Backend::Magick, "PSD"},
        {fmt("BMPf", "BMP", {"bmp", "dib"}, true, true), Backend::Magick, "BMP"},
        {fmt("FPix", "FPX", {"fpx"}, false, false)},
        {fmt("GIFf", "GIF", {"gif"}, false, true, kLossy), Backend::Magick, "GIF"},
        {fmt("JPEG", "JPEG", {"jpeg", "jpg", "jpe"}, true, false, kLossy | kMetadata | kQuality),
         Backend::Qt, "jpeg"},
        {fmt("PNGf", "PNG", {"png"}, true, true, kMetadata), Backend::Qt, "png"},
        {fmt("PNTG", "PNTG", {"pntg", "mac"}, false, false)},
        {fmt("TIFF", "TIFF", {"tiff", "tif"}, true, true, kMetadata), Backend::Qt, "tiff"},
        {fmt("TPIC", "TGA", {"tga", "tpic"}, false, true), Backend::Magick, "TGA"},
        {fmt("qdgx", "QDGX", {"qdgx"}, false, false)},
        {fmt("qtif", "QTIF", {"qtif", "qti"}, false, false)},
        {fmt("FLC ", "FLC", {"flc", "fli"}, false, false)},
        {fmt("SWFL", "SWF", {"swf"}, false, false)},
        {fmt("PDF ", "PDF", {"pdf"}, false, true), Backend::Pdf, "pdf"},
    };
    return table;
}

const Entry* entryFor(OSType subtype) {
    for (const Entry& e : entries())
        if (e.format.subtype == subtype) return &e;
    return nullptr;
}

void initMagick() {
    static std::once_flag once;
    std::call_once(once, [] { Magick::InitializeMagick(nullptr); });
}

bool isOpaque(const QImage& image) {
    if (!image.hasAlphaChannel()) return true;
    const QImage::Format f = image.format();
    int alphaByte = -1;  // where alpha sits in a four-byte pixel of this format
    if (f == QImage::Format_RGBA8888 || f == QImage::Format_RGBA8888_Premultiplied) alphaByte = 3;
    if (f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied)
        alphaByte = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 3 : 0;
    if (alphaByte < 0) return isOpaque(image.convertToFormat(QImage::Format_ARGB32));
    // AND of all pixels of a row, eight bytes at a time: opaque when every alpha byte stays 255.
    uint64_t mask = 0;
    std::memset(reinterpret_cast<uint8_t*>(&mask) + alphaByte, 0xff, 1);
    std::memset(reinterpret_cast<uint8_t*>(&mask) + alphaByte + 4, 0xff, 1);
    const int pairs = image.width() / 2;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        uint64_t all = ~uint64_t(0);
        for (int i = 0; i < pairs; ++i) {
            uint64_t two;
            std::memcpy(&two, row + size_t(i) * 8, 8);
            all &= two;
        }
        if ((all & mask) != mask) return false;
        if (image.width() % 2 && row[size_t(image.width() - 1) * 4 + size_t(alphaByte)] != 255)
            return false;
    }
    return true;
}

// The picture as the writers take it: opaque RGB when nothing is transparent (smaller files,
// and what readers expect), straight RGBA where the format keeps alpha, and composited over
// black where it does not (what the premultiplied colours already are). A picture of 16 bits
// per channel keeps them.
QImage writerImage(const QImage& in, bool keepAlpha) {
    const bool deep = in.depth() == 64;
    if (isOpaque(in))
        return in.convertToFormat(deep ? QImage::Format_RGBX64 : QImage::Format_RGB888);
    if (keepAlpha)
        return in.convertToFormat(deep ? QImage::Format_RGBA64 : QImage::Format_RGBA8888);
    QImage flat(in.size(), deep ? QImage::Format_RGBX64 : QImage::Format_RGB888);
    flat.fill(Qt::black);
    QPainter p(&flat);
    p.drawImage(0, 0, in);
    p.end();
    return flat;
}

int dotsPerMeter(double dpi) {
    return int(std::lround(dpi / 0.0254));
}

class QtExporter final : public GraphicsExporter {
  public:
    QtExporter(const Entry& e) : GraphicsExporter(e.format), m_entry(e) {}

  protected:
    bool encode(const QImage& source, QIODevice& out) override {
        QImage image = source;
        // Pictures are sRGB; writers that can record a profile say so.
        image.setColorSpace(QColorSpace::SRgb);
        if (m_hres > 0 && m_vres > 0) {
            image.setDotsPerMeterX(dotsPerMeter(m_hres));
            image.setDotsPerMeterY(dotsPerMeter(m_vres));
        }
        QImageWriter writer(&out, m_entry.coder);
        if (m_format.hasQuality) writer.setQuality(quality());
        if (writer.write(image)) return true;
        m_error = writer.errorString();
        return false;
    }

    bool writesRows() const override { return hasRowEncoder(m_entry.coder); }

    std::unique_ptr<RowEncoder> rowEncoder(QIODevice& out, int width, int height, bool alpha,
                                           const QImage& firstRows) override {
        // What encode() hands Qt's writer: the picture's own resolution unless one is set, and
        // the sRGB profile.
        RowEncoder::Layout layout;
        layout.width = width;
        layout.height = height;
        layout.alpha = alpha;
        layout.dotsPerMeterX =
            m_hres > 0 && m_vres > 0 ? dotsPerMeter(m_hres) : firstRows.dotsPerMeterX();
        layout.dotsPerMeterY =
            m_hres > 0 && m_vres > 0 ? dotsPerMeter(m_vres) : firstRows.dotsPerMeterY();
        layout.iccProfile = imaging::io::srgbProfile();
        layout.quality = m_format.hasQuality ? quality() : -1;
        return makeRowEncoder(m_entry.coder, out, layout, m_error);
    }

  private:
    const Entry& m_entry;
};

class MagickExporter final : public GraphicsExporter {
  public:
    MagickExporter(const Entry& e) : GraphicsExporter(e.format), m_entry(e) {}

  protected:
    bool encode(const QImage& image, QIODevice& out) override {
        initMagick();
        const bool deep = image.depth() == 64;
        const bool rgba =
            image.format() == QImage::Format_RGBA8888 || image.format() == QImage::Format_RGBA64;
        // 16-bit rows always have four channels; the fourth is padding when opaque.
        const int channels = deep || rgba ? 4 : 3;
        const size_t rowBytes = size_t(image.width()) * size_t(channels) * (deep ? 2 : 1);
        // ImageMagick takes packed rows; QImage pads them to four bytes.
        std::vector<uint8_t> packed;
        const uint8_t* pixels = image.constBits();
        if (size_t(image.bytesPerLine()) != rowBytes) {
            packed.resize(rowBytes * size_t(image.height()));
            for (int y = 0; y < image.height(); ++y)
                std::memcpy(packed.data() + rowBytes * size_t(y), image.constScanLine(y), rowBytes);
            pixels = packed.data();
        }
        // Built through MagickCore step by step: ImageMagick's one-call constructor aborts the
        // process when the picture exceeds its resource limits instead of reporting it.
        MagickCore::ImageInfo* info = MagickCore::AcquireImageInfo();
        MagickCore::Image* core = MagickCore::AcquireImage(info);
        MagickCore::DestroyImageInfo(info);
        if (!core) {
            m_error = QStringLiteral("There is not enough memory to write the picture.");
            return false;
        }
        // A fresh pixel cache is not cleared: without the reset, the alpha of an RGB picture
        // would be whatever the memory held.
        core->matte = rgba ? MagickCore::MagickTrue : MagickCore::MagickFalse;
        if (MagickCore::SetImageExtent(core, size_t(image.width()), size_t(image.height())) ==
                MagickCore::MagickFalse ||
            MagickCore::ResetImagePixels(core, &core->exception) == MagickCore::MagickFalse ||
            MagickCore::ImportImagePixels(core, 0, 0, size_t(image.width()), size_t(image.height()),
                                          rgba ? "RGBA" : (deep ? "RGBP" : "RGB"),
                                          deep ? MagickCore::ShortPixel : MagickCore::CharPixel,
                                          pixels) == MagickCore::MagickFalse) {
            m_error = QStringLiteral("A %1 x %2 picture cannot be written as %3 here (%4).")
                          .arg(image.width())
                          .arg(image.height())
                          .arg(m_format.name, QString::fromLocal8Bit(core->exception.reason
                                                                         ? core->exception.reason
                                                                         : "no reason given"));
            MagickCore::DestroyImage(core);
            return false;
        }
        Magick::Blob blob;
        try {
            Magick::Image m(core);
            m.magick(m_entry.coder);
            if (deep) m.depth(16);
            // Rows go out top first, and the file says so (TGA would otherwise claim bottom-up
            // rows).
            m.orientation(MagickCore::TopLeftOrientation);
            if (m_format.subtype == fourCharCode("8BPS")) {
                const QByteArray& icc = imaging::io::srgbProfile();
                m.profile("ICC", Magick::Blob(icc.constData(), size_t(icc.size())));
            }
            if (m_hres > 0 && m_vres > 0) {
                m.resolutionUnits(MagickCore::PixelsPerInchResolution);
                m.density(
                    Magick::Geometry(size_t(std::lround(m_hres)), size_t(std::lround(m_vres))));
            }
            m.write(&blob);
        } catch (const std::exception& e) {
            m_error = QString::fromLocal8Bit(e.what());
            return false;
        }
        if (blob.length() == 0) {
            m_error = QStringLiteral("The %1 writer produced nothing.").arg(m_format.name);
            return false;
        }
        const auto* data = static_cast<const char*>(blob.data());
        if (out.write(data, qint64(blob.length())) != qint64(blob.length())) {
            m_error = out.errorString();
            return false;
        }
        return true;
    }

  private:
    const Entry& m_entry;
};

class PdfExporter final : public GraphicsExporter {
  public:
    PdfExporter(const Entry& e) : GraphicsExporter(e.format) {}

  protected:
    bool encode(const QImage& image, QIODevice& out) override {
        return writePDFImage(image, out, &m_error);
    }
};

std::unique_ptr<GraphicsExporter> make(const Entry& e) {
    switch (e.backend) {
        case Backend::Qt:
            return std::make_unique<QtExporter>(e);
        case Backend::Magick:
            return std::make_unique<MagickExporter>(e);
        case Backend::Pdf:
            return std::make_unique<PdfExporter>(e);
        case Backend::None:
            break;
    }
    return nullptr;
}

// Whether the format's writer works here: its library must have it and encode a small
// picture with transparency. Asked once per code.
bool probe(const Entry& e) {
    if (e.backend == Backend::None) return false;
    if (e.backend == Backend::Qt &&
        !QImageWriter::supportedImageFormats().contains(QByteArray(e.coder)))
        return false;
    std::unique_ptr<GraphicsExporter> x = make(e);
    QImage sample(4, 3, QImage::Format_ARGB32);
    sample.fill(qRgba(200, 100, 50, 255));
    sample.setPixel(0, 0, qRgba(0, 0, 0, 0));
    x->setInputImage(sample);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return x->exportToDevice(buffer) && !bytes.isEmpty();
}

}  // namespace

GraphicsExporter::~GraphicsExporter() = default;

const std::vector<GraphicsExporter::Format>& GraphicsExporter::knownFormats() {
    static const std::vector<Format> formats = [] {
        std::vector<Format> all;
        for (const Entry& e : entries()) all.push_back(e.format);
        return all;
    }();
    return formats;
}

const GraphicsExporter::Format* GraphicsExporter::formatFor(OSType subtype) {
    const Entry* e = entryFor(subtype);
    return e ? &e->format : nullptr;
}

namespace {
// Each format is probed the first time it is asked about: a program that writes one format
// never pays for starting the others' libraries.
bool works(const Entry& e) {
    static std::mutex mutex;
    static std::map<OSType, bool> known;
    std::lock_guard lock(mutex);
    auto it = known.find(e.format.subtype);
    if (it == known.end()) it = known.emplace(e.format.subtype, probe(e)).first;
    return it->second;
}
}  // namespace

std::vector<OSType> GraphicsExporter::availableSubtypes() {
    std::vector<OSType> codes;
    for (const Entry& e : entries())
        if (works(e)) codes.push_back(e.format.subtype);
    return codes;
}

bool GraphicsExporter::canExport(OSType subtype) {
    const Entry* e = entryFor(subtype);
    return e && works(*e);
}

std::unique_ptr<GraphicsExporter> GraphicsExporter::open(OSType subtype) {
    const Entry* e = entryFor(subtype);
    if (!e || !canExport(subtype)) return nullptr;
    return make(*e);
}

OSType GraphicsExporter::subtypeForExtension(const QString& extension) {
    const QString ext = extension.toLower();
    for (const Entry& e : entries())
        if (e.format.extensions.contains(ext)) return e.format.subtype;
    return 0;
}

void GraphicsExporter::setResolution(double horizontal, double vertical) {
    // Resolutions no file field can hold are left out rather than stored wrongly.
    auto sane = [](double d) { return std::isfinite(d) && d >= 1 && d <= 65535 ? d : 0.0; };
    m_hres = sane(horizontal);
    m_vres = sane(vertical);
}

void GraphicsExporter::setQuality(int quality) {
    m_quality = quality < 0 ? -1 : std::min(quality, 100);
}

void GraphicsExporter::setMetadata(std::shared_ptr<const PictureMetadata> metadata) {
    m_metadata = std::move(metadata);
}

bool GraphicsExporter::recordsMetadata() const {
    return m_metadata && m_format.storesMetadata;
}

bool GraphicsExporter::writeWithMetadata(QByteArray& encoded, int width, int height,
                                         QIODevice& device) {
    m_metadata->writeInto(encoded, {width, height, m_hres, m_vres}, &m_warning);
    if (device.write(encoded) != encoded.size()) {
        m_error = device.errorString();
        return false;
    }
    return true;
}

bool GraphicsExporter::exportToDevice(QIODevice& device) {
    m_error.clear();
    m_warning.clear();
    if (m_image.isNull()) {
        m_error = QStringLiteral("There is no picture to write.");
        return false;
    }
    const QImage image =
        subtype() == kPDFSubtype ? m_image : writerImage(m_image, m_format.storesAlpha);
    if (image.isNull()) {
        m_error = QStringLiteral("There is not enough memory to write the picture.");
        return false;
    }
    if (!recordsMetadata()) return encode(image, device);

    // The metadata goes into the encoded file, which is therefore made in memory first.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!encode(image, buffer)) return false;
    }
    return writeWithMetadata(bytes, image.width(), image.height(), device);
}

namespace {

// The end of an export to a file: whether it succeeded, with the reason kept when not.
bool concluded(bool cancelled, const std::string& error, QString& message) {
    if (cancelled) {
        message = QStringLiteral("Saving was cancelled.");
        return false;
    }
    if (!error.empty()) {
        message = QString::fromStdString(error);
        return false;
    }
    return true;
}

}  // namespace

std::string GraphicsExporter::nativePath() const {
    return m_nativePath.isEmpty() ? NativeName::toStdString(m_path) : m_nativePath.toStdString();
}

std::unique_ptr<RowEncoder> GraphicsExporter::rowEncoder(QIODevice&, int, int, bool,
                                                         const QImage&) {
    m_error = QStringLiteral("%1 files are not written in strips.").arg(m_format.name);
    return nullptr;
}

bool GraphicsExporter::exportRows(int width, int height, const RowSource& rows) {
    m_error.clear();
    m_warning.clear();
    m_cancelled = false;
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("No file was named.");
        return false;
    }
    if (width <= 0 || height <= 0) {
        m_error = QStringLiteral("There is no picture to write.");
        return false;
    }
    // As doExport decides for the whole picture: opaque pictures are stored without alpha.
    // The first strip decides; transparency further down begins the file again with alpha.
    bool alpha = false, decided = false, again = false;
    std::string error;
    do {
        again = false;
        error = imaging::io::writeFileSafely(nativePath(), [&](QIODevice& file, std::string& why) {
            // As in exportToDevice, metadata is recorded into the whole encoded file: only the
            // encoded bytes are then held, never the picture's.
            QByteArray encoded;
            QBuffer memory(&encoded);
            const bool withMetadata = recordsMetadata();
            if (withMetadata) memory.open(QIODevice::ReadWrite);
            QIODevice& out = withMetadata ? static_cast<QIODevice&>(memory) : file;
            std::unique_ptr<RowEncoder> encoder;
            auto failed = [&](const QString& reason) {
                why = reason.toStdString();
                return false;
            };
            for (int first = 0; first < height;) {
                QImage strip;
                QString reason;
                try {
                    strip = rows(first, reason);
                } catch (const std::exception& e) {
                    reason = QString::fromStdString(e.what());
                }
                if (strip.isNull())
                    return failed(reason.isEmpty()
                                      ? QStringLiteral("The picture could not be made.")
                                      : reason);
                if (strip.width() != width || strip.height() > height - first)
                    return failed(QStringLiteral("The picture's rows do not fit its size."));
                first += strip.height();
                const bool opaque = isOpaque(strip);
                if (!decided) alpha = !opaque && m_format.storesAlpha;
                decided = true;
                if (!opaque && !alpha && m_format.storesAlpha) {
                    again = alpha = true;
                    return false;
                }
                if (!encoder) encoder = rowEncoder(out, width, height, alpha, strip);
                if (!encoder) return failed(m_error);
                const QImage pixels = alpha ? strip.convertToFormat(QImage::Format_RGBA8888)
                                            : writerImage(strip, false);
                if (!encoder->writeRows(pixels)) return failed(encoder->error());
                if (m_cancel && m_cancel->load()) {
                    m_cancelled = true;
                    return failed(QStringLiteral("Saving was cancelled."));
                }
            }
            if (!encoder->finish()) return failed(encoder->error());
            if (!withMetadata) return true;
            memory.close();
            return writeWithMetadata(encoded, width, height, file) || failed(m_error);
        });
    } while (again);
    return concluded(m_cancelled, error, m_error);
}

bool GraphicsExporter::doExport() {
    m_error.clear();
    m_cancelled = false;
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("No file was named.");
        return false;
    }
    const std::string error =
        imaging::io::writeFileSafely(nativePath(), [this](QIODevice& out, std::string& why) {
            if (!exportToDevice(out)) {
                why = m_error.toStdString();
                return false;
            }
            // Checked last: the finished file has not replaced the target yet.
            if (m_cancel && m_cancel->load()) {
                m_cancelled = true;
                why = "Saving was cancelled.";
                return false;
            }
            return true;
        });
    return concluded(m_cancelled, error, m_error);
}

}  // namespace foundation
