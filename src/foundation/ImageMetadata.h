#pragma once
// What a picture file says about itself: its type, its size in bytes and the properties of its
// first image (dimensions, depth, colour model, resolution, orientation, colour profile and the
// metadata groups it carries: Exif, GPS, IPTC, XMP, ...). Read from the file's header with Qt's
// image reader and Exiv2, ImageMagick for the formats only it knows; the pixels are not decoded
// where a header tells enough.

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <string>
#include <vector>

namespace foundation {

// One property: a value, or a group of properties.
struct ImageProperty {
    QString key;     // the reader's key: "Width", "Exif", "ExposureTime", ...
    QString label;   // display name from the metadata library; empty when it has none
    QVariant value;  // number, boolean or text; invalid for a group
    std::vector<ImageProperty> children;

    bool isGroup() const { return !value.isValid(); }
    // The child with that key, or nullptr.
    const ImageProperty* find(const QString& childKey) const;
};

// A row of the property tree as it is shown: display name, shown value (empty for a group) and,
// for a group, its rows. Rows are sorted by the properties' keys.
struct PropertyNode {
    QString id;    // the property's key
    QString key;   // display name
    QString val;   // the value as shown; empty for a group
    QVariant raw;  // the value itself; invalid for a group
    std::vector<PropertyNode> children;

    bool isGroup() const { return !raw.isValid(); }
};

struct ImageFileInfo {
    QString path;
    // A picture this program can read. When false the other fields are empty.
    bool readable = false;
    QString typeIdentifier;                 // MIME type, e.g. image/jpeg
    QString typeName;                       // its display name, e.g. JPEG image
    qint64 fileSize = 0;                    // bytes
    QDateTime modified;                     // when the file was last written
    std::vector<ImageProperty> properties;  // of the first image

    const ImageProperty* find(const QString& key) const;
};

class ImageMetadata {
  public:
    // Reads what `path` says about itself. Never throws: a missing or unreadable file, or one
    // that is not a picture, gives readable == false.
    static ImageFileInfo read(const QString& path);
    // The same for a path given as the file system's bytes (any encoding).
    static ImageFileInfo readFile(const std::string& nativePath);

    // The rows shown for properties: sorted by key (plain string order) at every level.
    static std::vector<PropertyNode> propTree(const std::vector<ImageProperty>& properties);

    // Display name of one of the reader's own keys ("Width", "ColorModel", "Exif", ...): the key
    // itself when it has none.
    static QString displayName(const QString& key);

    // How a value is shown: booleans as Yes / No, whole numbers without decimals, others as
    // text.
    static QString displayValue(const QVariant& value);
};

// A position in degrees as the information panel shows it: "48° 51′ 30″ N" (seconds to the
// hundredth, where needed). `hemisphere` (N, S, E or W) is left out when empty.
QString formatCoordinate(double degrees, const QString& hemisphere);

// Sets up Exiv2 once per process (quiet, and safe to use from more than one thread).
void initialiseExiv2();

// Whether Exiv2 is given a file of this type (Exiv2::ImageFactory::getType) at all: picture
// formats only. Its video parsers (QuickTime, RIFF, Matroska, ASF) and the ISO media one loop
// for seconds or more on damaged input, and no picture the program reads is one of those.
bool exiv2ReadsType(int type);

// The display name of a property: its label, else the reader's name for its key, else the key.
QString ImageIOLocalizedString(const ImageProperty& property);

}  // namespace foundation
