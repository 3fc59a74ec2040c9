#include "foundation/Resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace foundation {

namespace {
QStringList& overrideFolders() {
    static QStringList folders;
    return folders;
}
QHash<QString, QImage>& imageCache() {
    static QHash<QString, QImage> cache;
    return cache;
}
}  // namespace

QStringList Resources::searchFolders() {
    if (!overrideFolders().isEmpty()) return overrideFolders();
    const QString appDir = QCoreApplication::applicationDirPath();
    return {QDir(appDir).filePath(QStringLiteral("resources")),
            QDir::cleanPath(appDir + QStringLiteral("/../share/deverav/resources"))};
}

void Resources::setSearchFolders(const QStringList& folders) {
    overrideFolders() = folders;
    imageCache().clear();
}

QString Resources::pathForResource(const QString& name, const QString& type) {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
    const QString file = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    for (const QString& folder : searchFolders()) {
        const QFileInfo info(QDir(folder).filePath(file));
        if (info.isFile()) return info.absoluteFilePath();
    }
    return {};
}

QImage Resources::imageNamed(const QString& name) {
    auto& cache = imageCache();
    if (auto it = cache.constFind(name); it != cache.constEnd()) return *it;
    QString path = pathForResource(name);
    for (const char* ext : {"png", "tif", "tiff", "jpg"}) {
        if (!path.isEmpty()) break;
        path = pathForResource(name, QLatin1String(ext));
    }
    QImage image;
    if (!path.isEmpty()) image.load(path);
    cache.insert(name, image);
    return image;
}

}  // namespace foundation
