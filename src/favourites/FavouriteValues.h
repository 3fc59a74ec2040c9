#pragma once
// Between what effects hold and what a favourite keeps: a filter input's value as a stored
// object and back, and the small thumbnail of a result.

#include <QImage>
#include <QVariant>

#include "imaging/Image.h"
#include "imaging/Value.h"

namespace favourites {

// The object a favourite keeps for a filter input's value; pictures are kept at no more than
// the archive's pixel limit (scaled down beyond it). Invalid for nothing to keep.
QVariant storedFromValue(const imaging::Value& value);
// The value of a kept object; none for an object no filter input takes.
imaging::Value valueFromStored(const QVariant& object);
// `image` at no more than `maxPixels` pixels (smaller pictures at their own size); null for no
// picture or one without a finite extent.
QImage pictureAtMost(const imaging::Image& image, qint64 maxPixels);
// The thumbnail of a result: drawn over the whole thumbnail, rendered small from the start.
// An infinite result shows the part over `bounds`. Null when there is nothing to show.
QImage thumbnailOf(const imaging::Image& result, const imaging::Rect& bounds);

}  // namespace favourites
