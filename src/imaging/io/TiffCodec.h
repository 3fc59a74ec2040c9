#pragma once
// Direct TIFF reading and writing for the common layouts (8-bit RGB, or RGB with straight alpha,
// in rows): one pass between the file's bytes and the bitmap, exact for semi-transparent pixels.
// Other layouts are left to the general readers.

#include <QByteArray>
#include <QIODevice>
#include <string>

#include "imaging/Bitmap.h"

namespace imaging::io {

enum class TiffResult { Read, NotHandled, Damaged };

// Throws Error when the picture is beyond the size limit.
TiffResult readTiffDirect(const QByteArray& bytes, Bitmap& out, std::string& detail);

// An uncompressed TIFF of a straight-alpha RGBA8 bitmap, written into a seekable device as it
// is encoded: RGB when every pixel is opaque, otherwise RGB with unassociated alpha, tagged as
// sRGB; the resolution is stored when dpi > 0. False on failure.
bool writeTiffDirect(const Bitmap& bitmap, double dpi, QIODevice& out);

// The ICC profile a TIFF carries; empty when none.
QByteArray tiffProfile(const QByteArray& bytes);

}  // namespace imaging::io
