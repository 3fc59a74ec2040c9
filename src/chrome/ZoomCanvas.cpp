#include "chrome/ZoomCanvas.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "chrome/PanKeys.h"
#include "chrome/Skin.h"
#include "foundation/NativeName.h"
#include "imaging/Log.h"
#include "imaging/io/ImageIO.h"

namespace chrome {

// The frame drawn around the canvas area while a picture file hovers over it.
class DropHighlight : public QWidget {
  public:
    explicit DropHighlight(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("dropHighlight"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }
    QRect frame;  // in this widget's coordinates

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor::fromRgbF(0.99f, 0.94f, 0.74f, 0.8f), 4));
        p.drawRect(frame);
    }
};

ZoomCanvas::ZoomCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    PanKeys::instance();
    m_renderer.setFrameHandler(
        [this](const foundation::CanvasRenderer::Frame& f) { frameArrived(f); });
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &ZoomCanvas::restElapsed);
}

ZoomCanvas::~ZoomCanvas() {
    delete m_highlight;
}

void ZoomCanvas::setImageSource(ImageSource shown, ImageSource picture) {
    m_shown = std::move(shown);
    m_picture = std::move(picture);
    update();
}

QSizeF ZoomCanvas::fitSize() const {
    const imaging::Image pic = picture();
    if (pic.isNull()) return {};
    const imaging::Rect e = pic.extent();
    if (e.isEmpty() || e.isInfinite()) return {};
    return {e.width, e.height};
}

// ---------------------------------------------------------------- geometry

QScrollArea* ZoomCanvas::enclosingScrollView() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* s = qobject_cast<QScrollArea*>(w)) return s;
    return nullptr;
}

QSizeF ZoomCanvas::contentViewSize() const {
    QScrollArea* s = enclosingScrollView();
    if (!s) return QSizeF(size());
    const QSize full = s->maximumViewportSize();
    const int bar = s->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, s);
    const QSizeF pic = fitSize() * zoom;
    // A scroll bar along one side takes room from the other direction, which may then need one
    // too.
    bool needH = false, needV = false;
    for (int pass = 0; pass < 3; ++pass) {
        needH = pic.width() > full.width() - (needV ? bar : 0) + 0.5;
        needV = pic.height() > full.height() - (needH ? bar : 0) + 0.5;
    }
    return {double(full.width() - (needV ? bar : 0)), double(full.height() - (needH ? bar : 0))};
}

// Through the geometry as last laid out: while a zoom change is being laid out, `zoom` is
// already the new one.
imaging::Point ZoomCanvas::pictureFromWidget(const QPointF& p) const {
    return {(p.x() - m_origin.x()) / m_layoutZoom, (m_origin.y() - p.y()) / m_layoutZoom};
}

QPointF ZoomCanvas::widgetFromPicture(imaging::Point p) const {
    return {m_origin.x() + p.x * m_layoutZoom, m_origin.y() - p.y * m_layoutZoom};
}

QRect ZoomCanvas::visibleWidgetRect() const {
    if (QScrollArea* s = enclosingScrollView())
        return QRect(-pos(), s->viewport()->size()).intersected(rect());
    return rect();
}

void ZoomCanvas::setZoom(double z) {
    zoom = z < kMinZoom ? kMinZoom : (z > kMaxZoom ? kMaxZoom : z);
    resizeViewBoundCenter(true, 3);
}

std::optional<double> ZoomCanvas::fittingZoom() const {
    const QSizeF pic = fitSize();
    if (pic.isEmpty()) return std::nullopt;
    QWidget* frame = enclosingScrollView();
    const QSize area = frame ? frame->size() : size();
    const int sw = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const double aw = std::max(1, area.width() - sw), ah = std::max(1, area.height() - sw);
    return 1.0 / std::max(pic.width() / aw, pic.height() / ah);
}

void ZoomCanvas::zoomCommand(double z) {
    setZoom(z);
    Q_EMIT zoomStepped(zoom);
}

void ZoomCanvas::zoomIn() {
    zoomCommand(zoomAfterWheelStep(zoom, 1));
}

void ZoomCanvas::zoomOut() {
    zoomCommand(zoomAfterWheelStep(zoom, -1));
}

