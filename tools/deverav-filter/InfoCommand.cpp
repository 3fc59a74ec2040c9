#include "InfoCommand.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "foundation/ImageMetadata.h"

namespace tool {

namespace {

using foundation::ImageMetadata;
using foundation::PropertyNode;

QJsonArray jsonTree(const std::vector<PropertyNode>& nodes) {
    QJsonArray out;
    for (const PropertyNode& n : nodes) {
        QJsonObject o{{"id", n.id}, {"key", n.key}};
        if (n.isGroup()) {
            o.insert("val", QString());
            o.insert("children", jsonTree(n.children));
        } else {
            const QJsonValue v = QJsonValue::fromVariant(n.raw);
            o.insert("val", v.isUndefined() || v.isNull() ? QJsonValue(n.val) : v);
        }
        out.append(o);
    }
    return out;
}

void printTree(const std::vector<PropertyNode>& nodes, int depth) {
    const std::string indent(size_t(depth) * 2, ' ');
    for (const PropertyNode& n : nodes) {
        if (n.isGroup()) {
            std::printf("%s%s\n", indent.c_str(), qPrintable(n.key));
            printTree(n.children, depth + 1);
        } else {
            std::printf("%s%s: %s\n", indent.c_str(), qPrintable(n.key), qPrintable(n.val));
        }
    }
}

// Why a file has no information, for the person who asked.
QString problemWith(const QString& path) {
    const QFileInfo fi(path);
    const QString name = fi.fileName().isEmpty() ? path : fi.fileName();
    if (!fi.exists()) return QStringLiteral("The file \"%1\" does not exist.").arg(name);
    if (!fi.isFile() || !fi.isReadable())
        return QStringLiteral("The file \"%1\" cannot be read.").arg(name);
    return QStringLiteral("The file \"%1\" is not a picture this program can read.").arg(name);
}

int printInfo(const QString& path, bool json) {
    const foundation::ImageFileInfo info = ImageMetadata::read(path);
    const QString shownPath = QFileInfo(path).absoluteFilePath();
    const std::vector<PropertyNode> tree = ImageMetadata::propTree(info.properties);
    if (json) {
        QJsonObject o{{"path", shownPath}};
        if (info.readable) {
            o.insert("type",
                     QJsonObject{{"name", info.typeName}, {"identifier", info.typeIdentifier}});
            o.insert("size", info.fileSize);
        } else {
            o.insert("type", QJsonValue::Null);
            o.insert("size", QJsonValue::Null);
            o.insert("error", problemWith(path));
        }
        o.insert("properties", jsonTree(tree));
        std::printf("%s", QJsonDocument(o).toJson(QJsonDocument::Indented).constData());
    } else {
        std::printf("Path: %s\n", qPrintable(shownPath));
        if (info.readable) {
            std::printf("Type: %s\n      %s\n", qPrintable(info.typeName),
                        qPrintable(info.typeIdentifier));
            std::printf("Size: %lld bytes\n", static_cast<long long>(info.fileSize));
            std::printf("Properties:\n");
            printTree(tree, 1);
        } else {
            std::printf("Type: n/a\nSize: n/a\n");
        }
    }
    if (!info.readable) {
        std::fprintf(stderr, "deverav-filter: %s\n", qPrintable(problemWith(path)));
        return 1;
    }
    return 0;
}

}  // namespace

int info(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString file;
    bool json = false;
    for (int i = 2; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--json"))
            json = true;
        else if (file.isEmpty())
            file = a;
        else
            return -1;
    }
    if (file.isEmpty()) return -1;
    return printInfo(file, json);
}

}  // namespace tool
