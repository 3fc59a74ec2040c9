#include "app/HelpBook.h"

#include <QDesktopServices>
#include <QUrl>

#include "chrome/KesAlert.h"
#include "foundation/Resources.h"

namespace app::help {

namespace {
std::function<bool(const QString&)>& urlOpener() {
    static std::function<bool(const QString&)> opener;
    return opener;
}
}  // namespace

QString pagePath() {
    return foundation::Resources::pathForResource(QStringLiteral("main"), QStringLiteral("html"));
}

void open(QWidget* window) {
    const QString page = pagePath();
    if (page.isEmpty()) {
        chrome::KesAlert::Alert_OKMsgText(window, QStringLiteral("The user guide cannot be found."),
                                          QStringLiteral("Its page main.html is missing from the "
                                                         "program's resources."));
        return;
    }
    const bool opened =
        urlOpener() ? urlOpener()(page) : QDesktopServices::openUrl(QUrl::fromLocalFile(page));
    if (!opened)
        chrome::KesAlert::Alert_OKMsgText(window,
                                          QStringLiteral("The user guide cannot be opened."),
                                          QStringLiteral("No program to show web pages was found. "
                                                         "The guide is the file ") +
                                              page);
}

void setUrlOpener(std::function<bool(const QString&)> opener) {
    urlOpener() = std::move(opener);
}

}  // namespace app::help