void ZoomCanvas::zoomToActualSize() {
    zoomCommand(1.0);
}

void ZoomCanvas::zoomToFit() {
    if (const std::optional<double> z = fittingZoom()) zoomCommand(*z);
}

void ZoomCanvas::resizeViewBoundCenter(bool force, int mode) {
    if (m_inLayout) return;
    m_inLayout = true;
    QScrollArea* scroll = enclosingScrollView();
    if (scroll && m_watchedViewport != scroll->viewport()) {
        m_watchedViewport = scroll->viewport();
        m_watchedViewport->installEventFilter(this);
    }

    const QSizeF content = contentViewSize();
    const double cw = content.width(), ch = content.height();
    const double z = zoom;
    const QSizeF pic = fitSize();
    // Margins centre a picture smaller than the visible area; kept to whole screen pixels so
    // that picture pixels fall on screen pixels.
    const double padX = std::max(0.0, std::floor((cw - pic.width() * z) / 2)) / z;
    const double padY = std::max(0.0, std::floor((ch - pic.height() * z) / 2)) / z;
    const imaging::Rect bounds{-padX, -padY, std::max(pic.width() + 2 * padX, cw / z),
                               std::max(pic.height() + 2 * padY, ch / z)};

    // The picture point to put in the middle of the visible area afterwards: the one there now,
    // or, for a wheel step, the one that keeps the point under the mouse where it is.
    std::optional<imaging::Point> centre;
    if (mode != 0 && m_laidOut) {
        const QRect vis = visibleWidgetRect();
        if (!vis.isEmpty())
            centre = pictureFromWidget(
                QPointF(vis.x() + vis.width() / 2.0, vis.y() + vis.height() / 2.0));
        if (m_wheelAnchor && (mode == 2 || mode == 3)) {
            const imaging::Point m = pictureFromWidget(*m_wheelAnchor);
            if (mode == 2)
                centre = m;
            else if (centre)
                centre = imaging::Point{m.x + (centre->x - m.x) * m_layoutZoom / z,
                                        m.y + (centre->y - m.y) * m_layoutZoom / z};
        }
    }

    if (force || !m_laidOut || !(bounds == m_bounds) || z != m_layoutZoom) {
        m_bounds = bounds;
        m_layoutZoom = z;
        m_laidOut = true;
        const int w = std::max(1, int(std::ceil(z * bounds.width - 1e-6)));
        const int h = std::max(1, int(std::ceil(z * bounds.height - 1e-6)));
        m_origin = QPoint(int(std::lround(padX * z)), h - int(std::lround(padY * z)));
        setFixedSize(w, h);
        if (centre) m_pendingCentre = centre;
        applyPendingCentre();
        update();
    }
    m_inLayout = false;
}

void ZoomCanvas::applyPendingCentre() {
    QScrollArea* s = enclosingScrollView();
    if (!m_pendingCentre || !s || !isVisible()) return;
    const QSize vp = s->viewport()->size();
    const QPointF c = widgetFromPicture(*m_pendingCentre);
    s->horizontalScrollBar()->setValue(int(std::lround(c.x() - vp.width() / 2.0)));
    s->verticalScrollBar()->setValue(int(std::lround(c.y() - vp.height() / 2.0)));
    // The scroll area shows or hides its scroll bars a moment later, which changes the visible
    // area: the centre is applied again then.
    if (!m_centreExpiry) {
        m_centreExpiry = true;
        QTimer::singleShot(0, this, [this] {
            m_centreExpiry = false;
            m_pendingCentre.reset();
        });
    }
}

void ZoomCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applyPendingCentre();
}

void ZoomCanvas::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyPendingCentre();
}

