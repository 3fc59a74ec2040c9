#pragma once
// A direct reader for the common TIFF layouts (8-bit RGB or RGB with straight alpha, in rows):
// one pass from the file's bytes into the bitmap, exact for semi-transparent pixels. Other
// layouts are left to the general readers.

#include <QByteArray>
#include <string>

#include "imaging/Bitmap.h"

namespace imaging::io {

enum class TiffResult { Read, NotHandled, Damaged };

// Throws Error when the picture is beyond the size limit.
TiffResult readTiffDirect(const QByteArray& bytes, Bitmap& out, std::string& detail);

}  // namespace imaging::io
