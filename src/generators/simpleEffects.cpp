#include "generators/simpleEffects.h"

#include <QComboBox>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "generators/GeneratorRandom.h"
#include "workbench/Autoresizer.h"
#include "workbench/FloatSlider.h"

namespace generators {

namespace {

// Every value below is drawn in its own statement: the order of the draws makes the picture.

QPointF randomPoint(const QRectF& r) {
    const double x = r.left() + randomUnit() * r.width();
    const double y = r.top() + randomUnit() * r.height();
    return {x, y};
}

// A whole number from 2 to 11, from a plain rand() value.
double randomLineWidth() {
    return std::rand() % 10 + 2;
}

// A colour channel from random(): whole steps of 1/255.
double randomChannel() {
    return double(::random() % 255) / 255.0;
}

// An opaque colour from three random() values: blue, green, then red.
QColor opaqueRandomColor() {
    const double b = randomChannel(), g = randomChannel(), r = randomChannel();
    return QColor::fromRgbF(float(r), float(g), float(b));
}

// A random colour, then a random width: a translucent stroke with mitred corners and plain
// ends.
QPen randomPen() {
    const QColor colour = randomColor();
    QPen pen(colour, randomLineWidth(), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

void strokeRandomly(QPainter& p, const QPainterPath& path) {
    p.strokePath(path, randomPen());
}

void fillRandomly(QPainter& p, const QPainterPath& path) {
    p.fillPath(path, randomColor());
}

// A frame one unit wide just inside the rectangle's edge, as four strips: a hollow path as large
// as the picture fills many times slower.
void frameRect(QPainter& p, const QRectF& r, const QColor& colour) {
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), colour);
    p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), colour);
    p.fillRect(QRectF(r.left(), r.top() + 1, 1, r.height() - 2), colour);
    p.fillRect(QRectF(r.right() - 1, r.top() + 1, 1, r.height() - 2), colour);
}

}  // namespace

simpleEffects::simpleEffects() = default;

void simpleEffects::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> simpleEffects::newInstance() const {
    return std::make_unique<simpleEffects>();
}

void simpleEffects::drawMyself(QPainter& p, const QRectF& rect) {
    using Routine = void (simpleEffects::*)(QPainter&, const QRectF&);
    static constexpr Routine routines[] = {
        &simpleEffects::rectangles, &simpleEffects::circles,        &simpleEffects::bezierPaths,
        &simpleEffects::triangles,  &simpleEffects::flowers,        &simpleEffects::balls,
        &simpleEffects::lights,     &simpleEffects::spinningSquares};
    if (m_drawObj < 0 || m_drawObj >= int(std::size(routines))) return;
    p.save();
    (this->*routines[m_drawObj])(p, rect);
    p.restore();
}

void simpleEffects::rectangles(QPainter& p, const QRectF& rect) {
    for (int i = 0; i < m_object_count; ++i) {
        if (i % 2) {
            const QPen pen = randomPen();
            const QPointF a = randomPoint(rect);
            const QPointF b = randomPoint(rect);
            QPainterPath path;
            path.addRect(QRectF(a, b).normalized());
            p.strokePath(path, pen);
        } else {
            const QColor colour = randomColor();
            const QPointF a = randomPoint(rect);
            const QPointF b = randomPoint(rect);
            p.fillRect(QRectF(a, b).normalized(), colour);
        }
    }
}

