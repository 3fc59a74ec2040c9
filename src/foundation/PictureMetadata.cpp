#include "foundation/PictureMetadata.h"

#include <QFile>
#include <cmath>
#include <exiv2/exiv2.hpp>
#include <set>
#include <string>

#include "foundation/ImageMetadata.h"
#include "foundation/NativeName.h"
#include "imaging/io/SafeFile.h"

namespace foundation {

struct PictureMetadata::Data {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
};

namespace {

bool startsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// Tags of the first image's directory that say how the old file stored its pixels, or hold its
// colour profile: the new file has its own.
bool isStructureTag(const std::string& tag) {
    static const std::set<std::string> tags = {
        "NewSubfileType",
        "SubfileType",
        "ImageWidth",
        "ImageLength",
        "BitsPerSample",
        "Compression",
        "PhotometricInterpretation",
        "FillOrder",
        "StripOffsets",
        "SamplesPerPixel",
        "RowsPerStrip",
        "StripByteCounts",
        "PlanarConfiguration",
        "Predictor",
        "ColorMap",
        "TileWidth",
        "TileLength",
        "TileOffsets",
        "TileByteCounts",
        "SubIFDs",
        "ExtraSamples",
        "SampleFormat",
        "JPEGInterchangeFormat",
        "JPEGInterchangeFormatLength",
        "YCbCrCoefficients",
        "YCbCrSubSampling",
        "YCbCrPositioning",
        "InterColorProfile",
        "XMLPacket",
        "IPTCNAA",
        "ImageResources",
        "ExifTag",
        "GPSTag",
        "InteroperabilityTag",
    };
    return tags.count(tag) > 0;
}

// Whether an Exif entry describes the picture (kept) rather than the old file's layout, its
// thumbnail or further images in it (dropped).
bool keepsExif(const Exiv2::Exifdatum& d) {
    const std::string group = d.groupName(), tag = d.tagName();
    if (group.find("Preview") != std::string::npos || group.find("Thumb") != std::string::npos)
        return false;
    if (group == "Image") return !isStructureTag(tag);
    if (group == "Photo" || group == "GPSInfo" || group == "Iop") return true;
    // Maker notes stay, but not the preview pictures cameras hide in them.
    if (Exiv2::ExifTags::isMakerGroup(group))
        return !startsWith(tag, "Preview") && !startsWith(tag, "Thumbnail");
    return false;  // the thumbnail directory, sub-images and further images
}

bool keepsXmp(const Exiv2::Xmpdatum& d) {
    const std::string key = d.key();
    return !startsWith(key, "Xmp.xmp.Thumbnails") && key != "Xmp.photoshop.ICCProfile";
}

void setIfPresent(Exiv2::ExifData& exif, const char* key, uint16_t value) {
    auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it != exif.end()) *it = value;
}

void setIfPresent(Exiv2::XmpData& xmp, const char* key, const std::string& value) {
    auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it != xmp.end()) *it = value;
}

Exiv2::URational rationalDpi(double dpi) {
    const Exiv2::Rational r = Exiv2::floatToRationalCast(float(dpi));
    return {uint32_t(std::max(0, r.first)), uint32_t(std::max(1, r.second))};
}

// The kept entries told what the new file is.
void bringUpToDate(Exiv2::ExifData& exif, Exiv2::XmpData& xmp, const PictureMetadata::Written& w) {
    const uint32_t width = uint32_t(std::max(0, w.width));
    const uint32_t height = uint32_t(std::max(0, w.height));
    if (!exif.empty()) {
        setIfPresent(exif, "Exif.Image.Orientation", uint16_t(1));
        exif["Exif.Photo.PixelXDimension"] = width;
        exif["Exif.Photo.PixelYDimension"] = height;
        if (w.dpiX > 0 && w.dpiY > 0) {
            exif["Exif.Image.XResolution"] = rationalDpi(w.dpiX);
            exif["Exif.Image.YResolution"] = rationalDpi(w.dpiY);
            exif["Exif.Image.ResolutionUnit"] = uint16_t(2);
        }
        // The pixels are written in sRGB, whatever space the old file was in.
        setIfPresent(exif, "Exif.Photo.ColorSpace", uint16_t(1));
        auto iop = exif.findKey(Exiv2::ExifKey("Exif.Iop.InteroperabilityIndex"));
        if (iop != exif.end() && iop->toString() == "R03") *iop = std::string("R98");
        Exiv2::ExifThumb(exif).erase();
    }
    setIfPresent(xmp, "Xmp.tiff.Orientation", std::string("1"));
    setIfPresent(xmp, "Xmp.tiff.ImageWidth", std::to_string(width));
    setIfPresent(xmp, "Xmp.tiff.ImageLength", std::to_string(height));
    setIfPresent(xmp, "Xmp.exif.PixelXDimension", std::to_string(width));
    setIfPresent(xmp, "Xmp.exif.PixelYDimension", std::to_string(height));
    setIfPresent(xmp, "Xmp.exif.ColorSpace", std::string("1"));
    if (w.dpiX > 0 && w.dpiY > 0) {
        const auto r = [](double dpi) {
            const Exiv2::URational q = rationalDpi(dpi);
            return std::to_string(q.first) + "/" + std::to_string(q.second);
        };
        setIfPresent(xmp, "Xmp.tiff.XResolution", r(w.dpiX));
        setIfPresent(xmp, "Xmp.tiff.YResolution", r(w.dpiY));
        setIfPresent(xmp, "Xmp.tiff.ResolutionUnit", std::string("2"));
    }
}

