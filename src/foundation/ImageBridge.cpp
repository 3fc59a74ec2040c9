#include "foundation/ImageBridge.h"

#include <cstring>

#include "imaging/Error.h"
#include "imaging/Log.h"

namespace foundation {

QImage renderQImage(const imaging::Image& image, const imaging::IRect& pixels, double scale) {
    if (image.isNull() || pixels.isEmpty() || !(scale > 0)) return {};
    try {
        static const imaging::Context context;
        const imaging::Bitmap bmp = context.renderBitmap(image, pixels.toPicture(scale), scale,
                                                         imaging::PixelFormat::RGBA8Premultiplied);
        QImage out(bmp.width(), bmp.height(), QImage::Format_RGBA8888_Premultiplied);
        if (out.isNull()) return {};
        const size_t rowBytes = size_t(bmp.width()) * 4;
        for (int y = 0; y < bmp.height(); ++y) std::memcpy(out.scanLine(y), bmp.row(y), rowBytes);
        return out;
    } catch (const std::exception& e) {
        imaging::log(std::string("render failed: ") + e.what());
        return {};
    }
}

imaging::Bitmap bitmapFromQImage(const QImage& source) {
    if (source.isNull()) return {};
    const QImage img = source.convertToFormat(QImage::Format_RGBA8888);
    imaging::Bitmap bmp(img.width(), img.height(), imaging::PixelFormat::RGBA8);
    const size_t rowBytes = size_t(img.width()) * 4;
    for (int y = 0; y < img.height(); ++y) std::memcpy(bmp.row(y), img.constScanLine(y), rowBytes);
    return bmp;
}

imaging::Image imageFromQImage(const QImage& source) {
    if (source.isNull()) return {};
    return imaging::Image::fromBitmap(bitmapFromQImage(source));
}

QImage qImageFromBitmap(const imaging::Bitmap& bmp) {
    if (bmp.isNull()) return {};
    QImage::Format f = QImage::Format_RGBA8888;
    if (bmp.format() == imaging::PixelFormat::RGBA8Premultiplied)
        f = QImage::Format_RGBA8888_Premultiplied;
    else if (bmp.format() != imaging::PixelFormat::RGBA8)
        return {};
    QImage out(bmp.width(), bmp.height(), f);
    if (out.isNull()) return {};
    const size_t rowBytes = size_t(bmp.width()) * 4;
    for (int y = 0; y < bmp.height(); ++y) std::memcpy(out.scanLine(y), bmp.row(y), rowBytes);
    return out;
}

}  // namespace foundation
