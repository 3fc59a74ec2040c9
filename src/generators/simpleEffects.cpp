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

// A translucent stroke with mitred corners and plain ends: a random colour, then a random width.
struct Stroke {
    QColor colour;
    double width = 0;

    static Stroke random() {
        Stroke s;
        s.colour = randomColor();
        s.width = randomLineWidth();
        return s;
    }
    QPen pen() const {
        QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        return pen;
    }
};

// A path kept as its points, built anew for each painting: lines, or curves through two control
// points.
struct Outline {
    struct Piece {
        QPointF end, c1, c2;
        bool curve = false;
    };
    QPointF start;
    std::vector<Piece> pieces;
    Qt::FillRule rule = Qt::OddEvenFill;
    bool closed = false;

    QPainterPath path() const {
        QPainterPath path(start);
        path.setFillRule(rule);
        for (const Piece& piece : pieces) {
            if (piece.curve)
                path.cubicTo(piece.c1, piece.c2, piece.end);
            else
                path.lineTo(piece.end);
        }
        if (closed) path.closeSubpath();
        return path;
    }
};

QPainterPath circlePath(QPointF centre, double r) {
    QPainterPath path;
    path.addEllipse(centre, r, r);
    return path;
}

// Odd shapes are stroked, even ones filled, in a random colour (and width) drawn after the
// shape's own values; `path` builds the shape.
template <class PathOf>
simpleEffects::Shape strokedOrFilled(int i, PathOf path) {
    if (i % 2) {
        const Stroke stroke = Stroke::random();
        return [path, stroke](QPainter& p) { p.strokePath(path(), stroke.pen()); };
    }
    const QColor colour = randomColor();
    return [path, colour](QPainter& p) { p.fillPath(path(), colour); };
}

simpleEffects::Shape filledEllipse(const QRectF& r, const QColor& colour) {
    return [r, colour](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(r);
    };
}

// A frame one unit wide just inside the rectangle's edge, as four strips: a hollow path as large
// as the picture fills many times slower.
void frameRect(QPainter& p, const QRectF& r, const QColor& colour) {
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), colour);
    p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), colour);
    p.fillRect(QRectF(r.left(), r.top() + 1, 1, r.height() - 2), colour);
    p.fillRect(QRectF(r.right() - 1, r.top() + 1, 1, r.height() - 2), colour);
}

struct Square {
    QRectF rect;
    QColor fill, frame;
};

