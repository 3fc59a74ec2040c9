// Writing a picture a strip of rows at a time gives the file a whole-picture export gives.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <atomic>

#include "ExportTestSupport.h"
#include "support/PictureFiles.h"

using namespace foundation;
using testfiles::readFile;

namespace {

QByteArray wholeExport(OSType code, const QImage& image, const QString& path, double dpi,
                       std::shared_ptr<const PictureMetadata> metadata = {}) {
    const exporttest::Exported done = exporttest::exportImage(code, image, path, dpi, metadata);
    EXPECT_TRUE(done.ok) << done.error.toStdString();
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

const OSType kRowFormats[] = {fourCharCode("TIFF"), fourCharCode("PNGf"), fourCharCode("JPEG")};

}  // namespace

TEST(RowExport, StripsWriteTheWholeExportsBytesMetadataIncluded) {
    QTemporaryDir dir;
    testfiles::writeCameraJpeg(dir.filePath("camera.jpg"));
    const auto camera = PictureMetadata::readFile(dir.filePath("camera.jpg"));
    ASSERT_TRUE(camera);
    const struct {
        const char* name;
        QImage picture;
        std::shared_ptr<const PictureMetadata> metadata;
    } pictures[] = {
        {"opaque", grainPicture(301, 157), {}},
        {"transparent from the top", exporttest::transparentPicture(), {}},
        {"transparent only at the bottom", grainPicture(120, 90, 88), {}},
        // The PNG is begun again with alpha, metadata and all.
        {"with metadata", grainPicture(64, 100, 95), camera},
    };
    for (OSType type : kRowFormats)
        for (const auto& p : pictures)
            for (double dpi : {0.0, 300.0, 118.11}) {
                SCOPED_TRACE(fourCharString(type).toStdString() + ", " + p.name + ", dpi " +
                             std::to_string(dpi));
                const QByteArray whole =
                    wholeExport(type, p.picture, dir.filePath("whole"), dpi, p.metadata);
                Strips strips{p.picture, 13};
                ASSERT_TRUE(stripExport(type, strips, dir.filePath("strips"), dpi, p.metadata));
                EXPECT_EQ(readFile(dir.filePath("strips")), whole);
            }
}

TEST(RowExport, TransparencyFoundLateBeginsTheFileAgainOnce) {
    QTemporaryDir dir;
    const QImage picture = grainPicture(64, 100, 95);
    Strips strips{picture, 10};
    ASSERT_TRUE(stripExport(fourCharCode("PNGf"), strips, dir.filePath("s.png"), 0));
    EXPECT_EQ(strips.requests, 10 + 10);
    // Opaque throughout: each strip is asked for once.
    Strips opaque{grainPicture(64, 100), 10};
    ASSERT_TRUE(stripExport(fourCharCode("TIFF"), opaque, dir.filePath("o.tif"), 0));
    EXPECT_EQ(opaque.requests, 10);
    // JPEG has no alpha: transparency is flattened strip by strip, never begun again.
    Strips flat{picture, 10};
    ASSERT_TRUE(stripExport(fourCharCode("JPEG"), flat, dir.filePath("f.jpg"), 0));
    EXPECT_EQ(flat.requests, 10);
}

TEST(RowExport, AFailedOrCancelledStripExportLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.tif");
    ASSERT_TRUE(testfiles::writeFile(path, "old contents"));
    auto x = GraphicsExporter::open(fourCharCode("TIFF"));
    x->setOutputFile(path);
    auto strip = [](int w, int h) {
        QImage rows(w, h, QImage::Format_RGBA8888);
        rows.fill(Qt::red);
        return rows;
    };
    // The source gives up half-way with its reason.
    EXPECT_FALSE(x->exportRows(40, 40, [&](int first, QString& why) {
        if (first < 20) return strip(40, 10);
        why = QStringLiteral("The render ran out of memory.");
        return QImage();
    }));
    EXPECT_EQ(x->errorString().toStdString(),
              "Could not write \"keep.tif\": The render ran out of memory.");
    // Strips that do not fit the picture's size are refused, not written.
    EXPECT_FALSE(x->exportRows(40, 40, [&](int, QString&) { return strip(40, 30); }));
    EXPECT_FALSE(x->exportRows(40, 40, [&](int, QString&) { return strip(41, 10); }));
    // Cancelled after a strip.
    std::atomic<bool> cancel{false};
    x->setCancelFlag(&cancel);
    EXPECT_FALSE(x->exportRows(40, 40, [&](int, QString&) {
        cancel = true;
        return strip(40, 10);
    }));
    EXPECT_TRUE(x->wasCancelled());
    EXPECT_EQ(readFile(path), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(RowExport, OnlyTiffPngAndJpegAreWrittenInStrips) {
    QTemporaryDir dir;
    for (OSType code : GraphicsExporter::availableSubtypes()) {
        SCOPED_TRACE(fourCharString(code).toStdString());
        auto x = GraphicsExporter::open(code);
        const bool expected = std::count(std::begin(kRowFormats), std::end(kRowFormats), code);
        ASSERT_EQ(x->writesRows(), expected);
        if (expected) continue;
        x->setOutputFile(dir.filePath("x"));
        Strips strips{grainPicture(8, 8), 4};
        EXPECT_FALSE(x->exportRows(8, 8, strips.source()));
        EXPECT_FALSE(QFile::exists(dir.filePath("x")));
    }
}
