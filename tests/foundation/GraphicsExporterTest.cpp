#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>

#include "ExportTestSupport.h"
#include "foundation/ExportFormats.h"
#include "support/Files.h"
#include "support/PixelCompare.h"

using namespace foundation;
using namespace exporttest;

TEST(GraphicsExporter, EveryOfferedRasterFormatRoundTripsAt300Dpi) {
    QTemporaryDir dir;
    const QImage opaque = blockPicture();
    const QImage clear = transparentPicture();
    for (OSType code : GraphicsExporter::availableSubtypes()) {
        if (code == kPDFSubtype) continue;
        const GraphicsExporter::Format& f = *GraphicsExporter::formatFor(code);
        SCOPED_TRACE(f.name.toStdString());
        const QString ext = f.extensions.first();
        EXPECT_EQ(GraphicsExporter::subtypeForExtension(ext.toUpper()),
                  GraphicsExporter::subtypeForExtension(ext));
        const QString path = dir.filePath(QStringLiteral("picture.") + ext);

        Exported done = exportImage(code, opaque, path);
        ASSERT_TRUE(done.ok) << done.error.toStdString();
        QImage back = readBack(path);
        ASSERT_EQ(back.size(), opaque.size());
        EXPECT_LE(meanDifference(back, opaque), f.lossless ? 0.0 : 8.0);
        EXPECT_EQ(qAlpha(back.pixel(30, 30)), 255);
        if (f.storesResolution) {
            EXPECT_NEAR(storedDpi(path).value_or(0), 300, 0.5);
            // The field holds what was asked, not a constant.
            ASSERT_TRUE(exportImage(code, opaque, path, 72).ok);
            EXPECT_NEAR(storedDpi(path).value_or(0), 72, 0.5);
        }

        // Alpha is kept where the format has a channel for it, else laid over black.
        done = exportImage(code, clear, path);
        ASSERT_TRUE(done.ok) << done.error.toStdString();
        back = readBack(path);
        ASSERT_EQ(back.size(), clear.size());
        const QRgb top = back.pixel(20, 3), solid = back.pixel(20, 20), half = back.pixel(20, 44);
        const QRgb halfIn = clear.pixel(20, 44);
        if (f.storesAlpha) {
            EXPECT_EQ(qAlpha(top), 0);
            EXPECT_EQ(qAlpha(solid), 255);
            if (f.lossless) {
                EXPECT_EQ(qAlpha(half), 128);
                EXPECT_EQ(solid, clear.pixel(20, 20));
                // ImageMagick reads a PSD's half-transparent colours as premultiplied, which
                // its writer does not store; which side is right cannot be settled here.
                if (code != fourCharCode("8BPS")) {
                    EXPECT_NEAR(qRed(half), qRed(halfIn), 3);
                    EXPECT_NEAR(qGreen(half), qGreen(halfIn), 3);
                }
            }
        } else {
            EXPECT_EQ(qAlpha(top), 255);
            EXPECT_LT(qRed(top) + qGreen(top) + qBlue(top), 12);
            EXPECT_NEAR(qGreen(half), qGreen(halfIn) / 2, 4);
        }
    }
}

