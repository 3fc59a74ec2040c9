#include "favourites/DocPageControl.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "chrome/BaseColoredButton.h"
#include "foundation/Geometry.h"

namespace favourites {

namespace {

constexpr double P = DocPageControl::kPitch;
constexpr int kTickMs = 10;

// The scroll in progress: one for all strips, so that a new scroll takes over from the last.
struct Animation {
    QPointer<DocPageControl> strip;
    double fromPT = 0, toPt = 0, currPt = 0;
    int step = 0;
    bool running = false;
    bool manual = false;
    QPointer<QTimer> timer;

    void stop() {
        running = false;
        if (timer) timer->stop();
    }
};

Animation& animation() {
    static Animation a;
    return a;
}

void setButtonState(QWidget* item, int state) {
    if (auto* b = qobject_cast<chrome::BaseColoredButton*>(item)) b->setState(state);
}

}  // namespace

DocPageControl::DocPageControl(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 12, 4, 12);
    row->setSpacing(2);
    auto arrow = [this](Qt::ArrowType type) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        // Showing or hiding an arrow must not change the visible width.
        QSizePolicy sp = b->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        b->setSizePolicy(sp);
        return b;
    };
    m_prev = arrow(Qt::LeftArrow);
    m_next = arrow(Qt::RightArrow);
    m_prev->setToolTip(QStringLiteral("Earlier favourites"));
    m_next->setToolTip(QStringLiteral("Later favourites"));
    connect(m_prev, &QToolButton::clicked, this, [this] { stepPrev(); });
    connect(m_next, &QToolButton::clicked, this, [this] { stepNext(); });

    m_clip = new QWidget(this);
    m_clip->setObjectName(QStringLiteral("favouritesClip"));
    m_document = new QWidget(m_clip);
    m_document->setObjectName(QStringLiteral("favouritesDocument"));
    m_emptyNote = new QLabel(QStringLiteral("No favourites yet"), m_clip);
    m_emptyNote->setObjectName(QStringLiteral("emptyNote"));
    m_emptyNote->setEnabled(false);
    m_emptyNote->adjustSize();
    m_emptyNote->move(8, 16);
    row->addWidget(m_prev);
    row->addWidget(m_clip, 1);
    row->addWidget(m_next);
    setHiddenStates();
}

DocPageControl::~DocPageControl() {
    if (animation().strip == this) animation().stop();
}

int DocPageControl::visibleWidth() const {
    return m_clip->width();
}

int DocPageControl::documentWidth() const {
    return m_document->width();
}

