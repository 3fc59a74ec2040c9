// Deverav: effects for one still picture.

#include <QApplication>
#include <QFile>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/Controller.h"
#include "app/MainWindow.h"
#include "chrome/Skin.h"
#include "foundation/NativeName.h"
#include "foundation/Preferences.h"
#include "imaging/io/ImageIO.h"

namespace {

QStringList argumentsOf(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << foundation::NativeName::fromNative(argv[i]);
    return args;
}

// Prints the answer to --help or --version, or what is wrong; -1 when the program is to run.
int answered(const app::CommandLine& line) {
    using Action = app::CommandLine::Action;
    if (line.action == Action::Help || line.action == Action::Version) {
        std::fputs(line.text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (line.action == Action::Error) {
        std::fprintf(stderr, "deverav: %s\nTry 'deverav --help'.\n",
                     line.text.toLocal8Bit().constData());
        return 2;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    // Help and the version are answered without a display; Qt's own options (-platform, ...)
    // are only known once the application has taken them out.
    if (const app::CommandLine early = app::CommandLine::parse(argumentsOf(argc, argv));
        early.action == app::CommandLine::Action::Help ||
        early.action == app::CommandLine::Action::Version)
        return answered(early);

    QApplication application(argc, argv);
    const app::CommandLine line = app::CommandLine::parse(QApplication::arguments());
    if (const int status = answered(line); status >= 0) return status;

    QApplication::setOrganizationName(QStringLiteral("Deverav"));
    QApplication::setApplicationName(QStringLiteral("Deverav"));
    // No display name: the desktop would add it to the window title, which names the program
    // itself already.
    QApplication::setDesktopFileName(QStringLiteral("deverav"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(chrome::darkPalette());
    // Qt's TIFF reader and ImageMagick share libtiff's process-wide error handlers.
    imaging::io::initialiseImageLibraries();
    // The controller decides when the program ends (it may refuse while there are changes).
    QApplication::setQuitOnLastWindowClosed(true);

    app::Controller controller(foundation::Preferences::standard());
    controller.setStartFile(line.file);
    controller.loadWindow();
    controller.window()->show();
    controller.applicationDidFinishLaunching();
    return application.exec();
}