// `kept` added to what the new file holds already; the file's own entries win.
template <typename Data>
void merge(Data& own, const Data& kept) {
    std::set<std::string> ownKeys;
    for (const auto& d : own) ownKeys.insert(d.key());
    for (const auto& d : kept)
        if (!ownKeys.count(d.key())) own.add(d);
}

void keepFrom(Exiv2::Image& image, PictureMetadata::Data& data) {
    image.readMetadata();
    for (const Exiv2::Exifdatum& d : image.exifData())
        if (keepsExif(d)) data.exif.add(d);
    data.iptc = image.iptcData();
    for (const Exiv2::Xmpdatum& d : image.xmpData())
        if (keepsXmp(d)) data.xmp.add(d);
}

}  // namespace

PictureMetadata::PictureMetadata(std::unique_ptr<Data> data) : d(std::move(data)) {}

PictureMetadata::~PictureMetadata() = default;

std::shared_ptr<const PictureMetadata> PictureMetadata::readData(const QByteArray& file) {
    initialiseExiv2();
    auto data = std::make_unique<Data>();
    try {
        const auto* bytes = reinterpret_cast<const Exiv2::byte*>(file.constData());
        if (!exiv2ReadsType(Exiv2::ImageFactory::getType(bytes, long(file.size())))) return nullptr;
        auto image = Exiv2::ImageFactory::open(bytes, long(file.size()));
        if (!image.get()) return nullptr;
        keepFrom(*image, *data);
    } catch (const std::exception&) {
        // Not a format with metadata, or damaged metadata: there is nothing to keep.
        return nullptr;
    }
    if (data->exif.empty() && data->iptc.empty() && data->xmp.empty()) return nullptr;
    return std::shared_ptr<const PictureMetadata>(new PictureMetadata(std::move(data)));
}

std::shared_ptr<const PictureMetadata> PictureMetadata::readFile(const QString& path) {
    return readFile(NativeName::toStdString(path));
}

std::shared_ptr<const PictureMetadata> PictureMetadata::readFile(const std::string& nativePath) {
    try {
        // Mapped rather than read: metadata sits in the first bytes of most files.
        const imaging::io::FileBytes file = imaging::io::readFileBytes(nativePath);
        return readData(file.bytes);
    } catch (const std::exception&) {
        return nullptr;  // missing, unreadable or empty: nothing to keep
    }
}

namespace {

// `file` with `kept` recorded in it; throws what Exiv2 throws.
QByteArray recorded(const QByteArray& file, const PictureMetadata::Data& kept,
                    const PictureMetadata::Written& written, bool withXmp) {
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(file.constData()),
                                           long(file.size()));
    if (!image.get()) throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType);
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    Exiv2::IptcData iptc = image->iptcData();
    Exiv2::XmpData xmp = image->xmpData();
    merge(exif, kept.exif);
    merge(iptc, kept.iptc);
    if (withXmp) merge(xmp, kept.xmp);
    bringUpToDate(exif, xmp, written);
    image->setExifData(exif);
    image->setIptcData(iptc);
    image->setXmpData(xmp);
    image->writeMetadata();

    Exiv2::BasicIo& io = image->io();
    if (io.open() != 0) throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, io.path());
    const long size = io.size();
    Exiv2::DataBuf bytes = io.read(size);
    io.close();
    if (bytes.size_ != size) throw Exiv2::Error(Exiv2::kerInputDataReadFailed);
    return QByteArray(reinterpret_cast<const char*>(bytes.pData_), qsizetype(bytes.size_));
}

}  // namespace

bool PictureMetadata::writeInto(QByteArray& file, const Written& written, QString* error) const {
    initialiseExiv2();
    if (error) error->clear();
    try {
        file = recorded(file, *d, written, true);
        return true;
    } catch (const std::exception& e) {
        if (error) *error = QString::fromUtf8(e.what());
    }
    // XMP is what most often outgrows a format (a JPEG segment holds 64 KB): the rest is kept
    // without it.
    if (d->xmp.empty()) return false;
    try {
        file = recorded(file, *d, written, false);
        if (error) *error = QStringLiteral("The XMP data was left out: %1").arg(*error);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace foundation
