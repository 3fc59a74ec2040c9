#pragma once
// Graphics exporters: one writer per file format, chosen by a four-character code. Raster
// formats are written with Qt's image writers or ImageMagick, PDF with cairo. A format counts
// as available only when this system can really write it, which is found out once per process
// by encoding a small picture.
//
// JPEG, PNG, TIFF and PSD files also carry the metadata of the file the picture came from, when
// it is given (PictureMetadata).
//
// Every export is safe: the file is written beside the target and renamed over it only when
// every byte reached the disk, so a failed export (a full disk too) leaves the old file as it
// was and never an empty or cut one.

#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/NativeName.h"

class QIODevice;

namespace foundation {

class PictureMetadata;

// A four-character code, first character in the most significant byte.
using OSType = uint32_t;

constexpr OSType fourCharCode(const char (&c)[5]) {
    return OSType(uint8_t(c[0])) << 24 | OSType(uint8_t(c[1])) << 16 | OSType(uint8_t(c[2])) << 8 |
           OSType(uint8_t(c[3]));
}
QString fourCharString(OSType code);

class RowEncoder;

// PDF has no exporter code of its own in the format table; this one names its writer.
inline constexpr OSType kPDFSubtype = fourCharCode("PDF ");

class GraphicsExporter {
  public:
    // What is known of a format, available here or not.
    struct Format {
        OSType subtype = 0;
        QString name;            // short readable name: "JPEG", "PSD"
        QStringList extensions;  // lower case, conventional one first
        bool storesResolution = false;
        bool storesAlpha = false;
        bool lossless = true;         // false: lossy (JPEG), or limited to 256 colours (GIF)
        bool storesMetadata = false;  // EXIF, IPTC and XMP
        bool hasQuality = false;      // a compression quality can be chosen
    };
    // The quality JPEG files are written at unless another is asked for.
    static constexpr int kDefaultQuality = 90;

    virtual ~GraphicsExporter();

    // An exporter for the code; nothing when this system cannot write that format.
    static std::unique_ptr<GraphicsExporter> open(OSType subtype);
    static bool canExport(OSType subtype);
    // The codes that can be written here: the raster formats in a fixed order, PDF last.
    static std::vector<OSType> availableSubtypes();
    // Every code known, available or not.
    static const std::vector<Format>& knownFormats();
    static const Format* formatFor(OSType subtype);
    // The code whose format the extension names (case ignored, without dot); 0 for none.
    static OSType subtypeForExtension(const QString& extension);

    const Format& format() const { return m_format; }
    OSType subtype() const { return m_format.subtype; }

    // Any QImage format; premultiplied or straight alpha.
    void setInputImage(const QImage& image) { m_image = image; }
    void setOutputFile(const QString& path) {
        m_path = path;
        m_nativePath.clear();
    }
    // The same as the file system's bytes, for names that are not valid UTF-8.
    void setNativeOutputFile(const QByteArray& path) {
        m_nativePath = path;
        m_path = NativeName::fromNative(path);
    }
    // Dots per inch, written into the format's resolution fields (pixels are never scaled);
    // 0 leaves the fields out.
    void setResolution(double horizontal, double vertical);
    // 0 (smallest) to 100 (best) for formats with a quality; -1 for kDefaultQuality.
    void setQuality(int quality);
    // Metadata to record in the file where the format holds it (nothing for none).
    void setMetadata(std::shared_ptr<const PictureMetadata> metadata);
    // Checked before the finished file replaces the target: once set, the export stops there and
    // the target is left as it was.
    void setCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }
    // Writes the file; false with errorString() set on failure or when cancelled.
    bool doExport();
    bool wasCancelled() const { return m_cancelled; }
    // Encodes into a device instead of a file.
    bool exportToDevice(QIODevice& device);

    // Whether the format can be written a strip of rows at a time (exportRows): TIFF, PNG, JPEG.
    virtual bool writesRows() const { return false; }
    // Rows of the picture from `first` on, top first, as straight RGBA8888 (as many as the
    // source likes); a null image stops the export (with `why` set).
    using RowSource = std::function<QImage(int first, QString& why)>;
    // Writes a `width` x `height` picture that `rows` hands over a strip at a time, for pictures
    // too large to hold whole: the same file, byte for byte, as doExport writes for the whole
    // picture, and as safely. Rows may be asked for twice: a picture stored without alpha because
    // its first rows were opaque is begun again with alpha when a later row is not.
    bool exportRows(int width, int height, const RowSource& rows);

    QString errorString() const { return m_error; }
    // After a successful export: what could not be recorded (the metadata), or nothing.
    QString warningString() const { return m_warning; }

  protected:
    explicit GraphicsExporter(const Format& format) : m_format(format) {}
    // Encodes `image` (straight alpha, or opaque RGB when the picture has no transparency)
    // into `out`; sets m_error and returns false on failure.
    virtual bool encode(const QImage& image, QIODevice& out) = 0;
    // The strip encoder of the formats that have one; null with m_error set otherwise.
    virtual std::unique_ptr<RowEncoder> rowEncoder(QIODevice& out, int width, int height,
                                                   bool alpha, const QImage& firstRows);
    // The target file's name as the file system has it.
    std::string nativePath() const;
    // The quality asked for, else kDefaultQuality (for formats that have one).
    int quality() const { return m_quality >= 0 ? m_quality : kDefaultQuality; }

    Format m_format;
    double m_hres = 0, m_vres = 0;
    int m_quality = -1;
    QString m_error;

  private:
    // Whether metadata was given and the format holds it.
    bool recordsMetadata() const;
    // Records the metadata in an encoded file of a `width` x `height` picture and writes it.
    bool writeWithMetadata(QByteArray& encoded, int width, int height, QIODevice& device);

    QImage m_image;
    QString m_path;
    std::shared_ptr<const PictureMetadata> m_metadata;
    QString m_warning;
    QByteArray m_nativePath;
    const std::atomic<bool>* m_cancel = nullptr;
    bool m_cancelled = false;
};

}  // namespace foundation
