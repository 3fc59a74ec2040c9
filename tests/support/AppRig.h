#pragma once
// The application as the app tests drive it: the controller with its window, shown offscreen,
// preferences in a temporary folder, alerts answered and recorded, help pages and quitting
// recorded instead of done.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWindow>
#include <deque>
#include <memory>

#include "app/Controller.h"
#include "app/CustomFamily.h"
#include "app/MainWindow.h"
#include "app/ThreeDFamily.h"
#include "chrome/BaseColoredButton.h"
#include "chrome/BaseColoredTextButton.h"
#include "chrome/KesAlert.h"
#include "foundation/ImageBridge.h"
#include "foundation/OpenPanel.h"
#include "foundation/Preferences.h"
#include "foundation/Resources.h"
#include "foundation/SavePanel.h"
#include "foundation/UndoManager.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Pixel.h"
#include "support/Files.h"

namespace apprig {

// A picture of one colour.
inline QImage solid(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGBA8888);
    img.fill(c);
    return img;
}

// A picture whose every pixel differs: flips and turns cannot hide.
inline QImage distinctPixels(int w, int h) {
    QImage img(w, h, QImage::Format_RGBA8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y, QColor(x * 40 % 256, y * 60 % 256, (x * 7 + y * 13) % 256));
    return img;
}

inline QByteArray pngBytes(const QImage& img) {
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return png;
}

// An engine picture's pixels, rows top to bottom.
inline QImage pixels(const imaging::Image& picture) {
    return app::Controller::imageFromCIImage(picture).convertToFormat(QImage::Format_RGBA8888);
}

// What the colour invert makes of a colour: 1 - c on linear light.
inline QColor invertedInLinearLight(const QColor& c) {
    auto inv = [](int v) {
        return int(std::lround(imaging::linearToSrgb(1 - imaging::srgbToLinear(v / 255.f)) * 255));
    };
    return QColor(inv(c.red()), inv(c.green()), inv(c.blue()));
}

// Colours equal to within one step in each of red, green and blue.
inline void expectNearColour(const QColor& got, const QColor& want, const std::string& what = {}) {
    EXPECT_NEAR(got.red(), want.red(), 1) << what;
    EXPECT_NEAR(got.green(), want.green(), 1) << what;
    EXPECT_NEAR(got.blue(), want.blue(), 1) << what;
}

// A registered filter with its defaults.
inline std::shared_ptr<imaging::Filter> makeFilter(const char* name) {
    std::shared_ptr<imaging::Filter> f = imaging::FilterRegistry::shared().filterWithName(name);
    if (f) f->setDefaults();
    return f;
}

