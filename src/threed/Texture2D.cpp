#include "threed/Texture2D.h"

#include <GL/gl.h>

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "foundation/ImageBridge.h"
#include "imaging/Log.h"

namespace threed {

namespace {

// Restores the bound 2D texture and the pixel unpacking state on leaving a scope.
class UploadState {
  public:
    UploadState() {
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_bound);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &m_alignment);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &m_rowLength);
    }
    ~UploadState() {
        glBindTexture(GL_TEXTURE_2D, GLuint(m_bound));
        glPixelStorei(GL_UNPACK_ALIGNMENT, m_alignment);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, m_rowLength);
    }
    // Rows of `rowBytes` bytes of `pixelBytes`-byte pixels, with no further alignment.
    static void setRows(int rowBytes, int pixelBytes) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowBytes / pixelBytes);
    }

  private:
    GLint m_bound = 0, m_alignment = 4, m_rowLength = 0;
};

int bytesPerPixel(Texture2D::PixelFormat format) {
    switch (format) {
        case Texture2D::kTexture2DPixelFormat_RGBA8888:
            return 4;
        case Texture2D::kTexture2DPixelFormat_RGB565:
            return 2;
        case Texture2D::kTexture2DPixelFormat_A8:
            return 1;
        default:
            return 0;
    }
}

void upload(Texture2D::PixelFormat format, int width, int height, const void* data, int rowBytes) {
    UploadState::setRows(rowBytes, bytesPerPixel(format));
    switch (format) {
        case Texture2D::kTexture2DPixelFormat_RGBA8888:
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         data);
            break;
        case Texture2D::kTexture2DPixelFormat_RGB565:
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB,
                         GL_UNSIGNED_SHORT_5_6_5, data);
            break;
        case Texture2D::kTexture2DPixelFormat_A8:
            glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, width, height, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                         data);
            break;
        default:
            break;
    }
}

}  // namespace

Texture2D::PixelFormat Texture2D::formatForImage(const QImage& image) {
    const QPixelFormat pf = image.pixelFormat();
    if (pf.colorModel() == QPixelFormat::Alpha) return kTexture2DPixelFormat_A8;
    if (image.hasAlphaChannel()) return kTexture2DPixelFormat_RGBA8888;
    int bits = 0;
    switch (pf.colorModel()) {
        case QPixelFormat::RGB:
        case QPixelFormat::BGR:
            bits = std::max({pf.redSize(), pf.greenSize(), pf.blueSize()});
            break;
        case QPixelFormat::Indexed:
            bits = 8;  // a colour table holds 8-bit components
            break;
        default:
            bits = pf.bitsPerPixel();
            break;
    }
    return bits > 7 ? kTexture2DPixelFormat_RGBA8888 : kTexture2DPixelFormat_RGB565;
}

QImage Texture2D::pixelsForFormat(const QImage& image, PixelFormat format) {
    switch (format) {
        case kTexture2DPixelFormat_RGBA8888:
            return image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        case kTexture2DPixelFormat_A8:
            return image.convertToFormat(QImage::Format_Alpha8);
        case kTexture2DPixelFormat_RGB565: {
            const QImage rgb = image.convertToFormat(QImage::Format_RGBX8888);
            QImage packed(rgb.size(), QImage::Format_RGB16);
            for (int y = 0; y < rgb.height(); ++y) {
                const uint8_t* in = rgb.constScanLine(y);
                auto* out = reinterpret_cast<uint16_t*>(packed.scanLine(y));
                for (int x = 0; x < rgb.width(); ++x, in += 4)
                    out[x] = packRGB565(in[0], in[1], in[2]);
            }
            return packed;
        }
        default:
            return {};
    }
}

QSize Texture2D::fittedSize(QSize picture, QSize limit) {
    if (picture.isEmpty()) return picture;
    if (limit.isEmpty() || (picture.width() <= limit.width() && picture.height() <= limit.height()))
        return picture;
    const double s = std::min(double(limit.width()) / picture.width(),
                              double(limit.height()) / picture.height());
    return QSize(std::max(1, int(std::floor(picture.width() * s))),
                 std::max(1, int(std::floor(picture.height() * s))));
}