// The spiral: square i turned by a further i degrees about `centre` on top of the turns before
// it (nothing restores the transform between squares).
void paintSquares(QPainter& p, QPointF centre, const std::vector<Square>& squares) {
    std::vector<QTransform> turned;
    QTransform t = p.transform();
    double angle = 0;
    for (size_t i = 0; i < squares.size(); ++i) {
        t.translate(centre.x(), centre.y());
        t.rotate(angle);
        t.translate(-centre.x(), -centre.y());
        turned.push_back(t);
        angle += 1;
    }
    // The squares are opaque: one that the next hides everywhere on the device (the device lies
    // inside the next one's inside, three device pixels in from its edge, where the next covers
    // every pixel whole) is not painted. The larger squares of a long spiral are, and the pixels
    // are the same.
    const double perUnit = std::sqrt(std::abs(p.transform().determinant()));
    const double margin = perUnit > 0 ? 3 / perUnit : 3;
    const QSizeF device(p.device()->width(), p.device()->height());
    const QPolygonF corners(QRectF(QPointF(0, 0), device));
    for (size_t i = 0; i < squares.size(); ++i) {
        if (i + 1 < squares.size()) {
            const QRectF inside = squares[i + 1].rect.adjusted(margin, margin, -margin, -margin);
            const QPolygonF hidden = turned[i + 1].map(QPolygonF(inside));
            if (inside.isValid() && std::all_of(corners.begin(), corners.end(), [&](QPointF c) {
                    return hidden.containsPoint(c, Qt::OddEvenFill);
                }))
                continue;
        }
        p.setTransform(turned[i]);
        p.fillRect(squares[i].rect, squares[i].fill);
        frameRect(p, squares[i].rect, squares[i].frame);
    }
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

GeneratedEffect::Drawing simpleEffects::record(const QRectF& rect) {
    using Routine = void (simpleEffects::*)(Shapes&, const QRectF&);
    static constexpr Routine routines[] = {
        &simpleEffects::rectangles, &simpleEffects::circles,        &simpleEffects::bezierPaths,
        &simpleEffects::triangles,  &simpleEffects::flowers,        &simpleEffects::balls,
        &simpleEffects::lights,     &simpleEffects::spinningSquares};
    Shapes shapes;
    if (m_drawObj >= 0 && m_drawObj < int(std::size(routines)))
        (this->*routines[m_drawObj])(shapes, rect);
    return [shapes = std::move(shapes)](QPainter& p, const std::atomic<bool>& stop) {
        p.save();
        for (const Shape& shape : shapes) {
            if (stop.load(std::memory_order_relaxed)) break;
            shape(p);
        }
        p.restore();
    };
}

void simpleEffects::drawMyself(QPainter& p, const QRectF& rect) {
    const std::atomic<bool> never{false};
    record(rect)(p, never);
}

void simpleEffects::rectangles(Shapes& out, const QRectF& rect) {
    for (int i = 0; i < m_object_count; ++i) {
        if (i % 2) {
            const Stroke stroke = Stroke::random();
            const QPointF a = randomPoint(rect);
            const QPointF b = randomPoint(rect);
            const QRectF r = QRectF(a, b).normalized();
            out.push_back([stroke, r](QPainter& p) {
                QPainterPath path;
                path.addRect(r);
                p.strokePath(path, stroke.pen());
            });
        } else {
            const QColor colour = randomColor();
            const QPointF a = randomPoint(rect);
            const QPointF b = randomPoint(rect);
            const QRectF r = QRectF(a, b).normalized();
            out.push_back([colour, r](QPainter& p) { p.fillRect(r, colour); });
        }
    }
}

void simpleEffects::circles(Shapes& out, const QRectF& rect) {
    for (int i = 0; i < m_object_count; ++i) {
        const QPointF a = randomPoint(rect);
        const QPointF b = randomPoint(rect);
        // The radius is the smaller of the two spans, not half of it.
        const double r = std::min(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
        const QPointF centre = (a + b) / 2;
        out.push_back(strokedOrFilled(i, [centre, r] { return circlePath(centre, r); }));
    }
}

void simpleEffects::bezierPaths(Shapes& out, const QRectF& rect) {
    for (int i = 0; i < m_object_count; ++i) {
        const int pieces = std::rand() % 8 + 1;
        Outline outline;
        outline.start = randomPoint(rect);
        outline.rule = Qt::WindingFill;
        for (int j = 0; j < pieces; ++j) {
            Outline::Piece piece;
            piece.end = randomPoint(rect);
            if (j % 2) {
                piece.c1 = randomPoint(rect);
                piece.c2 = randomPoint(rect);
                piece.curve = true;
            }
            outline.pieces.push_back(piece);
        }
        outline.closed = i % 2 == 0;  // filled paths are closed
        out.push_back(strokedOrFilled(i, [outline] { return outline.path(); }));
    }
}

void simpleEffects::triangles(Shapes& out, const QRectF& rect) {
    for (int i = 0; i < m_object_count; ++i) {
        Outline outline;
        outline.start = randomPoint(rect);
        for (int k = 0; k < 2; ++k) outline.pieces.push_back({randomPoint(rect), {}, {}, false});
        outline.closed = i % 2 == 0;  // an open one has two sides only
        out.push_back(strokedOrFilled(i, [outline] { return outline.path(); }));
    }
}

void simpleEffects::flowers(Shapes& out, const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    const double s = std::max(w, h) / 100;  // petal size and distance
    for (int f = 0; f < 4 * m_object_count; ++f) {
        const double cx = randomUnit() * w;
        const double cy = randomUnit() * h;
        const QColor petals = randomColor();
        // 75 degrees apart: the fifth petal overlaps the first.
        for (int a = 0; a < 360; a += 75) {
            const double rad = a * M_PI / 180;
            out.push_back(filledEllipse(
                QRectF(cx + s * std::cos(rad), cy + s * std::sin(rad), s, s), petals));
        }
        const QColor heart = randomColor();
        out.push_back(filledEllipse(QRectF(cx, cy, s, s), heart));
    }
}

void simpleEffects::balls(Shapes& out, const QRectF& rect) {
    const long n = long(rect.width());
    if (n <= 0) return;
    for (int b = 0; b < 8 * m_object_count; ++b) {
        const QPointF at = randomPoint(rect);
        const QColor colour = randomColor();
        const long r1 = ::random();
        const long r2 = ::random();
        // Both taken modulo the width.
        const double a = double(r1 % n), c = double(r2 % n);
        const double d = std::hypot(a - at.x(), c - at.y()) / 10;
        out.push_back(filledEllipse(QRectF(at.x(), at.y(), d, d), colour));
    }
}

void simpleEffects::lights(Shapes& out, const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    for (int i = 0; i < m_object_count / 2; ++i) {
        // Steps of 12 degrees.
        const double alpha = 2 * i * M_PI / 30;
        const QPointF ray(std::cos(alpha) * w / 2, std::sin(alpha) * h / 2);
        const QColor colour = randomColor();
        for (int k = 0; k < 10; ++k) {
            const double t = (k + 2) / 10.0;
            out.push_back(
                filledEllipse(QRectF(w / 2 + t * ray.x(), h / 2 + t * ray.y(), 20, 20), colour));
        }
    }
}

void simpleEffects::spinningSquares(Shapes& out, const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    const double m = std::max(w, h);
    const QPointF centre(rect.left() + w / 2, rect.top() + h / 2);
    const double step = (m - 5) / m_object_count;
    std::vector<Square> squares;
    QRectF square(centre.x() - m, centre.y() - m, 2 * m, 2 * m);
    for (int i = 0; i < m_object_count; ++i) {
        const QColor fill = opaqueRandomColor();
        const QColor frame = opaqueRandomColor();
        squares.push_back({square, fill, frame});
        square.adjust(step, step, -step, -step);
    }
    // Turned about the rectangle's own middle.
    const QPointF pivot(w / 2, h / 2);
    out.push_back([pivot, squares](QPainter& p) { paintSquares(p, pivot, squares); });
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
