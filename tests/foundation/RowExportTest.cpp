// Writing a picture a strip of rows at a time gives the file a whole-picture export gives.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>

#include "ExportTestSupport.h"
#include "foundation/GraphicsExporter.h"
#include "foundation/PictureMetadata.h"
#include "support/PictureFiles.h"

using namespace foundation;

namespace {

using testfiles::readFile;

QByteArray wholeExport(OSType code, const QImage& image, const QString& path, double dpi,
                       std::shared_ptr<const PictureMetadata> metadata = {}) {
    auto x = GraphicsExporter::open(code);
    x->setInputImage(image);
    x->setOutputFile(path);
    x->setResolution(dpi, dpi);
    x->setMetadata(std::move(metadata));
    EXPECT_TRUE(x->doExport()) << x->errorString().toStdString();
    return readFile(path);
}

// Hands out the picture's rows in strips of `rows` (the last one shorter), counting requests.
struct Strips {
    QImage picture;
    int rows;
    int requests = 0;
    GraphicsExporter::RowSource source() {
        return [this](int first, QString&) {
            ++requests;
            return picture.copy(0, first, picture.width(), std::min(rows, picture.height() - first))
                .convertToFormat(QImage::Format_RGBA8888);
        };
    }
};

bool stripExport(OSType code, Strips& strips, const QString& path, double dpi,
                 std::shared_ptr<const PictureMetadata> metadata = {}) {
    auto x = GraphicsExporter::open(code);
    x->setOutputFile(path);
    x->setResolution(dpi, dpi);
    x->setMetadata(std::move(metadata));
    return x->exportRows(strips.picture.width(), strips.picture.height(), strips.source());
}

// A picture with grain (so that compression has work) that is opaque but for `clearRow`.
QImage grainPicture(int w, int h, int clearRow = -1) {
    QImage img(w, h, QImage::Format_RGBA8888);
    uint32_t s = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            img.setPixel(x, y, qRgba(x * 5 % 256, y * 3 % 256, int(s >> 24), 255));
        }
    if (clearRow >= 0)
        for (int x = 0; x < w; x += 3) img.setPixel(x, clearRow, qRgba(10, 20, 30, 60));
    return img;
}

}  // namespace

TEST(RowExport, StripsWriteTheWholeExportsBytes) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QImage picture;
    } pictures[] = {
        {"opaque", grainPicture(301, 157)},
        {"transparent from the top", exporttest::transparentPicture()},
        {"transparent only at the bottom", grainPicture(120, 90, 88)},
    };
    for (OSType type : {fourCharCode("TIFF"), fourCharCode("PNGf"), fourCharCode("JPEG")}) {
        const std::string code = fourCharString(type).toStdString();
        ASSERT_TRUE(GraphicsExporter::open(type)->writesRows()) << code;
        for (const auto& p : pictures)
            for (double dpi : {0.0, 300.0, 118.11}) {
                SCOPED_TRACE(code + ", " + p.name + ", dpi " + std::to_string(dpi));
                const QByteArray whole = wholeExport(type, p.picture, dir.filePath("whole"), dpi);
                Strips strips{p.picture, 13};
                ASSERT_TRUE(stripExport(type, strips, dir.filePath("strips"), dpi));
                EXPECT_EQ(readFile(dir.filePath("strips")), whole);
            }
    }
}

TEST(RowExport, TransparencyFoundLateBeginsTheFileAgainOnce) {
    QTemporaryDir dir;
    const QImage picture = grainPicture(64, 100, 95);
    const QByteArray whole = wholeExport(fourCharCode("PNGf"), picture, dir.filePath("w.png"), 0);
    Strips strips{picture, 10};
    ASSERT_TRUE(stripExport(fourCharCode("PNGf"), strips, dir.filePath("s.png"), 0));
    EXPECT_EQ(readFile(dir.filePath("s.png")), whole);
    EXPECT_EQ(strips.requests, 10 + 10);
    // Opaque throughout, or transparent at once: each strip is asked for once.
    Strips opaque{grainPicture(64, 100), 10};
    ASSERT_TRUE(stripExport(fourCharCode("TIFF"), opaque, dir.filePath("o.tif"), 0));
    EXPECT_EQ(opaque.requests, 10);
    // JPEG has no alpha: transparency is flattened strip by strip, never begun again.
    Strips flat{picture, 10};
    ASSERT_TRUE(stripExport(fourCharCode("JPEG"), flat, dir.filePath("f.jpg"), 0));
    EXPECT_EQ(flat.requests, 10);
    EXPECT_EQ(readFile(dir.filePath("f.jpg")),
              wholeExport(fourCharCode("JPEG"), picture, dir.filePath("w.jpg"), 0));
}