QImage Texture2D::imageForPicture(const imaging::Image& picture) {
    if (!picture) return {};
    const imaging::Rect e = picture.extent();
    if (e.isEmpty() || e.isInfinite()) return {};
    const QSize full(int(std::ceil(e.width)), int(std::ceil(e.height)));
    const QSize fitted = fittedSize(full, s_sizeLimit);
    const double scale = std::min(
        1.0, std::min(double(fitted.width()) / e.width, double(fitted.height()) / e.height));
    return foundation::renderQImage(picture, imaging::IRect::cover(e, scale), scale);
}

std::unique_ptr<Texture2D> Texture2D::initWithData(const void* data, PixelFormat format, int width,
                                                   int height, QSizeF contentSize) {
    return create(data, format, width, height, width * bytesPerPixel(format), contentSize);
}

std::unique_ptr<Texture2D> Texture2D::create(const void* data, PixelFormat format, int width,
                                             int height, int rowBytes, QSizeF contentSize) {
    if (bytesPerPixel(format) == 0) throw std::logic_error("");
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) return nullptr;
    std::unique_ptr<Texture2D> t(new Texture2D);
    t->m_context = context;
    t->m_surface = context->surface();
    UploadState state;
    glGenTextures(1, &t->_name);
    glBindTexture(GL_TEXTURE_2D, t->_name);
    applyTexParameters();
    upload(format, width, height, data, rowBytes);
    t->_size = contentSize;
    t->_width = width;
    t->_height = height;
    t->_format = format;
    t->_maxS = float(contentSize.width() / width);
    t->_maxT = float(contentSize.height() / height);
    return t;
}

std::unique_ptr<Texture2D> Texture2D::initWithImage(const QImage& source) {
    if (source.isNull()) {
        imaging::log("Image is Null");
        return nullptr;
    }
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) return nullptr;
    const PixelFormat format = formatForImage(source);
    QImage image = source;
    const QSize fitted = fittedSize(image.size(), s_sizeLimit);
    if (fitted != image.size())
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage bits = pixelsForFormat(image, format);
    if (bits.isNull()) return nullptr;

    std::unique_ptr<Texture2D> t = create(bits.constBits(), format, bits.width(), bits.height(),
                                          int(bits.bytesPerLine()), QSizeF(bits.size()));
    if (!t) return nullptr;
    UploadState state;
    t->bind();
    if (format == kTexture2DPixelFormat_RGB565) {
        // The levels are built from the 8-bit pixels the packed ones came from, not from
        // 16-bit pixels read as 32-bit ones.
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        upload(kTexture2DPixelFormat_RGBA8888, rgba.width(), rgba.height(), rgba.constBits(),
               int(rgba.bytesPerLine()));
    }
    // The GL builds the reduced levels itself, far faster than a software rescale.
    context->functions()->glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    return t;
}

Texture2D::~Texture2D() {
    if (!_name || !m_context) return;
    QOpenGLContext* previous = QOpenGLContext::currentContext();
    if (previous == m_context) {
        glDeleteTextures(1, &_name);
        return;
    }
    // Deleted in its own context, which is then given back.
    QSurface* previousSurface = previous ? previous->surface() : nullptr;
    if (!m_surface || !m_context->makeCurrent(m_surface)) return;
    glDeleteTextures(1, &_name);
    if (previous && previousSurface)
        previous->makeCurrent(previousSurface);
    else
        m_context->doneCurrent();
}

void Texture2D::bind() const {
    glBindTexture(GL_TEXTURE_2D, _name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, s_sharp ? GL_NEAREST : GL_LINEAR);
}

bool Texture2D::isCurrent() const {
    return m_context && QOpenGLContext::currentContext() == m_context;
}

void Texture2D::applyTexParameters() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

}  // namespace threed
