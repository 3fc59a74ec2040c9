#include "foundation/Archive.h"

#include <QBuffer>
#include <QCborArray>
#include <QCborMap>
#include <QCborStreamReader>
#include <QCborValue>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <limits>
#include <vector>

namespace foundation::archive {

namespace {

// Tags of the kinds CBOR has no word for, from the range open to first come.
enum : quint64 {
    kVectorTag = 40100,
    kColorTag = 40101,
    kTransformTag = 40102,
    kImageTag = 40103,
};
// Vectors carry a handful of components; a few dozen covers convolution weights.
constexpr qsizetype kMaxVectorComponents = 64;

bool fail(QString* why, const QString& reason) {
    if (why && why->isEmpty()) *why = reason;
    return false;
}

bool imageFits(QSize s) {
    return s.width() > 0 && s.height() > 0 && s.width() <= kMaxImageSide &&
           s.height() <= kMaxImageSide && qint64(s.width()) * s.height() <= kMaxImagePixels;
}

QCborArray numbers(const std::vector<double>& values) {
    QCborArray a;
    for (double v : values) a.append(v);
    return a;
}

bool encode(const QVariant& v, int depth, QCborValue& out, QString* why) {
    if (depth > kMaxDepth) return fail(why, QStringLiteral("nested too deeply"));
    const int t = v.typeId();
    if (t == qMetaTypeId<imaging::Vector>()) {
        const imaging::Vector vector = v.value<imaging::Vector>();
        const std::vector<double>& c = vector.values();
        if (qsizetype(c.size()) > kMaxVectorComponents)
            return fail(why, QStringLiteral("a vector of %1 components").arg(c.size()));
        out = QCborValue(QCborTag(kVectorTag), numbers(c));
        return true;
    }
    if (t == qMetaTypeId<imaging::Color>()) {
        const auto c = v.value<imaging::Color>();
        out = QCborValue(QCborTag(kColorTag), numbers({c.r, c.g, c.b, c.a}));
        return true;
    }
    if (t == qMetaTypeId<imaging::AffineTransform>()) {
        const auto m = v.value<imaging::AffineTransform>();
        out = QCborValue(QCborTag(kTransformTag), numbers({m.a, m.b, m.c, m.d, m.tx, m.ty}));
        return true;
    }
    switch (t) {
        case QMetaType::Bool:
            out = v.toBool();
            return true;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            out = v.toLongLong();
            return true;
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const qulonglong u = v.toULongLong();
            if (u <= qulonglong(std::numeric_limits<qint64>::max()))
                out = qint64(u);
            else
                out = double(u);
            return true;
        }
        case QMetaType::Float:
        case QMetaType::Double:
            out = v.toDouble();
            return true;
        case QMetaType::QString:
            out = v.toString();
            return true;
        case QMetaType::QByteArray:
            out = v.toByteArray();
            return true;
        case QMetaType::QColor: {
            float r, g, b, a;
            v.value<QColor>().toRgb().getRgbF(&r, &g, &b, &a);
            out = QCborValue(QCborTag(kColorTag), numbers({r, g, b, a}));
            return true;
        }
        case QMetaType::QImage: {
            const QImage img = v.value<QImage>();
            if (!imageFits(img.size()))
                return fail(why, QStringLiteral("an image of %1 × %2 pixels")
                                     .arg(img.width())
                                     .arg(img.height()));
            QByteArray png;
            QBuffer buf(&png);
            buf.open(QIODevice::WriteOnly);
            QImageWriter writer(&buf, "png");
            if (!writer.write(img))
                return fail(why, QStringLiteral("the image could not be encoded"));
            out = QCborValue(QCborTag(kImageTag), png);
            return true;
        }
        case QMetaType::QVariantMap: {
            QCborMap m;
            const QVariantMap map = v.toMap();
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                QCborValue item;
                if (!encode(it.value(), depth + 1, item, why)) return false;
                m.insert(it.key(), item);
            }
            out = m;
            return true;
        }
        case QMetaType::QVariantList:
        case QMetaType::QStringList: {
            QCborArray a;
            for (const QVariant& item : v.toList()) {
                QCborValue c;
                if (!encode(item, depth + 1, c, why)) return false;
                a.append(c);
            }
            out = a;
            return true;
        }
        default:
            return fail(why, v.isValid() ? QStringLiteral("a value of kind %1").arg(v.typeName())
                                         : QStringLiteral("no value"));
    }
}

// The components of a tagged array of numbers: exactly `count` of them, or between 1 and
// kMaxVectorComponents for count 0.
bool readNumbers(const QCborValue& v, qsizetype count, std::vector<double>& out, QString* why) {
    if (!v.isArray()) return fail(why, QStringLiteral("a tagged value that is not a list"));
    const QCborArray a = v.toArray();
    const bool sizeOk =
        count ? a.size() == count : a.size() >= 1 && a.size() <= kMaxVectorComponents;
    if (!sizeOk) return fail(why, QStringLiteral("a list of %1 numbers").arg(a.size()));
    out.clear();
    for (const QCborValue& x : a) {
        if (!x.isInteger() && !x.isDouble())
            return fail(why, QStringLiteral("a component that is not a number"));
        out.push_back(x.toDouble());
    }
    return true;
}

