#pragma once
// Direct TIFF reading and writing for the common layouts (8-bit RGB, or RGB with straight alpha,
// in rows): one pass between the file's bytes and the bitmap, exact for semi-transparent pixels.
// Other layouts are left to the general readers.

#include <QByteArray>
#include <QIODevice>
#include <functional>
#include <string>

#include "imaging/Bitmap.h"

struct tiff;  // libtiff's TIFF

namespace imaging::io {

enum class TiffResult { Read, NotHandled, Damaged };

// Whether the bytes begin as a TIFF does: the byte order, then 42 in it.
bool looksLikeTiff(const QByteArray& bytes);

// Throws Error when the picture is beyond the size limit. `done`, when given, is told of each
// strip of the bytes once its rows are decoded.
TiffResult readTiffDirect(const QByteArray& bytes, Bitmap& out, std::string& detail,
                          const std::function<void(size_t, size_t)>& done = {});

// An uncompressed TIFF of a straight-alpha RGBA8 bitmap, written into a seekable device as it
// is encoded: RGB when every pixel is opaque, otherwise RGB with unassociated alpha, tagged as
// sRGB; the resolution is stored when dpi > 0. False on failure.
bool writeTiffDirect(const Bitmap& bitmap, double dpi, QIODevice& out);

// libtiff writing into a seekable device (`mode` as TIFFOpen's); null on failure. The caller
// closes it with TIFFClose.
::tiff* openTiffForWriting(QIODevice& out, const char* mode);

// The ICC profile a TIFF carries; empty when none.
QByteArray tiffProfile(const QByteArray& bytes);

}  // namespace imaging::io
