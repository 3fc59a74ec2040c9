#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "foundation/Resources.h"
#include "imaging/io/ImageIO.h"
#include "support/Files.h"

using foundation::Resources;

namespace {

double meanGrey(const QImage& img) {
    const QImage g = img.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y < g.height(); ++y)
        for (int x = 0; x < g.width(); ++x) sum += g.constScanLine(y)[x];
    return sum / (double(g.width()) * g.height());
}

}  // namespace

TEST(Resources, TheDefaultPictureIsLargeColourfulAndReadableByTheEngine) {
    const QString path = Resources::pathForResource("main_img", "jpg");
    ASSERT_FALSE(path.isEmpty());
    const imaging::Image img = imaging::io::readImage(path.toStdString());
    EXPECT_GE(img.extent().width, 1600);
    EXPECT_GE(img.extent().height, 1200);
    EXPECT_EQ(img.extent().x, 0);

    // Colourful: many distinct hues, not a flat or grey picture.
    QImage q(path);
    int hues[12] = {};
    for (int y = 0; y < q.height(); y += 7)
        for (int x = 0; x < q.width(); x += 7) {
            const QColor c = q.pixelColor(x, y);
            if (c.hsvSaturation() > 60 && c.value() > 40) ++hues[c.hsvHue() / 30];
        }
    int present = 0;
    for (int h : hues) present += h > 20;
    EXPECT_GE(present, 6);
}

TEST(Resources, FilterPicturesFitTheirUse) {
    for (const char* name : {"smoothtexture", "lightball", "restrictedshine", "colormap", "mask"}) {
        const QString path = Resources::pathForResource(name, "tiff");
        ASSERT_FALSE(path.isEmpty()) << name;
        EXPECT_NO_THROW(imaging::io::readImage(path.toStdString())) << name;
    }
    // The shading map is dark outside the sphere and lit towards the upper left.
    const QImage ball(Resources::pathForResource("lightball", "tiff"));
    EXPECT_LT(qGray(ball.pixel(2, 2)), 10);
    EXPECT_GT(qGray(ball.pixel(90, 90)), qGray(ball.pixel(170, 170)) + 60);
    // The shine map is transparent away from its highlight.
    const QImage shine(Resources::pathForResource("restrictedshine", "tiff"));
    EXPECT_TRUE(shine.hasAlphaChannel());
    EXPECT_EQ(qAlpha(shine.pixel(1, 1)), 0);
    // The ramp runs from dark to light.
    const QImage ramp(Resources::pathForResource("colormap", "tiff"));
    EXPECT_LT(qGray(ramp.pixel(0, 4)), 20);
    EXPECT_GT(qGray(ramp.pixel(ramp.width() - 1, 4)), 235);
    // The mask is greyscale.
    const QImage mask(Resources::pathForResource("mask", "tiff"));
    EXPECT_TRUE(mask.allGray());
}

TEST(Resources, TheMarkerHasAClearCentreAndTheMasksAreVariedGreyscale) {
    const QImage marker = Resources::imageNamed("16x16c.tif");
    ASSERT_EQ(marker.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(marker.pixel(7, 7)), 0);
    EXPECT_EQ(qAlpha(marker.pixel(8, 8)), 0);
    EXPECT_GT(qAlpha(marker.pixel(8, 1)), 100);

    std::vector<double> means;
    for (int i = 1; i <= 48; ++i) {
        const QString path = Resources::pathForResource(QString("t%1").arg(i), "jpg");
        ASSERT_FALSE(path.isEmpty()) << i;
        const QImage m(path);
        EXPECT_TRUE(m.allGray()) << i;
        means.push_back(meanGrey(m));
    }
    // No two masks alike on average, and both mostly dark and mostly light ones exist.
    std::sort(means.begin(), means.end());
    EXPECT_LT(means.front(), 120);
    EXPECT_GT(means.back(), 170);
    int distinct = 1;
    for (size_t i = 1; i < means.size(); ++i) distinct += means[i] - means[i - 1] > 0.05;
    EXPECT_GE(distinct, 40);
}

TEST(Resources, ButtonsIconAndHelpPageExistAndNothingElseIsFound) {
    for (const char* name :
         {"off_96", "on_96", "off_button_50", "on_button_50", "off_x", "on_x", "standard_off",
          "standard_on", "threeD_off", "threeD_on", "custom_off", "custom_on", "app"})
        EXPECT_FALSE(Resources::imageNamed(name).isNull()) << name;
    EXPECT_EQ(Resources::imageNamed("off_x").size(), QSize(14, 14));
    QFile help(Resources::pathForResource("main", "html"));
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(help.readAll());
    for (const char* topic : {"Modes", "Handles", "Favourites", "Keys"})
        EXPECT_TRUE(text.contains(topic)) << topic;
    // Missing names and paths outside the folder are refused.
    EXPECT_TRUE(Resources::pathForResource("no_such_picture", "jpg").isEmpty());
    EXPECT_TRUE(Resources::pathForResource("../CMakeCache", "txt").isEmpty());
    EXPECT_TRUE(Resources::imageNamed("no_such_picture").isNull());
}

TEST(Resources, MakeResourcesIsDeterministic) {
    // Drawing the resources again gives the same bytes as the build's copy.
    QTemporaryDir dir;
    const QString tool =
        QDir(QStringLiteral(DEVERAV_TEST_RESOURCES "/..")).filePath("make-resources");
    QProcess p;
    p.start(tool, {dir.path()});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList built = QDir(DEVERAV_TEST_RESOURCES).entryList(QDir::Files);
    const QStringList again = QDir(dir.path()).entryList(QDir::Files);
    EXPECT_EQ(again.size(), built.size());
    for (const QString& f : again) {
        const QByteArray made = testfiles::readFile(dir.filePath(f));
        EXPECT_FALSE(made.isEmpty()) << f.toStdString();
        EXPECT_TRUE(made == testfiles::readFile(QDir(DEVERAV_TEST_RESOURCES).filePath(f)))
            << f.toStdString();
    }
}
