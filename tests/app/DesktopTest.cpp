// The program among the desktop's others: started on a file (Open With), the desktop entry,
// the camera data of a photograph kept when it is saved, the JPEG quality, and Apply and the
// zoom from the keyboard.

#include <QDir>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>

#include "app/CommandLine.h"
#include "app/StandardFamily.h"
#include "foundation/NativeName.h"
#include "foundation/PictureMetadata.h"
#include "generators/customEffImageView.h"
#include "imaging/io/ImageIO.h"
#include "support/AppRig.h"
#include "support/PictureFiles.h"
#include "workbench/MyImageView.h"

using app::CommandLine;
using foundation::SaveAccessoryView;
using foundation::SavePanel;

namespace {

std::string exifText(const QString& path, const char* key) {
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    auto it = image->exifData().findKey(Exiv2::ExifKey(key));
    return it == image->exifData().end() ? std::string() : it->toString();
}

class DesktopTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        AppRig::SetUp();
        photo = dir.filePath(QStringLiteral("photo.jpg"));
        testfiles::writePhotographersJpeg(photo, 64, 48);
        answerSavePanels();
    }

    // Save As through the panel in the format (index), at the quality (-1: leave the slider).
    QString saveAsFormat(const QString& name, int formatIndex, int q = -1) {
        saveAs({dir.filePath(name), formatIndex, -1, SavePanel::kOK, q});
        return c->getFilePath();
    }
    void keyOnWindow(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QApplication::setActiveWindow(w);
        QTest::keyClick(w, Qt::Key(key), modifiers);
    }

    QString photo;
};

enum { kJPEG = 7, kPNG = 8, kTIFF = 10 };

}  // namespace

// ---------------------------------------------------------------- command line

TEST(CommandLine, AFileToOpenHelpAndVersionAndNothingElse) {
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(CommandLine::parse({"deverav"}).action, CommandLine::Action::Run);
    // A file manager's path, a terminal's relative one, a launcher's URL, a name that is not
    // UTF-8 as main() hands it over and as a URL, and after "--" a name beginning with a dash.
    const QString latin1 = foundation::NativeName::fromNative("/home/ada/caf\xE9.jpg");
    const std::pair<QStringList, QString> files[] = {
        {{"deverav"}, ""},
        {{"deverav", "/home/ada/lake.jpg"}, "/home/ada/lake.jpg"},
        {{"deverav", "lake.jpg"}, cwd + "/lake.jpg"},
        {{"deverav", "file:///home/ada/a%20b.jpg"}, "/home/ada/a b.jpg"},
        {{"deverav", latin1}, latin1},
        {{"deverav", "file:///home/ada/caf%E9.jpg"}, latin1},
        {{"deverav", "--", "-odd.png"}, cwd + "/-odd.png"}};
    for (const auto& [args, file] : files)
        EXPECT_EQ(CommandLine::parse(args).file, file) << args.join(' ').toStdString();

    EXPECT_EQ(CommandLine::parse({"deverav", "photo.jpg", "-h"}).action, CommandLine::Action::Help);
    const CommandLine version = CommandLine::parse({"deverav", "--version"});
    EXPECT_EQ(version.action, CommandLine::Action::Version);
    EXPECT_TRUE(QRegularExpression("^deverav \\d+\\.\\d+\\.\\d+\n$").match(version.text).hasMatch())
        << version.text.toStdString();

    const CommandLine unknown = CommandLine::parse({"deverav", "--fullscreen", "a.jpg"});
    EXPECT_EQ(unknown.action, CommandLine::Action::Error);
    EXPECT_TRUE(unknown.text.contains("--fullscreen"));
    EXPECT_EQ(CommandLine::parse({"deverav", "a.jpg", "b.jpg"}).action, CommandLine::Action::Error);
}

TEST(CommandLine, TheProgramAnswersHelpAndVersionWithoutADisplay) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(DEVERAV_PROGRAM, {"--version"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("deverav "));

    p.start(DEVERAV_PROGRAM, {"--help"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("Usage: deverav [FILE]\n"));

    // Anything else is refused before a window opens.
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(DEVERAV_PROGRAM, {"--slideshow"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("unknown option --slideshow"));
}

TEST(DesktopEntry, OpensFilesOfEveryPictureTypeTheProgramReads) {
    // Key=value lines of the [Desktop Entry] group (";" separates list items, not comments).
    QFile file(QStringLiteral(DEVERAV_SOURCE_DIR "/tools/make-resources/deverav.desktop"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QHash<QString, QString> entry;
    bool inGroup = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) inGroup = line == QLatin1String("[Desktop Entry]");
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0) entry.insert(line.left(eq), line.mid(eq + 1));
    }
    EXPECT_EQ(entry.value("Type"), "Application");
    EXPECT_EQ(entry.value("Exec"), "deverav %f");
    EXPECT_EQ(entry.value("Icon"), "deverav");
    EXPECT_EQ(entry.value("Terminal"), "false");

    QSet<QString> declared;
    for (const QString& t : entry.value("MimeType").split(QLatin1Char(';'), Qt::SkipEmptyParts))
        declared << t;
    QSet<QString> readable;
    QMimeDatabase db;
    for (const std::string& ext : imaging::io::readableExtensions()) {
        const QMimeType t = db.mimeTypeForFile(QStringLiteral("x.") + QString::fromStdString(ext),
                                               QMimeDatabase::MatchExtension);
        if (t.name().startsWith(QStringLiteral("image/"))) readable << t.name();
    }
    EXPECT_EQ(QStringList((declared - readable).values()).join(' '), "")
        << "declared but not readable";
    EXPECT_EQ(QStringList((readable - declared).values()).join(' '), "")
        << "readable but not declared";

    // The desktop's own checker, where it is installed.
    const QString validate =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validate.isEmpty()) {
        QProcess p;
        p.start(validate,
                {QStringLiteral(DEVERAV_SOURCE_DIR "/tools/make-resources/deverav.desktop")});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
    }
}

