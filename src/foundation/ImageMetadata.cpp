#include "foundation/ImageMetadata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QMimeDatabase>
#include <algorithm>
#include <cmath>
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>
#include <mutex>

#include "foundation/NativeName.h"
#include "imaging/Log.h"
#include "imaging/io/ImageIO.h"
#include "imaging/io/SafeFile.h"

namespace foundation {

namespace {

// Keys of the properties that are not Exiv2 tags.
namespace key {
const QString width = QStringLiteral("PixelWidth");
const QString height = QStringLiteral("PixelHeight");
const QString depth = QStringLiteral("Depth");
const QString colorModel = QStringLiteral("ColorModel");
const QString hasAlpha = QStringLiteral("HasAlpha");
const QString dpiWidth = QStringLiteral("DPIWidth");
const QString dpiHeight = QStringLiteral("DPIHeight");
const QString orientation = QStringLiteral("Orientation");
const QString profileName = QStringLiteral("ProfileName");
const QString tiff = QStringLiteral("TIFF");
const QString exif = QStringLiteral("Exif");
const QString gps = QStringLiteral("GPS");
const QString makerNote = QStringLiteral("MakerNote");
const QString iptc = QStringLiteral("IPTC");
const QString xmp = QStringLiteral("XMP");
const QString text = QStringLiteral("Text");
}  // namespace key

const QHash<QString, QString>& ownNames() {
    static const QHash<QString, QString> names = {
        {key::width, QStringLiteral("Pixel Width")},
        {key::height, QStringLiteral("Pixel Height")},
        {key::depth, QStringLiteral("Depth (bits per sample)")},
        {key::colorModel, QStringLiteral("Colour Model")},
        {key::hasAlpha, QStringLiteral("Has Alpha")},
        {key::dpiWidth, QStringLiteral("DPI Width")},
        {key::dpiHeight, QStringLiteral("DPI Height")},
        {key::orientation, QStringLiteral("Orientation")},
        {key::profileName, QStringLiteral("Colour Profile")},
        {key::tiff, QStringLiteral("TIFF")},
        {key::exif, QStringLiteral("Exif")},
        {key::gps, QStringLiteral("GPS")},
        {key::makerNote, QStringLiteral("Maker Note")},
        {key::iptc, QStringLiteral("IPTC")},
        {key::xmp, QStringLiteral("XMP")},
        {key::text, QStringLiteral("Text")},
    };
    return names;
}

// Longest value shown; maker notes and undefined tags can hold kilobytes.
constexpr int kMaxValueLength = 200;

QString cleanValue(const std::string& s) {
    QString v = QString::fromStdString(s);
    for (QChar& c : v)
        if (c.unicode() < 0x20) c = QLatin1Char(' ');
    v = v.trimmed();
    if (v.size() > kMaxValueLength) v = v.left(kMaxValueLength) + QChar(0x2026);
    return v;
}

ImageProperty& groupIn(std::vector<ImageProperty>& list, const QString& k, const QString& label) {
    for (ImageProperty& p : list)
        if (p.key == k && p.isGroup()) return p;
    list.push_back(ImageProperty{k, label, QVariant(), {}});
    return list.back();
}

// Adds a value; a key met again (repeated IPTC fields, for one) lists all its values.
void addValue(std::vector<ImageProperty>& list, const QString& k, const QString& label,
              const QVariant& value) {
    for (ImageProperty& p : list) {
        if (p.key == k && !p.isGroup()) {
            p.value = p.value.toString() + QStringLiteral(", ") + value.toString();
            return;
        }
    }
    list.push_back(ImageProperty{k, label, value, {}});
}

quint32 be32(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}
quint16 be16(const uchar* p) {
    return quint16(p[0] << 8 | p[1]);
}

// The description tag of an ICC profile (v2 text description or v4 localised Unicode).
QString iccDescription(const uchar* d, size_t n) {
    if (!d || n < 132) return {};
    const quint32 count = be32(d + 128);
    if (count > (n - 132) / 12) return {};
    for (quint32 i = 0; i < count; ++i) {
        const uchar* e = d + 132 + 12 * i;
        if (be32(e) != 0x64657363u) continue;  // 'desc'
        const size_t off = be32(e + 4), size = be32(e + 8);
        if (off > n || size > n - off || size < 12) return {};
        const uchar* t = d + off;
        const quint32 type = be32(t);
        if (type == 0x64657363u) {  // 'desc': ASCII count and text
            const size_t len = std::min<size_t>(be32(t + 8), size - 12);
            QByteArray ascii(reinterpret_cast<const char*>(t + 12), qsizetype(len));
            const qsizetype nul = ascii.indexOf('\0');
            if (nul >= 0) ascii.truncate(nul);
            return QString::fromLatin1(ascii).trimmed();
        }
        if (type == 0x6d6c7563u && size >= 16) {  // 'mluc': records of UTF-16 strings
            const quint32 records = be32(t + 8), recSize = be32(t + 12);
            if (recSize < 12 || records == 0 || records > (size - 16) / recSize) return {};
            quint32 pick = 0;
            for (quint32 r = 0; r < records; ++r)
                if (be16(t + 16 + r * recSize) == ('e' << 8 | 'n')) {
                    pick = r;
                    break;
                }
            const uchar* rec = t + 16 + pick * recSize;
            const size_t len = be32(rec + 4), at = be32(rec + 8);
            if (at > size || len > size - at) return {};
            QString s;
            for (size_t k = 0; k + 1 < len; k += 2) s.append(QChar(be16(t + at + k)));
            return s.trimmed();
        }
        return {};
    }
    return {};
}

// What a JPEG or PNG header records that Qt's reader does not tell without decoding.
struct HeaderFacts {
    double dpiX = 0, dpiY = 0;  // JFIF density or pHYs, 0 when not recorded
    int components = 0;         // JPEG: 1 grey, 3 YCbCr or RGB, 4 CMYK
    int precision = 0;          // JPEG: bits per sample
};

void readJpegHeader(QFile& f, HeaderFacts& facts) {
    // Segments after the start-of-image marker, up to the frame header.
    f.seek(2);
    for (int i = 0; i < 256; ++i) {
        const QByteArray m = f.read(4);
        if (m.size() < 4 || uchar(m[0]) != 0xFF) return;
        const auto* mp = reinterpret_cast<const uchar*>(m.constData());
        const int marker = mp[1];
        const int len = be16(mp + 2);
        if (len < 2) return;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame || marker == 0xE0) {
            const QByteArray d = f.read(std::min(len - 2, 16));
            const auto* dp = reinterpret_cast<const uchar*>(d.constData());
            if (frame) {
                if (d.size() >= 6) {
                    facts.precision = dp[0];
                    facts.components = dp[5];
                }
                return;
            }
            if (d.size() >= 12 && d.startsWith(QByteArray("JFIF\0", 5))) {
                const int units = dp[7];
                const double x = be16(dp + 8), y = be16(dp + 10);
                if ((units == 1 || units == 2) && x > 0 && y > 0) {
                    const double k = units == 2 ? 2.54 : 1.0;
                    facts.dpiX = x * k;
                    facts.dpiY = y * k;
                }
            }
            f.seek(f.pos() - d.size());
        }
        if (!f.seek(f.pos() + len - 2)) return;
    }
}

void readPngHeader(QFile& f, HeaderFacts& facts) {
    // Chunks up to the image data; pHYs must come before it.
    f.seek(8);
    for (int i = 0; i < 256; ++i) {
        const QByteArray c = f.read(8);
        if (c.size() < 8) return;
        const quint32 len = be32(reinterpret_cast<const uchar*>(c.constData()));
        const QByteArray type = c.mid(4, 4);
        if (type == "IDAT" || type == "IEND") return;
        if (type == "pHYs" && len == 9) {
            const QByteArray p = f.read(9);
            const auto* pp = reinterpret_cast<const uchar*>(p.constData());
            if (p.size() == 9 && pp[8] == 1) {  // per metre; no unit is an aspect ratio only
                facts.dpiX = be32(pp) * 0.0254;
                facts.dpiY = be32(pp + 4) * 0.0254;
            }
            return;
        }
        if (!f.seek(f.pos() + qint64(len) + 4)) return;
    }
}

HeaderFacts readHeaderFacts(QFile& f) {
    HeaderFacts facts;
    f.seek(0);
    const QByteArray head = f.read(8);
    if (head.startsWith(QByteArray("\xFF\xD8\xFF", 3)))
        readJpegHeader(f, facts);
    else if (head == QByteArray("\x89PNG\r\n\x1a\n", 8))
        readPngHeader(f, facts);
    return facts;
}

// Tags that are structure or embedded blobs rather than properties of the picture.
bool skippedTag(const std::string& tag) {
    static const std::vector<std::string> skipped = {"ExifTag",
                                                     "GPSTag",
                                                     "InteroperabilityTag",
                                                     "InterColorProfile",
                                                     "XMLPacket",
                                                     "IPTCNAA",
                                                     "MakerNote",
                                                     "StripOffsets",
                                                     "StripByteCounts",
                                                     "TileOffsets",
                                                     "TileByteCounts",
                                                     "JPEGInterchangeFormat",
                                                     "JPEGInterchangeFormatLength",
                                                     "ImageResources",
                                                     "SubIFDs"};
    return std::find(skipped.begin(), skipped.end(), tag) != skipped.end();
}

struct Exiv2Facts {
    bool opened = false;
    int width = 0, height = 0;
    double dpiX = 0, dpiY = 0;
    int orientation = 0;
    QString profileName;
};

bool isCoordinateTag(const std::string& tag) {
    return tag == "GPSLatitude" || tag == "GPSLongitude" || tag == "GPSDestLatitude" ||
           tag == "GPSDestLongitude";
}

// A GPS position of the Exif data (degrees, minutes and seconds as three rationals, its
// hemisphere in the tag named with "Ref") as it is shown; empty when it is not well formed.
QString exifCoordinate(const Exiv2::ExifData& exif, const Exiv2::Exifdatum& d) {
    if (d.count() != 3) return {};
    double degrees = 0, unit = 1;
    for (long i = 0; i < 3; ++i, unit *= 60) {
        const Exiv2::Rational r = d.toRational(i);
        if (r.second == 0) return {};
        degrees += double(r.first) / r.second / unit;
    }
    const auto ref = exif.findKey(Exiv2::ExifKey(d.key() + "Ref"));
    const QString hemisphere =
        ref != exif.end() ? QString::fromStdString(ref->toString()).trimmed() : QString();
    return formatCoordinate(degrees, hemisphere);
}

// The same for XMP's text form: "48,51.5N" or "48,51,30N".
QString xmpCoordinate(const std::string& text) {
    QString t = QString::fromStdString(text).trimmed();
    if (t.isEmpty() || !QStringLiteral("NSEW").contains(t.back().toUpper())) return {};
    const QString hemisphere = t.back().toUpper();
    t.chop(1);
    const QStringList parts = t.split(QLatin1Char(','));
    if (parts.size() < 2 || parts.size() > 3) return {};
    double degrees = 0, unit = 1;
    for (const QString& p : parts) {
        bool ok = false;
        const double v = p.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v)) return {};
        degrees += v / unit;
        unit *= 60;
    }
    return formatCoordinate(degrees, hemisphere);
}