bool readImage(const QCborValue& v, QImage& out, QString* why) {
    if (!v.isByteArray()) return fail(why, QStringLiteral("image data that is not bytes"));
    QByteArray bytes = v.toByteArray();
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "png");
    // PNG only: no other decoder sees these bytes.
    reader.setAutoDetectImageFormat(false);
    // The header's size is checked before any pixel memory is taken.
    if (!reader.canRead() || !imageFits(reader.size()))
        return fail(why, QStringLiteral("image data that is damaged or too large"));
    if (!reader.read(&out)) return fail(why, QStringLiteral("damaged image data"));
    return true;
}

bool decode(const QCborValue& v, int depth, QVariant& out, QString* why) {
    if (depth > kMaxDepth) return fail(why, QStringLiteral("nested too deeply"));
    switch (v.type()) {
        case QCborValue::Integer:
            out = qint64(v.toInteger());
            return true;
        case QCborValue::Double:
            out = v.toDouble();
            return true;
        case QCborValue::True:
        case QCborValue::False:
            out = v.toBool();
            return true;
        case QCborValue::String:
            out = v.toString();
            return true;
        case QCborValue::ByteArray:
            out = v.toByteArray();
            return true;
        case QCborValue::Array: {
            QVariantList list;
            for (const QCborValue& item : v.toArray()) {
                QVariant x;
                if (!decode(item, depth + 1, x, why)) return false;
                list.append(x);
            }
            out = list;
            return true;
        }
        case QCborValue::Map: {
            QVariantMap map;
            const QCborMap m = v.toMap();
            for (auto it = m.cbegin(); it != m.cend(); ++it) {
                if (!it.key().isString())
                    return fail(why, QStringLiteral("a key that is not text"));
                QVariant x;
                if (!decode(it.value(), depth + 1, x, why)) return false;
                map.insert(it.key().toString(), x);
            }
            out = map;
            return true;
        }
        case QCborValue::Tag: {
            const quint64 tag = quint64(v.tag());
            const QCborValue inner = v.taggedValue();
            std::vector<double> n;
            if (tag == kVectorTag) {
                if (!readNumbers(inner, 0, n, why)) return false;
                out = QVariant::fromValue(imaging::Vector(n));
                return true;
            }
            if (tag == kColorTag) {
                if (!readNumbers(inner, 4, n, why)) return false;
                out = QVariant::fromValue(imaging::Color{n[0], n[1], n[2], n[3]});
                return true;
            }
            if (tag == kTransformTag) {
                if (!readNumbers(inner, 6, n, why)) return false;
                out = QVariant::fromValue(
                    imaging::AffineTransform{n[0], n[1], n[2], n[3], n[4], n[5]});
                return true;
            }
            if (tag == kImageTag) {
                QImage img;
                if (!readImage(inner, img, why)) return false;
                out = img;
                return true;
            }
            return fail(why, QStringLiteral("an unknown tag %1").arg(tag));
        }
        default:
            return fail(why, QStringLiteral("a value of an unknown kind"));
    }
}

}  // namespace

QByteArray archivedDataWithRootObject(const QVariant& object, QString* why) {
    QCborValue root;
    if (!encode(object, 0, root, why)) return {};
    const QCborArray body{kVersion, root};
    return QCborValue(QCborKnownTags::Signature, body).toCbor();
}

std::optional<QVariant> unarchiveObjectWithData(const QByteArray& data, QString* why) {
    const auto refused = [why](const QString& reason) {
        fail(why, reason);
        return std::nullopt;
    };
    if (data.isEmpty()) return refused(QStringLiteral("no data"));
    QCborStreamReader reader(data);
    const QCborValue root = QCborValue::fromCbor(reader);
    if (reader.lastError() != QCborError::NoError)
        return refused(QStringLiteral("not an archive (%1)").arg(reader.lastError().toString()));
    if (reader.currentOffset() != data.size())
        return refused(QStringLiteral("data after the archive"));
    if (!root.isTag() || root.tag() != QCborTag(QCborKnownTags::Signature) ||
        !root.taggedValue().isArray() || root.taggedValue().toArray().size() != 2)
        return refused(QStringLiteral("not an archive"));
    const QCborArray body = root.taggedValue().toArray();
    if (!body.at(0).isInteger() || body.at(0).toInteger() != kVersion)
        return refused(QStringLiteral("an archive of another version"));
    QVariant object;
    if (!decode(body.at(1), 0, object, why)) return std::nullopt;
    return object;
}

}  // namespace foundation::archive