class AppRig : public ::testing::Test {
  protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        app::Controller::setExitAppPending(false);
        chrome::KesAlert::setResponder([this](chrome::KesAlert& a) {
            alerts << a.message();
            alertTexts << a.informativeText();
            alertTitles << QStringList{a.firstButton()->text(), a.secondButton()->text(),
                                       a.threeButton()->text()};
            if (alertAnswers.empty()) return answer;
            const int next = alertAnswers.front();
            alertAnswers.pop_front();
            return next;
        });
        app::Controller::setUrlOpener([this](const QString& path) {
            opened << path;
            return true;
        });
        prefs = std::make_unique<foundation::Preferences>(dir.filePath("prefs.ini"));
        start();
    }

    void TearDown() override {
        c.reset();
        chrome::KesAlert::setResponder({});
        foundation::OpenPanel::setResponder({});
        foundation::SavePanel::setResponder({});
        app::Controller::setUrlOpener({});
        app::Controller::setExitAppPending(false);
        foundation::Resources::setSearchFolders({QStringLiteral(DEVERAV_TEST_RESOURCES)});
    }

    // A new controller and window over the same preferences, started as `deverav startFile`.
    void start(const QString& startFile = {}) {
        c.reset();
        c = std::make_unique<app::Controller>(*prefs);
        c->setStartFile(startFile);
        c->setQuitHandler([this] { ++quits; });
        c->loadWindow();
        w = c->window();
        w->show();
        c->applicationDidFinishLaunching();
    }

    // Quits through the menu with nothing left unsaved, and starts again from what is on disk.
    void restart() {
        c->setWasChanged(false);
        c->terminate();
        c.reset();
        const QString file = prefs->settings().fileName();
        prefs = std::make_unique<foundation::Preferences>(file);
        start();
    }

    // Save panels from now on take the queued answers (none left: Cancel) and record what
    // they showed.
    void answerSavePanels() {
        using foundation::SaveAccessoryView;
        foundation::SavePanel::setResponder([this](foundation::SavePanel& p) {
            ++panels;
            panelTitle = p.title();
            proposed = p.proposedName();
            panelDirectory = p.directory();
            auto* accessory = qobject_cast<SaveAccessoryView*>(p.accessoryView());
            if (!accessory || panelAnswers.empty()) return foundation::SavePanel::kCancel;
            foundation::PopUpButton* formats =
                accessory->viewWithTag(SaveAccessoryView::kFormatPopUpTag);
            preselected = formats->selectedTag();
            qualityShown << accessory->qualitySlider()->value();
            const PanelAnswer a = panelAnswers.front();
            panelAnswers.pop_front();
            if (a.format >= 0) {
                EXPECT_TRUE(formats->selectItemWithTag(a.format));
            }
            if (a.resolution > 0) {
                EXPECT_TRUE(accessory->viewWithTag(SaveAccessoryView::kResolutionPopUpTag)
                                ->selectItemWithTag(a.resolution));
            }
            qualityOffered = accessory->offersQuality();
            if (a.quality >= 0) accessory->qualitySlider()->setValue(a.quality);
            p.setFilename(a.path);
            return a.code;
        });
    }
    // What a save panel is answered: the path typed, the format, resolution and JPEG quality
    // picked (-1: as offered), and the button pressed.
    struct PanelAnswer {
        QString path;
        int format = -1, resolution = -1;
        int code = foundation::SavePanel::kOK;
        int quality = -1;
    };
    void saveAs(const PanelAnswer& a) {
        panelAnswers.push_back(a);
        c->saveImgAs();
    }

    foundation::UndoManager& undo() { return *c->undoManager(); }
    // The window title as the desktop shows it (the changed marker in place of "[*]").
    QString shownTitle() const {
        return w->windowHandle() ? w->windowHandle()->title() : QString();
    }
    // Ends the user event that recorded the last edits.
    void endEvent() { undo().closeEventGroup(); }
    QAction* action(const QString& name) { return w->action(name); }
    void switchTo(app::Mode m) { c->changeFilterMode(w->modeButton(m)); }
    void selectRow(QTreeView* v, int row) {
        v->selectionModel()->select(v->model()->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
    }
    // Makes `img` the picture, with an empty history.
    void usePicture(const QImage& img) {
        c->setBackgroundImage(foundation::imageFromQImage(img));
        undo().removeAllActions();
    }
    // A file in the test's folder; its path.
    QString writeFile(const QString& name, const QByteArray& bytes) {
        testfiles::writeFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }

    QTemporaryDir dir;
    std::unique_ptr<foundation::Preferences> prefs;
    std::unique_ptr<app::Controller> c;
    app::MainWindow* w = nullptr;
    // Alerts: the answer given when no queued answer is left.
    int answer = 1;
    std::deque<int> alertAnswers;
    QStringList alerts, alertTexts, opened;
    QList<QStringList> alertTitles;
    int quits = 0;
    // Save panels: the answers to give, and what the panels showed.
    std::deque<PanelAnswer> panelAnswers;
    int panels = 0, preselected = -2;
    QString panelTitle, proposed, panelDirectory;
    QList<int> qualityShown;
    bool qualityOffered = false;
};

}  // namespace apprig