void readExif(Exiv2::ExifData& exif, std::vector<ImageProperty>& props, Exiv2Facts& facts) {
    for (const Exiv2::Exifdatum& d : exif) {
        const std::string group = d.groupName(), tag = d.tagName();
        if (skippedTag(tag)) continue;
        if (group == "GPSInfo" && isCoordinateTag(tag)) {
            if (const QString shown = exifCoordinate(exif, d); !shown.isEmpty()) {
                addValue(groupIn(props, key::gps, {}).children, QString::fromStdString(tag),
                         QString::fromStdString(d.tagLabel()), shown);
                continue;
            }
        }
        ImageProperty* target = nullptr;
        if (group == "Image") {
            target = &groupIn(props, key::tiff, {});
        } else if (group == "Photo" || group == "Iop") {
            target = &groupIn(props, key::exif, {});
        } else if (group == "GPSInfo") {
            target = &groupIn(props, key::gps, {});
        } else if (Exiv2::ExifTags::isMakerGroup(group)) {
            target = &groupIn(groupIn(props, key::makerNote, {}).children,
                              QString::fromStdString(group), {});
        } else {
            continue;  // thumbnails and further images: not the first image
        }
        addValue(target->children, QString::fromStdString(tag),
                 QString::fromStdString(d.tagLabel()), cleanValue(d.print(&exif)));
    }
    // Resolution and orientation of the first image as numbers.
    auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (it != exif.end() && it->count() > 0) facts.orientation = int(it->toLong());
    auto rx = exif.findKey(Exiv2::ExifKey("Exif.Image.XResolution"));
    auto ry = exif.findKey(Exiv2::ExifKey("Exif.Image.YResolution"));
    auto ru = exif.findKey(Exiv2::ExifKey("Exif.Image.ResolutionUnit"));
    const long unit = ru != exif.end() && ru->count() > 0 ? ru->toLong() : 2;
    if (rx != exif.end() && ry != exif.end() && rx->count() > 0 && ry->count() > 0 &&
        (unit == 2 || unit == 3)) {
        const double k = unit == 3 ? 2.54 : 1.0;
        const double x = rx->toFloat() * k, y = ry->toFloat() * k;
        if (std::isfinite(x) && std::isfinite(y) && x > 0 && y > 0) {
            facts.dpiX = x;
            facts.dpiY = y;
        }
    }
}

