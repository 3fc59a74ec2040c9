#pragma once
// Graphics exporters: one writer per file format, chosen by a four-character code. Raster
// formats are written with Qt's image writers or ImageMagick, PDF with cairo. A format counts
// as available only when this system can really write it, which is found out once per process
// by encoding a small picture.
//
// Every export is safe: the file is written beside the target and renamed over it only when
// every byte reached the disk, so a failed export (a full disk too) leaves the old file as it
// was and never an empty or cut one.

#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class QIODevice;

namespace foundation {

// A four-character code, first character in the most significant byte.
using OSType = uint32_t;

constexpr OSType fourCharCode(const char (&c)[5]) {
    return OSType(uint8_t(c[0])) << 24 | OSType(uint8_t(c[1])) << 16 | OSType(uint8_t(c[2])) << 8 |
           OSType(uint8_t(c[3]));
}
QString fourCharString(OSType code);

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
        bool lossless = true;  // false: lossy (JPEG), or limited to 256 colours (GIF)
    };

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
        m_path = QString::fromLocal8Bit(path);
    }
    // Dots per inch, written into the format's resolution fields (pixels are never scaled);
    // 0 leaves the fields out.
    void setResolution(double horizontal, double vertical);
    // Checked before the finished file replaces the target: once set, the export stops there and
    // the target is left as it was.
    void setCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }
    // Writes the file; false with errorString() set on failure or when cancelled.
    bool doExport();
    bool wasCancelled() const { return m_cancelled; }
    // Encodes into a device instead of a file.
    bool exportToDevice(QIODevice& device);
    QString errorString() const { return m_error; }

  protected:
    explicit GraphicsExporter(const Format& format) : m_format(format) {}
    // Encodes `image` (straight alpha, or opaque RGB when the picture has no transparency)
    // into `out`; sets m_error and returns false on failure.
    virtual bool encode(const QImage& image, QIODevice& out) = 0;

    Format m_format;
    double m_hres = 0, m_vres = 0;
    QString m_error;

  private:
    QImage m_image;
    QString m_path;
    QByteArray m_nativePath;
    const std::atomic<bool>* m_cancel = nullptr;
    bool m_cancelled = false;
};

}  // namespace foundation