bool ZoomCanvas::eventFilter(QObject* watched, QEvent* event) {
    // The visible area changed size (window resized, scroll bars shown or hidden).
    if (watched == m_watchedViewport && event->type() == QEvent::Resize && m_laidOut && !m_inLayout)
        resizeViewBoundCenter(false, 3);
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- drawing

double ZoomCanvas::renderScale() const {
    // Enlarged further, the picture's own pixels are drawn without smoothing so that single
    // pixels can be told apart (and fewer are rendered).
    if (zoom > kSharpAbove) return 1.0;
    return zoom * devicePixelRatioF();
}

imaging::IRect ZoomCanvas::visiblePixels(double scale) const {
    const QRect vis = visibleWidgetRect();
    if (vis.isEmpty()) return {};
    const double d = scale / m_layoutZoom;
    return {int(std::floor((vis.left() - m_origin.x()) * d)),
            int(std::floor((m_origin.y() - (vis.bottom() + 1)) * d)),
            int(std::ceil((vis.right() + 1 - m_origin.x()) * d)),
            int(std::ceil((m_origin.y() - vis.top()) * d))};
}

ZoomCanvas::ContentKey ZoomCanvas::contentKey(const imaging::Image& shown) const {
    return {picture().node().get(), shown.node().get(), {}};
}

bool ZoomCanvas::frameIsCurrent() const {
    const imaging::Image shown = shownImage();
    if (!shown || m_frame.image.isNull() || m_frame.tag != m_version) return false;
    if (!(contentKey(shown) == m_key)) return false;
    const double s = renderScale();
    imaging::IRect want = visiblePixels(s);
    if (!shown.extent().isInfinite())
        want = want.intersected(imaging::IRect::cover(shown.extent(), s));
    return m_frame.scale == s && m_frame.pixels.contains(want);
}

void ZoomCanvas::setInteractiveBudget(double ms) {
    m_budgetMs = ms;
}

void ZoomCanvas::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Dark));

    const imaging::Image shown = shownImage();
    const ContentKey key = contentKey(shown);
    if (!(key == m_key)) {
        // Another picture: the frames of the old one no longer fit anywhere.
        if (key.base != m_key.base) {
            m_frame = {};
            m_baseVersion = m_version + 1;
        }
        // Another filter: its cost is not known yet.
        if (key.base != m_key.base || key.source != m_key.source) {
            m_costPerPixel = 0;
            m_costVersion = m_version + 1;
        }
        m_key = key;
        ++m_version;
    }

    bool current = false, ofNow = false;
    const double s = renderScale();
    if (!shown) {
        m_frame = {};
    } else {
        imaging::IRect want = visiblePixels(s);
        if (!shown.extent().isInfinite())
            want = want.intersected(imaging::IRect::cover(shown.extent(), s));
        if (!want.isEmpty()) requestFrame(shown, want, s, current, ofNow);
    }

    if (!m_frame.image.isNull()) {
        const imaging::Rect at = m_frame.pixels.toPicture(m_frame.scale);
        const QPointF topLeft = widgetFromPicture({at.x, at.maxY()});
        const QRectF target(topLeft, QSizeF(at.width * m_layoutZoom, at.height * m_layoutZoom));
        if (m_frame.scale != s) p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, m_frame.image);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    }
    drawOverlay(p);
    if (ofNow) Q_EMIT framePainted();
    if (current) Q_EMIT framePresented();
}

double ZoomCanvas::interactiveScale(double s, const imaging::IRect& want) const {
    if (m_budgetMs <= 0 || m_costPerPixel <= 0) return s;
    const double expected = m_costPerPixel * double(want.area());
    if (expected <= m_budgetMs) return s;
    // Fewer pixels in proportion, down to a quarter of the resolution.
    return s * std::max(kCoarsestFraction, std::sqrt(m_budgetMs / expected));
}

void ZoomCanvas::requestFrame(const imaging::Image& shown, const imaging::IRect& want, double s,
                              bool& current, bool& ofNow) {
    // What the frame on screen is to the current settings and view.
    ofNow = !m_frame.image.isNull() && m_frame.tag == m_version &&
            m_frame.pixels.contains(imaging::IRect::cover(want.toPicture(s), m_frame.scale));
    current = ofNow && m_frame.scale == s;

    Requested r{m_version, want, s, false};
    if (!ofNow) {
        // New settings or a new view: a quick frame, coarser than the screen when the filter
        // is too slow to follow the mouse at full screen resolution.
        if (m_requested && m_requested->tag == m_version && !m_requested->refine &&
            m_requested->pixels.contains(
                imaging::IRect::cover(want.toPicture(s), m_requested->scale)))
            return;  // on its way
        const double quick = interactiveScale(s, want);
        r = {m_version, imaging::IRect::cover(want.toPicture(s), quick), quick, false};
    } else if (m_frame.scale < s) {
        if (!m_resting) return;  // coarse while things change
    } else if (m_frame.scale > s && zoom > kSharpAbove) {
        // A finer frame from a lower zoom would be drawn smoothed: the picture's own pixels now.
    } else if (!m_frame.refined && s < 1) {
        if (!m_resting) return;
        r.refine = true;
    } else {
        return;
    }
    if (m_requested == r) return;
    m_requested = r;
    m_renderer.request({shown, r.pixels, r.scale, r.refine, m_version});
    if (!ofNow) {
        m_resting = false;
        m_rest.start();
    }
}

