// The metadata of a picture's file carried into the files saved from it: what is kept, what is
// brought up to date, and what happens when it cannot be written.

#include "foundation/PictureMetadata.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QTemporaryDir>
#include <exiv2/exiv2.hpp>

#include "ExportTestSupport.h"
#include "support/PictureFiles.h"

using foundation::GraphicsExporter;
using foundation::PictureMetadata;

namespace {

struct ReadBack {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    QByteArray icc;

    template <class Key, class Data>
    static std::string text(const Data& data, const char* key) {
        auto it = data.findKey(Key(key));
        return it == data.end() ? std::string() : it->toString();
    }
    std::string exifText(const char* key) const { return text<Exiv2::ExifKey>(exif, key); }
    std::string xmpText(const char* key) const { return text<Exiv2::XmpKey>(xmp, key); }
    std::vector<std::string> keywords() const {
        std::vector<std::string> out;
        for (const auto& d : iptc)
            if (d.key() == "Iptc.Application2.Keywords") out.push_back(d.toString());
        return out;
    }
    bool hasExifGroup(const char* group) const {
        for (const auto& d : exif)
            if (d.groupName() == group) return true;
        return false;
    }
};

ReadBack readBack(const QString& path) {
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    ReadBack r{image->exifData(), image->iptcData(), image->xmpData(), {}};
    if (image->iccProfileDefined()) {
        r.icc = QByteArray(reinterpret_cast<const char*>(image->iccProfile()->pData_),
                           qsizetype(image->iccProfile()->size_));
    } else {
        // Exiv2 does not report a PSD's profile; ImageMagick does.
        Magick::Image m;
        m.quiet(true);
        m.read(QFile::encodeName(path).toStdString());
        const Magick::Blob icc = m.iccColorProfile();
        r.icc = QByteArray(static_cast<const char*>(icc.data()), qsizetype(icc.length()));
    }
    return r;
}

// Exports `image` in the format of the path's extension with the metadata; the warning.
QString exportWith(const QString& path, const QImage& image,
                   std::shared_ptr<const PictureMetadata> metadata) {
    const auto done =
        exporttest::exportImage(GraphicsExporter::subtypeForExtension(QFileInfo(path).suffix()),
                                image, path, 150, std::move(metadata));
    EXPECT_TRUE(done.ok) << path.toStdString() << done.error.toStdString();
    return done.warning;
}

}  // namespace

TEST(PictureMetadata, CameraDataSurvivesEveryFormatThatHoldsItBroughtUpToDate) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("photo.jpg"));
    testfiles::writePhotographersJpeg(source);
    const auto kept = PictureMetadata::readFile(source);
    ASSERT_TRUE(kept);

    // Cropped and turned upright by the time it is saved: 30 x 20.
    const QImage picture = exporttest::blockPicture(30, 20);
    for (const char* ext : {"jpg", "png", "tiff", "psd"}) {
        SCOPED_TRACE(ext);
        const QString path = dir.filePath(QStringLiteral("saved.") + QLatin1String(ext));
        EXPECT_EQ(exportWith(path, picture, kept), QString());
        const ReadBack r = readBack(path);

        // Kept as they were, then brought up to date: upright, its own size and resolution.
        const std::pair<const char*, const char*> exif[] = {
            {"Exif.Image.Make", "Deverav Test Camera"},
            {"Exif.Image.Model", "DT-1"},
            {"Exif.Photo.ExposureTime", "1/250"},
            {"Exif.Photo.DateTimeOriginal", "2023:06:01 12:30:00"},
            {"Exif.GPSInfo.GPSLatitude", "48/1 51/1 24/1"},
            {"Exif.GPSInfo.GPSLongitudeRef", "E"},
            {"Exif.Image.Artist", "Ada Example"},
            {"Exif.Image.Copyright", "(c) 2023 Ada Example"},
            {"Exif.Image.Orientation", "1"},
            {"Exif.Photo.PixelXDimension", "30"},
            {"Exif.Photo.PixelYDimension", "20"},
            {"Exif.Image.XResolution", "150/1"},
        };
        for (const auto& [key, value] : exif) EXPECT_EQ(r.exifText(key), value) << key;
        EXPECT_EQ(r.keywords(), (std::vector<std::string>{"lake", "sunset"}));
        const std::pair<const char*, const char*> xmp[] = {
            {"Xmp.dc.subject", "balloons"},
            {"Xmp.xmp.Rating", "4"},
            {"Xmp.tiff.Orientation", "1"},
            {"Xmp.exif.PixelXDimension", "30"},
        };
        for (const auto& [key, value] : xmp) EXPECT_EQ(r.xmpText(key), value) << key;
        // No thumbnail of the old picture.
        EXPECT_FALSE(r.hasExifGroup("Thumbnail"));

        // Written in sRGB: neither the profile nor the Exif colour space of the old file.
        EXPECT_EQ(r.exifText("Exif.Photo.ColorSpace"), "1");
        ASSERT_FALSE(r.icc.isEmpty());
        const QColorSpace space = QColorSpace::fromIccProfile(r.icc);
        EXPECT_EQ(space.primaries(), QColorSpace::Primaries::SRgb);
        EXPECT_EQ(space.transferFunction(), QColorSpace::TransferFunction::SRgb);

        // The pixels are still the picture (pixels alone: the colour space is checked above).
        const QImage back = exporttest::readBack(path);
        ASSERT_EQ(back.size(), picture.size());
        const auto pixels = [](const QImage& i) {
            QImage p = i.convertToFormat(QImage::Format_RGB32);
            p.setColorSpace({});
            return p;
        };
        if (QLatin1String(ext) != QLatin1String("jpg")) {
            EXPECT_EQ(pixels(back), pixels(picture));
        }
    }

    // Formats without such fields are written as before.
    const QString bmp = dir.filePath(QStringLiteral("saved.bmp"));
    EXPECT_EQ(exportWith(bmp, picture, kept), QString());
    EXPECT_EQ(exporttest::readBack(bmp).size(), picture.size());
}

