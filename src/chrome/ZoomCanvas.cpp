#include "chrome/ZoomCanvas.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "foundation/ImageBridge.h"

namespace chrome {

ZoomCanvas::ZoomCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ZoomCanvas::setImageSource(ImageSource shown, ImageSource picture) {
    m_shown = std::move(shown);
    m_picture = std::move(picture);
    update();
}

QSize ZoomCanvas::pictureSize() const {
    const imaging::Image pic = picture();
    if (pic.isNull()) return {};
    const imaging::Rect e = pic.extent();
    if (e.isEmpty() || e.isInfinite()) return {};
    return {int(std::ceil(e.width)), int(std::ceil(e.height))};
}

QPoint ZoomCanvas::pixelOrigin() const {
    const imaging::Image pic = picture();
    const imaging::Rect e =
        pic.isNull() || pic.extent().isInfinite() ? imaging::Rect{} : pic.extent();
    const QPoint tl = pictureOrigin();
    // The picture's top-left corner (e.x, e.maxY) sits at tl.
    return {int(std::lround(tl.x() - e.x * zoom)), int(std::lround(tl.y() + e.maxY() * zoom))};
}

imaging::IRect ZoomCanvas::pixelsForCanvasRect(const QRect& r) const {
    const QPoint o = pixelOrigin();
    return {r.left() - o.x(), o.y() - (r.bottom() + 1), r.right() + 1 - o.x(), o.y() - r.top()};
}

void ZoomCanvas::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Dark));
    const imaging::Image shown = shownImage();
    if (shown.isNull()) return;
    imaging::IRect want = pixelsForCanvasRect(event->rect());
    const imaging::Rect extent = shown.extent();
    if (!extent.isInfinite()) want = want.intersected(imaging::IRect::cover(extent, zoom));
    if (want.isEmpty()) return;
    const QImage img = foundation::renderQImage(shown, want, zoom);
    if (img.isNull()) return;
    const QPoint o = pixelOrigin();
    p.drawImage(QPoint(o.x() + want.x0, o.y() - want.y1), img);
}

void ZoomCanvas::contextMenuEvent(QContextMenuEvent* event) {
    if (m_contextMenu) m_contextMenu(event->globalPos());
}

namespace {
// The first local file a drag carries, or an empty string.
QString droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}
}  // namespace

void ZoomCanvas::dragEnterEvent(QDragEnterEvent* event) {
    if (m_fileDrop && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void ZoomCanvas::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (m_fileDrop && !path.isEmpty() && m_fileDrop(path))
        event->acceptProposedAction();
    else
        event->ignore();
}

QScrollArea* ZoomCanvas::enclosingScrollView() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* s = qobject_cast<QScrollArea*>(w)) return s;
    return nullptr;
}

QSize ZoomCanvas::visibleSize() const {
    if (auto* s = enclosingScrollView()) return s->viewport()->size();
    return size();
}

void ZoomCanvas::setZoom(double z) {
    zoom = z < kMinZoom ? kMinZoom : (z > kMaxZoom ? kMaxZoom : z);
    resizeViewBoundCenter(true, 3);
    Q_EMIT zoomChanged(zoom);
}

QPoint ZoomCanvas::pictureOrigin() const {
    const QSize pic = pictureSize();
    const int w = int(std::lround(pic.width() * zoom));
    const int h = int(std::lround(pic.height() * zoom));
    return {std::max(0, (width() - w) / 2), std::max(0, (height() - h) / 2)};
}

void ZoomCanvas::resizeViewBoundCenter(bool force, int mode) {
    QScrollArea* scroll = enclosingScrollView();
    const QSize vis = visibleSize();
    const QSize pic = pictureSize();
    const QSize wanted(std::max(vis.width(), int(std::lround(pic.width() * zoom))),
                       std::max(vis.height(), int(std::lround(pic.height() * zoom))));
    if (!force && wanted == size() && zoom == prev_zoom) return;

    // The picture point in the middle of the visible area, as a fraction of the canvas.
    double fx = 0.5, fy = 0.5;
    if (scroll && width() > 0 && height() > 0) {
        fx = (scroll->horizontalScrollBar()->value() + vis.width() * 0.5) / width();
        fy = (scroll->verticalScrollBar()->value() + vis.height() * 0.5) / height();
    }
    setFixedSize(wanted);
    if (scroll && mode != 0) {
        scroll->horizontalScrollBar()->setValue(
            int(std::lround(fx * wanted.width() - vis.width() * 0.5)));
        scroll->verticalScrollBar()->setValue(
            int(std::lround(fy * wanted.height() - vis.height() * 0.5)));
    }
    update();
}

}  // namespace chrome