void ZoomCanvas::frameArrived(const foundation::CanvasRenderer::Frame& frame) {
    if (frame.tag < m_baseVersion || frame.serial <= m_frame.serial) return;
    if (frame.image.isNull()) {
        imaging::log("canvas: " + frame.error);
        return;
    }
    if (!frame.refined && frame.tag >= m_costVersion && frame.pixels.area() > 0) {
        const double cost = frame.renderMs / double(frame.pixels.area());
        m_costPerPixel = m_costPerPixel > 0 ? 0.5 * (m_costPerPixel + cost) : cost;
    }
    m_frame = frame;
    // Finer frames follow once nothing has changed for a moment.
    if (frame.tag == m_version && !frame.refined) m_rest.start();
    update();
}

void ZoomCanvas::restElapsed() {
    m_resting = true;
    update();
}

// ---------------------------------------------------------------- events

bool ZoomCanvas::spaceHeld() {
    return PanKeys::spaceHeld();
}

bool ZoomCanvas::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Enter:
            if (PanKeys* keys = PanKeys::instance()) keys->enter(this);
            showPanCursor();
            break;
        case QEvent::Leave:
            if (PanKeys* keys = PanKeys::instance()) keys->leave(this);
            showPanCursor();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (panEvent(event)) return true;
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

bool ZoomCanvas::panEvent(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    // Plain moves, the most frequent event, pass straight on.
    if (!press && !m_pan.active()) return false;
    QScrollArea* scroll = enclosingScrollView();
    if (press) {
        if (!scroll && !m_pan.active()) return false;
        switch (m_pan.press(*mouse)) {
            case PanDrag::Press::Ignored:
                return false;
            case PanDrag::Press::Started:
                m_panScrollFrom = {scroll->horizontalScrollBar()->value(),
                                   scroll->verticalScrollBar()->value()};
                showPanCursor();
                return true;
            case PanDrag::Press::Waiting:
                return true;  // other buttons wait for the pan to end
        }
    }
    if (event->type() == QEvent::MouseMove && scroll) {
        // The picture follows the hand.
        const QPointF moved = m_pan.moved(*mouse).value_or(QPointF());
        scroll->horizontalScrollBar()->setValue(m_panScrollFrom.x() - int(std::lround(moved.x())));
        scroll->verticalScrollBar()->setValue(m_panScrollFrom.y() - int(std::lround(moved.y())));
    } else if (event->type() == QEvent::MouseButtonRelease && m_pan.release(*mouse)) {
        showPanCursor();
    }
    return true;
}

void ZoomCanvas::showPanCursor() {
    m_pan.showCursor(this, this);
}

void ZoomCanvas::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint a = event->angleDelta();
    const int d = a.x() + a.y();
    if (d == 0) return;
    // Fine-grained wheels and touch pads report parts of a notch: a step per whole notch.
    m_wheelAccumulated += d;
    if (std::abs(m_wheelAccumulated) < QWheelEvent::DefaultDeltasPerStep) return;
    const int direction = m_wheelAccumulated > 0 ? 1 : -1;
    m_wheelAccumulated = 0;
    zoom = zoomAfterWheelStep(zoom, direction);
    m_wheelAnchor = event->position();
    resizeViewBoundCenter(true, 3);
    m_wheelAnchor.reset();
    Q_EMIT zoomStepped(zoom);
}

void ZoomCanvas::contextMenuEvent(QContextMenuEvent* event) {
    mouseContentMenu(event->globalPos());
}

