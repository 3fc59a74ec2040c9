#include "InfoCommand.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <climits>
#include <cstdio>

#include "Printable.h"
#include "foundation/ImageMetadata.h"
#include "imaging/Error.h"
#include "imaging/io/SafeFile.h"

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

// A value from the file, fit for a terminal.
std::string shown(const QString& s) {
    return printable(s.toStdString());
}

void printTree(const std::vector<PropertyNode>& nodes, int depth) {
    const std::string indent(size_t(depth) * 2, ' ');
    for (const PropertyNode& n : nodes) {
        if (n.isGroup()) {
            std::printf("%s%s\n", indent.c_str(), shown(n.key).c_str());
            printTree(n.children, depth + 1);
        } else {
            std::printf("%s%s: %s\n", indent.c_str(), shown(n.key).c_str(), shown(n.val).c_str());
        }
    }
}

// Why a file has no information, for the person who asked.
std::string problemWith(const std::string& path) {
    std::string name = imaging::io::fileNameOf(path);
    if (name.empty()) name = path;
    try {
        imaging::io::readFileBytes(path);
    } catch (const imaging::Error& e) {
        return e.what();
    }
    return "The file \"" + name + "\" is not a picture this program can read.";
}

int printInfo(const std::string& path, bool json) {
    const foundation::ImageFileInfo info = ImageMetadata::readFile(path);
    std::string absolute = path;
    if (!path.starts_with('/')) {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd)) absolute = std::string(cwd) + "/" + path;
    }
    const QString shownPath = QFile::decodeName(QByteArray::fromStdString(absolute));
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
            o.insert("error", QString::fromLocal8Bit(problemWith(path)));
        }
        o.insert("properties", jsonTree(tree));
        std::printf("%s", QJsonDocument(o).toJson(QJsonDocument::Indented).constData());
    } else {
        std::printf("Path: %s\n", printable(absolute).c_str());
        if (info.readable) {
            std::printf("Type: %s\n      %s\n", shown(info.typeName).c_str(),
                        shown(info.typeIdentifier).c_str());
            std::printf("Size: %lld bytes\n", static_cast<long long>(info.fileSize));
            std::printf("Properties:\n");
            printTree(tree, 1);
        } else {
            std::printf("Type: n/a\nSize: n/a\n");
        }
    }
    if (!info.readable) {
        std::fprintf(stderr, "deverav-filter: %s\n", printable(problemWith(path)).c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int info(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // File names are taken as the bytes they are, whatever their encoding.
    std::string file;
    bool json = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json")
            json = true;
        else if (file.empty())
            file = a;
        else
            return -1;
    }
    if (file.empty()) return -1;
    return printInfo(file, json);
}

}  // namespace tool