QList<QWidget*> DocPageControl::items() const {
    QList<QWidget*> out;
    for (const QPointer<QWidget>& w : m_items)
        if (w) out << w;
    std::sort(out.begin(), out.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    return out;
}

QRect DocPageControl::frameOf(const QWidget* item) const {
    const QRect g = item->geometry();
    // The flip is its own inverse.
    return foundation::qtRectFromYUp(g.x(), g.y(), g.width(), g.height(), m_document->height());
}

void DocPageControl::placeDocument(int width) {
    m_document->resize(width, m_clip->height());
}

void DocPageControl::setScrollPosition(double x) {
    // The clip view never shows past the document's ends.
    const double maxX = std::max(0, documentWidth() - visibleWidth());
    m_scrollX = std::clamp(x, 0.0, maxX);
    m_document->move(-int(std::lround(m_scrollX)), 0);
}

// ---------------------------------------------------------------- items

void DocPageControl::addItemSelected(QWidget* item, QWidget* neighbour) {
    if (!item) return;
    if (neighbour && !m_items.contains(neighbour)) neighbour = nullptr;
    QPoint pos;
    if (neighbour) {
        const QRect a = frameOf(neighbour);
        for (const QPointer<QWidget>& w : m_items)
            if (w && frameOf(w).x() > a.x()) w->move(w->x() + kPitch, w->y());
        pos = QPoint(a.x() + kPitch, a.y());
        setButtonState(neighbour, 0);
    } else {
        pos = QPoint(kPitch * m_pageCount, 0);
    }
    placeDocument(std::max(kPitch * (m_pageCount + 1), visibleWidth()));
    const int h = m_document->height();
    item->setParent(m_document);
    item->setGeometry(foundation::qtRectFromYUp(pos.x(), pos.y(), kPitch, h, h));
    if (neighbour) setButtonState(item, 1);
    const int index = pos.x() / kPitch;
    current_page = index;
    item->show();
    m_items.append(item);
    m_emptyNote->hide();
    setPageCount(m_pageCount + 1);
    liveResizeDone();
    if (index >= maxShownPage()) stepNextTo(index);
}

QWidget* DocPageControl::removeItem(QWidget* item) {
    if (!item || !m_items.contains(item)) return nullptr;
    const QRect v = frameOf(item);
    const QPointF probe(v.x() + 1.5 * P, v.y() + 5);
    QWidget* replacement = nullptr;
    for (const QPointer<QWidget>& w : m_items) {
        if (!w || w == item) continue;
        const QRect f = frameOf(w);
        if (QRectF(f).contains(probe)) replacement = w;
        if (f.x() > v.x()) w->move(w->x() - kPitch, w->y());
    }
    m_items.removeAll(item);
    item->hide();
    item->setParent(nullptr);
    if (!replacement)
        if (const QList<QWidget*> left = items(); !left.isEmpty()) replacement = left.last();
    placeDocument(std::max(kPitch * (m_pageCount - 1), visibleWidth()));
    setPageCount(m_pageCount - 1);
    m_emptyNote->setVisible(m_pageCount == 0);
    liveResizeDone();
    return replacement;
}

// ---------------------------------------------------------------- counts and position

void DocPageControl::setPageCount(int count) {
    view_page_count = visibleWidth() / kPitch;
    m_pageCount = std::max(0, count);
    current_page = std::max(0, std::min(current_page, m_pageCount - view_page_count));
}

void DocPageControl::liveResizeDone() {
    if (m_pageCount == 0) placeDocument(visibleWidth());
    // Items made before the bar had its height (the favourites read at start-up) take the
    // height it has now.
    const int h = m_clip->height();
    if (m_document->height() != h) {
        m_document->resize(m_document->width(), h);
        for (const QPointer<QWidget>& w : m_items)
            if (w) w->setGeometry(w->x(), 0, kPitch, h);
    }
    double x = m_scrollX;
    view_page_count = visibleWidth() / kPitch;
    const int last = m_pageCount - view_page_count - 1;
    if (current_page > last) {
        current_page = last;
        x = last * P;
        if (x <= 0 || last < 1) {
            current_page = 0;
            x = 0;
        }
    }
    // No gap on the right while there are items to its left.
    if (view_page_count > 1) {
        while (m_pageCount + 1 - current_page <= view_page_count && x > 0) {
            current_page -= 1;
            x -= P;
            if (x <= 0 || current_page <= 0) {
                current_page = 0;
                x = 0;
            }
        }
    }
    setScrollPosition(x);
    setHiddenStates();
}

void DocPageControl::setHiddenStates() {
    m_prev->setVisible(m_scrollX > 0);
    m_next->setVisible(m_scrollX + visibleWidth() < kPitch * m_pageCount);
}

void DocPageControl::adjustVisibility(int index) {
    const double x = m_scrollX, w = visibleWidth();
    if (index * P + 1.5 * P > x + w)
        stepNext();
    else if (x > index * P - 0.5 * P)
        stepPrev();
}

void DocPageControl::stepPrev() {
    if (view_page_count == 1 && current_page > 0) {
        current_page -= 1;
        scrollToPage();
    } else if (m_scrollX > 0) {
        current_page -= 1;
        double to = m_scrollX - P;
        if (to < 0) {
            to = 0;
            current_page = 0;
        }
        animateTo(to);
    }
    setHiddenStates();
}

void DocPageControl::stepNext() {
    if (view_page_count == 1 && current_page < m_pageCount - 1) {
        current_page += 1;
        scrollToPage();
    } else {
        slideForward(1);
    }
    setHiddenStates();
}

void DocPageControl::stepNextTo(int index) {
    const int d = index + 1 - maxShownPage();
    if (d < 1) return;
    slideForward(d);
    setHiddenStates();
}

void DocPageControl::slideForward(int items) {
    if (documentWidth() < m_scrollX + visibleWidth()) return;
    current_page += items;
    if (current_page + view_page_count > m_pageCount + 1)
        current_page = m_pageCount + 1 - view_page_count;
    animateTo(m_scrollX + items * P);
}

void DocPageControl::scrollToPage() {
    animateTo(current_page * P);
}

void DocPageControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    liveResizeDone();
}

// ---------------------------------------------------------------- animation

void DocPageControl::animateTo(double toX) {
    Animation& a = animation();
    a.strip = this;
    a.step = 0;
    a.fromPT = a.currPt = m_scrollX;
    a.toPt = toX;
    a.running = true;
    if (a.manual) return;
    if (!a.timer) {
        a.timer = new QTimer(QCoreApplication::instance());
        a.timer->setInterval(kTickMs);
        QObject::connect(a.timer, &QTimer::timeout, [] { AnimateScroller(); });
    }
    a.timer->start();
}

void DocPageControl::AnimateScroller() {
    Animation& a = animation();
    DocPageControl* s = a.strip;
    if (!a.running || !s) {
        a.stop();
        return;
    }
    const int n = int(s->documentWidth() - s->visibleWidth()) > 100 ? 13 : 8;
    a.currPt += (a.toPt - a.fromPT) / n;
    s->setScrollPosition(a.currPt);
    a.step += 1;
    // A few ticks past the target, then back onto it.
    if (a.step > n + n / 5) {
        a.stop();
        s->setScrollPosition(a.toPt);
        s->setHiddenStates();
    }
}

bool DocPageControl::isAnimating() {
    return animation().running;
}

void DocPageControl::setManualAnimation(bool manual) {
    Animation& a = animation();
    a.manual = manual;
    if (manual && a.timer) a.timer->stop();
}

}  // namespace favourites
