#include "app/CommandLine.h"

#include <QFileInfo>
#include <QUrl>

#include "foundation/NativeName.h"

#ifndef DEVERAV_VERSION
#define DEVERAV_VERSION "0"
#endif

namespace app {

QString CommandLine::helpText() {
    return QStringLiteral(
        "Usage: deverav [FILE]\n"
        "Effects for one still picture: image filters, 3D effects and generated patterns.\n"
        "\n"
        "Opens FILE, or the default picture when none is given.\n"
        "\n"
        "  -h, --help     show this help and quit\n"
        "  -v, --version  show the version and quit\n");
}

QString CommandLine::versionText() {
    return QStringLiteral("deverav " DEVERAV_VERSION "\n");
}

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine result;
    QStringList files;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (options && a == QLatin1String("--")) {
            options = false;
        } else if (options && (a == QLatin1String("-h") || a == QLatin1String("--help"))) {
            return {Action::Help, {}, helpText()};
        } else if (options && (a == QLatin1String("-v") || a == QLatin1String("--version"))) {
            return {Action::Version, {}, versionText()};
        } else if (options && a.size() > 1 && a.startsWith(QLatin1Char('-'))) {
            return {Action::Error, {}, QStringLiteral("unknown option %1").arg(a)};
        } else if (!a.isEmpty()) {
            files << a;
        }
    }
    if (files.size() > 1)
        return {
            Action::Error, {}, QStringLiteral("one picture at a time, not %1").arg(files.size())};
    if (!files.isEmpty()) {
        // Some launchers pass a file URL even where a path is asked for.
        const QUrl url(files.first());
        const QString path =
            url.isLocalFile() ? foundation::NativeName::fromUrl(url) : files.first();
        result.file = QFileInfo(path).absoluteFilePath();
    }
    return result;
}

}  // namespace app