TEST(PictureMetadata, FilesWithNothingToKeepGiveNothing) {
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.jpg"));
    ASSERT_TRUE(testfiles::gradient(8, 8).save(plain, "JPEG"));
    EXPECT_FALSE(PictureMetadata::readFile(plain));
    EXPECT_FALSE(PictureMetadata::readFile(dir.filePath(QStringLiteral("missing.jpg"))));
    EXPECT_FALSE(PictureMetadata::readData(QByteArray("not a picture at all")));

    // A file whose only Exif was its thumbnail and layout has nothing left worth keeping.
    const QString thumbOnly = dir.filePath(QStringLiteral("thumb.jpg"));
    ASSERT_TRUE(testfiles::gradient(8, 8).save(thumbOnly, "JPEG"));
    testfiles::editMetadata(thumbOnly, [](Exiv2::Image& image) {
        const QByteArray jpeg = [] {
            QByteArray b;
            QBuffer buf(&b);
            buf.open(QIODevice::WriteOnly);
            testfiles::gradient(4, 4).save(&buf, "JPEG");
            return b;
        }();
        Exiv2::ExifThumb(image.exifData())
            .setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(jpeg.constData()),
                              long(jpeg.size()));
    });
    EXPECT_FALSE(PictureMetadata::readFile(thumbOnly));
}

TEST(PictureMetadata, WhatAFormatCannotHoldIsLeftOutAndSaid) {
    // 70 000 characters of XMP fit a PNG's text but not a JPEG's 64 KB segment.
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("long.png"));
    ASSERT_TRUE(testfiles::gradient(16, 16).save(source, "PNG"));
    testfiles::editMetadata(source, [](Exiv2::Image& image) {
        image.exifData()["Exif.Image.Make"] = "Deverav Test Camera";
        image.iptcData()["Iptc.Application2.Keywords"] = "lake";
        image.xmpData()["Xmp.dc.description"] = std::string(70000, 'x');
    });
    const auto kept = PictureMetadata::readFile(source);
    ASSERT_TRUE(kept);
    const QImage picture = exporttest::blockPicture(16, 16);

    const QString png = dir.filePath(QStringLiteral("again.png"));
    EXPECT_EQ(exportWith(png, picture, kept), QString());
    EXPECT_NE(readBack(png).xmpText("Xmp.dc.description").find(std::string(70000, 'x')),
              std::string::npos);

    // In a JPEG the rest is kept, and the exporter says what was not.
    const QString jpeg = dir.filePath(QStringLiteral("again.jpg"));
    EXPECT_TRUE(exportWith(jpeg, picture, kept).contains(QStringLiteral("XMP")));
    const ReadBack r = readBack(jpeg);
    EXPECT_EQ(r.exifText("Exif.Image.Make"), "Deverav Test Camera");
    EXPECT_EQ(r.keywords(), std::vector<std::string>{"lake"});
    EXPECT_EQ(r.xmpText("Xmp.dc.description"), "");
    EXPECT_EQ(exporttest::readBack(jpeg).size(), picture.size());
}
