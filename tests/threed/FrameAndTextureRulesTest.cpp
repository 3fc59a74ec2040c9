// The pure parts of the canvas and of textures: finding what a frame shows, cropping it, and
// choosing a texture's format and size.

#include <gtest/gtest.h>

#include <QImage>

#include "threed/MyOGLView.h"
#include "threed/Texture2D.h"

using threed::MyOGLView;
using threed::Texture2D;

namespace {

// A transparent frame (rows bottom-up, as the GL reads them) with opaque pixels in `rect`.
QImage frameWith(QSize size, const QRect& rect, QRgb colour = qRgba(10, 20, 30, 255)) {
    QImage frame(size, QImage::Format_RGBA8888_Premultiplied);
    frame.fill(Qt::transparent);
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) frame.setPixel(x, y, colour);
    return frame;
}

}  // namespace

TEST(FrameCapture, TheBoundingBoxOfWhatWasDrawnTurnedUpright) {
    // A one-pixel column at x = 10; rows 5 to 9 and columns 3 to 7; nothing drawn.
    EXPECT_EQ(MyOGLView::extractImageDataRect(frameWith({40, 30}, QRect(10, 4, 1, 20))),
              QRect(10, 4, 1, 20));
    EXPECT_EQ(MyOGLView::extractImageDataRect(frameWith({40, 30}, QRect(3, 5, 5, 5))),
              QRect(3, 5, 5, 5));
    EXPECT_EQ(MyOGLView::extractImageDataRect(frameWith({40, 30}, QRect())), QRect(0, 0, 1, 1));
    // Any non-zero byte counts, at the frame's very edges too.
    QImage frame = frameWith({40, 30}, QRect());
    frame.setPixel(0, 29, qRgba(0, 0, 0, 1));
    frame.setPixel(39, 0, qRgba(0, 0, 1, 0));
    EXPECT_EQ(MyOGLView::extractImageDataRect(frame), QRect(0, 0, 40, 30));

    // Rows come bottom-up: red is the bottom row of the drawn box, blue its top one.
    frame = frameWith({20, 10}, QRect(4, 2, 6, 5), qRgba(0, 255, 0, 255));
    for (int x = 4; x < 10; ++x) {
        frame.setPixel(x, 2, qRgba(255, 0, 0, 255));
        frame.setPixel(x, 6, qRgba(0, 0, 255, 255));
    }
    const QRect box = MyOGLView::extractImageDataRect(frame);
    EXPECT_EQ(MyOGLView::convertBitmapImageRepToImage(frame, box, false).pixelColor(0, 0),
              QColor(Qt::red));
    const QImage upright = MyOGLView::convertBitmapImageRepToImage(frame, box, true);
    EXPECT_EQ(upright.size(), QSize(6, 5));
    EXPECT_EQ(upright.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(upright.pixelColor(5, 4), QColor(Qt::red));
    EXPECT_EQ(MyOGLView::convertBitmapImageRepToImage(frame, QRect(), false).size(), QSize(20, 10));
}

TEST(CanvasView, FitCentresWhatWasDrawnAndPanIsLimitedToTheOverflow) {
    // A 100-pixel box in the frame's bottom-left corner (rows bottom-up) of a 400 x 300 view:
    // three times larger fills the height; moved right and up by three times its offset.
    auto [zoom, pan] = MyOGLView::fittedView({400, 300}, QRect(0, 0, 100, 100), 1);
    EXPECT_DOUBLE_EQ(zoom, 3);
    EXPECT_EQ(pan, QPointF(450, -300));
    // Device pixels twice the view's: the same view, half the pan in the view's pixels.
    std::tie(zoom, pan) = MyOGLView::fittedView({800, 600}, QRect(700, 500, 100, 100), 2);
    EXPECT_DOUBLE_EQ(zoom, 6);
    EXPECT_EQ(pan, QPointF(-1050, 750));

    // The scene square (the smaller side times the zoom) overflows the view along x first.
    EXPECT_EQ(MyOGLView::panLimit({400, 300}, 1), QPointF(0, 0));
    EXPECT_EQ(MyOGLView::panLimit({400, 300}, 2), QPointF(100, 150));
    EXPECT_EQ(MyOGLView::sceneViewport({401, 300}, 1, {}), MyOGLView::sceneViewport({401, 300}));
    EXPECT_EQ(MyOGLView::sceneViewport({400, 300}, 2, {10, 20}), QRect(-90, -170, 600, 600));
}

TEST(TextureRules, FormatFollowsAlphaAndComponentDepth) {
    auto format = [](QImage::Format f) { return Texture2D::formatForImage(QImage(3, 2, f)); };
    EXPECT_EQ(format(QImage::Format_ARGB32_Premultiplied),
              Texture2D::kTexture2DPixelFormat_RGBA8888);
    // 8-bit components without alpha are not packed into 16 bits.
    EXPECT_EQ(format(QImage::Format_RGB32), Texture2D::kTexture2DPixelFormat_RGBA8888);
    EXPECT_EQ(format(QImage::Format_Grayscale8), Texture2D::kTexture2DPixelFormat_RGBA8888);
    EXPECT_EQ(format(QImage::Format_RGB16), Texture2D::kTexture2DPixelFormat_RGB565);
    EXPECT_EQ(format(QImage::Format_Alpha8), Texture2D::kTexture2DPixelFormat_A8);

    EXPECT_EQ(Texture2D::packRGB565(0x87, 0x43, 0x21), (0x10 << 11) | (0x10 << 5) | 0x04);
    QImage rgb(2, 1, QImage::Format_RGB32);
    rgb.setPixel(0, 0, qRgb(0x87, 0x43, 0x21));
    rgb.setPixel(1, 0, qRgb(0xff, 0xff, 0xff));
    const QImage packed = Texture2D::pixelsForFormat(rgb, Texture2D::kTexture2DPixelFormat_RGB565);
    const auto* px = reinterpret_cast<const uint16_t*>(packed.constScanLine(0));
    EXPECT_EQ(px[0], Texture2D::packRGB565(0x87, 0x43, 0x21));
    EXPECT_EQ(px[1], 0xffff);
}

TEST(TextureRules, APictureIsReducedToWhatTheCanvasCanShow) {
    // Twice the canvas in device pixels, never beyond the GL's largest texture.
    EXPECT_EQ(MyOGLView::textureLimit({1280, 800}, 16384), QSize(2560, 1600));
    EXPECT_EQ(MyOGLView::textureLimit({1280, 800}, 2048), QSize(2048, 1600));
    EXPECT_EQ(MyOGLView::textureLimit({0, 0}, 2048), QSize(1, 1));
    // A 24-megapixel picture on that canvas; the proportions are kept.
    EXPECT_EQ(Texture2D::fittedSize({6000, 4000}, {2560, 1600}), QSize(2400, 1600));
    EXPECT_EQ(Texture2D::fittedSize({4000, 6000}, {2560, 1600}), QSize(1066, 1600));
    // Small pictures keep their size: a 3 x 2 picture is a 3 x 2 texture.
    EXPECT_EQ(Texture2D::fittedSize({3, 2}, {2560, 1600}), QSize(3, 2));
    EXPECT_EQ(Texture2D::fittedSize({6000, 4000}, {}), QSize(6000, 4000));

    // The scene is a centred square, so that a sphere stays round.
    EXPECT_EQ(MyOGLView::sceneViewport({1280, 800}), QRect(240, 0, 800, 800));
    EXPECT_EQ(MyOGLView::sceneViewport({300, 500}), QRect(0, 100, 300, 300));
}