void simpleEffects::circles(QPainter& p, const QRectF& rect) {
    for (int i = 0; i < m_object_count; ++i) {
        const QPointF a = randomPoint(rect);
        const QPointF b = randomPoint(rect);
        // The radius is the smaller of the two spans, not half of it.
        const double r = std::min(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
        QPainterPath path;
        path.addEllipse((a + b) / 2, r, r);
        if (i % 2)
            strokeRandomly(p, path);
        else
            fillRandomly(p, path);
    }
}

void simpleEffects::bezierPaths(QPainter& p, const QRectF& rect) {
    for (int i = 0; i < m_object_count; ++i) {
        const int pieces = std::rand() % 8 + 1;
        QPainterPath path(randomPoint(rect));
        path.setFillRule(Qt::WindingFill);
        for (int j = 0; j < pieces; ++j) {
            const QPointF end = randomPoint(rect);
            if (j % 2) {
                const QPointF c1 = randomPoint(rect);
                const QPointF c2 = randomPoint(rect);
                path.cubicTo(c1, c2, end);
            } else {
                path.lineTo(end);
            }
        }
        if (i % 2) {
            strokeRandomly(p, path);
        } else {
            path.closeSubpath();
            fillRandomly(p, path);
        }
    }
}

void simpleEffects::triangles(QPainter& p, const QRectF& rect) {
    for (int i = 0; i < m_object_count; ++i) {
        QPainterPath path(randomPoint(rect));
        path.lineTo(randomPoint(rect));
        path.lineTo(randomPoint(rect));
        if (i % 2) {
            strokeRandomly(p, path);  // two sides only
        } else {
            path.closeSubpath();
            fillRandomly(p, path);
        }
    }
}

void simpleEffects::flowers(QPainter& p, const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    const double s = std::max(w, h) / 100;  // petal size and distance
    p.setPen(Qt::NoPen);
    for (int f = 0; f < 4 * m_object_count; ++f) {
        const double cx = randomUnit() * w;
        const double cy = randomUnit() * h;
        p.setBrush(randomColor());
        // 75 degrees apart: the fifth petal overlaps the first.
        for (int a = 0; a < 360; a += 75) {
            const double rad = a * M_PI / 180;
            p.drawEllipse(QRectF(cx + s * std::cos(rad), cy + s * std::sin(rad), s, s));
        }
        p.setBrush(randomColor());
        p.drawEllipse(QRectF(cx, cy, s, s));
    }
}

void simpleEffects::balls(QPainter& p, const QRectF& rect) {
    const long n = long(rect.width());
    if (n <= 0) return;
    p.setPen(Qt::NoPen);
    for (int b = 0; b < 8 * m_object_count; ++b) {
        const QPointF at = randomPoint(rect);
        p.setBrush(randomColor());
        const long r1 = ::random();
        const long r2 = ::random();
        // Both taken modulo the width.
        const double a = double(r1 % n), c = double(r2 % n);
        const double d = std::hypot(a - at.x(), c - at.y()) / 10;
        p.drawEllipse(QRectF(at.x(), at.y(), d, d));
    }
}

void simpleEffects::lights(QPainter& p, const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < m_object_count / 2; ++i) {
        // Steps of 12 degrees.
        const double alpha = 2 * i * M_PI / 30;
        const QPointF ray(std::cos(alpha) * w / 2, std::sin(alpha) * h / 2);
        p.setBrush(randomColor());
        for (int k = 0; k < 10; ++k) {
            const double t = (k + 2) / 10.0;
            p.drawEllipse(QRectF(w / 2 + t * ray.x(), h / 2 + t * ray.y(), 20, 20));
        }
    }
}

void simpleEffects::spinningSquares(QPainter& p, const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    const double m = std::max(w, h);
    const QPointF centre(rect.left() + w / 2, rect.top() + h / 2);
    const double step = (m - 5) / m_object_count;
    // Each square, turned and with its colours. The turns add up: nothing restores the
    // transform between squares.
    struct Square {
        QTransform transform;
        QRectF rect;
        QColor fill, frame;
    };
    std::vector<Square> squares;
    QTransform t = p.transform();
    QRectF square(centre.x() - m, centre.y() - m, 2 * m, 2 * m);
    double angle = 0;
    for (int i = 0; i < m_object_count; ++i) {
        t.translate(w / 2, h / 2);
        t.rotate(angle);
        t.translate(-w / 2, -h / 2);
        const QColor fill = opaqueRandomColor();
        const QColor frame = opaqueRandomColor();
        squares.push_back({t, square, fill, frame});
        square.adjust(step, step, -step, -step);
        angle += 1;
    }
    // The squares are opaque: one that the next hides everywhere on the picture (the picture
    // lies inside the next one's inside, three pixels in from its edge, where the next covers
    // every pixel whole) is not painted. The larger squares of a long spiral are, and the pixels
    // are the same.
    const QSizeF device(p.device()->width(), p.device()->height());
    const QPolygonF corners(QRectF(QPointF(0, 0), device));
    for (size_t i = 0; i < squares.size(); ++i) {
        if (i + 1 < squares.size()) {
            const Square& next = squares[i + 1];
            const QRectF inside = next.rect.adjusted(3, 3, -3, -3);
            const QPolygonF hidden = next.transform.map(QPolygonF(inside));
            if (inside.isValid() && std::all_of(corners.begin(), corners.end(), [&](QPointF c) {
                    return hidden.containsPoint(c, Qt::OddEvenFill);
                }))
                continue;
        }
        const Square& sq = squares[i];
        p.setTransform(sq.transform);
        p.fillRect(sq.rect, sq.fill);
        frameRect(p, sq.rect, sq.frame);
    }
}

