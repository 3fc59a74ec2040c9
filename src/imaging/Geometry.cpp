#include "imaging/Geometry.h"

#include <cstdio>

namespace imaging {

Rect Rect::intersected(const Rect& o) const {
    if (isInfinite()) return o;
    if (o.isInfinite()) return *this;
    double nx = std::max(x, o.x), ny = std::max(y, o.y);
    double mx = std::min(maxX(), o.maxX()), my = std::min(maxY(), o.maxY());
    if (mx <= nx || my <= ny) return {};
    return {nx, ny, mx - nx, my - ny};
}

Rect Rect::united(const Rect& o) const {
    if (isInfinite() || o.isInfinite()) return infinite();
    if (isEmpty()) return o;
    if (o.isEmpty()) return *this;
    double nx = std::min(x, o.x), ny = std::min(y, o.y);
    return {nx, ny, std::max(maxX(), o.maxX()) - nx, std::max(maxY(), o.maxY()) - ny};
}

Rect Rect::insetBy(double dx, double dy) const {
    if (isInfinite()) return *this;
    Rect r{x + dx, y + dy, width - 2 * dx, height - 2 * dy};
    if (r.width <= 0 || r.height <= 0) return {};
    return r;
}

Rect Rect::integral() const {
    if (isInfinite() || isEmpty()) return *this;
    double nx = std::floor(x), ny = std::floor(y);
    return {nx, ny, std::ceil(maxX()) - nx, std::ceil(maxY()) - ny};
}

namespace {
// Keep scaled coordinates well inside int range so that growing a rectangle cannot overflow.
constexpr double kCoordLimit = 1 << 29;
int clampCoord(double v) {
    return int(std::clamp(v, -kCoordLimit, kCoordLimit));
}
}  // namespace

IRect IRect::intersected(const IRect& o) const {
    IRect r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    if (r.isEmpty()) return {};
    return r;
}

IRect IRect::united(const IRect& o) const {
    if (isEmpty()) return o;
    if (o.isEmpty()) return *this;
    return {std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
}

IRect IRect::cover(const Rect& r, double scale) {
    if (r.isEmpty()) return {};
    if (r.isInfinite()) {
        int lo = clampCoord(-kCoordLimit), hi = clampCoord(kCoordLimit);
        return {lo, lo, hi, hi};
    }
    // A tiny tolerance keeps exact edges (0.2 * 5000 = 999.9999...) from spilling a pixel.
    const double eps = 1e-7;
    return {clampCoord(std::floor(r.x * scale + eps)), clampCoord(std::floor(r.y * scale + eps)),
            clampCoord(std::ceil(r.maxX() * scale - eps)),
            clampCoord(std::ceil(r.maxY() * scale - eps))};
}

Rect IRect::toPicture(double scale) const {
    if (isEmpty()) return {};
    return {x0 / scale, y0 / scale, width() / scale, height() / scale};
}

AffineTransform AffineTransform::rotation(double radians) {
    double s = std::sin(radians), c = std::cos(radians);
    return {c, s, -s, c, 0, 0};
}

bool AffineTransform::isInvertible() const {
    double det = determinant();
    return std::isfinite(det) && std::abs(det) > 1e-12;
}

AffineTransform AffineTransform::inverted() const {
    double det = determinant();
    if (!isInvertible()) return *this;
    double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    return {ia, ib, ic, id, -(ia * tx + ic * ty), -(ib * tx + id * ty)};
}

AffineTransform AffineTransform::concatenated(const AffineTransform& t) const {
    return {a * t.a + b * t.c, a * t.b + b * t.d,          c * t.a + d * t.c,
            c * t.b + d * t.d, tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty};
}

Rect AffineTransform::apply(const Rect& r) const {
    if (r.isInfinite()) return r;
    if (r.isEmpty()) return {};
    Point p[4] = {apply(Point{r.x, r.y}), apply(Point{r.maxX(), r.y}), apply(Point{r.x, r.maxY()}),
                  apply(Point{r.maxX(), r.maxY()})};
    double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (auto& q : p) {
        x0 = std::min(x0, q.x), x1 = std::max(x1, q.x);
        y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

std::string toString(const Rect& r) {
    if (r.isInfinite()) return "infinite";
    char buf[160];
    std::snprintf(buf, sizeof buf, "[%g %g %g %g]", r.x, r.y, r.width, r.height);
    return buf;
}

}  // namespace imaging
