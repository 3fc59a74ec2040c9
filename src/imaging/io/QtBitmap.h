#pragma once
// Engine bitmaps and Qt images, both ways, without copying pixels where the layout allows.

#include <QImage>

#include "imaging/Bitmap.h"

namespace imaging::io {

// The QImage's pixels as straight-alpha sRGB bytes (shared with the converted image, not
// copied again; converted in place when the image is not shared). Null for a null QImage.
Bitmap bitmapFromQImage(QImage image);

// A read-only QImage over the bitmap's pixels, which it keeps alive; painting on it copies
// first, so the bitmap (often shared with a picture) is never changed. Float bitmaps are
// converted to straight 8-bit first. Null for a null bitmap.
QImage qImageFromBitmap(const Bitmap& bitmap);

}  // namespace imaging::io