void readIptc(Exiv2::IptcData& iptc, std::vector<ImageProperty>& props) {
    for (const Exiv2::Iptcdatum& d : iptc) {
        ImageProperty& g = groupIn(props, key::iptc, {});
        addValue(g.children, QString::fromStdString(d.tagName()),
                 QString::fromStdString(d.tagLabel()), cleanValue(d.print()));
    }
}

void readXmp(Exiv2::XmpData& xmp, std::vector<ImageProperty>& props) {
    for (const Exiv2::Xmpdatum& d : xmp) {
        const std::string prefix = d.groupName();
        QString nsLabel;
        try {
            nsLabel = QString::fromUtf8(Exiv2::XmpProperties::nsDesc(prefix));
        } catch (const std::exception&) {
        }
        ImageProperty& ns =
            groupIn(groupIn(props, key::xmp, {}).children, QString::fromStdString(prefix), nsLabel);
        std::string value;
        if (d.typeId() == Exiv2::langAlt) {
            // The default language's text rather than every language with its tag.
            const auto* alt = dynamic_cast<const Exiv2::LangAltValue*>(&d.value());
            if (alt && !alt->value_.empty()) {
                auto def = alt->value_.find("x-default");
                value = def != alt->value_.end() ? def->second : alt->value_.begin()->second;
            }
        } else {
            value = d.print();
        }
        if (prefix == "exif" && isCoordinateTag(d.tagName()))
            if (const QString shown = xmpCoordinate(value); !shown.isEmpty())
                value = shown.toStdString();
        addValue(ns.children, QString::fromStdString(d.tagName()),
                 QString::fromStdString(d.tagLabel()), cleanValue(value));
    }
}

