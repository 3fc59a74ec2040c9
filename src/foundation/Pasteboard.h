#pragma once
// The general pasteboard: the system clipboard, holding pictures as TIFF (and PNG, which more
// programs on this platform read).

#include <QByteArray>
#include <QImage>

namespace foundation {

class Pasteboard {
  public:
    static inline const QString kTIFF = QStringLiteral("image/tiff");
    static inline const QString kPNG = QStringLiteral("image/png");

    // True when the clipboard holds a picture the program can paste.
    static bool offersImage();
    // The clipboard's picture as encoded bytes: its TIFF data, else its PNG data, else a picture
    // another program put there in its own form, as PNG. Empty when it holds none.
    static QByteArray pictureData();
    // Puts a picture on the clipboard as TIFF and PNG data (and as a picture, for this process).
    static void writePicture(const QImage& image, const QByteArray& tiff, const QByteArray& png);
};

}  // namespace foundation
