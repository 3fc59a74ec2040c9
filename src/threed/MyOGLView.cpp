#include "threed/MyOGLView.h"

#include <GL/gl.h>

#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "chrome/Skin.h"
#include "effects/BaseEffect.h"
#include "foundation/ImageBridge.h"
#include "foundation/NotificationCenter.h"
#include "threed/Texture2D.h"

namespace threed {

// The OpenGL surface: draws through the view and hands it the mouse.
class MyOGLView::Surface : public QOpenGLWidget {
  public:
    explicit Surface(MyOGLView* view) : QOpenGLWidget(view), m_view(view) {
        QSurfaceFormat format;
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setVersion(2, 1);
        format.setDepthBufferSize(24);
        format.setAlphaBufferSize(8);
        setFormat(format);
        setContextMenuPolicy(Qt::PreventContextMenu);
        setMouseTracking(false);
    }

  protected:
    void initializeGL() override { m_view->initializeGL(); }
    void paintGL() override { m_view->drawRect(); }

    void mousePressEvent(QMouseEvent* e) override {
        if (m_view->panPress(e)) return;
        if (e->button() == Qt::LeftButton)
            m_view->mouseDown(m_view->viewPoint(e->position()));
        else if (e->button() == Qt::RightButton)
            m_view->mouseContentMenu(e->globalPosition().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (m_view->panMove(e)) return;
        if (e->buttons() & Qt::LeftButton) m_view->mouseDragged(m_view->viewPoint(e->position()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        m_view->panRelease(e);
        // Every button's release ends a turn, as the left one's does.
        m_view->mouseUp(m_view->viewPoint(e->position()));
    }
    // The wheel does nothing here.
    void wheelEvent(QWheelEvent* e) override { e->accept(); }
    void enterEvent(QEnterEvent*) override {
        m_view->mouseEntered();
        if (chrome::PanKeys* keys = chrome::PanKeys::instance()) keys->enter(m_view);
        m_view->showPanCursor();
    }
    void leaveEvent(QEvent*) override {
        if (chrome::PanKeys* keys = chrome::PanKeys::instance()) keys->leave(m_view);
        m_view->showPanCursor();
        m_view->mouseExited();
    }

  private:
    MyOGLView* m_view;
};

MyOGLView::MyOGLView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("openGLView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    chrome::PanKeys::instance();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (isGLAvailable()) {
        m_surface = new Surface(this);
        layout->addWidget(m_surface);
    }
    foundation::NotificationCenter::defaultCenter().addObserver(this, foundation::kUpdateOpenGLView,
                                                                [this] {
                                                                    update();
                                                                    if (m_surface)
                                                                        m_surface->update();
                                                                });
}

MyOGLView::~MyOGLView() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
    // The textures go while their context still exists.
    if (m_surface && m_surface->isValid()) {
        m_surface->makeCurrent();
        m_flatTexture.reset();
        m_surface->doneCurrent();
    }
}

void MyOGLView::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_surface) m_surface->update();
}

void MyOGLView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setView(m_zoom, m_pan);
}