Exiv2Facts readWithExiv2(const std::string& path, std::vector<ImageProperty>& props) {
    initialiseExiv2();
    Exiv2Facts facts;
    try {
        if (!exiv2ReadsType(Exiv2::ImageFactory::getType(path))) return facts;
        auto image = Exiv2::ImageFactory::open(path);
        if (!image.get()) return facts;
        image->readMetadata();
        facts.opened = true;
        facts.width = image->pixelWidth();
        facts.height = image->pixelHeight();
        readExif(image->exifData(), props, facts);
        readIptc(image->iptcData(), props);
        readXmp(image->xmpData(), props);
        if (image->iccProfileDefined()) {
            const Exiv2::DataBuf* icc = image->iccProfile();
            facts.profileName = iccDescription(icc->pData_, size_t(std::max(0L, icc->size_)));
        }
    } catch (const std::exception& e) {
        // Not a format Exiv2 knows, or damaged metadata: what Qt reads still counts.
        const QString what = QString::fromUtf8(e.what());
        if (!what.contains(QStringLiteral("unknown image type"), Qt::CaseInsensitive))
            imaging::log("metadata of " + imaging::io::fileNameOf(path) +
                         " unreadable: " + e.what());
    }
    return facts;
}

// Depth, colour model and alpha of a Qt pixel format (a valid one).
void describeFormat(QImage::Format format, int& depth, QString& model, bool& alpha) {
    const QPixelFormat pf = QImage::toPixelFormat(format);
    alpha = pf.alphaUsage() == QPixelFormat::UsesAlpha;
    switch (format) {
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB:
            depth = 1;
            model = QStringLiteral("Indexed");
            return;
        case QImage::Format_Indexed8:
            depth = 8;
            model = QStringLiteral("Indexed");
            return;
        case QImage::Format_Grayscale8:
        case QImage::Format_Alpha8:
            depth = 8;
            model = QStringLiteral("Gray");
            return;
        case QImage::Format_Grayscale16:
            depth = 16;
            model = QStringLiteral("Gray");
            return;
        default:
            depth = int(pf.redSize());
            model = QStringLiteral("RGB");
            return;
    }
}

}  // namespace

