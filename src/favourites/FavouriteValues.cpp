#include "favourites/FavouriteValues.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "favourites/FavouritesList.h"
#include "foundation/Archive.h"
#include "foundation/ImageBridge.h"

namespace favourites {

QVariant storedFromValue(const imaging::Value& value) {
    using Kind = imaging::Value::Kind;
    switch (value.kind()) {
        case Kind::Number:
            return value.toNumber();
        case Kind::Boolean:
            return value.toBool();
        case Kind::Vector:
            return QVariant::fromValue(value.toVector());
        case Kind::Color:
            return QVariant::fromValue(value.toColor());
        case Kind::Transform:
            return QVariant::fromValue(value.toTransform());
        case Kind::String:
            return QString::fromStdString(value.toString());
        case Kind::Image: {
            const QImage img = pictureAtMost(value.toImage(), foundation::archive::kMaxImagePixels);
            return img.isNull() ? QVariant() : QVariant(img);
        }
        case Kind::Data: {
            const imaging::Data d = value.toData();
            return QByteArray(reinterpret_cast<const char*>(d.bytes()), qsizetype(d.size()));
        }
        case Kind::None:
            break;
    }
    return {};
}

imaging::Value valueFromStored(const QVariant& object) {
    const int t = object.typeId();
    if (t == qMetaTypeId<imaging::Vector>()) return object.value<imaging::Vector>();
    if (t == qMetaTypeId<imaging::Color>()) return object.value<imaging::Color>();
    if (t == qMetaTypeId<imaging::AffineTransform>())
        return object.value<imaging::AffineTransform>();
    switch (t) {
        case QMetaType::Bool:
            return object.toBool();
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Double:
            return object.toDouble();
        case QMetaType::QString:
            return object.toString().toStdString();
        case QMetaType::QImage:
            return foundation::imageFromQImage(object.value<QImage>());
        case QMetaType::QByteArray: {
            const QByteArray b = object.toByteArray();
            return imaging::Data(std::vector<uint8_t>(b.cbegin(), b.cend()));
        }
        default:
            return {};
    }
}

QImage pictureAtMost(const imaging::Image& image, qint64 maxPixels) {
    if (!image) return {};
    const imaging::Rect e = image.extent();
    if (e.isInfinite() || e.isEmpty()) return {};
    const int side = foundation::archive::kMaxImageSide;
    const double s = std::min({1.0, std::sqrt(double(maxPixels) / (e.width * e.height)),
                               side / e.width, side / e.height});
    QImage out = foundation::renderQImage(image, imaging::IRect::cover(e, s), s);
    // Partly covered edge pixels may add a row or a column.
    if (qint64(out.width()) * out.height() > maxPixels || out.width() > side ||
        out.height() > side) {
        const double f = std::sqrt(double(maxPixels) / (double(out.width()) * out.height()));
        out =
            out.scaled(std::min(side, int(out.width() * f)), std::min(side, int(out.height() * f)),
                       Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return out;
}

QImage thumbnailOf(const imaging::Image& result, const imaging::Rect& bounds) {
    if (!result) return {};
    imaging::Rect e = result.extent();
    if (e.isInfinite()) e = bounds;
    if (e.isInfinite() || e.isEmpty()) return {};
    // Twice the thumbnail's size, so that drawing it down smooths it.
    const double s = std::min(1.0, std::max(2.0 * kThumbnailSize.width() / e.width,
                                            2.0 * kThumbnailSize.height() / e.height));
    const QImage small = foundation::renderQImage(result, imaging::IRect::cover(e, s), s);
    if (small.isNull()) return {};
    QImage thumb(kThumbnailSize, QImage::Format_ARGB32_Premultiplied);
    thumb.fill(Qt::transparent);
    QPainter p(&thumb);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(thumb.rect(), small);
    return thumb;
}

}  // namespace favourites