bool MyOGLView::isGLAvailable() {
    // Qt's offscreen and minimal platforms cannot compose an OpenGL widget into a window.
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

QOpenGLWidget* MyOGLView::surface() const {
    return m_surface;
}

void MyOGLView::setImageSource(std::function<imaging::Image()> picture) {
    m_picture = std::move(picture);
    if (m_surface) m_surface->update();
}

void MyOGLView::setEffectSource(std::function<effects::BaseEffect*()> effect) {
    m_effect = std::move(effect);
    if (m_surface) m_surface->update();
}

effects::BaseEffect* MyOGLView::currentEffect() const {
    return m_effect ? m_effect() : nullptr;
}

QPointF MyOGLView::viewPoint(QPointF widgetPos) const {
    return QPointF(widgetPos.x(), (m_surface ? m_surface->height() : height()) - widgetPos.y());
}

// ---------------------------------------------------------------- drawing

QRect MyOGLView::sceneViewport(QSize surface) {
    const int side = std::min(surface.width(), surface.height());
    return QRect((surface.width() - side) / 2, (surface.height() - side) / 2, side, side);
}

QSize MyOGLView::textureLimit(QSize surfaceDevicePixels, int maxTextureSize) {
    QSize limit = surfaceDevicePixels * 2;
    if (maxTextureSize > 0) limit = limit.boundedTo(QSize(maxTextureSize, maxTextureSize));
    return limit.expandedTo(QSize(1, 1));
}

QRect MyOGLView::sceneViewport(QSize surface, double zoom, QPointF pan) {
    const int side = int(std::lround(std::min(surface.width(), surface.height()) * zoom));
    // Centred as the standard square is, so that 100 % unpanned is exactly that square.
    return QRect((surface.width() - side) / 2 + int(std::lround(pan.x())),
                 (surface.height() - side) / 2 - int(std::lround(pan.y())), side, side);
}

void MyOGLView::initializeGL() {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    m_maxTextureSize = maxSize;
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    m_maxViewport = std::min(dims[0], dims[1]);
    // A zoom chosen before the context existed may be too large for it.
    setView(m_zoom, m_pan);
}

void MyOGLView::drawRect(bool standardView) {
    const qreal dpr = m_surface->devicePixelRatio();
    const QSize device = m_surface->size() * dpr;
    // The texture size depends on the view's size only: a zoom must not change the frame.
    Texture2D::setSizeLimit(textureLimit(device, m_maxTextureSize));
    const bool zoomed = !standardView && (m_zoom != 1.0 || !m_pan.isNull());
    const QRect vp = zoomed ? sceneViewport(device, m_zoom, m_pan * dpr) : sceneViewport(device);
    Texture2D::setSharpMagnification(zoomed && m_zoom > kSharpAbove);
    glViewport(vp.x(), vp.y(), vp.width(), vp.height());
    if (effects::BaseEffect* effect = currentEffect()) {
        effect->draw();
        return;
    }
    drawFlat(m_picture ? m_picture() : imaging::Image());
}

void MyOGLView::drawFlat(const imaging::Image& picture) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!picture) {
        m_flatTexture.reset();
        m_flatPicture = {};
        glFlush();
        return;
    }
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glPushMatrix();
    static const GLenum kOff[] = {GL_DEPTH_TEST, GL_CULL_FACE,    GL_DITHER, GL_ALPHA_TEST,
                                  GL_BLEND,      GL_STENCIL_TEST, GL_FOG,    GL_TEXTURE_3D};
    for (GLenum cap : kOff) glDisable(cap);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    // Transparent parts of the picture show the current colour: white, never an effect's tint.
    glColor4f(1, 1, 1, 1);

    // One texture per picture; made again only for a new picture, or when the view has grown
    // past what a reduced one can show.
    bool stale = !m_flatTexture || !(picture == m_flatPicture) || !m_flatTexture->isCurrent();
    if (!stale) {
        const imaging::Rect e = picture.extent();
        const QSize want = Texture2D::fittedSize(
            QSize(int(std::ceil(e.width)), int(std::ceil(e.height))), Texture2D::sizeLimit());
        stale = m_flatTexture->pixelsWide() < want.width() - 1 ||
                m_flatTexture->pixelsHigh() < want.height() - 1;
    }
    if (stale) {
        m_flatTexture.reset();
        m_flatPicture = picture;
        m_flatTexture = Texture2D::initWithImage(Texture2D::imageForPicture(picture));
        glFinish();
    }
    if (m_flatTexture) {
        m_flatTexture->bind();
        // The picture's first row along the top edge.
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2f(-0.9f, -0.9f);
        glTexCoord2f(1, 1);
        glVertex2f(0.9f, -0.9f);
        glTexCoord2f(1, 0);
        glVertex2f(0.9f, 0.9f);
        glTexCoord2f(0, 0);
        glVertex2f(-0.9f, 0.9f);
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
    // The effects draw with depth writes on, on the model-view matrix.
    glDepthMask(GL_TRUE);
    glMatrixMode(GL_MODELVIEW);
    glFlush();
}

// ---------------------------------------------------------------- the frame as a picture

QImage MyOGLView::readFrame() {
    if (!m_surface) return {};
    if (!m_surface->isValid()) m_surface->grabFramebuffer();  // makes the context
    if (!m_surface->isValid()) return {};
    const QSize device = m_surface->size() * m_surface->devicePixelRatio();
    if (device.isEmpty()) return {};
    m_surface->makeCurrent();
    drawRect(true);
    QImage frame(device, QImage::Format_RGBA8888_Premultiplied);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, device.width(), device.height(), GL_RGBA,
                 QSysInfo::ByteOrder == QSysInfo::LittleEndian ? GL_UNSIGNED_INT_8_8_8_8_REV
                                                               : GL_UNSIGNED_INT_8_8_8_8,
                 frame.bits());
    m_surface->doneCurrent();
    // The surface holds the standard view now; the one the user chose comes back.
    if (m_zoom != 1.0 || !m_pan.isNull()) m_surface->update();
    return frame;
}

QImage MyOGLView::ogl_shot() {
    const QImage frame = readFrame();
    if (frame.isNull()) return {};
    return convertBitmapImageRepToImage(frame, extractImageDataRect(frame), true);
}

imaging::Image MyOGLView::ogl_shot_CI() {
    const QImage frame = readFrame();
    if (frame.isNull()) return {};
    return convertBitmapImageRepToCIImage(frame, extractImageDataRect(frame));
}

QRect MyOGLView::extractImageDataRect(const QImage& image) {
    const QImage frame =
        image.depth() == 32 ? image : image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    int x0 = frame.width(), y0 = frame.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < frame.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(frame.constScanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            if (!row[x]) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = y;
        }
    }
    if (x1 < 0) return QRect(0, 0, 1, 1);
    return QRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

QImage MyOGLView::convertBitmapImageRepToImage(const QImage& frame, const QRect& rect,
                                               bool flipped) {
    if (frame.isNull()) return {};
    const QImage crop = rect.isEmpty() ? frame.copy() : frame.copy(rect);
    return flipped ? crop.mirrored(false, true) : crop;
}

