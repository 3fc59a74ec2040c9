#include "foundation/ImageMetadata.h"
#include "foundation/PictureMetadata.h"

#include <gtest/gtest.h>

#include <Magick++.h>
#include <exiv2/exiv2.hpp>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>

#include "imaging/Bitmap.h"
#include "imaging/io/ImageIO.h"
#include "support/PictureFiles.h"

using foundation::ImageFileInfo;
using foundation::ImageMetadata;
using foundation::ImageProperty;
using foundation::PropertyNode;

namespace {

class ImageMetadataTest : public ::testing::Test {
  protected:
    QString file(const QString& name) const { return dir.filePath(name); }

    // The property at a path of keys, through its groups.
    static const ImageProperty* find(const ImageFileInfo& info, const QStringList& path) {
        const ImageProperty* p = info.find(path.first());
        for (qsizetype i = 1; p && i < path.size(); ++i) p = p->find(path[i]);
        return p;
    }
    static QVariant value(const ImageFileInfo& info, const QStringList& path) {
        const ImageProperty* p = find(info, path);
        return p ? p->value : QVariant(QStringLiteral("<none>"));
    }

    // Keys at every level of a tree are in ascending order; groups show no value.
    static void expectSortedTree(const std::vector<PropertyNode>& nodes) {
        for (size_t i = 1; i < nodes.size(); ++i)
            EXPECT_LT(nodes[i - 1].id, nodes[i].id) << nodes[i].id.toStdString();
        for (const PropertyNode& n : nodes) {
            if (n.isGroup()) {
                EXPECT_EQ(n.val, QString());
                EXPECT_FALSE(n.children.empty()) << n.id.toStdString();
                expectSortedTree(n.children);
            }
        }
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(ImageMetadataTest, CameraJpegGivesTypeSizeDimensionsAndItsExifAndGpsGroups) {
    const QString path = file(QStringLiteral("camera.jpg"));
    testfiles::writeCameraJpeg(path, 64, 48);
    const ImageFileInfo info = ImageMetadata::read(path);

    ASSERT_TRUE(info.readable);
    EXPECT_EQ(info.typeIdentifier, "image/jpeg");
    EXPECT_EQ(info.typeName, "JPEG image");
    EXPECT_EQ(info.fileSize, QFileInfo(path).size());

    EXPECT_EQ(value(info, {"PixelHeight"}), 48);
    EXPECT_EQ(value(info, {"Depth"}), 8);
    EXPECT_EQ(value(info, {"ColorModel"}), "RGB");
    EXPECT_EQ(value(info, {"HasAlpha"}), false);
    EXPECT_DOUBLE_EQ(value(info, {"DPIWidth"}).toDouble(), 300);
    EXPECT_EQ(value(info, {"Orientation"}), 6);
    EXPECT_EQ(value(info, {"ProfileName"}), "sRGB");

    // Exiv2's readings and labels.
    ASSERT_EQ(value(info, {"Exif", "ExposureTime"}), "1/250 s");
    EXPECT_EQ(find(info, {"Exif", "ExposureTime"})->label, "Exposure Time");
    EXPECT_EQ(value(info, {"Exif", "FNumber"}), "F2.8");
    EXPECT_EQ(value(info, {"TIFF", "Make"}), "Deverav Test Camera");
    EXPECT_EQ(value(info, {"GPS", "GPSLatitude"}), "48° 51′ 24″ N");
    EXPECT_EQ(value(info, {"GPS", "GPSLongitude"}), "2° 21′ 3″ E");
    // Pointers between the file's directories are structure, not properties.
    EXPECT_FALSE(find(info, {"TIFF", "ExifTag"}));
    EXPECT_FALSE(find(info, {"TIFF", "GPSTag"}));

    const std::vector<PropertyNode> tree = ImageMetadata::propTree(info.properties);
    expectSortedTree(tree);
    auto width =
        std::find_if(tree.begin(), tree.end(), [](auto& n) { return n.id == "PixelWidth"; });
    ASSERT_NE(width, tree.end());
    EXPECT_EQ(width->key + ": " + width->val, "Pixel Width: 64");
}

TEST_F(ImageMetadataTest, IptcAndXmpGroupsShowEveryValue) {
    const QString path = file(QStringLiteral("tagged.jpg"));
    testfiles::gradient(40, 30).save(path, "JPEG");
    testfiles::editMetadata(path, [](Exiv2::Image& image) {
        Exiv2::IptcData& iptc = image.iptcData();
        // Keywords repeat: every one is shown.
        for (const char* word : {"harbour", "evening"}) {
            Exiv2::Iptcdatum d(Exiv2::IptcKey("Iptc.Application2.Keywords"));
            d.setValue(word);
            iptc.add(d);
        }
        iptc["Iptc.Application2.City"] = "Brest";
        Exiv2::XmpData& xmp = image.xmpData();
        xmp["Xmp.dc.title"] = "lang=x-default Boats at dusk";
        xmp["Xmp.dc.creator"] = "A. Photographer";
        xmp["Xmp.exif.GPSLatitude"] = "48,51.5N";
    });
    const ImageFileInfo info = ImageMetadata::read(path);
    ASSERT_TRUE(info.readable);
    EXPECT_EQ(value(info, {"IPTC", "Keywords"}), "harbour, evening");
    EXPECT_EQ(value(info, {"IPTC", "City"}), "Brest");

    ASSERT_EQ(value(info, {"XMP", "dc", "title"}), "Boats at dusk");
    EXPECT_EQ(find(info, {"XMP", "dc", "title"})->label, "Title");
    EXPECT_FALSE(find(info, {"XMP", "dc"})->label.isEmpty());
    EXPECT_EQ(value(info, {"XMP", "dc", "creator"}), "A. Photographer");
    // XMP writes positions its own way; they read as Exif's do.
    EXPECT_EQ(value(info, {"XMP", "exif", "GPSLatitude"}), "48° 51′ 30″ N");
    expectSortedTree(ImageMetadata::propTree(info.properties));
}

TEST(Coordinates, DegreesMinutesAndSecondsToTheHundredth) {
    EXPECT_EQ(foundation::formatCoordinate(48 + 51 / 60.0 + 30 / 3600.0, "N"), "48° 51′ 30″ N");
    EXPECT_EQ(foundation::formatCoordinate(2.2945, "E"), "2° 17′ 40.2″ E");
    EXPECT_EQ(foundation::formatCoordinate(0.5, ""), "0° 30′ 0″");
    // West and south may come as negative degrees; the hemisphere says the sign.
    EXPECT_EQ(foundation::formatCoordinate(-2.2945, "W"), "2° 17′ 40.2″ W");
    // Seconds that round up carry into minutes and degrees.
    EXPECT_EQ(foundation::formatCoordinate(33 + 59 / 60.0 + 59.9999 / 3600.0, "S"), "34° 0′ 0″ S");
}

TEST_F(ImageMetadataTest, EachFormatGivesItsDepthColourModelAlphaResolutionAndTags) {
    QImage grey(20, 10, QImage::Format_Grayscale16);
    grey.fill(Qt::gray);
    grey.setDotsPerMeterX(11811);  // 300 dpi
    grey.setDotsPerMeterY(11811);
    grey.setText(QStringLiteral("Comment"), QStringLiteral("made by a test"));
    const QString greyPath = file(QStringLiteral("grey.png"));
    ASSERT_TRUE(grey.save(greyPath, "PNG"));
    const ImageFileInfo g = ImageMetadata::read(greyPath);
    ASSERT_TRUE(g.readable);
    EXPECT_EQ(g.typeIdentifier, "image/png");
    EXPECT_EQ(g.typeName, "PNG image");
    EXPECT_EQ(value(g, {"ColorModel"}), "Gray");
    EXPECT_EQ(value(g, {"Depth"}), 16);
    EXPECT_EQ(value(g, {"HasAlpha"}), false);
    EXPECT_NEAR(value(g, {"DPIWidth"}).toDouble(), 300, 0.01);
    EXPECT_EQ(value(g, {"Text", "Comment"}), "made by a test");

    const QString rgbaPath = file(QStringLiteral("rgba.png"));
    ASSERT_TRUE(testfiles::gradient(8, 8, QImage::Format_ARGB32).save(rgbaPath, "PNG"));
    const ImageFileInfo c = ImageMetadata::read(rgbaPath);
    EXPECT_EQ(value(c, {"ColorModel"}), "RGB");
    EXPECT_EQ(value(c, {"Depth"}), 8);
    EXPECT_EQ(value(c, {"HasAlpha"}), true);

    // A TIFF's baseline tags form a group; where its strips lie is no property.
    const QString tiff = file(QStringLiteral("scan.tiff"));
    ASSERT_TRUE(grey.save(tiff, "TIFF"));
    const ImageFileInfo t = ImageMetadata::read(tiff);
    EXPECT_EQ(t.typeName + " " + t.typeIdentifier, "TIFF image image/tiff");
    EXPECT_NEAR(value(t, {"DPIWidth"}).toDouble(), 300, 0.05);
    EXPECT_EQ(value(t, {"TIFF", "ImageWidth"}), "20");
    EXPECT_FALSE(find(t, {"TIFF", "StripOffsets"}));

    // Qt reads a CMYK JPEG as RGB; the model is the file's.
    Magick::InitializeMagick(nullptr);
    Magick::Image cmyk(Magick::Geometry(8, 8), Magick::Color("orange"));
    cmyk.colorSpace(MagickCore::CMYKColorspace);
    const QString cmykPath = file(QStringLiteral("print.jpg"));
    cmyk.write(cmykPath.toStdString());
    EXPECT_EQ(value(ImageMetadata::read(cmykPath), {"ColorModel"}), "CMYK");

    // Formats only ImageMagick reads are described too.
    imaging::Bitmap b(12, 7, imaging::PixelFormat::RGBA8);
    std::fill(b.data(), b.data() + 12 * 7 * 4, uint8_t(128));
    const QString sgi = file(QStringLiteral("pic.sgi"));
    imaging::io::writeBitmap(b, sgi.toStdString());
    const ImageFileInfo s = ImageMetadata::read(sgi);
    EXPECT_EQ(s.typeIdentifier, "image/x-sgi");
    EXPECT_EQ(value(s, {"PixelWidth"}), 12);
    EXPECT_EQ(value(s, {"PixelHeight"}), 7);

    // The type comes from the content, not from a misleading name.
    const QString misnamed = file(QStringLiteral("really-a-jpeg.png"));
    ASSERT_TRUE(testfiles::gradient(16, 16).save(misnamed, "JPEG"));
    EXPECT_EQ(ImageMetadata::read(misnamed).typeIdentifier, "image/jpeg");
}

TEST_F(ImageMetadataTest, ThingsThatAreNotPicturesAreNotReadable) {
    const QString text = file(QStringLiteral("notes.txt"));
    ASSERT_TRUE(testfiles::writeFile(text, "a shopping list, not a picture\n"));
    // A name that promises a picture does not make one.
    const QString fake = file(QStringLiteral("fake.jpg"));
    ASSERT_TRUE(testfiles::writeFile(fake, "a shopping list, not a picture\n"));
    const QString empty = file(QStringLiteral("empty.png"));
    ASSERT_TRUE(testfiles::writeFile(empty, {}));

    for (const QString& p :
         {text, fake, empty, dir.path(), file(QStringLiteral("missing.png")), QString()}) {
        const ImageFileInfo info = ImageMetadata::read(p);
        EXPECT_FALSE(info.readable) << p.toStdString();
        EXPECT_TRUE(info.typeIdentifier.isEmpty());
        EXPECT_TRUE(info.properties.empty());
    }
}

TEST_F(ImageMetadataTest, DamagedMetadataLeavesWhatTheHeaderTells) {
    // A JPEG whose Exif segment is garbage after a valid start.
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(testfiles::gradient(24, 12).save(&buffer, "JPEG"));
    QByteArray app1(
        "\xFF\xE1\x00\x22"
        "Exif\0\0MM\0\x2A\0\0\0\x08\xFF\xFF",
        22);
    jpeg.insert(2, app1.append(QByteArray(14, '\x7F')));
    const QString path = file(QStringLiteral("damaged.jpg"));
    ASSERT_TRUE(testfiles::writeFile(path, jpeg));
    const ImageFileInfo info = ImageMetadata::read(path);
    ASSERT_TRUE(info.readable);
    EXPECT_EQ(value(info, {"PixelWidth"}), 24);
}

TEST_F(ImageMetadataTest, ProfileNamesInLocalisedUnicodeTakeTheEnglishOne) {
    // A minimal version 4 profile: header, one tag, a 'mluc' with a French and an English name.
    auto be32 = [](QByteArray& b, quint32 v) {
        for (int s = 24; s >= 0; s -= 8) b.append(char((v >> s) & 0xFF));
    };
    const QString name = QStringLiteral("Wide Gamut Test");
    QByteArray tag("mluc\0\0\0\0", 8);
    be32(tag, 2);   // records
    be32(tag, 12);  // record size
    tag.append("frFR");
    be32(tag, 4);
    be32(tag, 40 + quint32(name.size()) * 2);
    tag.append("enUS");
    be32(tag, quint32(name.size()) * 2);
    be32(tag, 40);
    for (QChar ch : name) tag.append(char(ch.unicode() >> 8)).append(char(ch.unicode() & 0xFF));
    tag.append(QByteArray("\0F\0R", 4));
    QByteArray icc;
    be32(icc, 144 + quint32(tag.size()));
    icc.append(QByteArray(32, '\0')).append("acsp").append(QByteArray(88, '\0'));
    be32(icc, 1);
    icc.append("desc");
    be32(icc, 144);
    be32(icc, quint32(tag.size()));
    icc.append(tag);

    const QString path = file(QStringLiteral("wide.png"));
    ASSERT_TRUE(testfiles::gradient(4, 4).save(path, "PNG"));
    testfiles::editMetadata(path, [&](Exiv2::Image& image) {
        Exiv2::DataBuf buf(reinterpret_cast<const Exiv2::byte*>(icc.constData()), long(icc.size()));
        image.setIccProfile(buf, false);
    });
    EXPECT_EQ(value(ImageMetadata::read(path), {"ProfileName"}), name);
}

// A damaged PNG whose first bytes read as an ISO media "ftyp" box sent Exiv2's video parser
// into a loop; such files, and video containers, are never given to Exiv2.
TEST(Exiv2Types, OnlyPictureFormatsAreGivenToExiv2) {
    const QByteArray pngAsMovie = QByteArray::fromHex(
        "89504e47667479706d6966310d0a1a0a0000000d494844520000003000000020080600000054d4fb1c");
    const auto type = [](const QByteArray& b) {
        return Exiv2::ImageFactory::getType(reinterpret_cast<const Exiv2::byte*>(b.constData()),
                                            long(b.size()));
    };
    EXPECT_FALSE(foundation::exiv2ReadsType(type(pngAsMovie)));
    EXPECT_FALSE(foundation::PictureMetadata::readData(pngAsMovie));
    const auto encoded = [](const char* format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImage(8, 8, QImage::Format_RGB32).save(&buffer, format);
        return bytes;
    };
    const QByteArray jpeg = encoded("JPEG"), png = encoded("PNG");
    EXPECT_TRUE(foundation::exiv2ReadsType(type(jpeg)));
    EXPECT_TRUE(foundation::exiv2ReadsType(type(png)));
}
