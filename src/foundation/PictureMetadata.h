#pragma once
// What a picture file records beyond its pixels (camera, exposure, date, GPS, artist,
// copyright, keywords: its EXIF, IPTC and XMP), held with the picture so that files saved from
// it record the same. Written again, it is brought up to date with the new file: orientation
// upright (pixels are always written as shown), the new pixel dimensions and resolution, no
// preview thumbnail, and the colour space the pixels are written in (sRGB) instead of the old
// file's profile.

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>

namespace foundation {

class PictureMetadata {
  public:
    // What the file records; nothing when it records nothing worth keeping or cannot be read.
    // Never throws.
    static std::shared_ptr<const PictureMetadata> readFile(const QString& path);
    // The same for a path given as the file system's bytes (any encoding).
    static std::shared_ptr<const PictureMetadata> readFile(const std::string& nativePath);
    static std::shared_ptr<const PictureMetadata> readData(const QByteArray& file);

    // The file the metadata is written into.
    struct Written {
        int width = 0, height = 0;
        double dpiX = 0, dpiY = 0;  // 0: the file records no resolution
    };
    // Records the metadata in an encoded JPEG, PNG, TIFF or PSD file held in memory, keeping
    // what the encoder wrote itself (structure, resolution, colour profile). What had to be left
    // out (XMP too large for the format) is said in `error`; false, the bytes untouched, when
    // nothing could be recorded.
    bool writeInto(QByteArray& file, const Written& written, QString* error = nullptr) const;

    struct Data;  // what is kept, in Exiv2's terms
    ~PictureMetadata();

  private:
    explicit PictureMetadata(std::unique_ptr<Data> data);
    std::unique_ptr<Data> d;
};

}  // namespace foundation
