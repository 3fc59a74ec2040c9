#include "foundation/ImageBridge.h"

#include <cstring>

#include "imaging/Error.h"
#include "imaging/Log.h"
#include "imaging/io/QtBitmap.h"

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

imaging::Image imageFromQImage(const QImage& source) {
    if (source.isNull()) return {};
    return imaging::Image::fromBitmap(imaging::io::bitmapFromQImage(source));
}

}  // namespace foundation
