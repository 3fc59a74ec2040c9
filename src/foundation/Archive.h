#pragma once
// The archive of one object, as the preferences keep it: self-describing CBOR that holds
// strings, numbers, booleans, raw data, dictionaries, lists, and, under tags of their own,
// vectors, colours, affine transforms and images. Reading takes untrusted bytes: anything it
// does not recognise (damage, a newer version, absurd images, nesting past a bound) is refused
// with the reason, never guessed at.

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <optional>

#include "imaging/Geometry.h"
#include "imaging/Value.h"

Q_DECLARE_METATYPE(imaging::Vector)
Q_DECLARE_METATYPE(imaging::Color)
Q_DECLARE_METATYPE(imaging::AffineTransform)

namespace foundation::archive {

// The version written; archives of later versions are refused.
inline constexpr int kVersion = 1;
// Images beyond this many pixels are neither written nor read.
inline constexpr qint64 kMaxImagePixels = 4'000'000;
inline constexpr int kMaxImageSide = 16384;
// Dictionaries and lists nested deeper than this are refused.
inline constexpr int kMaxDepth = 32;

// The archive of `object`: an invalid QVariant, an unknown kind, or an image beyond the limits
// cannot be archived (empty data, and the reason in `why`). Colours (imaging::Color or QColor)
// are kept as sRGB components with alpha; integers and floating-point numbers stay apart.
QByteArray archivedDataWithRootObject(const QVariant& object, QString* why = nullptr);

// The object of an archive: colours come back as imaging::Color, images as QImage, whole
// numbers as qint64, others as double. Nothing, with the reason in `why`, for data that is not
// a complete archive this version can read.
std::optional<QVariant> unarchiveObjectWithData(const QByteArray& data, QString* why = nullptr);

}  // namespace foundation::archive
