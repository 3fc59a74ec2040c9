#pragma once
// Picture geometry: y-up coordinates, one unit per picture pixel.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace imaging {

struct Point {
    double x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    double x = 0, y = 0, width = 0, height = 0;

    // The platform's "infinite" rectangle; generators report it as their extent.
    static constexpr double kInfOrigin = -8.98847e307;
    static constexpr double kInfSize = 1.79769e308;
    static Rect infinite() { return {kInfOrigin, kInfOrigin, kInfSize, kInfSize}; }

    bool isInfinite() const { return width >= kInfSize * 0.5 || height >= kInfSize * 0.5; }
    bool isEmpty() const { return !(width > 0 && height > 0); }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    Point center() const { return {x + width * 0.5, y + height * 0.5}; }
    bool contains(Point p) const { return p.x >= x && p.x < maxX() && p.y >= y && p.y < maxY(); }

    Rect intersected(const Rect& o) const;
    Rect united(const Rect& o) const;
    Rect insetBy(double dx, double dy) const;
    // Smallest rectangle with integral edges that contains this one.
    Rect integral() const;

    friend bool operator==(const Rect&, const Rect&) = default;
};

// An integer pixel rectangle [x0, x1) x [y0, y1) in the scaled render space (y up).
struct IRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    int width() const { return x1 > x0 ? x1 - x0 : 0; }
    int height() const { return y1 > y0 ? y1 - y0 : 0; }
    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
    int64_t area() const { return isEmpty() ? 0 : int64_t(width()) * height(); }
    bool contains(const IRect& o) const {
        return o.isEmpty() || (o.x0 >= x0 && o.y0 >= y0 && o.x1 <= x1 && o.y1 <= y1);
    }
    IRect intersected(const IRect& o) const;
    IRect united(const IRect& o) const;
    IRect grown(int dx, int dy) const { return {x0 - dx, y0 - dy, x1 + dx, y1 + dy}; }

    // Pixels of the scaled space that a picture-space rectangle touches at `scale`,
    // clamped to a range that integer arithmetic survives.
    static IRect cover(const Rect& r, double scale);
    // The picture-space rectangle these scaled pixels cover.
    Rect toPicture(double scale) const;

    friend bool operator==(const IRect&, const IRect&) = default;
};

// Affine map in the platform's convention: x' = a x + c y + tx, y' = b x + d y + ty.
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static AffineTransform scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static AffineTransform rotation(double radians);

    bool isIdentity() const { return *this == AffineTransform{}; }
    bool isTranslation() const { return a == 1 && b == 0 && c == 0 && d == 1; }
    double determinant() const { return a * d - b * c; }
    bool isInvertible() const;
    AffineTransform inverted() const;
    // This transform followed by `then`.
    AffineTransform concatenated(const AffineTransform& then) const;

    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    Rect apply(const Rect& r) const;

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

std::string toString(const Rect& r);

}  // namespace imaging
