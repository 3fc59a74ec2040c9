#pragma once
// The pictures, icons and help page the program ships. They live in a "resources" folder next
// to the executable (build tree) or in <prefix>/share/deverav/resources (installed).

#include <QImage>
#include <QString>
#include <QStringList>

namespace foundation {

class Resources {
  public:
    // Folders searched, in order.
    static QStringList searchFolders();
    // Replaces the search folders (tests); an empty list restores the default.
    static void setSearchFolders(const QStringList& folders);

    // Full path of resource `name` of type `type` ("jpg", "tiff", "html"; empty: `name` is the
    // whole file name), or an empty string when it is missing.
    static QString pathForResource(const QString& name, const QString& type = {});
    // The named image, by its file name or its name without extension (png, tif, tiff, jpg
    // tried in that order); cached. A null image when missing or unreadable.
    static QImage imageNamed(const QString& name);
};

}  // namespace foundation
