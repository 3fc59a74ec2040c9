#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>

#include "foundation/NativeName.h"
#include "foundation/OpenPanel.h"
#include "imaging/Pixel.h"
#include "support/AppRig.h"
#include "support/RawNames.h"

using app::Controller;
using foundation::PopUpButton;
using foundation::SaveAccessoryView;
using foundation::SavePanel;

namespace {

enum { kJPEG = 7, kPNG = 8, kTIFF = 10, kPDF = 17 };

class SaveTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        answer = 0;  // no answer: as if the alert were closed
        AppRig::SetUp();
        answerSavePanels();
        picture = apprig::distinctPixels(40, 30);
        c->setBackgroundImage(foundation::imageFromQImage(picture));
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    // A save that ends a quit asks to terminate once the event loop turns.
    void settle() { QCoreApplication::processEvents(); }
    static QByteArray bytes(const QString& file) { return testfiles::readFile(file); }

    QImage picture;
};

}  // namespace

TEST_F(SaveTest, TheFormatPopUpOffersWhatThisSystemWritesWithPdfLast) {
    // The set-up installs the writers of these; "PICS" is served by the PICT writer and shown
    // once, though the table names it twice.
    PopUpButton* formats =
        c->saveFlow().accessoryView()->viewWithTag(SaveAccessoryView::kFormatPopUpTag);
    EXPECT_EQ(formats->itemTags(), QList<int>({1, 2, 3, 4, 6, 7, 8, 10, 11, 17}));
    EXPECT_EQ(formats->itemText(1), "SGI ");
    EXPECT_EQ(formats->itemText(9), "PDF ");
}

TEST_F(SaveTest, SaveAsWritesTheChosenFormatUnderTheFinalNameAndRemembersIt) {
    c->setWasChanged(true);
    saveAs({path("Holiday.png"), kJPEG, 150});
    EXPECT_EQ(panelTitle, "Save Image As:");
    // Nothing chosen yet and no file: PNG rather than the first, least common format.
    EXPECT_EQ(preselected, kPNG);
    EXPECT_TRUE(alerts.isEmpty());
    const QString written = path("Holiday.jpeg");
    QImageReader reader(written);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage back = reader.read();
    EXPECT_EQ(back.size(), QSize(40, 30));
    EXPECT_NEAR(back.dotsPerMeterX() * 0.0254, 150, 0.5);
    EXPECT_FALSE(QFileInfo::exists(path("Holiday.png")));
    EXPECT_EQ(shownTitle(), "Deverav::Holiday.jpeg");
    EXPECT_FALSE(c->wasChanged());

    // The next panel proposes the file's name and preselects the format used last. Names and
    // folders in any script are written as typed, only the extension's case lowered.
    const QString folder = path(QStringLiteral("Ünïcødé 写真"));
    ASSERT_TRUE(QDir().mkpath(folder));
    saveAs({folder + QStringLiteral("/фото.PNG"), kPNG});
    EXPECT_EQ(preselected, kJPEG);
    EXPECT_EQ(proposed, "Holiday.jpeg");
    const QString unicode = folder + QStringLiteral("/фото.png");
    EXPECT_EQ(QImage(unicode).pixel(39, 29), picture.pixel(39, 29));
    EXPECT_EQ(c->getFilePath(), unicode);
    saveAs({path("Third"), -1});
    EXPECT_EQ(preselected, kPNG);
    EXPECT_TRUE(QFileInfo::exists(path("Third.png")));
}

TEST_F(SaveTest, ThePanelStartsBesideThePicturesFileInItsFormat) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("album"));
    c->setFilePath(path("album/photo.TIF"));
    saveAs({path("album/copy"), -1, -1, SavePanel::kCancel});
    EXPECT_EQ(preselected, kTIFF);
    EXPECT_EQ(proposed, "photo.tif");
    EXPECT_EQ(panelDirectory, path("album"));
    EXPECT_EQ(c->saveFlow().formatType(), 0);  // a cancelled panel chooses nothing
}

TEST_F(SaveTest, WhatIsSavedIsTheCurrentEffectsResultAndPdfIsAPageOfItsSize) {
    c->standard().setCurrentFilter(apprig::makeFilter("CIColorInvert"));
    saveAs({path("inverted.png"), kPNG});
    apprig::expectNearColour(QImage(path("inverted.png")).pixelColor(13, 7),
                             apprig::invertedInLinearLight(picture.pixelColor(13, 7)));

    saveAs({path("inverted.png"), kPDF, 600});
    QProcess info;
    info.start("pdfinfo", {path("inverted.pdf")});
    ASSERT_TRUE(info.waitForFinished(30000));
    EXPECT_TRUE(info.readAllStandardOutput().contains("Page size:       40 x 30 pts"));
}

