#include "app/ImageInfo.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTest>

#include "app/ResizePanel.h"
#include "support/AppRig.h"
#include "support/PictureFiles.h"

using app::ImageInfo;

namespace {

class ImageInfoTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        AppRig::SetUp();
        panel = c->infoPanel();
        camera = dir.filePath(QStringLiteral("camera.jpg"));
        testfiles::writeCameraJpeg(camera);
    }

    // What the controller tells the panel, and the wait for it to show.
    void tell(const QString& path) {
        c->setFilePath(path);
        settle();
    }
    void settle() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !panel->isUpdatePending(); }, 5000));
    }

    QString type() const { return panel->mFileType->text(); }
    QString size() const { return panel->mFileSize->text(); }
    QString path() const { return panel->mFilePath->text(); }
    int topRows() const { return panel->mTree->rowCount(); }
    // The display names of the rows under `parent`, top to bottom.
    QStringList names(const QModelIndex& parent = {}) const {
        QStringList out;
        for (int r = 0; r < panel->mTree->rowCount(parent); ++r)
            out << panel->mTree->index(r, 0, parent).data().toString();
        return out;
    }
    QModelIndex row(const QString& name, const QModelIndex& parent = {}) const {
        for (int r = 0; r < panel->mTree->rowCount(parent); ++r) {
            const QModelIndex i = panel->mTree->index(r, 0, parent);
            if (i.data().toString() == name) return i;
        }
        return {};
    }
    QString valueOf(const QModelIndex& nameIndex) const {
        return nameIndex.siblingAtColumn(1).data().toString();
    }

    ImageInfo* panel = nullptr;
    QString camera;
};

}  // namespace

TEST_F(ImageInfoTest, ACameraJpegShowsPathTypeSizeAndAnExpandedSortedTree) {
    tell(camera);
    EXPECT_EQ(path(), camera);
    EXPECT_EQ(type(), "JPEG image\nimage/jpeg");
    EXPECT_EQ(size(), ImageInfo::fileSizeText(QFileInfo(camera).size()));

    // The rows are the reader's, in the order of their keys.
    const foundation::ImageFileInfo info = foundation::ImageMetadata::read(camera);
    QStringList expected;
    for (const auto& n : ImageInfo::propTree(info.properties)) expected << n.key;
    EXPECT_EQ(names(), expected);

    const QModelIndex gps = row(QStringLiteral("GPS"));
    ASSERT_TRUE(gps.isValid());
    EXPECT_EQ(valueOf(gps), QString());  // a group shows no value
    EXPECT_TRUE(panel->mOView->isExpanded(gps));
    const QModelIndex lat = row(QStringLiteral("GPS Latitude"), gps);
    ASSERT_TRUE(lat.isValid());
    EXPECT_EQ(valueOf(lat), "48° 51′ 24″ N");
    const QModelIndex exif = row(QStringLiteral("Exif"));
    ASSERT_TRUE(exif.isValid());
    EXPECT_EQ(valueOf(row(QStringLiteral("Exposure Time"), exif)), "1/250 s");

    // Every group at every level is open.
    std::function<void(const QModelIndex&)> allOpen = [&](const QModelIndex& parent) {
        for (int r = 0; r < panel->mTree->rowCount(parent); ++r) {
            const QModelIndex i = panel->mTree->index(r, 0, parent);
            if (panel->mTree->hasChildren(i)) {
                EXPECT_TRUE(panel->mOView->isExpanded(i)) << i.data().toString().toStdString();
                allOpen(i);
            }
        }
    };
    allOpen({});

    // Rows cannot be selected.
    const QModelIndex first = panel->mTree->index(0, 0);
    EXPECT_FALSE(first.flags() & (Qt::ItemIsSelectable | Qt::ItemIsEditable));
    panel->makeKeyAndOrderFront();
    QTest::mouseClick(panel->mOView->viewport(), Qt::LeftButton, {},
                      panel->mOView->visualRect(first).center());
    EXPECT_FALSE(panel->mOView->selectionModel()->hasSelection());
}

TEST(ImageInfoSizes, DecimalUnitsToOnePlaceWithTheExactBytes) {
    EXPECT_EQ(ImageInfo::fileSizeText(0), "0 bytes");
    EXPECT_EQ(ImageInfo::fileSizeText(1), "1 byte");
    EXPECT_EQ(ImageInfo::fileSizeText(999), "999 bytes");
    EXPECT_EQ(ImageInfo::fileSizeText(1000), "1.0 kB (1,000 bytes)");
    EXPECT_EQ(ImageInfo::fileSizeText(2345678), "2.3 MB (2,345,678 bytes)");
    // Never "1000.0 kB": what rounds up to a thousand is the next unit.
    EXPECT_EQ(ImageInfo::fileSizeText(999999), "1.0 MB (999,999 bytes)");
    EXPECT_EQ(ImageInfo::fileSizeText(5000000000LL), "5.0 GB (5,000,000,000 bytes)");
}

