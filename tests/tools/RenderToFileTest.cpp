// The tool's render into a file: in strips where the format allows, with the bytes of a whole
// render through the exporter.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "FilterChain.h"
#include "Formats.h"
#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/TestImages.h"
#include "imaging/io/ImageIO.h"

using namespace imaging;
using testimg::grainy;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Image chain(const Image& in, const char* filter,
            std::vector<std::pair<std::string, std::string>> settings = {}) {
    return tool::applyChain({{filter, std::move(settings)}}, in,
                            [](const std::string& p) { return io::readImage(p); });
}

}  // namespace

TEST(RenderToFile, WritesWhatAWholeRenderWrites) {
    QTemporaryDir dir;
    const Image picture = grainy(260, 190);
    RenderOptions options;
    options.stripBudget = 200 << 10;  // several strips of this small picture
    const struct {
        const char* name;
        Image result;
        Rect region;
        std::vector<const char*> formats;
    } cases[] = {
        {"blur with its fringes",
         chain(picture, "CIGaussianBlur", {{"radius", "8"}}),
         {},
         {"tif", "png", "jpg", "bmp", "gif", "tga"}},
        {"zoom blur", chain(picture, "CIZoomBlur"), Rect{0, 0, 260, 190}, {"tif", "png", "jpg"}},
        {"colour controls",
         chain(picture, "CIColorControls", {{"saturation", "0.4"}}),
         Rect{10, 5, 200, 170},
         {"tif", "png", "jpg"}},
    };
    for (const auto& c : cases)
        for (const char* ext : c.formats) {
            SCOPED_TRACE(std::string(c.name) + " as " + ext);
            const Rect region = c.region.width > 0 ? c.region : c.result.extent();
            const std::string whole = dir.filePath(QString("whole.") + ext).toStdString();
            const std::string strips = dir.filePath(QString("strips.") + ext).toStdString();
            // A quality other than the default must reach the strips' encoder too.
            tool::WriteOptions write;
            write.dpi = 72;
            if (std::string(ext) == "jpg") write.quality = 60;
            tool::writeThroughExporter(
                Context().renderBitmap(c.result, region, 1, PixelFormat::RGBA8, options), whole,
                write);
            ASSERT_GT(Context().stripStarts(c.result, region, 1, options).size(), 2u);
            const tool::WriteTimes t =
                tool::renderToFile(c.result, region, 1, options, 8, strips, write);
            EXPECT_EQ(t.width, int(std::ceil(region.width)));
            const QByteArray written = contents(QString::fromStdString(strips));
            ASSERT_FALSE(written.isEmpty());
            EXPECT_TRUE(written == contents(QString::fromStdString(whole)));
        }
    const std::string deep = dir.filePath("deep.png").toStdString();
    tool::renderToFile(cases[0].result, cases[0].result.extent(), 1, options, 16, deep, {});
    EXPECT_EQ(io::readBitmap(deep).width(), int(std::ceil(cases[0].result.extent().width)));
}
