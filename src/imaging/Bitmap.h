#pragma once
// A plain bitmap in memory, rows top to bottom as files and toolkits store them.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace imaging {

enum class PixelFormat {
    RGBA8,               // sRGB-encoded bytes R, G, B, A, straight alpha
    RGBA8Premultiplied,  // sRGB-encoded bytes, colour premultiplied by alpha (as toolkits draw)
    RGBAF,               // linear-light floats, premultiplied (the engine's own)
};

size_t bytesPerPixel(PixelFormat f);

class Bitmap {
  public:
    Bitmap() = default;
    // A bitmap, zero-filled unless the caller will write every pixel; throws Error beyond the
    // picture size limit.
    Bitmap(int width, int height, PixelFormat format, bool zero = true);
    // Adopts pixels held elsewhere (rows of exactly width * bytesPerPixel bytes), which `data`
    // keeps alive: no copy. Throws Error beyond the picture size limit.
    Bitmap(int width, int height, PixelFormat format, std::shared_ptr<uint8_t[]> data);

    bool isNull() const { return !data_; }
    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat format() const { return format_; }
    size_t bytesPerRow() const { return bytesPerRow_; }
    uint8_t* row(int y) { return data_.get() + size_t(y) * bytesPerRow_; }
    const uint8_t* row(int y) const { return data_.get() + size_t(y) * bytesPerRow_; }
    uint8_t* data() { return data_.get(); }
    const uint8_t* data() const { return data_.get(); }
    size_t byteCount() const { return bytesPerRow_ * size_t(height_); }

  private:
    int width_ = 0, height_ = 0;
    PixelFormat format_ = PixelFormat::RGBA8;
    size_t bytesPerRow_ = 0;
    std::shared_ptr<uint8_t[]> data_;
};

}  // namespace imaging
