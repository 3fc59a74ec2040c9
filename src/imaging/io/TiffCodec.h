#pragma once
// Direct TIFF reading and writing for the common layouts (8-bit RGB, or RGB with straight alpha,
// in rows): one pass between the file's bytes and the bitmap, exact for semi-transparent pixels.
// Other layouts are left to the general readers.

#include <QByteArray>
#include <string>

#include "imaging/Bitmap.h"

namespace imaging::io {

enum class TiffResult { Read, NotHandled, Damaged };

// Throws Error when the picture is beyond the size limit.
TiffResult readTiffDirect(const QByteArray& bytes, Bitmap& out, std::string& detail);

// An uncompressed TIFF of a straight-alpha RGBA8 bitmap: RGB when every pixel is opaque,
// otherwise RGB with unassociated alpha; the resolution is stored when dpi > 0. Empty on failure.
QByteArray encodeTiffDirect(const Bitmap& bitmap, double dpi);

}  // namespace imaging::io
