#include "workbench/Autoresizer.h"

#include <QEvent>
#include <QWidget>
#include <cmath>

#include "foundation/Geometry.h"

namespace workbench {

namespace {

const char* const kName = "deverav-autoresizer";

// One axis: the margins and the size share `delta` by their present sizes (equally when they
// are all empty).
void share(double& origin, double& size, double parent, double delta, bool minFlex, bool sizeFlex,
           bool maxFlex) {
    const double parts[3] = {origin, size, parent - origin - size};
    const bool flex[3] = {minFlex, sizeFlex, maxFlex};
    double total = 0;
    int count = 0;
    for (int i = 0; i < 3; ++i)
        if (flex[i]) {
            total += std::max(0.0, parts[i]);
            ++count;
        }
    if (count == 0) return;
    double give[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
        if (flex[i]) give[i] = total > 0 ? delta * std::max(0.0, parts[i]) / total : delta / count;
    origin += give[0];
    size += give[1];
}

}  // namespace

Autoresizer::Autoresizer(QWidget* parent) : QObject(parent), m_parent(parent) {
    setObjectName(QString::fromLatin1(kName));
    m_size = parent->size();
    parent->installEventFilter(this);
}

Autoresizer* Autoresizer::of(QWidget* parent) {
    if (auto* a =
            parent->findChild<Autoresizer*>(QString::fromLatin1(kName), Qt::FindDirectChildrenOnly))
        return a;
    return new Autoresizer(parent);
}

Autoresizer::Placed* Autoresizer::find(const QWidget* child) {
    for (Placed& p : m_placed)
        if (p.child == child) return &p;
    return nullptr;
}

const Autoresizer::Placed* Autoresizer::find(const QWidget* child) const {
    return const_cast<Autoresizer*>(this)->find(child);
}

void Autoresizer::place(QWidget* child, const QRect& frame, int mask) {
    if (child->parentWidget() != m_parent) child->setParent(m_parent);
    // Forget children that are gone.
    std::erase_if(m_placed, [](const Placed& p) { return p.child.isNull(); });
    if (Placed* p = find(child)) {
        p->frame = QRectF(frame);
        p->mask = mask;
        apply(*p);
        return;
    }
    m_placed.push_back({child, QRectF(frame), mask});
    apply(m_placed.back());
}

void Autoresizer::setFrame(QWidget* child, const QRect& frame) {
    place(child, frame, mask(child));
}

QRect Autoresizer::frame(const QWidget* child) const {
    if (const Placed* p = find(child)) return p->frame.toRect();
    const QRect g = child->geometry();
    return QRect(g.x(), m_parent->height() - g.y() - g.height(), g.width(), g.height());
}

int Autoresizer::mask(const QWidget* child) const {
    const Placed* p = find(child);
    return p ? p->mask : kNotSizable;
}

QRectF Autoresizer::resized(const QRectF& frame, int mask, QSize oldSize, QSize newSize) {
    double x = frame.x(), w = frame.width(), y = frame.y(), h = frame.height();
    share(x, w, oldSize.width(), newSize.width() - oldSize.width(), mask & kMinXMargin,
          mask & kWidthSizable, mask & kMaxXMargin);
    share(y, h, oldSize.height(), newSize.height() - oldSize.height(), mask & kMinYMargin,
          mask & kHeightSizable, mask & kMaxYMargin);
    return QRectF(x, y, std::max(0.0, w), std::max(0.0, h));
}

void Autoresizer::apply(const Placed& p) const {
    if (p.child)
        p.child->setGeometry(foundation::qtRectFromYUp(p.frame, m_parent->height()).toRect());
}

bool Autoresizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_parent && event->type() == QEvent::Resize) {
        const QSize now = m_parent->size();
        std::erase_if(m_placed, [](const Placed& p) { return p.child.isNull(); });
        for (Placed& p : m_placed) {
            if (now != m_size) p.frame = resized(p.frame, p.mask, m_size, now);
            apply(p);
        }
        m_size = now;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace workbench
