// Deverav: effects for one still picture.

#include <QApplication>

#include "app/Controller.h"
#include "app/MainWindow.h"
#include "chrome/Skin.h"
#include "foundation/Preferences.h"
#include "imaging/io/ImageIO.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
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
    controller.loadWindow();
    controller.window()->show();
    controller.applicationDidFinishLaunching();
    return application.exec();
}