TEST_F(DesktopTest, StartedOnAPictureItOpensInsteadOfTheDefault) {
    start(photo);
    // The camera's picture stands on its side: 48 x 64 once upright.
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 48, 64}));
    EXPECT_EQ(c->getFilePath(), photo);
    EXPECT_EQ(shownTitle(), "Deverav::photo.jpg");
    EXPECT_TRUE(c->document().metadata());
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_FALSE(c->wasChanged());
}

TEST_F(DesktopTest, StartedOnAFileThatIsNoPictureItSaysSoOverTheDefault) {
    const QString notes = writeFile(QStringLiteral("notes.jpg"), "shopping list");
    start(notes);
    EXPECT_EQ(alerts, QStringList{foundation::kCouldntOpenFile});
    // With the reader's reason.
    ASSERT_EQ(alertTexts.size(), 1);
    EXPECT_FALSE(alertTexts[0].isEmpty());
    EXPECT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 1600, 1200}));  // main_img
    EXPECT_EQ(c->getFilePath(), QString());
    EXPECT_EQ(shownTitle(), "Deverav");
    EXPECT_FALSE(c->document().metadata());
}

// ---------------------------------------------------------------- metadata through the app

TEST_F(DesktopTest, APhotographEditedAndSavedKeepsItsCameraData) {
    c->openImgPanelDidEnd(foundation::OpenPanel::kOK, {photo});
    c->standard().addFilterIndex(QStringLiteral("CISepiaTone"), 0);
    c->applyBtnAction();
    c->flipHorizont();
    ASSERT_EQ(c->backImage().extent(), (imaging::Rect{0, 0, 48, 64}));

    for (const auto& [name, index] :
         {std::pair{"out.jpg", int(kJPEG)}, std::pair{"out.png", int(kPNG)},
          std::pair{"out.tiff", int(kTIFF)}}) {
        SCOPED_TRACE(name);
        const QString saved = saveAsFormat(QString::fromLatin1(name), index);
        ASSERT_EQ(saved, dir.filePath(QString::fromLatin1(name)));
        EXPECT_EQ(exifText(saved, "Exif.Image.Model"), "DT-1");
        EXPECT_EQ(exifText(saved, "Exif.Image.Copyright"), "(c) 2023 Ada Example");
        EXPECT_EQ(exifText(saved, "Exif.GPSInfo.GPSLatitude"), "48/1 51/1 24/1");
        EXPECT_EQ(exifText(saved, "Exif.Image.Orientation"), "1");
        EXPECT_EQ(exifText(saved, "Exif.Photo.PixelXDimension"), "48");
        EXPECT_EQ(exifText(saved, "Exif.Photo.PixelYDimension"), "64");
        // Upright in every viewer: read with the orientation applied, it is still 48 x 64.
        QImageReader reader(saved);
        reader.setAutoTransform(true);
        EXPECT_EQ(reader.read().size(), QSize(48, 64));
    }
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
}

TEST_F(DesktopTest, APastedPictureHasNoCameraDataAndUndoBringsItBack) {
    c->openImgPanelDidEnd(foundation::OpenPanel::kOK, {photo});
    auto* data = new QMimeData;
    data->setData("image/png", apprig::pngBytes(apprig::solid(5, 4, Qt::green)));
    QGuiApplication::clipboard()->setMimeData(data);
    c->paste();
    endEvent();
    EXPECT_EQ(exifText(saveAsFormat("pasted.jpg", kJPEG), "Exif.Image.Model"), "");
    c->undo();
    EXPECT_EQ(exifText(saveAsFormat("unpasted.jpg", kJPEG), "Exif.Image.Model"), "DT-1");

    // A picture dropped on the canvas is opened with its own.
    const QString other = dir.filePath(QStringLiteral("other.jpg"));
    testfiles::writeCameraJpeg(other);
    testfiles::editMetadata(
        other, [](Exiv2::Image& image) { image.exifData()["Exif.Image.Model"] = "DT-2"; });
    ASSERT_TRUE(c->openDroppedFile(other));
    EXPECT_EQ(exifText(saveAsFormat("dropped.png", kPNG), "Exif.Image.Model"), "DT-2");
}

