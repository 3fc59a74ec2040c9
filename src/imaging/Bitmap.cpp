#include "imaging/Bitmap.h"

#include "imaging/Error.h"
#include "imaging/PixelMemory.h"

namespace imaging {

size_t bytesPerPixel(PixelFormat f) {
    return f == PixelFormat::RGBAF ? 16 : 4;
}

Bitmap::Bitmap(int width, int height, PixelFormat format, bool zero)
    : width_(width), height_(height), format_(format) {
    checkBitmapSize(width, height, bytesPerPixel(format));
    bytesPerRow_ = size_t(width) * bytesPerPixel(format);
    data_ = allocatePixelMemory(bytesPerRow_ * size_t(height), zero);
}

Bitmap::Bitmap(int width, int height, PixelFormat format, std::shared_ptr<uint8_t[]> data)
    : width_(width), height_(height), format_(format) {
    checkBitmapSize(width, height, bytesPerPixel(format));
    bytesPerRow_ = size_t(width) * bytesPerPixel(format);
    data_ = std::move(data);
}

}  // namespace imaging