TEST_F(ImageInfoTest, PngTiffAndFilesThatAreNoPictures) {
    settle();  // the start tells the panel there is no file
    EXPECT_EQ(path() + type() + size(), "n/an/an/a");
    const QString png = dir.filePath(QStringLiteral("a.png"));
    const QString tiff = dir.filePath(QStringLiteral("a.tiff"));
    ASSERT_TRUE(testfiles::gradient(10, 6).save(png, "PNG"));
    ASSERT_TRUE(testfiles::gradient(10, 6).save(tiff, "TIFF"));
    tell(png);
    EXPECT_EQ(type(), "PNG image\nimage/png");
    EXPECT_EQ(valueOf(row(QStringLiteral("Pixel Height"))), "6");
    tell(tiff);
    EXPECT_EQ(type(), "TIFF image\nimage/tiff");
    EXPECT_EQ(size(), ImageInfo::fileSizeText(QFileInfo(tiff).size()));

    // Not a picture: the path stays, the rest is not available.
    const QString text = dir.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(testfiles::writeFile(text, "not a picture"));
    tell(text);
    EXPECT_EQ(path(), text);
    EXPECT_EQ(type() + size(), "n/an/a");
    EXPECT_EQ(topRows(), 0);
    tell(QString());
    EXPECT_EQ(path(), "n/a");
}

TEST_F(ImageInfoTest, TheSameFileTwiceIsReadOnceUnlessItWasRewritten) {
    tell(camera);
    const int reads = panel->filesRead();
    tell(camera);
    EXPECT_EQ(panel->filesRead(), reads);
    EXPECT_EQ(type(), "JPEG image\nimage/jpeg");

    // Saved over under the same name, as a PNG: the panel shows the new file.
    QTest::qWait(20);  // a later modification time
    ASSERT_TRUE(testfiles::gradient(12, 9).save(camera, "PNG"));
    tell(camera);
    EXPECT_EQ(panel->filesRead(), reads + 1);
    EXPECT_EQ(type(), "PNG image\nimage/png");
    EXPECT_EQ(valueOf(row(QStringLiteral("Pixel Width"))), "12");
}

TEST_F(ImageInfoTest, OfRapidChangesWithinOneEventOnlyTheLastIsShown) {
    const QString png = dir.filePath(QStringLiteral("b.png"));
    const QString text = dir.filePath(QStringLiteral("c.txt"));
    ASSERT_TRUE(testfiles::gradient(5, 5).save(png, "PNG"));
    ASSERT_TRUE(testfiles::writeFile(text, "text"));
    settle();
    const int reads = panel->filesRead();
    c->setFilePath(text);
    c->setFilePath(png);
    c->setFilePath(camera);
    // Nothing yet: the panel waits for the event to end.
    EXPECT_EQ(path(), "n/a");
    settle();
    EXPECT_EQ(path(), camera);
    EXPECT_EQ(type(), "JPEG image\nimage/jpeg");
    EXPECT_EQ(panel->filesRead(), reads + 1);
}

TEST_F(ImageInfoTest, TheMenuItemOpensAndClosesThePanel) {
    QAction* item = w->action(app::act::showInfoPanel);
    item->trigger();
    EXPECT_TRUE(panel->isVisible());
    c->validateAllMenuItems();
    EXPECT_TRUE(item->isChecked() && item->isEnabled());
    c->showInfoPanel();
    EXPECT_FALSE(panel->isVisible());
    c->validateAllMenuItems();
    EXPECT_TRUE(!item->isChecked() && item->isEnabled());
}

TEST_F(ImageInfoTest, OpeningAFileShowsItInBothPanelsAndPastingKeepsTheFile) {
    foundation::OpenPanel::setResponder(
        [&](const foundation::OpenPanel::Request&) { return QStringList{camera}; });
    c->openImg();
    foundation::OpenPanel::setResponder({});
    settle();
    EXPECT_EQ(path(), camera);
    // The picture is upright (the file says to turn its 64 x 48 pixels a quarter).
    EXPECT_EQ(c->resizePanel()->mCaptionInfo->text(), "48 x 64 pixels");

    // A pasted picture has no file: the panel stays on the last one.
    QGuiApplication::clipboard()->setImage(testfiles::gradient(8, 8));
    c->paste();
    settle();
    EXPECT_EQ(c->resizePanel()->mCaptionInfo->text(), "8 x 8 pixels");
    EXPECT_EQ(path(), camera);
    EXPECT_EQ(type(), "JPEG image\nimage/jpeg");
}