// ---------------------------------------------------------------- JPEG quality

TEST_F(DesktopTest, TheQualitySliderIsForJpegOnlyRememberedAndReachesTheFile) {
    SaveAccessoryView* accessory = c->saveFlow().accessoryView();
    accessory->viewWithTag(SaveAccessoryView::kFormatPopUpTag)->selectItemWithTag(kPNG);
    EXPECT_FALSE(accessory->offersQuality());
    EXPECT_TRUE(accessory->qualitySlider()->isHidden() ||
                !accessory->qualitySlider()->isVisibleTo(accessory));
    accessory->viewWithTag(SaveAccessoryView::kFormatPopUpTag)->selectItemWithTag(kJPEG);
    EXPECT_TRUE(accessory->offersQuality());
    EXPECT_TRUE(accessory->qualitySlider()->isVisibleTo(accessory));

    c->openImgPanelDidEnd(foundation::OpenPanel::kOK, {photo});
    c->resizeImageHeight(640, 480);
    const qint64 low = QFileInfo(saveAsFormat("low.jpg", kJPEG, 20)).size();
    const qint64 high = QFileInfo(saveAsFormat("high.jpg", kJPEG, 95)).size();
    EXPECT_TRUE(qualityOffered);
    EXPECT_LT(low * 2, high);
    // 90 at first, then what was chosen last.
    EXPECT_EQ(qualityShown, (QList<int>{90, 20}));
    saveAsFormat("again.jpg", kJPEG);
    EXPECT_EQ(qualityShown.last(), 95);

    // Saving the picture's own JPEG takes the remembered quality too.
    accessory->qualitySlider()->setValue(20);
    c->saveImg();
    EXPECT_EQ(QFileInfo(dir.filePath("again.jpg")).size(), low);
}

// ---------------------------------------------------------------- keyboard

TEST_F(DesktopTest, ApplyInTheImageMenuWithCtrlReturnFollowsTheApplyButton) {
    QAction* apply = action(app::act::applyBtn);
    ASSERT_TRUE(apply);
    EXPECT_TRUE(w->menuNamed("Image")->actions().contains(apply));
    EXPECT_EQ(apply->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
    auto same = [&] {
        EXPECT_EQ(apply->isEnabled(), w->applyBtn()->isEnabled());
        return apply->isEnabled();
    };
    usePicture(apprig::distinctPixels(8, 6));
    EXPECT_FALSE(same());
    keyOnWindow(Qt::Key_Return);
    EXPECT_FALSE(c->wasChanged());

    c->standard().addFilterIndex(QStringLiteral("CIColorInvert"), 0);
    c->updateMainBtnState();
    EXPECT_TRUE(same());
    switchTo(app::Mode::Custom);  // no generator chosen there
    EXPECT_FALSE(same());
    switchTo(app::Mode::Standard);
    EXPECT_TRUE(same());

    const QImage before = apprig::pixels(c->backImage());
    const QImage result = c->getEffectedImage();
    ASSERT_NE(result.pixelColor(3, 2), before.pixelColor(3, 2));
    keyOnWindow(Qt::Key_Return);
    EXPECT_TRUE(c->wasChanged());
    // The effect's result is the picture now.
    EXPECT_EQ(apprig::pixels(c->backImage()).pixelColor(3, 2), result.pixelColor(3, 2));
    EXPECT_FALSE(same());  // Apply drops the effect
}

TEST_F(DesktopTest, ZoomKeysStepShowActualSizeAndFitOnTheCurrentCanvas) {
    usePicture(apprig::solid(3000, 2000, Qt::gray));
    chrome::ZoomCanvas* canvas = w->ciView();
    const double fit = *canvas->fittingZoom();
    EXPECT_DOUBLE_EQ(canvas->getZoom(), fit);

    keyOnWindow(Qt::Key_0);
    EXPECT_EQ(canvas->getZoom(), 1.0);
    EXPECT_EQ(w->zoomSlider()->value(), 500);  // the slider follows
    keyOnWindow(Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(canvas->getZoom(), 1.05);
    keyOnWindow(Qt::Key_Equal);  // the same key without Shift
    EXPECT_DOUBLE_EQ(canvas->getZoom(), 1.26);
    keyOnWindow(Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(canvas->getZoom(), chrome::ZoomCanvas::zoomAfterWheelStep(1.26, -1));
    keyOnWindow(Qt::Key_9);
    EXPECT_DOUBLE_EQ(canvas->getZoom(), fit);
    EXPECT_EQ(w->zoomSlider()->value(), qRound(app::Controller::sliderValueForZoom(fit) * 100));

    // The custom canvas has the same keys; the standard one stays as it was.
    switchTo(app::Mode::Custom);
    keyOnWindow(Qt::Key_0);
    EXPECT_EQ(w->customEffectsView()->getZoom(), 1.0);
    EXPECT_DOUBLE_EQ(canvas->getZoom(), fit);
    EXPECT_TRUE(w->menuNamed("View")->actions().contains(action(app::act::zoomToFit)));
}
