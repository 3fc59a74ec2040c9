#pragma once
// Encoders that take a picture a strip of rows at a time, top first, for pictures too large to
// hold whole. Each writes the same bytes as Qt's own writer does for the whole picture with the
// same settings, so that a file is the same whichever way it was saved.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

class QIODevice;

namespace foundation {

class RowEncoder {
  public:
    struct Layout {
        int width = 0, height = 0;
        bool alpha = false;  // rows are RGBA8888 (straight); otherwise RGB888
        int dotsPerMeterX = 0, dotsPerMeterY = 0;
        QByteArray iccProfile;  // recorded where the format can; empty: none
        int quality = -1;       // as QImageWriter's; -1: the writer's default
    };

    virtual ~RowEncoder();
    // The next rows, in the layout's format; false with error() set on failure.
    virtual bool writeRows(const QImage& rows) = 0;
    // After the last row: completes the file; false with error() set on failure.
    virtual bool finish() = 0;
    const QString& error() const { return m_error; }

  protected:
    QString m_error;
};

// An encoder for Qt's writer of that name ("tiff", "png", "jpeg") into `out` (seekable for
// TIFF); null with `error` set for other formats or when the encoder cannot start.
std::unique_ptr<RowEncoder> makeRowEncoder(const QByteArray& writer, QIODevice& out,
                                           const RowEncoder::Layout& layout, QString& error);
bool hasRowEncoder(const QByteArray& writer);

}  // namespace foundation