QString formatCoordinate(double degrees, const QString& hemisphere) {
    // Rounded to hundredths of a second, carried up so that 59.999″ never shows as 60″.
    const long long centiseconds = std::llround(std::abs(degrees) * 360000);
    const long long d = centiseconds / 360000, m = centiseconds % 360000 / 6000;
    QString seconds = QString::number(double(centiseconds % 6000) / 100, 'f', 2);
    while (seconds.endsWith(QLatin1Char('0'))) seconds.chop(1);
    if (seconds.endsWith(QLatin1Char('.'))) seconds.chop(1);
    QString text = QStringLiteral("%1° %2′ %3″").arg(d).arg(m).arg(seconds);
    if (!hemisphere.isEmpty()) text += QLatin1Char(' ') + hemisphere;
    return text;
}

bool exiv2ReadsType(int type) {
    switch (type) {
        case Exiv2::ImageType::jpeg:
        case Exiv2::ImageType::exv:
        case Exiv2::ImageType::crw:
        case Exiv2::ImageType::tiff:
        case Exiv2::ImageType::mrw:
        case Exiv2::ImageType::png:
        case Exiv2::ImageType::cr2:
        case Exiv2::ImageType::raf:
        case Exiv2::ImageType::orf:
        case Exiv2::ImageType::gif:
        case Exiv2::ImageType::psd:
        case Exiv2::ImageType::tga:
        case Exiv2::ImageType::bmp:
        case Exiv2::ImageType::jp2:
        case Exiv2::ImageType::rw2:
        case Exiv2::ImageType::pgf:
        case Exiv2::ImageType::webp:
            return true;
        default:
            return false;
    }
}

void initialiseExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Exiv2 reports damaged metadata by exceptions; its warnings would only clutter stderr.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        // Files are described on the main thread while saves write metadata on a worker.
        static std::mutex xmpToolkit;
        Exiv2::XmpParser::initialize(
            [](void* m, bool lock) {
                auto* mutex = static_cast<std::mutex*>(m);
                lock ? mutex->lock() : mutex->unlock();
            },
            &xmpToolkit);
    });
}

const ImageProperty* ImageProperty::find(const QString& childKey) const {
    for (const ImageProperty& p : children)
        if (p.key == childKey) return &p;
    return nullptr;
}

const ImageProperty* ImageFileInfo::find(const QString& k) const {
    for (const ImageProperty& p : properties)
        if (p.key == k) return &p;
    return nullptr;
}

QString ImageMetadata::displayName(const QString& k) {
    return ownNames().value(k, k);
}

QString ImageIOLocalizedString(const ImageProperty& property) {
    return property.label.isEmpty() ? ImageMetadata::displayName(property.key) : property.label;
}

QString ImageMetadata::displayValue(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
        case QMetaType::Double:
        case QMetaType::Float: {
            const double v = value.toDouble();
            if (std::abs(v - std::round(v)) < 0.005)
                return QString::number(qlonglong(std::round(v)));
            QString s = QLocale::c().toString(v, 'f', 2);
            while (s.endsWith(QLatin1Char('0'))) s.chop(1);
            return s;
        }
        default:
            return value.toString();
    }
}

std::vector<PropertyNode> ImageMetadata::propTree(const std::vector<ImageProperty>& properties) {
    std::vector<const ImageProperty*> sorted;
    sorted.reserve(properties.size());
    for (const ImageProperty& p : properties) sorted.push_back(&p);
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [](const ImageProperty* a, const ImageProperty* b) { return a->key < b->key; });
    std::vector<PropertyNode> nodes;
    nodes.reserve(sorted.size());
    for (const ImageProperty* p : sorted) {
        PropertyNode n;
        n.id = p->key;
        n.key = ImageIOLocalizedString(*p);
        if (p->isGroup()) {
            n.children = propTree(p->children);
        } else {
            n.raw = p->value;
            n.val = displayValue(p->value);
        }
        nodes.push_back(std::move(n));
    }
    return nodes;
}

ImageFileInfo ImageMetadata::read(const QString& path) {
    return readFile(NativeName::toStdString(path));
}