TEST(GraphicsExporter, PdfIsOnePageOfThePictureSizeInPointsWithThePictureKeptLosslessly) {
    QTemporaryDir dir;
    const QString path = dir.filePath("page.pdf");
    const QImage picture = blockPicture(123, 45);
    ASSERT_TRUE(exportImage(kPDFSubtype, picture, path, 600).ok);

    const ToolRun info = run("pdfinfo", {path});
    ASSERT_EQ(info.exitCode, 0) << "pdfinfo (poppler-utils) is needed";
    EXPECT_TRUE(info.out.contains(QRegularExpression("Pages:\\s+1\\n"))) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains(QRegularExpression("Page size:\\s+123 x 45 pts\\n")))
        << info.out.toStdString();

    // One image of the picture's pixel size, not JPEG-encoded, and the same pixels.
    const ToolRun list = run("pdfimages", {"-list", path});
    const QStringList rows = list.out.split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(rows.size(), 1) << list.out.toStdString();
    const QStringList cols = rows.first().simplified().split(' ');
    EXPECT_EQ(cols.mid(3, 2), QStringList({"123", "45"}));
    EXPECT_NE(cols.value(8), "jpeg");
    ASSERT_EQ(run("pdfimages", {"-png", path, dir.filePath("img")}).exitCode, 0);
    const QImage extracted =
        QImage(dir.filePath("img-000.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(extracted.size(), picture.size());
    EXPECT_EQ(meanDifference(extracted, picture), 0.0);

    // A transparent picture carries its alpha as a soft mask.
    ASSERT_TRUE(exportImage(kPDFSubtype, transparentPicture(), path).ok);
    EXPECT_TRUE(run("pdfimages", {"-list", path}).out.contains("smask"));
}

TEST(GraphicsExporter, AFailedExportKeepsTheOldFileAndLeavesNothingElse) {
    QTemporaryDir dir;
    // Wider than JPEG (Qt) and ImageMagick here can store: the writers fail mid-way.
    const QImage tooWide(70000, 1, QImage::Format_RGB32);
    for (const char* name : {"old.jpeg", "old.sgi"}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(name);
        ASSERT_TRUE(testfiles::writeFile(path, "the old picture"));
        const OSType code = GraphicsExporter::subtypeForExtension(QFileInfo(path).suffix());
        const Exported done = exportImage(code, tooWide, path);
        EXPECT_FALSE(done.ok);
        EXPECT_FALSE(done.error.isEmpty());
        EXPECT_EQ(testfiles::readFile(path), QByteArray("the old picture"));
        // Without an old file, none is left behind.
        EXPECT_FALSE(
            exportImage(code, tooWide, dir.filePath("new." + QFileInfo(path).suffix())).ok);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"old.jpeg", "old.sgi"}));

    // Paths that cannot be written say why.
    const OSType png = fourCharCode("PNGf");
    const Exported noFolder = exportImage(png, blockPicture(), dir.filePath("no/such.png"));
    EXPECT_FALSE(noFolder.ok);
    EXPECT_TRUE(noFolder.error.contains("folder")) << noFolder.error.toStdString();
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.png"));
    EXPECT_FALSE(exportImage(png, blockPicture(), dir.filePath("taken.png")).ok);
    EXPECT_TRUE(QFileInfo(dir.filePath("taken.png")).isDir());
    // A cancelled export stops before the finished file would replace the old one.
    const std::atomic<bool> cancelled{true};
    std::unique_ptr<GraphicsExporter> x = GraphicsExporter::open(png);
    x->setInputImage(blockPicture());
    x->setOutputFile(dir.filePath("old.jpeg"));
    x->setCancelFlag(&cancelled);
    EXPECT_FALSE(x->doExport());
    EXPECT_TRUE(x->wasCancelled());
    EXPECT_EQ(testfiles::readFile(dir.filePath("old.jpeg")), QByteArray("the old picture"));
    // Nothing to write is an error, not an empty file.
    EXPECT_FALSE(exportImage(png, QImage(), dir.filePath("empty.png")).ok);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("empty.png")));
}

TEST(GraphicsExporter, ASingleTransparentPixelAnywhereKeepsTheAlphaChannel) {
    QTemporaryDir dir;
    const QString path = dir.filePath("one.png");
    for (QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBA8888,
                                  QImage::Format_RGBA8888_Premultiplied}) {
        for (QPoint at : {QPoint(60, 46), QPoint(59, 46), QPoint(0, 0), QPoint(31, 20)}) {
            QImage img = blockPicture().convertToFormat(format);
            img.setPixel(at, qRgba(0, 0, 0, 0));
            ASSERT_TRUE(exportImage(fourCharCode("PNGf"), img, path).ok);
            const QImage back = readBack(path);
            EXPECT_EQ(qAlpha(back.pixel(at)), 0) << format << " at " << at.x() << "," << at.y();
            EXPECT_EQ(qAlpha(back.pixel(at.x() > 0 ? at.x() - 1 : 1, at.y())), 255);
        }
    }
}
