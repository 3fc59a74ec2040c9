#include "generators/customEffImageView.h"

#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "foundation/NotificationCenter.h"
#include "foundation/Resources.h"
#include "generators/GeneratedEffect.h"

namespace generators {

namespace {

bool isPremultiplied32(QImage::Format f) {
    return f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_RGBA8888_Premultiplied;
}

// Half the size into `out` (reused when it fits), each pixel the mean of four; premultiplied,
// so that transparent pixels add no colour, and of either byte order.
void halveInto(const QImage& src, QImage& out) {
    const int w = std::max(1, src.width() / 2), h = std::max(1, src.height() / 2);
    if (out.size() != QSize(w, h) || out.format() != src.format() || !out.isDetached())
        out = QImage(w, h, src.format());
    if (out.isNull()) return;
    const int sx = src.width() > 1 ? 4 : 0;
    for (int y = 0; y < h; ++y) {
        const uchar* r0 = src.constScanLine(2 * y);
        const uchar* r1 = src.constScanLine(std::min(2 * y + 1, src.height() - 1));
        uchar* o = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const uchar* a = r0 + 8 * x;
            const uchar* b = r1 + 8 * x;
            for (int c = 0; c < 4; ++c)
                o[4 * x + c] = uchar((a[c] + a[c + sx] + b[c] + b[c + sx] + 2) >> 2);
        }
    }
}

}  // namespace

customEffImageView::customEffImageView(QWidget* parent) : chrome::ZoomCanvas(parent) {
    setObjectName(QStringLiteral("customEffectsView"));
    setMouseTracking(false);
    cursorImg = foundation::Resources::imageNamed(QStringLiteral("16x16c.tif"));
    foundation::NotificationCenter::defaultCenter().addObserver(this, foundation::kUpdateCustomView,
                                                                [this] { update(); });
}

customEffImageView::~customEffImageView() {
    foundation::NotificationCenter::defaultCenter().removeObserver(this);
}

GeneratedEffect* customEffImageView::currentGenerator() const {
    return m_generator ? dynamic_cast<GeneratedEffect*>(m_generator()) : nullptr;
}

void customEffImageView::setImageSource(ImageSource shown, ImageSource picture) {
    ZoomCanvas::setImageSource(
        [this, shown = std::move(shown)]() -> imaging::Image {
            if (GeneratedEffect* g = currentGenerator()) {
                g->prepare();
                if (!g->layers().picture) return {};
            }
            return shown ? shown() : imaging::Image();
        },
        std::move(picture));
}

QSizeF customEffImageView::fitSize() const {
    if (GeneratedEffect* g = currentGenerator()) {
        g->prepare();
        return QSizeF(g->layers().size);
    }
    const QSizeF s = ZoomCanvas::fitSize();
    return s.isEmpty() ? QSizeF(kEmptySize) : s;
}

