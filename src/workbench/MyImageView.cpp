#include "workbench/MyImageView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "workbench/DataSource.h"
#include "workbench/StandardResult.h"

namespace workbench {

namespace {

imaging::Value currentValue(const imaging::Filter& f, const imaging::Attribute& a) {
    return f.hasValue(a.key) ? f.value(a.key) : a.defaultValue;
}

// A transform parameter is a transform, or six numbers in the same order.
imaging::Point transformOrigin(const imaging::Value& v) {
    if (v.kind() == imaging::Value::Kind::Transform) {
        const imaging::AffineTransform t = v.toTransform();
        return {t.tx, t.ty};
    }
    const imaging::Vector vec = v.toVector();
    return {vec.at(4), vec.at(5)};
}

}  // namespace

MyImageView::MyImageView(QWidget* parent) : chrome::ZoomCanvas(parent) {
    setObjectName(QStringLiteral("ciView"));
}

// ---------------------------------------------------------------- handles

int MyImageView::handleKind(const imaging::Attribute& a) {
    if (a.className == imaging::kClassTransform) return kTransformOrigin;
    if (a.className != imaging::kClassVector) return kNoHandle;
    if (a.type == imaging::kCIAttributeTypePosition) return kPosition;
    if (a.type == imaging::kCIAttributeTypeRectangle) return kRectTopLeft;
    if (a.type == imaging::kCIAttributeTypePosition3) return kPosition3;
    return kNoHandle;
}

std::vector<MyImageView::Handle> MyImageView::handles(const imaging::Filter* filter,
                                                      bool pickingOrder) {
    std::vector<Handle> out;
    if (!filter) return out;
    for (const imaging::Attribute& a : filter->attributes()) {
        const imaging::Value v = currentValue(*filter, a);
        switch (handleKind(a)) {
            case kPosition:
            case kPosition3:
                out.push_back({a.key, handleKind(a), v.toVector().toPoint()});
                break;
            case kTransformOrigin:
                out.push_back({a.key, kTransformOrigin, transformOrigin(v)});
                break;
            case kRectTopLeft: {
                const imaging::Rect r = v.toVector().toRect();
                const Handle tl{a.key, kRectTopLeft, {r.x, r.maxY()}};
                const Handle bl{a.key, kRectBottomLeft, {r.x, r.y}};
                const Handle tr{a.key, kRectTopRight, {r.maxX(), r.maxY()}};
                const Handle br{a.key, kRectBottomRight, {r.maxX(), r.y}};
                if (pickingOrder)
                    out.insert(out.end(), {tr, tl, br, bl});
                else
                    out.insert(out.end(), {bl, br, tl, tr});
                break;
            }
            default:
                break;
        }
    }
    return out;
}

MyImageView::Handle MyImageView::nearestHandle(const imaging::Filter* filter, imaging::Point p) {
    Handle best;
    double bestD = 0;
    for (const Handle& h : handles(filter, true)) {
        const double dx = h.at.x - p.x, dy = h.at.y - p.y;
        const double d = dx * dx + dy * dy;
        if (best.mode == kNoHandle || d < bestD) {
            best = h;
            bestD = d;
        }
    }
    return best;
}

MyImageView::HandleShape MyImageView::handleShape(imaging::Point at, double zoom) {
    return {std::floor(at.x) + 0.5, std::floor(at.y) + 0.5, 4 / zoom + 0.5, 2 * (4 / zoom)};
}

imaging::Rect MyImageView::movedRectangleCorner(const imaging::Rect& r, int& corner,
                                                imaging::Point p) {
    double x1 = r.x, y1 = r.y, x2 = r.maxX(), y2 = r.maxY();
    switch (corner) {
        case kRectTopLeft:
            x1 = p.x, y2 = p.y;
            break;
        case kRectBottomLeft:
            x1 = p.x, y1 = p.y;
            break;
        case kRectTopRight:
            x2 = p.x, y2 = p.y;
            break;
        case kRectBottomRight:
            x2 = p.x, y1 = p.y;
            break;
        default:
            return r;
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        static constexpr int mirrorLR[] = {
            0, 0, kRectTopRight, kRectBottomRight, kRectTopLeft, kRectBottomLeft};
        corner = mirrorLR[corner];
    }
    if (y1 > y2) {
        std::swap(y1, y2);
        static constexpr int mirrorTB[] = {
            0, 0, kRectBottomLeft, kRectTopLeft, kRectBottomRight, kRectTopRight};
        corner = mirrorTB[corner];
    }
    return {x1, y1, x2 - x1, y2 - y1};
}

imaging::Value MyImageView::draggedValue(const imaging::Value& current, int& mode,
                                         imaging::Point p) {
    switch (mode) {
        case kPosition:
            return imaging::Vector{p.x, p.y, 0, 0};
        case kRectTopLeft:
        case kRectBottomLeft:
        case kRectTopRight:
        case kRectBottomRight:
            return imaging::Vector::rect(
                movedRectangleCorner(current.toVector().toRect(), mode, p));
        case kTransformOrigin:
            if (current.kind() == imaging::Value::Kind::Vector) {
                std::vector<double> v = current.toVector().values();
                v.resize(std::max<size_t>(v.size(), 6), 0.0);
                v[4] = p.x, v[5] = p.y;
                return imaging::Vector(v);
            } else {
                imaging::AffineTransform t = current.toTransform();
                t.tx = p.x, t.ty = p.y;
                return t;
            }
        case kPosition3:
            return imaging::Vector{p.x, p.y, current.toVector().z()};
        default:
            return current;
    }
}

// ---------------------------------------------------------------- mouse

std::shared_ptr<const imaging::Filter> MyImageView::shownFilter() const {
    if (!controller) return nullptr;
    return fedFilter(controller->workingFilter().get(), controller->picture(), bounds().width,
                     bounds().height);
}

void MyImageView::mouseEntered() {
    if (!controller || !DataSource::isControlsPresent(controller->workingFilter().get())) return;
    displayingPoints = true;
    setCursor(Qt::PointingHandCursor);
    update();
}

void MyImageView::mouseExited() {
    displayingPoints = false;
    setCursor(Qt::ArrowCursor);
    update();
}

void MyImageView::mouseDown(imaging::Point p) {
    movingNow = true;
    parmIndex = -1;
    parmKey.clear();
    parmMode = kNoHandle;
    const std::shared_ptr<const imaging::Filter> f = shownFilter();
    if (!f) return;
    const Handle h = nearestHandle(f.get(), p);
    if (h.mode != kNoHandle) {
        parmIndex = 0;
        parmKey = QString::fromStdString(h.key);
        parmMode = h.mode;
    }
    update();
}

void MyImageView::mouseDragged(imaging::Point p) {
    if (parmMode == kNoHandle || parmIndex == -1 || !controller) return;
    const std::shared_ptr<imaging::Filter>& f = controller->workingFilter();
    const std::shared_ptr<const imaging::Filter> shown = shownFilter();
    const imaging::Attribute* a = f ? f->attribute(parmKey.toStdString()) : nullptr;
    if (!a) return;
    int mode = parmMode;
    const imaging::Value v = draggedValue(currentValue(*shown, *a), mode, p);
    parmMode = mode;
    controller->setFilterValueForKey(f, v, parmKey);
    update();
}

void MyImageView::mouseUp() {
    movingNow = false;
    update();
}

void MyImageView::enterEvent(QEnterEvent* event) {
    chrome::ZoomCanvas::enterEvent(event);
    mouseEntered();
}

void MyImageView::leaveEvent(QEvent* event) {
    chrome::ZoomCanvas::leaveEvent(event);
    mouseExited();
}

void MyImageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return chrome::ZoomCanvas::mousePressEvent(event);
    mouseDown(pictureFromWidget(event->position()));
}

