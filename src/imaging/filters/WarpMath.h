#pragma once
// Plane maths for the filters that move pixels: projective maps, lattices, folds and the
// wrap-around warps of tiles. All in picture units, y up.

#include <array>
#include <cmath>
#include <optional>
#include <vector>

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
// A turn by a fixed angle, its sine and cosine worked out once.
struct Turn {
    double c = 1, s = 0;
    explicit Turn(double angle) : c(std::cos(angle)), s(std::sin(angle)) {}
    Point operator()(Point a) const { return {a.x * c - a.y * s, a.x * s + a.y * c}; }
    Point back(Point a) const { return {a.x * c + a.y * s, -a.x * s + a.y * c}; }
};

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
// only that part of the input is ever read. Points are kept half a pixel inside the source (and
// the input's extent) so that seams between tiles do not fade into the transparency around it.
template <class F>
Image tileWarp(const Image& in, F map, const Rect& source) {
    if (!in) return {};
    SampleOptions o;
    o.extent = Rect::infinite();
    o.roi = [source](size_t, const Rect&) { return source; };
    const Rect c = source.intersected(in.extent());
    return sampleKernel(
        {in},
        [map, c](const Sampler& s, Point p) {
            Point q = map(p);
            if (!std::isfinite(q.x) || !std::isfinite(q.y)) return Px{0, 0, 0, 0};
            const double h = 0.5 * s.pixel();
            auto keep = [h](double v, double lo, double len) {
                return len > 2 * h ? std::max(lo + h, std::min(lo + len - h, v)) : lo + 0.5 * len;
            };
            return s(Point{keep(q.x, c.x, c.width), keep(q.y, c.y, c.height)});
        },
        o);
}

// atan2 to within about 1e-5 radians, several times cheaper than the library's.
inline double fastAtan2(double y, double x) {
    const double ax = std::abs(x), ay = std::abs(y), mx = std::max(ax, ay);
    if (!(mx > 0)) return 0;
    const double a = std::min(ax, ay) / mx, s = a * a;
    double r = ((-0.0464964749 * s + 0.15931422) * s - 0.327622764) * s * a + a;
    if (ay > ax) r = 1.57079632679489662 - r;
    if (x < 0) r = 3.14159265358979324 - r;
    return y < 0 ? -r : r;
}

// Folds the plane round the origin into the wedge of angles [0, wedge]: the point is turned back
// by whole wedges and, with `reflect`, every other wedge is mirrored instead (a kaleidoscope).
class WedgeFold {
  public:
    WedgeFold(double wedge, bool reflect) : reflect_(reflect) {
        // More than a few thousand wedges cannot be told apart; keep the table small.
        w_ = std::clamp(std::isfinite(wedge) ? wedge : 1.0, 1e-3, 2 * 3.14159265358979324);
        kmin_ = int(std::floor(-3.14159265358979324 / w_)) - 1;
        const int kmax = int(std::floor(3.14159265358979324 / w_)) + 1;
        for (int k = kmin_; k <= kmax; ++k) turns_.push_back(unit(-k * w_));
        mirror_ = unit(w_);
    }
    Point operator()(Point l) const {
        const int k = std::clamp(int(std::floor(fastAtan2(l.y, l.x) / w_)), kmin_,
                                 kmin_ + int(turns_.size()) - 1);
        const Point t = turns_[size_t(k - kmin_)];
        Point r{l.x * t.x - l.y * t.y, l.x * t.y + l.y * t.x};
        if (reflect_ && (k & 1))  // mirror in the wedge's bisector
            r = {r.x * mirror_.x + r.y * mirror_.y, r.x * mirror_.y - r.y * mirror_.x};
        return r;
    }

  private:
    double w_;
    bool reflect_;
    int kmin_;
    std::vector<Point> turns_;
    Point mirror_;
};

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