const QImage& customEffImageView::generatedForScale(const QImage& generated, double scale) {
    if (scale >= 0.5 || generated.width() < 2 || generated.height() < 2) return generated;
    if (generated.cacheKey() != m_mipKey) {
        m_mipKey = generated.cacheKey();
        m_mipsValid = 0;
        m_mipBase = isPremultiplied32(generated.format())
                        ? QImage()
                        : generated.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    const int level = int(std::floor(std::log2(1.0 / scale)));
    const QImage* img = m_mipBase.isNull() ? &generated : &m_mipBase;
    if (int(m_mips.size()) < level) m_mips.resize(size_t(level));
    for (int k = 1; k <= level && img->width() >= 2 && img->height() >= 2; ++k) {
        QImage& next = m_mips[size_t(k - 1)];
        if (m_mipsValid < k) {
            halveInto(*img, next);
            if (next.isNull()) break;
            m_mipsValid = k;
        }
        img = &next;
    }
    return *img;
}

const QImage& customEffImageView::drawingForArea(const GeneratedEffect::Layers& l,
                                                 const QRectF& target, const QRect& area) {
    const double ratio = devicePixelRatioF();
    PaintedDrawing& d = m_painted;
    if (d.drawing == l.drawing && d.target == target && d.area == area && d.ratio == ratio)
        return d.image;
    const QSize pixels = (QSizeF(area.size()) * ratio).toSize();
    if (d.image.size() != pixels || !d.image.isDetached())
        d.image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    d.drawing.reset();
    if (d.image.isNull()) return d.image;
    d.image.fill(Qt::transparent);
    // In bands of rows, one per core: every shape is filled over much of the view.
    const int bands = std::max(1, tbb::this_task_arena::max_concurrency());
    const int rows = d.image.height(), bandRows = (rows + bands - 1) / bands;
    uchar* bits = d.image.bits();
    const qsizetype stride = d.image.bytesPerLine();
    tbb::parallel_for(0, (rows + bandRows - 1) / bandRows, [&](int k) {
        const int top = k * bandRows;
        QImage band(bits + top * stride, d.image.width(), std::min(bandRows, rows - top), stride,
                    d.image.format());
        QPainter q(&band);
        q.setRenderHint(QPainter::Antialiasing);
        q.translate(0, -top);
        q.scale(ratio, ratio);
        q.translate(-area.topLeft());
        // The drawing's rectangle, y up, over the picture's place on the canvas.
        q.translate(target.left(), target.bottom());
        q.scale(target.width() / l.drawingSize.width(), -target.height() / l.drawingSize.height());
        // Shapes reach beyond the picture; the full-size picture ends at its edge.
        q.setClipRect(QRectF(QPointF(0, 0), QSizeF(l.drawingSize)));
        const std::atomic<bool> never{false};
        (*l.drawing)(q, never);
    });
    ++m_drawingsPainted;
    d.drawing = l.drawing;
    d.target = target;
    d.area = area;
    d.ratio = ratio;
    return d.image;
}

void customEffImageView::drawOverlay(QPainter& p) {
    GeneratedEffect* g = currentGenerator();
    if (!g) return;
    g->prepare();
    const GeneratedEffect::Layers l = g->layers();
    const QPointF topLeft = widgetFromPicture({0, double(l.size.height())});
    const QPointF bottomRight = widgetFromPicture({double(l.size.width()), 0});
    const QRectF target(topLeft, bottomRight);
    if (l.drawing && !l.drawingSize.isEmpty()) {
        // Only what the scroll area shows, at the screen's resolution.
        const QRectF shown = target.intersected(QRectF(visibleWidgetRect()));
        const QRect area = shown.toAlignedRect();
        if (!area.isEmpty())
            paintLayersAbovePicture(p, l, shown, drawingForArea(l, target, area), QRectF(area));
    } else if (!l.generated.isNull()) {
        const double scale = target.width() * devicePixelRatioF() / l.generated.width();
        paintLayersAbovePicture(p, l, target, generatedForScale(l.generated, scale));
    }
    if (drawCursor && !cursorImg.isNull()) {
        // At its own pixel size at any zoom, centred on the start point.
        const QPointF at = widgetFromPicture({g->startPoint().x(), g->startPoint().y()});
        const QSizeF s = QSizeF(cursorImg.size()) / cursorImg.devicePixelRatio();
        p.drawImage(QPointF(at.x() - s.width() / 2, at.y() - s.height() / 2), cursorImg);
    }
}

// ---------------------------------------------------------------- mouse

void customEffImageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        ZoomCanvas::mousePressEvent(event);
        return;
    }
    if (GeneratedEffect* g = currentGenerator()) {
        drawCursor = g->isMousing();
        const imaging::Point p = pictureFromWidget(event->position());
        g->mouseDown({p.x, p.y});
    }
}

void customEffImageView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    if (GeneratedEffect* g = currentGenerator()) {
        const imaging::Point p = pictureFromWidget(event->position());
        g->mouseDragged({p.x, p.y});
        update();
    }
}

void customEffImageView::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button's release counts as the left one's.
    if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton) return;
    if (GeneratedEffect* g = currentGenerator()) {
        const imaging::Point p = pictureFromWidget(event->position());
        g->mouseUp({p.x, p.y});
    }
}

void customEffImageView::enterEvent(QEnterEvent* event) {
    ZoomCanvas::enterEvent(event);
    GeneratedEffect* g = currentGenerator();
    if (g && g->isMousing()) {
        setCursor(Qt::PointingHandCursor);
        drawCursor = true;
        update();
    }
}

void customEffImageView::leaveEvent(QEvent* event) {
    ZoomCanvas::leaveEvent(event);
    unsetCursor();
    drawCursor = false;
    update();
}

}  // namespace generators
