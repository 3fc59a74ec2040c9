#pragma once
// One-page PDF documents of a picture, written with cairo: the page measures the picture's size
// in pixels as points, without margins, and the picture is stored losslessly (deflate), never
// re-encoded as JPEG.

#include <QImage>
#include <QString>

class QIODevice;

namespace foundation {

// Writes the document into `out`; false with a message in `error` on failure.
bool writePDFImage(const QImage& image, QIODevice& out, QString* error = nullptr);

}  // namespace foundation
