// deverav-filter: the filter engine and the picture information from the command line.
//
//   deverav-filter list               the names of all filters
//   deverav-filter info FILE [--json] path, type, size and properties of a picture file

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <string>

#include "foundation/ImageMetadata.h"
#include "imaging/FilterRegistry.h"

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

int info(const QString& path, bool json) {
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

int usage() {
    std::fprintf(stderr,
                 "usage: deverav-filter list\n"
                 "       deverav-filter info FILE [--json]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "list") {
        for (auto& n : imaging::FilterRegistry::shared().allFilterNames())
            std::printf("%s\n", n.c_str());
        return 0;
    }
    if (cmd == "info") {
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
                return usage();
        }
        if (file.isEmpty()) return usage();
        return info(file, json);
    }
    return usage();
}
