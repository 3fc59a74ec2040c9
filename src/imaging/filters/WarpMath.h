#pragma once
// Plane maths for the filters that move pixels: projective maps, lattices, folds and the
// wrap-around warps of tiles. All in picture units, y up.

#include <array>
#include <cmath>
#include <optional>

#include "imaging/NodeKinds.h"

namespace imaging::warpmath {


inline Point add(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}
inline Point sub(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}
inline Point mul(Point a, double k) {
    return {a.x * k, a.y * k};
}
inline double dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}
inline double length(Point a) {
    return std::hypot(a.x, a.y);
}
inline Point rotate(Point a, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}
inline Point unit(double angle) {
    return {std::cos(angle), std::sin(angle)};
}

// Where a warp has nothing to show.
inline Point nowhere() {
    return {NAN, NAN};
}

// v wrapped into [0, period).
inline double wrap(double v, double period) {
    double r = v - period * std::floor(v / period);
    return r >= period ? 0 : r;
}
// v folded into [0, period] by mirrors at every multiple of period (a triangle wave).
inline double mirror(double v, double period) {
    double r = wrap(v, 2 * period);
    return r > period ? 2 * period - r : r;
}

// A length the maths can divide by: at least `floor`, finite.
inline double safeLength(double v, double floor = 1e-3) {
    if (!std::isfinite(v)) return 1e12;
    return std::max(std::abs(v), floor);
}

// Hermite smoothstep of t between 0 and 1.
inline double smoothstep(double e0, double e1, double x) {
    double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// ---------------------------------------------------------------------------------------------
// Projective maps: (x, y) -> ((a x + b y + c) / (g x + h y + 1), (d x + e y + f) / (...)).

struct Homography {
    std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};

    Point apply(Point p) const {
        double w = m[6] * p.x + m[7] * p.y + m[8];
        if (!(std::abs(w) > 1e-12)) return nowhere();
        return {(m[0] * p.x + m[1] * p.y + m[2]) / w, (m[3] * p.x + m[4] * p.y + m[5]) / w};
    }
    // The homogeneous w of p: points with w <= 0 lie beyond the horizon.
    double w(Point p) const { return m[6] * p.x + m[7] * p.y + m[8]; }
    std::optional<Homography> inverted() const;

    // The map taking the unit square's corners (0,0), (1,0), (1,1), (0,1) to q[0..3]; nothing
    // when the quadrilateral is degenerate.
    static std::optional<Homography> squareTo(const std::array<Point, 4>& q);
    // The map taking quadrilateral `from` to quadrilateral `to` (corners in the same order).
    static std::optional<Homography> quadToQuad(const std::array<Point, 4>& from,
                                                const std::array<Point, 4>& to);
    // The map taking rectangle r (corners bottom-left, bottom-right, top-right, top-left) to q.
    static std::optional<Homography> rectTo(const Rect& r, const std::array<Point, 4>& q);
};

// Bounding box of four points.
Rect boundsOf(const std::array<Point, 4>& q);
// The corners of r as bottom-left, bottom-right, top-right, top-left.
std::array<Point, 4> cornersOf(const Rect& r);

// ---------------------------------------------------------------------------------------------
// Lattices: a plane tiled by the cell spanned by vectors a and b from `origin`.

struct Lattice {
    Point origin, a, b;

    // Lattice coordinates of p (cell (i, j) has coordinates in [i, i+1) x [j, j+1)).
    Point toCell(Point p) const {
        Point d = sub(p, origin);
        double det = a.x * b.y - a.y * b.x;
        if (!(std::abs(det) > 1e-12)) return {0, 0};
        return {(d.x * b.y - d.y * b.x) / det, (a.x * d.y - a.y * d.x) / det};
    }
    Point fromCell(Point uv) const {
        return {origin.x + a.x * uv.x + b.x * uv.y, origin.y + a.y * uv.x + b.y * uv.y};
    }
    // Bounding box of the cells spanning [u0, u1] x [v0, v1] in lattice coordinates.
    Rect bounds(double u0, double u1, double v0, double v1) const {
        return boundsOf(
            {fromCell({u0, v0}), fromCell({u1, v0}), fromCell({u1, v1}), fromCell({u0, v1})});
    }
    // A lattice of side `width` turned by `angle`, its second axis `acute` from the first.
    static Lattice oblique(Point origin, double width, double angle, double acute) {
        width = safeLength(width, 0.5);
        // Nearly parallel axes would make cells of no area.
        double s = std::sin(acute);
        if (std::abs(s) < 0.05) acute = s < 0 ? -std::asin(0.05) : std::asin(0.05);
        return {origin, mul(unit(angle), width), mul(unit(angle + acute), width)};
    }
};

// ---------------------------------------------------------------------------------------------
// Tiles: the whole plane filled from a bounded source region.

// out(p) = in(map(p)) over the whole plane, where map always lands in `source` (picture units):
// only that part of the input is ever read.
template <class F>
Image tileWarp(const Image& in, F map, const Rect& source) {
    WarpOptions o;
    o.extent = Rect::infinite();
    o.roi = [source](const Rect&) { return source; };
    return warp(in, std::move(map), o);
}

// The angle of d folded into the wedge [0, wedge] by mirrors at multiples of `wedge`.
inline Point foldIntoWedge(Point d, double wedge) {
    double r = length(d);
    double a = mirror(std::atan2(d.y, d.x), wedge);
    return {r * std::cos(a), r * std::sin(a)};
}

// The point of an equilateral-triangle reflection pattern (triangles of side `side`, one edge
// on the x axis from the origin) folded into the triangle with corners (0,0), (side,0) and
// (side/2, side*sqrt(3)/2).
Point foldIntoTriangle(Point p, double side);

// The point of a regular hexagonal lattice of cells (centres `spacing` apart, one centre at
// the origin) relative to the centre of the cell that contains it.
Point hexCellLocal(Point p, double spacing);

// ---------------------------------------------------------------------------------------------
// Whole-picture maps.

// The picture carried by the projective map `h` (picture to result). Points whose source lies
// beyond the horizon stay transparent. The extent is the mapped extent, or the whole plane when
// the picture reaches the horizon. `reference` is a point in front of the camera (h.w > 0 there
// after normalising the sign). A null image for a degenerate map.
Image projectiveWarp(const Image& in, Homography h, Point reference);

// Scaling by (sx, sy) about the origin, reconstructed with a separable kernel of the given
// support (in source pixels at magnification; widened when shrinking so nothing aliases).
using ResampleKernel = double (*)(double x, const double* params);
Image resampleSeparable(const Image& in, double sx, double sy, ResampleKernel kernel,
                        double support, std::array<double, 2> params = {});

}  // namespace imaging::warpmath
