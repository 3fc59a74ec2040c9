#pragma once
// The application as the benchmarks that drive it start it: the built resources, no log
// output, preferences in a folder of their own, the window loaded. Start it once the
// QApplication exists.

#include <QScrollArea>
#include <QTemporaryDir>
#include <memory>

#include "app/Controller.h"
#include "app/MainWindow.h"
#include "foundation/Preferences.h"
#include "foundation/Resources.h"
#include "imaging/Log.h"

namespace bench {

// The canvas the benchmarks measure on.
constexpr int kCanvasWidth = 1280, kCanvasHeight = 800;

struct App {
    QTemporaryDir dir;
    std::unique_ptr<foundation::Preferences> prefs;
    std::unique_ptr<app::Controller> c;

    void start() {
        foundation::Resources::setSearchFolders({QStringLiteral(DEVERAV_BENCH_RESOURCES)});
        imaging::setLogSink([](const std::string&) {});
        prefs = std::make_unique<foundation::Preferences>(dir.filePath("prefs.ini"));
        c = std::make_unique<app::Controller>(*prefs);
        c->setQuitHandler([] {});
        c->loadWindow();
    }

    // Shows the window with the canvas in `scroll` at the size measured on, the window large
    // enough around it for the panels.
    void showWithCanvas(QScrollArea* scroll) {
        scroll->setFixedSize(kCanvasWidth, kCanvasHeight);
        c->window()->resize(c->window()->sizeHint().expandedTo({kCanvasWidth + 400, 1100}));
        c->window()->show();
    }
};

}  // namespace bench
