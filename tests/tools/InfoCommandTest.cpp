// deverav-filter info: the information panel's contents on the command line.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "foundation/ImageMetadata.h"
#include "support/PictureFiles.h"

using foundation::ImageMetadata;
using foundation::PropertyNode;

namespace {

struct ToolRun {
    int code = -1;
    QString out, err;
};

ToolRun runTool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(DEVERAV_FILTER_PROGRAM), args);
    ToolRun r;
    if (!p.waitForFinished(30000)) return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The JSON rows are the panel's rows: same names, same values, same order.
void expectSameTree(const QJsonArray& json, const std::vector<PropertyNode>& nodes) {
    ASSERT_EQ(size_t(json.size()), nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        const QJsonObject o = json[qsizetype(i)].toObject();
        const PropertyNode& n = nodes[i];
        EXPECT_EQ(o["id"].toString(), n.id);
        EXPECT_EQ(o["key"].toString(), n.key);
        if (n.isGroup()) {
            EXPECT_EQ(o["val"].toString(), QString());
            expectSameTree(o["children"].toArray(), n.children);
        } else {
            EXPECT_EQ(o["val"].toVariant(), n.raw) << n.id.toStdString();
            EXPECT_FALSE(o.contains("children"));
        }
    }
}

class InfoCommandTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
};

}  // namespace

TEST_F(InfoCommandTest, PrintsWhatThePanelShowsAsTextOrJson) {
    const QString path = dir.filePath(QStringLiteral("camera.jpg"));
    testfiles::writeCameraJpeg(path);
    const QString size = QString::number(QFileInfo(path).size());
    ToolRun r = runTool({QStringLiteral("info"), path});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.mid(0, 5),
              QStringList({"Path: " + QFileInfo(path).absoluteFilePath(), "Type: JPEG image",
                           "      image/jpeg", "Size: " + size + " bytes", "Properties:"}));
    // A group, then its rows one level deeper.
    const qsizetype gps = lines.indexOf("  GPS");
    ASSERT_GE(gps, 0);
    EXPECT_TRUE(lines.mid(gps + 1).contains("    GPS Latitude: 48° 51′ 24″ N"));

    r = runTool({QStringLiteral("info"), path, QStringLiteral("--json")});
    ASSERT_EQ(r.code, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["type"].toObject()["identifier"].toString(), "image/jpeg");
    EXPECT_EQ(QString::number(o["size"].toInteger()), size);
    const foundation::ImageFileInfo info = ImageMetadata::read(path);
    expectSameTree(o["properties"].toArray(), ImageMetadata::propTree(info.properties));
}

TEST_F(InfoCommandTest, AFileThatIsNoPictureShowsNotAvailableAndSaysWhy) {
    const QString text = dir.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(testfiles::writeFile(text, "not a picture\n"));

    ToolRun r = runTool({QStringLiteral("info"), text});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "Path: " + QFileInfo(text).absoluteFilePath() + "\nType: n/a\nSize: n/a\n");
    EXPECT_TRUE(r.err.contains("\"notes.txt\" is not a picture this program can read."))
        << r.err.toStdString();

    r = runTool({QStringLiteral("info"), QStringLiteral("--json"), text});
    EXPECT_EQ(r.code, 1);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_TRUE(o["type"].isNull() && o["size"].isNull() && o["properties"].toArray().isEmpty());

    r = runTool({QStringLiteral("info"), dir.filePath(QStringLiteral("gone.jpg"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("\"gone.jpg\" does not exist.")) << r.err.toStdString();

    // No file, or two: how to use it.
    EXPECT_EQ(runTool({QStringLiteral("info")}).code, 2);
    EXPECT_EQ(runTool({QStringLiteral("info"), text, text}).code, 2);
}