void MyImageView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return chrome::ZoomCanvas::mouseMoveEvent(event);
    mouseDragged(pictureFromWidget(event->position()));
}

void MyImageView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return chrome::ZoomCanvas::mouseReleaseEvent(event);
    mouseUp();
}

// ---------------------------------------------------------------- drawing

chrome::ZoomCanvas::ContentKey MyImageView::contentKey(const imaging::Image& shown) const {
    if (!controller) return ZoomCanvas::contentKey(shown);
    ContentKey key;
    key.base = controller->picture().node().get();
    key.source = controller->workingFilter().get();
    if (const std::shared_ptr<const imaging::Filter> f = shownFilter())
        for (const imaging::Attribute& a : f->attributes()) key.values.push_back(f->value(a.key));
    return key;
}

void MyImageView::drawOverlay(QPainter& p) {
    if (!displayingPoints || !controller || QApplication::activeModalWidget()) return;
    const std::shared_ptr<const imaging::Filter> f = shownFilter();
    if (!f) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF origin = widgetFromPicture({0, 0});
    // Picture coordinates, y up.
    p.setTransform(QTransform(zoom, 0, 0, -zoom, origin.x(), origin.y()));
    // Only handles within reach of the visible area (an unbounded rectangle has its corners
    // at the ends of the plane).
    const QRectF vis = QRectF(visibleWidgetRect()).adjusted(-20, -20, 20, 20);
    for (const Handle& h : handles(f.get(), false))
        if (vis.contains(widgetFromPicture(h.at))) drawPoint(p, h.at);
    p.restore();
}

void MyImageView::drawPoint(QPainter& p, imaging::Point at) const {
    const HandleShape s = handleShape(at, zoom);
    // Lines one picture pixel wide, but never thinner than a screen pixel, so that the handles
    // stay visible on a reduced picture; the shadow is offset by the same amount.
    const double w = std::max(1.0, 1.0 / zoom);
    auto figure = [&](const QColor& colour, double d) {
        QPen pen(colour, w);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(s.cx - s.arm + d, s.cy - d), QPointF(s.cx + s.arm + d, s.cy - d));
        p.drawEllipse(QRectF(s.cx - s.r + d, s.cy - s.r - d, 2 * s.r, 2 * s.r));
        p.drawLine(QPointF(s.cx + d, s.cy - s.arm - d), QPointF(s.cx + d, s.cy + s.arm - d));
    };
    figure(Qt::black, w);
    figure(Qt::white, 0);
}

}  // namespace workbench