TEST(RowExport, StripsRecordTheMetadataAWholeExportRecords) {
    QTemporaryDir dir;
    testfiles::writeCameraJpeg(dir.filePath("camera.jpg"));
    const auto metadata = PictureMetadata::readFile(dir.filePath("camera.jpg"));
    ASSERT_TRUE(metadata);
    // Transparent near the bottom: the PNG is begun again with alpha, metadata and all.
    const QImage picture = grainPicture(64, 100, 95);
    for (OSType type : {fourCharCode("TIFF"), fourCharCode("PNGf"), fourCharCode("JPEG")}) {
        SCOPED_TRACE(fourCharString(type).toStdString());
        const QByteArray whole = wholeExport(type, picture, dir.filePath("whole"), 300, metadata);
        Strips strips{picture, 10};
        ASSERT_TRUE(stripExport(type, strips, dir.filePath("strips"), 300, metadata));
        EXPECT_EQ(readFile(dir.filePath("strips")), whole);
        auto image =
            Exiv2::ImageFactory::open(QFile::encodeName(dir.filePath("strips")).toStdString());
        image->readMetadata();
        const auto make = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.Make"));
        ASSERT_NE(make, image->exifData().end());
        EXPECT_EQ(make->toString(), "Deverav Test Camera");
    }
}

TEST(RowExport, AFailedOrCancelledStripExportLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.tif");
    ASSERT_TRUE(testfiles::writeFile(path, "old contents"));
    auto x = GraphicsExporter::open(fourCharCode("TIFF"));
    x->setOutputFile(path);
    // The source gives up half-way with its reason.
    EXPECT_FALSE(x->exportRows(40, 40, [](int first, QString& why) {
        if (first >= 20) {
            why = QStringLiteral("The render ran out of memory.");
            return QImage();
        }
        QImage rows(40, 10, QImage::Format_RGBA8888);
        rows.fill(Qt::red);
        return rows;
    }));
    EXPECT_EQ(x->errorString().toStdString(),
              "Could not write \"keep.tif\": The render ran out of memory.");
    // Strips that do not fit the picture's size are refused, not written.
    EXPECT_FALSE(x->exportRows(
        40, 40, [](int, QString&) { return QImage(40, 30, QImage::Format_RGBA8888); }));
    EXPECT_FALSE(x->exportRows(
        40, 40, [](int, QString&) { return QImage(41, 10, QImage::Format_RGBA8888); }));
    // Cancelled after a strip.
    std::atomic<bool> cancel{false};
    x->setCancelFlag(&cancel);
    EXPECT_FALSE(x->exportRows(40, 40, [&](int, QString&) {
        cancel = true;
        QImage rows(40, 10, QImage::Format_RGBA8888);
        rows.fill(Qt::blue);
        return rows;
    }));
    EXPECT_TRUE(x->wasCancelled());
    EXPECT_EQ(readFile(path), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(RowExport, OnlyTiffPngAndJpegAreWrittenInStrips) {
    for (OSType code : GraphicsExporter::availableSubtypes()) {
        const bool rows = GraphicsExporter::open(code)->writesRows();
        const bool expected = code == fourCharCode("TIFF") || code == fourCharCode("PNGf") ||
                              code == fourCharCode("JPEG");
        EXPECT_EQ(rows, expected) << fourCharString(code).toStdString();
        if (!rows) {
            QTemporaryDir dir;
            auto x = GraphicsExporter::open(code);
            x->setOutputFile(dir.filePath("x"));
            Strips strips{grainPicture(8, 8), 4};
            EXPECT_FALSE(x->exportRows(8, 8, strips.source()));
            EXPECT_FALSE(QFile::exists(dir.filePath("x")));
        }
    }
}
