#pragma once
// Between the engine's pictures and Qt's: rendering a part of an image into a QImage, and
// making an engine image from a QImage.

#include <QImage>

#include "imaging/Context.h"
#include "imaging/Image.h"

namespace foundation {

// Scaled pixels `pixels` (y up, at `scale` pixels per picture unit) of `image`, as a QImage with
// rows top to bottom (the top row is pixels.y1 - 1). Null when the region is empty or the
// render fails.
QImage renderQImage(const imaging::Image& image, const imaging::IRect& pixels, double scale);

// The picture of a QImage, its extent at the origin. Null for a null QImage.
imaging::Image imageFromQImage(const QImage& image);

}  // namespace foundation