void ZoomCanvas::mouseContentMenu(const QPoint& globalPos) {
    popUpContextMenu(m_menuSource ? m_menuSource() : nullptr, globalPos);
}

const QStringList& ZoomCanvas::droppedTypeNames() {
    static const QStringList names = [] {
        QStringList list;
        // The reader's own extensions, in both cases as file names carry them.
        for (const std::string& e : imaging::io::readableExtensions()) {
            const QString ext = QString::fromStdString(e);
            list << ext.toLower() << ext.toUpper();
        }
        list << QStringList{QStringLiteral("tiff"), QStringLiteral("tif "), QStringLiteral("jpeg"),
                            QStringLiteral("jpg "), QStringLiteral("png "), QStringLiteral("gif "),
                            QStringLiteral("TIFF"), QStringLiteral("TIF "), QStringLiteral("JPEG"),
                            QStringLiteral("JPG "), QStringLiteral("PNG "), QStringLiteral("GIF "),
                            QStringLiteral("sgi "), QStringLiteral("SGI "), QStringLiteral("pngf"),
                            QStringLiteral("qtif"), QStringLiteral("8BPS"), QStringLiteral("BMPf"),
                            QStringLiteral("MooV"), QStringLiteral("PICS"), QStringLiteral("FPix"),
                            QStringLiteral("GIFf"), QStringLiteral("PNGf"), QStringLiteral("PNTG"),
                            QStringLiteral("TPIC"), QStringLiteral("qdgx"), QStringLiteral("FLC "),
                            QStringLiteral("SWFL"), QStringLiteral("PDF ")};
        return list;
    }();
    return names;
}

bool ZoomCanvas::acceptsDroppedFiles(const QList<QUrl>& urls) {
    if (urls.size() != 1 || !urls.first().isLocalFile()) return false;
    const QString ext = QFileInfo(urls.first().toLocalFile()).suffix();
    if (ext.isEmpty() || ext.toLower() == QLatin1String("pdf")) return false;
    return droppedTypeNames().contains(ext);
}

QRect ZoomCanvas::dropHighlightRect(const QRect& frame) {
    // Inset by 10, 15 narrower and 18 lower, raised by 10 (y up): margins of 10 on the left,
    // 25 on the right (past a scroll bar), 18 at the top and 20 at the bottom.
    return {frame.x() + 10, frame.y() + 18, frame.width() - 35, frame.height() - 38};
}

void ZoomCanvas::showDropHighlight(bool on) {
    if (!on) {
        if (m_highlight) m_highlight->hide();
        return;
    }
    QWidget* top = window();
    if (!top || top == this) return;
    if (!m_highlight) m_highlight = new DropHighlight(top);
    // The area holding the canvas: the page holder around the scroll area when there is one.
    QWidget* holder = this;
    if (QScrollArea* s = enclosingScrollView())
        holder = s->parentWidget() && s->parentWidget() != top ? s->parentWidget() : s;
    const QRect frame(holder->mapTo(top, QPoint(0, 0)), holder->size());
    m_highlight->setGeometry(frame);
    m_highlight->frame = dropHighlightRect(QRect(QPoint(0, 0), frame.size()));
    m_highlight->raise();
    m_highlight->show();
}

void ZoomCanvas::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!m_fileDrop || !data || !data->hasUrls() || !(event->possibleActions() & Qt::CopyAction) ||
        !acceptsDroppedFiles(data->urls())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (!dragEnter) {
        dragEnter = true;
        showDropHighlight(true);
    }
}

void ZoomCanvas::dragLeaveEvent(QDragLeaveEvent*) {
    dragEnter = false;
    showDropHighlight(false);
    update();
}

void ZoomCanvas::dropEvent(QDropEvent* event) {
    dragEnter = false;
    showDropHighlight(false);
    const QMimeData* data = event->mimeData();
    if (!m_fileDrop || !data || !acceptsDroppedFiles(data->urls())) {
        event->ignore();
        return;
    }
    // A file that cannot be read has been reported to the user; the drag source hears of it.
    if (m_fileDrop(foundation::NativeName::fromUrl(data->urls().first()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace chrome