imaging::Image MyOGLView::convertBitmapImageRepToCIImage(const QImage& frame, const QRect& rect) {
    return foundation::imageFromQImage(convertBitmapImageRepToImage(frame, rect, true));
}

// ---------------------------------------------------------------- the mouse

void MyOGLView::mouseDown(QPointF point) {
    if (effects::BaseEffect* effect = currentEffect()) effect->mouseDown(point);
}

void MyOGLView::mouseDragged(QPointF point) {
    effects::BaseEffect* effect = currentEffect();
    if (!effect) return;
    effect->mouseDragged(point);
    if (m_surface) m_surface->update();
}

void MyOGLView::mouseUp(QPointF point) {
    if (effects::BaseEffect* effect = currentEffect()) effect->mouseUp(point);
}

void MyOGLView::mouseContentMenu(const QPoint& globalPos) {
    chrome::popUpContextMenu(m_menuSource ? m_menuSource() : nullptr, globalPos);
}

void MyOGLView::mouseEntered() {
    if (!currentEffect()) return;
    if (m_surface) {
        m_surface->setCursor(Qt::PointingHandCursor);
        m_surface->update();
    }
}

void MyOGLView::mouseExited() {
    if (!m_surface) return;
    m_surface->setCursor(Qt::ArrowCursor);
    m_surface->update();
}

// ---------------------------------------------------------------- zoom and pan

QPointF MyOGLView::panLimit(QSize view, double zoom) {
    const double side = std::min(view.width(), view.height()) * zoom;
    return {std::max(0.0, (side - view.width()) / 2), std::max(0.0, (side - view.height()) / 2)};
}

void MyOGLView::setView(double zoom, QPointF pan) {
    double z = std::clamp(zoom, kMinZoom, kMaxZoom);
    // Beyond the largest viewport the GL would quietly draw a smaller scene.
    const double side = std::min(width(), height()) * devicePixelRatioF();
    if (m_maxViewport > 0 && side > 0) z = std::min(z, std::max(1.0, m_maxViewport / side));
    const QPointF limit = panLimit(size(), z);
    const QPointF p(std::clamp(pan.x(), -limit.x(), limit.x()),
                    std::clamp(pan.y(), -limit.y(), limit.y()));
    if (z == m_zoom && p == m_pan) return;
    m_zoom = z;
    m_pan = p;
    if (m_surface) m_surface->update();
}

void MyOGLView::setZoom(double z) {
    // About the view's middle: what lies there stays there.
    const double clamped = std::clamp(z, kMinZoom, kMaxZoom);
    setView(clamped, m_pan * (clamped / m_zoom));
}

void MyOGLView::panBy(QPointF delta) {
    setView(m_zoom, m_pan + delta);
}

void MyOGLView::zoomIn() {
    setZoom(zoomAfterWheelStep(m_zoom, 1));
}

void MyOGLView::zoomOut() {
    setZoom(zoomAfterWheelStep(m_zoom, -1));
}

void MyOGLView::zoomToActualSize() {
    setView(1.0, {});
}

void MyOGLView::zoomToFit() {
    const QImage frame = readFrame();
    const QRect drawn = frame.isNull() ? QRect() : extractImageDataRect(frame);
    // Nothing drawn (or no surface): the standard view shows everything there is.
    if (drawn.isEmpty() || (drawn == QRect(0, 0, 1, 1) && frame.pixel(0, 0) == 0)) {
        zoomToActualSize();
        return;
    }
    const auto [z, pan] = fittedView(frame.size(), drawn, m_surface->devicePixelRatio());
    setView(z, pan);
}

std::pair<double, QPointF> MyOGLView::fittedView(QSize frame, const QRect& drawn, double dpr) {
    const double z =
        std::min(double(frame.width()) / drawn.width(), double(frame.height()) / drawn.height());
    // The crop's middle from the frame's, in device pixels with y up as the frame's rows run.
    const QPointF off(drawn.x() + drawn.width() / 2.0 - frame.width() / 2.0,
                      drawn.y() + drawn.height() / 2.0 - frame.height() / 2.0);
    return {z, QPointF(-off.x(), off.y()) * (z / dpr)};
}

bool MyOGLView::panPress(QMouseEvent* event) {
    switch (m_panDrag.press(*event)) {
        case chrome::PanDrag::Press::Ignored:
            return false;
        case chrome::PanDrag::Press::Started:
            m_panStart = m_pan;
            showPanCursor();
            return true;
        case chrome::PanDrag::Press::Waiting:
            return true;  // other buttons wait for the pan to end
    }
    return false;
}

bool MyOGLView::panMove(QMouseEvent* event) {
    const std::optional<QPointF> moved = m_panDrag.moved(*event);
    if (!moved) return false;
    // The scene follows the hand.
    setView(m_zoom, m_panStart + *moved);
    return true;
}

void MyOGLView::panRelease(QMouseEvent* event) {
    if (m_panDrag.release(*event)) showPanCursor();
}

void MyOGLView::showPanCursor() {
    if (m_surface) m_panDrag.showCursor(m_surface, this);
}

}  // namespace threed
