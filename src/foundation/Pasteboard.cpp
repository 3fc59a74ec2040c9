#include "foundation/Pasteboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace foundation {

namespace {
QClipboard* clipboard() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? QGuiApplication::clipboard() : nullptr;
}
}  // namespace

bool Pasteboard::offersImage() {
    QClipboard* cb = clipboard();
    const QMimeData* data = cb ? cb->mimeData() : nullptr;
    if (!data) return false;
    return data->hasImage() || data->hasFormat(kTIFF) || data->hasFormat(kPNG);
}

QByteArray Pasteboard::pictureData() {
    QClipboard* cb = clipboard();
    const QMimeData* data = cb ? cb->mimeData() : nullptr;
    if (!data) return {};
    for (const QString& type : {kTIFF, kPNG}) {
        const QByteArray bytes = data->data(type);
        if (!bytes.isEmpty()) return bytes;
    }
    if (!data->hasImage()) return {};
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void Pasteboard::writePicture(const QImage& image, const QByteArray& tiff, const QByteArray& png) {
    QClipboard* cb = clipboard();
    if (!cb) return;
    auto* data = new QMimeData;
    if (!tiff.isEmpty()) data->setData(kTIFF, tiff);
    if (!png.isEmpty()) data->setData(kPNG, png);
    // Without it, this process would not see a picture on the clipboard.
    if (!image.isNull()) data->setImageData(image);
    cb->setMimeData(data);
}

}  // namespace foundation