// ---------------------------------------------------------------- settings

void simpleEffects::changeObjectType(QComboBox* sender) {
    changeSetting(m_drawObj, sender->currentIndex(), sender, false, true,
                  &simpleEffects::setObjectTypeSender);
}

void simpleEffects::setObjectTypeSender(int type, QWidget* sender) {
    changeSetting(m_drawObj, type, sender, true, true, &simpleEffects::setObjectTypeSender);
    if (auto* box = qobject_cast<QComboBox*>(sender)) {
        const QSignalBlocker block(box);
        box->setCurrentIndex(type);
    }
}

void simpleEffects::changeObjectCount(QSlider* sender) {
    changeSetting(m_object_count, sender->value(), sender, false, true,
                  &simpleEffects::setChangObjCountSender);
}

void simpleEffects::setChangObjCountSender(int count, QWidget* sender) {
    changeSetting(m_object_count, count, sender, true, true,
                  &simpleEffects::setChangObjCountSender);
}

void simpleEffects::buildControls(QWidget* host) {
    // The frame's rows sit lower here, under the object type.
    addBorderView(host);
    addLabel(host, QStringLiteral("Object type:"), 196);
    auto* box = new QComboBox(host);
    box->addItems(kObjectTypes);
    box->setCurrentIndex(m_drawObj);
    // Without focus: keys such as Escape go to the window, whose Escape drops this panel.
    box->setFocusPolicy(Qt::NoFocus);
    placeInPanel(host, box, QRect(140, 193, 120, 22),
                 workbench::kMaxXMargin | workbench::kMinYMargin);
    QObject::connect(box, &QComboBox::activated, receiver(),
                     [this, box] { changeObjectType(box); });
    addLabel(host, QStringLiteral("Background Color:"), 167);
    addColorWell(host, 164, m_bgColor, [this](workbench::ColorWell* w) { changeBgColor(w); });
    addLabel(host, QStringLiteral("Background Image:"), 142);
    addCheckBox(host, 142, m_useBackImage, [this](QCheckBox* b) { useBgImage(b); });
    addLabel(host, QStringLiteral("Objects opacity:"), 120);
    addFloatSlider(host, 120, 0, 100, int(m_opacity), true,
                   [this](workbench::FloatSlider* s) { changeOpacity(s); });
    addLabel(host, QStringLiteral("Objects count:"), 98);
    addIntSlider(host, 98, kMinCount, kMaxCount, m_object_count, false,
                 [this](QSlider* s) { changeObjectCount(s); });
    addGenerateButton(host, 55);
}

// ---------------------------------------------------------------- settings dictionary and copies

effects::EffectSettings simpleEffects::save() const {
    effects::EffectSettings d = GeneratorFrame::save();
    d.insert(kDrawObjKey, m_drawObj);
    d.insert(kObjectCountKey, m_object_count);
    return d;
}

void simpleEffects::read(const effects::EffectSettings& d) {
    if (d.isEmpty()) return;
    GeneratorFrame::read(d);
    // A type outside the list is kept: it draws nothing.
    readInt(d, kDrawObjKey, m_drawObj, std::numeric_limits<int>::min(),
            std::numeric_limits<int>::max());
    // Up to 1600 shapes per generation; a stored count beyond the slider's would not finish.
    readInt(d, kObjectCountKey, m_object_count, 0, kMaxCount);
}

std::unique_ptr<effects::BaseEffect> simpleEffects::mycopy() const {
    auto copy = GeneratorFrame::mycopy();
    auto* c = static_cast<simpleEffects*>(copy.get());
    c->setObjectMode(m_drawObj);
    c->seObjectCount(m_object_count);
    return copy;
}

}  // namespace generators