TEST_F(SaveTest, TheReplaceQuestionGuardsAnExistingFile) {
    const QString target = writeFile("shot.png", "old contents");
    c->setWasChanged(true);
    alertAnswers = {2};  // Cancel
    saveAs({target, kPNG});
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0], "Do you want to replace an existing file?");
    EXPECT_EQ(alertTexts[0],
              "A file with the same name is already exists. Replacing it will overwrite its "
              "current contents.");
    EXPECT_EQ(alertTitles[0].mid(0, 2).join("|"), "OK|Cancel");
    EXPECT_EQ(bytes(target), "old contents");
    EXPECT_TRUE(c->wasChanged());
    EXPECT_TRUE(c->getFilePath().isEmpty());

    alertAnswers = {1};  // OK
    saveAs({target, kPNG});
    EXPECT_EQ(QImage(target).size(), QSize(40, 30));
    EXPECT_FALSE(c->wasChanged());
    EXPECT_EQ(c->getFilePath(), target);
    EXPECT_EQ(QDir(dir.path()).entryList({"shot*"}, QDir::Files | QDir::Hidden),
              QStringList({"shot.png"}));

    // A typed name the format changes: the question names the file that would be replaced.
    alertAnswers = {2};
    saveAs({path("shot.tiff"), kPNG});
    EXPECT_EQ(alerts.last(), "Do you want to replace an existing file?");
    EXPECT_TRUE(alertTexts.last().contains("“shot.png”"));
}

TEST_F(SaveTest, SaveRewritesThePicturesOwnFileInTheFormatItsExtensionNames) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"a.jpg", "\xff\xd8\xff"}, {"b.PNG", "\x89PNG"}, {"c.tif", "II*"},
        {"d.psd", "8BPS"},         {"e.pdf", "%PDF"},
    };
    for (const auto& [name, magic] : cases) {
        SCOPED_TRACE(name);
        const QString file = writeFile(name, "old");
        c->setFilePath(file);
        c->setWasChanged(true);
        alertAnswers = {1};
        c->saveImg();
        EXPECT_EQ(alerts.last(), "Do you want to replace an existing file?");
        EXPECT_TRUE(bytes(file).startsWith(magic));
        EXPECT_FALSE(c->wasChanged());
    }
    EXPECT_EQ(panels, 0);
    // Cancel writes nothing and keeps the changes.
    c->setWasChanged(true);
    alertAnswers = {2};
    writeFile("e.pdf", "old");
    c->saveImg();
    EXPECT_EQ(bytes(path("e.pdf")), "old");
    EXPECT_TRUE(c->wasChanged());
}

TEST_F(SaveTest, AFileOfAnUnwritableTypeOrAFailedWriteIsReportedAndKeepsTheChanges) {
    const QString webp = writeFile("photo.webp", "old");
    c->setFilePath(webp);
    c->setWasChanged(true);
    alertAnswers = {1};  // the failure alert, with no replace question before it
    c->saveImg();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0], "Couldn't save file.");
    EXPECT_TRUE(alertTexts[0].startsWith("File I/O error occured.\n"))
        << alertTexts[0].toStdString();
    EXPECT_TRUE(alertTexts[0].contains("Save As"));
    EXPECT_EQ(bytes(webp), "old");
    EXPECT_TRUE(c->wasChanged());

    // The chosen name is taken by a folder: nothing is replaced, nothing is recorded.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.tiff"));
    alertAnswers = {1, 1};
    saveAs({path("taken.tiff"), kTIFF});
    ASSERT_EQ(alerts.size(), 3);
    EXPECT_EQ(alerts[2], "Couldn't save file.");
    EXPECT_TRUE(QFileInfo(path("taken.tiff")).isDir());
    EXPECT_TRUE(c->wasChanged());
    EXPECT_EQ(shownTitle(), "Deverav::photo.webp*");
}

// ---------------------------------------------------------------- quitting through saving