ImageFileInfo ImageMetadata::readFile(const std::string& nativePath) {
    ImageFileInfo info;
    info.path = NativeName::fromNative(nativePath);
    struct stat st {};
    if (nativePath.empty() || stat(nativePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return info;
    // Opened by its bytes: a name that is not valid UTF-8 cannot be spelt as a QString.
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return info;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return info;
    }

    int width = 0, height = 0, depth = 0;
    QString model;
    bool alpha = false;
    double dpiX = 0, dpiY = 0;
    std::vector<ImageProperty> textProps;

    const imaging::io::DecoderMessages quiet;  // a damaged file is answered by `readable`
    QImageReader reader(&file);
    bool readable = reader.canRead();
    if (readable) {
        QSize size = reader.size();
        // Only a header that was understood tells the format; a damaged one leaves it unset.
        QImage::Format format = size.isValid() ? reader.imageFormat() : QImage::Format_Invalid;
        if (format < QImage::Format_Invalid || format >= QImage::NImageFormats)
            format = QImage::Format_Invalid;
        for (const QString& k : reader.textKeys()) {
            // Metadata that Exiv2 shows in its own groups, and embedded blobs.
            if (k.isEmpty() || k.startsWith(QStringLiteral("Raw profile type")) ||
                k.startsWith(QStringLiteral("XML:com.adobe.xmp")))
                continue;
            addValue(groupIn(textProps, key::text, {}).children, k, {},
                     cleanValue(reader.text(k).toStdString()));
        }
        if (!size.isValid() || format == QImage::Format_Invalid) {
            // The header does not tell: decode the picture.
            file.seek(0);
            QImageReader decoder(&file);
            QImage img;
            if (decoder.read(&img)) {
                size = img.size();
                format = img.format();
            } else if (!size.isValid()) {
                readable = false;  // a damaged file that only looks like a picture
            }
        }
        if (size.isValid()) {
            width = size.width();
            height = size.height();
        }
        if (format != QImage::Format_Invalid) describeFormat(format, depth, model, alpha);
    }
    if (!readable) {
        imaging::io::PictureHeader h;
        if (imaging::io::pingPicture(nativePath, h)) {
            readable = true;
            width = h.width;
            height = h.height;
            depth = h.depth;
            model = QString::fromStdString(h.colorModel);
            alpha = h.hasAlpha;
            dpiX = h.dpiX;
            dpiY = h.dpiY;
        }
    }
    if (!readable) return info;

    std::vector<ImageProperty> props;
    const Exiv2Facts facts = readWithExiv2(nativePath, props);
    if (width <= 0 || height <= 0) {
        width = facts.width;
        height = facts.height;
    }
    if (facts.dpiX > 0) {
        dpiX = facts.dpiX;
        dpiY = facts.dpiY;
    }
    const HeaderFacts header = readHeaderFacts(file);
    if (dpiX <= 0 && header.dpiX > 0) {
        dpiX = header.dpiX;
        dpiY = header.dpiY;
    }
    // Qt gives CMYK JPEGs as RGB; the frame header knows better.
    if (header.components == 4) model = QStringLiteral("CMYK");
    if (header.precision > 0) depth = header.precision;

    if (width > 0 && height > 0) {
        props.push_back({key::width, {}, width, {}});
        props.push_back({key::height, {}, height, {}});
    }
    if (depth > 0) props.push_back({key::depth, {}, depth, {}});
    if (!model.isEmpty()) {
        props.push_back({key::colorModel, {}, model, {}});
        props.push_back({key::hasAlpha, {}, alpha, {}});
    }
    if (dpiX > 0 && dpiY > 0) {
        props.push_back({key::dpiWidth, {}, dpiX, {}});
        props.push_back({key::dpiHeight, {}, dpiY, {}});
    }
    if (facts.orientation > 0) props.push_back({key::orientation, {}, facts.orientation, {}});
    if (!facts.profileName.isEmpty())
        props.push_back({key::profileName, {}, facts.profileName, {}});
    for (ImageProperty& t : textProps) props.push_back(std::move(t));

    // The type from the content first: a picture with a misleading name keeps its true type.
    QMimeDatabase db;
    file.seek(0);
    QMimeType mime = db.mimeTypeForData(&file);
    if (!mime.isValid() || !mime.name().startsWith(QStringLiteral("image/")))
        mime = db.mimeTypeForFile(info.path, QMimeDatabase::MatchExtension);
    info.readable = true;
    info.typeIdentifier = mime.name();
    info.typeName = mime.comment();
    info.fileSize = qint64(st.st_size);
    info.modified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                                   st.st_mtim.tv_nsec / 1000000);
    info.properties = std::move(props);
    return info;
}

}  // namespace foundation
