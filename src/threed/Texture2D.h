#pragma once
// A picture as an OpenGL texture with its full chain of reduced levels, made in the context
// that is current. Pictures larger than the canvas can show are reduced before they are
// uploaded, so that a large picture costs no more than the canvas needs.

#include <QImage>
#include <QPointer>
#include <QSize>
#include <QSizeF>
#include <cstdint>
#include <memory>

#include "imaging/Image.h"

class QOpenGLContext;
class QSurface;

namespace threed {

class Texture2D {
  public:
    enum PixelFormat {
        kTexture2DPixelFormat_Automatic = 0,
        kTexture2DPixelFormat_RGBA8888 = 1,
        kTexture2DPixelFormat_RGB565 = 2,
        kTexture2DPixelFormat_A8 = 3,
    };

    // The picture as a texture in the current context; nothing without a picture ("Image is
    // Null" in the log) or without a current context. A picture beyond sizeLimit() is reduced
    // to fit it first.
    static std::unique_ptr<Texture2D> initWithImage(const QImage& image);
    // A texture holding `data` (rows of width pixels in `format`) as its first level. Throws
    // std::logic_error for an unknown format.
    static std::unique_ptr<Texture2D> initWithData(const void* data, PixelFormat format, int width,
                                                   int height, QSizeF contentSize);
    ~Texture2D();
    Texture2D(const Texture2D&) = delete;
    Texture2D& operator=(const Texture2D&) = delete;

    unsigned name() const { return _name; }
    PixelFormat pixelFormat() const { return _format; }
    int pixelsWide() const { return _width; }
    int pixelsHigh() const { return _height; }
    QSizeF contentSize() const { return _size; }
    float maxS() const { return _maxS; }
    float maxT() const { return _maxT; }
    // Makes this the bound 2D texture, magnified smoothly or, while the view is enlarged
    // past 200 %, as sharp texels.
    void bind() const;
    static void setSharpMagnification(bool sharp) { s_sharp = sharp; }
    // Whether the texture lives in the context that is current.
    bool isCurrent() const;

    // Sets the shared filters and wrapping on the bound 2D texture: linear minification and
    // magnification, repeat in s and t.
    static void applyTexParameters();

    // The format a picture is uploaded in: A8 for a mask (alpha only), RGBA8888 for a picture
    // with alpha or with more than 7 bits per component, RGB565 otherwise.
    static PixelFormat formatForImage(const QImage& image);
    // The picture drawn into the bitmap the format uploads: premultiplied RGBA bytes, packed
    // 5-6-5 pixels, or alpha bytes.
    static QImage pixelsForFormat(const QImage& image, PixelFormat format);
    // Red's top 5 bits in bits 11-15, green's top 6 in bits 5-10, blue's top 5 in bits 0-4.
    static uint16_t packRGB565(uint8_t r, uint8_t g, uint8_t b) {
        return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    }

    // The largest texture a picture becomes (set by the canvas: twice its size in device
    // pixels, within what the GL allows). Empty: no limit.
    static void setSizeLimit(QSize limit) { s_sizeLimit = limit; }
    static QSize sizeLimit() { return s_sizeLimit; }
    // A picture size reduced, aspect kept, to fit within `limit` (empty: no limit); at least
    // 1 x 1.
    static QSize fittedSize(QSize picture, QSize limit);
    // The engine picture rendered at the size it is uploaded at (fitted to sizeLimit()), rows
    // top to bottom; null without a picture or when the render fails.
    static QImage imageForPicture(const imaging::Image& picture);

  private:
    Texture2D() = default;
    // A texture of the pixels (rows of `rowBytes` bytes), the bound texture left as it was.
    static std::unique_ptr<Texture2D> create(const void* data, PixelFormat format, int width,
                                             int height, int rowBytes, QSizeF contentSize);

    unsigned _name = 0;
    QSizeF _size;
    int _width = 0;
    int _height = 0;
    PixelFormat _format = kTexture2DPixelFormat_Automatic;
    float _maxS = 0;
    float _maxT = 0;
    QPointer<QOpenGLContext> m_context;
    QSurface* m_surface = nullptr;

    static inline QSize s_sizeLimit;
    static inline bool s_sharp = false;
};

}  // namespace threed