TEST_F(SaveTest, QuitWithSaveQuitsOnlyWhenTheSavePanelSaved) {
    c->setWasChanged(true);
    alertAnswers = {1};  // Save...
    panelAnswers = {{path("q"), kPNG, -1, SavePanel::kCancel}};
    c->terminate();
    settle();
    EXPECT_EQ(panels, 1);
    EXPECT_EQ(quits, 0);
    EXPECT_FALSE(Controller::exitAppPending());
    EXPECT_TRUE(c->wasChanged());

    // The next quit asks again; this time the panel saves and the application quits.
    alertAnswers = {1};
    panelAnswers = {{path("q"), kPNG}};
    c->terminate();
    EXPECT_EQ(alerts.count("Do you want to save changes?"), 2);
    EXPECT_EQ(quits, 0);  // not before the panel's end is over
    settle();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(QFileInfo::exists(path("q.png")));
}

TEST_F(SaveTest, QuitWithSaveOfTheOwnFileStaysWhenReplacingIsCancelled) {
    const QString file = writeFile("own.tiff", "old");
    c->setFilePath(file);
    c->setWasChanged(true);
    alertAnswers = {1, 2};  // Save..., then Cancel at the replace question
    c->terminate();
    settle();
    EXPECT_EQ(alerts, QStringList({"Do you want to save changes?",
                                   "Do you want to replace an existing file?"}));
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(bytes(file), "old");
    EXPECT_FALSE(Controller::exitAppPending());

    alertAnswers = {1, 1};  // Save..., OK
    c->terminate();
    settle();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(bytes(file).startsWith("II*"));
}

TEST_F(SaveTest, QuitWithAFailedSaveStaysAndAsksAgain) {
    c->setFilePath(path("gone/own.png"));  // its folder has been removed
    c->setWasChanged(true);
    alertAnswers = {1, 1};  // Save..., the failure alert
    c->terminate();
    settle();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[1], "Couldn't save file.");
    EXPECT_EQ(quits, 0);
    EXPECT_FALSE(Controller::exitAppPending());
    EXPECT_TRUE(c->wasChanged());

    alertAnswers = {3};  // Don't Save
    c->terminate();
    EXPECT_EQ(alerts.size(), 3);
    EXPECT_EQ(alerts[2], "Do you want to save changes?");
    EXPECT_EQ(quits, 1);
}

TEST_F(SaveTest, APictureWhoseNameIsNotUtf8OpensAndIsSavedUnderTheSameBytes) {
    ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "caf\xE9.png", apprig::pngBytes(picture)));
    const QString latin1 = dir.path() + "/" + foundation::NativeName::fromNative("caf\xE9.png");
    foundation::OpenPanel::setResponder([&](const auto&) { return QStringList{latin1}; });
    c->openImg();
    foundation::OpenPanel::setResponder({});
    EXPECT_TRUE(alerts.isEmpty()) << alertTexts.join("; ").toStdString();
    EXPECT_EQ(c->getFilePath(), latin1);
    EXPECT_EQ(shownTitle(), "Deverav::caf\\xE9.png");

    // Save As over it, answering the replace question: the same file, not one named with U+FFFD.
    c->setWasChanged(true);
    alertAnswers = {1};
    saveAs({latin1, kPNG});
    EXPECT_EQ(alerts, QStringList{"Do you want to replace an existing file?"});
    EXPECT_FALSE(c->wasChanged());
    EXPECT_EQ(c->getFilePath(), latin1);
    EXPECT_EQ(testfiles::namesByBytes(dir.path()), QList<QByteArray>({"caf\xE9.png"}));
    // A format that changes the extension keeps the rest of the name's bytes.
    saveAs({latin1, kTIFF});
    EXPECT_EQ(testfiles::namesByBytes(dir.path()),
              QList<QByteArray>({"caf\xE9.png", "caf\xE9.tiff"}));
    QImage saved;
    ASSERT_TRUE(saved.loadFromData(testfiles::readByBytes(dir.path(), "caf\xE9.png")));
    EXPECT_EQ(saved.size(), QSize(40, 30));

    // Save rewrites it in place; a dropped file:// URL with %E9 opens it again.
    c->setWasChanged(true);
    alertAnswers = {1};
    c->saveImg();
    EXPECT_FALSE(c->wasChanged());
    EXPECT_EQ(testfiles::namesByBytes(dir.path()).size(), 2);
    c->setFilePath(QString());
    const QUrl dropped =
        QUrl::fromEncoded(QUrl::fromLocalFile(dir.path()).toEncoded() + "/caf%E9.tiff");
    EXPECT_TRUE(c->openDroppedFile(foundation::NativeName::fromUrl(dropped)));
    EXPECT_EQ(shownTitle(), "Deverav::caf\\xE9.tiff");
    testfiles::removeFilesByBytes(dir.path());
}
