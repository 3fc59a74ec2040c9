#pragma once
// The 3D canvas. With no 3D effect it shows the picture flat; with one it hands its drawing and
// the mouse to the effect. The frame it shows, cropped to what was drawn, is the 3D mode's
// result (ogl_shot).
//
// The view zooms and pans what it shows without changing the frame: 100 % is the scene square
// centred in the view, zooming scales it about the view's middle and panning shifts it. The
// frame it gives away is always drawn at 100 %, unpanned.
//
// The OpenGL surface (fixed-function GL with a depth buffer and alpha, in a compatibility
// context) is a child that fills the view. Platforms without OpenGL for widgets (the offscreen
// test platform) get no surface: the view stays black and has no frame to give.

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "chrome/PanKeys.h"
#include "chrome/Zoomable.h"
#include "imaging/Image.h"

class QMenu;
class QMouseEvent;
class QOpenGLWidget;

namespace effects {
class BaseEffect;
}

namespace threed {

class Texture2D;

class MyOGLView : public QWidget, public chrome::Zoomable, public chrome::PanTarget {
    Q_OBJECT

  public:
    // Redraws on "UpdateOpenGLView".
    explicit MyOGLView(QWidget* parent = nullptr);
    ~MyOGLView() override;

    // Whether this platform can show OpenGL inside a widget.
    static bool isGLAvailable();

    // Where the view takes the picture, the current 3D effect and the context menu from.
    void setImageSource(std::function<imaging::Image()> picture);
    void setEffectSource(std::function<effects::BaseEffect*()> effect);
    void setContextMenuSource(std::function<QMenu*()> menu) { m_menuSource = std::move(menu); }

    // The current frame, drawn anew, cropped to the pixels that are not transparent black, rows
    // top to bottom as the view shows them; null without a surface.
    QImage ogl_shot();
    // The same as a picture, its extent at the origin.
    imaging::Image ogl_shot_CI();
    // The whole frame as the GL reads it: straight from the frame buffer, row 0 the bottom of
    // the view, bytes R, G, B, A (colour premultiplied by alpha).
    QImage readFrame();

    // The bounding box of the frame's pixels that are not all zero, in its own rows and
    // columns; (0, 0, 1, 1) when there are none.
    static QRect extractImageDataRect(const QImage& frame);
    // The frame's pixels inside `rect` (all of it when `rect` is empty): in frame-buffer order,
    // or turned upright when `flipped`.
    static QImage convertBitmapImageRepToImage(const QImage& frame, const QRect& rect,
                                               bool flipped);
    // The crop turned upright as a picture.
    static imaging::Image convertBitmapImageRepToCIImage(const QImage& frame, const QRect& rect);

    // The part of the surface the scene is drawn in: a centred square, so that round shapes
    // stay round whatever the view's proportions (device pixels, y up).
    static QRect sceneViewport(QSize surface);
    // The square scaled by `zoom` about the surface's middle and moved by `pan` (device
    // pixels, y down as the mouse moves).
    static QRect sceneViewport(QSize surface, double zoom, QPointF pan);

    // Zoom as the other canvases step it: 0.1 … 10, 1 the standard view. Pan is how far the
    // scene's middle lies from the view's, in the view's pixels (y down); it goes only as far
    // as keeps the scene covering the view along an axis it overflows.
    double zoom() const { return m_zoom; }
    QPointF pan() const { return m_pan; }
    // Zooms about the view's middle.
    void setZoom(double z);
    void panBy(QPointF delta);
    // The furthest the scene can be moved each way at `zoom`.
    static QPointF panLimit(QSize view, double zoom);
    void zoomIn() override;
    void zoomOut() override;
    // The standard view.
    void zoomToActualSize() override;
    // What is drawn (the frame's crop) filling the view and centred in it.
    void zoomToFit() override;
    // The zoom and pan (before the pan is limited) at which `drawn`, a crop of a frame of
    // `frame` device pixels with rows bottom-up, fills the view and lies in its middle.
    static std::pair<double, QPointF> fittedView(QSize frame, const QRect& drawn, double dpr);
    bool isPanning() const { return m_panDrag.active(); }
    // The largest texture worth making for a surface of this size: twice its device pixels,
    // within what the GL allows.
    static QSize textureLimit(QSize surfaceDevicePixels, int maxTextureSize);

    // Mouse routing, points in the view's coordinates with y measured up from its bottom edge.
    void mouseDown(QPointF point);
    void mouseDragged(QPointF point);
    void mouseUp(QPointF point);
    void mouseContentMenu(const QPoint& globalPos);
    void mouseEntered();
    void mouseExited();

    QOpenGLWidget* surface() const;
    // The flat view's texture.
    std::shared_ptr<const Texture2D> flatTexture() const { return m_flatTexture; }

  protected:
    // Marking the view for display redraws the OpenGL surface too.
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    class Surface;
    friend class Surface;

    effects::BaseEffect* currentEffect() const;
    void initializeGL();
    // Draws the frame into the current context, as zoomed and panned or in the standard view.
    void drawRect(bool standardView = false);
    // The picture flat, filling the square.
    void drawFlat(const imaging::Image& picture);
    QPointF viewPoint(QPointF widgetPos) const;
    // Middle-button and Space drags move the view; press and move answer whether they took
    // the event.
    bool panPress(QMouseEvent* event);
    bool panMove(QMouseEvent* event);
    void panRelease(QMouseEvent* event);
    // The open hand while Space is held over the view, the closed one while panning.
    void showPanCursor() override;
    void setView(double zoom, QPointF pan);

    Surface* m_surface = nullptr;
    int m_maxTextureSize = 0;
    std::function<imaging::Image()> m_picture;
    std::function<effects::BaseEffect*()> m_effect;
    std::function<QMenu*()> m_menuSource;
    // The flat view keeps its texture until the picture changes.
    std::shared_ptr<Texture2D> m_flatTexture;
    imaging::Image m_flatPicture;

    double m_zoom = 1.0;
    QPointF m_pan;
    int m_maxViewport = 0;
    chrome::PanDrag m_panDrag;
    // The pan when the drag began.
    QPointF m_panStart;
};

}  // namespace threed
