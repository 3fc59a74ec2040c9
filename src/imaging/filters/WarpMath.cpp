#include "imaging/filters/WarpMath.h"

namespace imaging::warpmath {

std::optional<Homography> Homography::inverted() const {
    const auto& a = m;
    std::array<double, 9> r{
        a[4] * a[8] - a[5] * a[7], a[2] * a[7] - a[1] * a[8], a[1] * a[5] - a[2] * a[4],
        a[5] * a[6] - a[3] * a[8], a[0] * a[8] - a[2] * a[6], a[2] * a[3] - a[0] * a[5],
        a[3] * a[7] - a[4] * a[6], a[1] * a[6] - a[0] * a[7], a[0] * a[4] - a[1] * a[3]};
    double det = a[0] * r[0] + a[1] * r[3] + a[2] * r[6];
    if (!(std::abs(det) > 1e-18) || !std::isfinite(det)) return std::nullopt;
    Homography h;
    for (size_t i = 0; i < 9; ++i) h.m[i] = r[i] / det;
    return h;
}

std::optional<Homography> Homography::squareTo(const std::array<Point, 4>& q) {
    const double dx1 = q[1].x - q[2].x, dx2 = q[3].x - q[2].x,
                 dx3 = q[0].x - q[1].x + q[2].x - q[3].x;
    const double dy1 = q[1].y - q[2].y, dy2 = q[3].y - q[2].y,
                 dy3 = q[0].y - q[1].y + q[2].y - q[3].y;
    double g = 0, h = 0;
    if (dx3 != 0 || dy3 != 0) {
        double det = dx1 * dy2 - dx2 * dy1;
        if (!(std::abs(det) > 1e-12)) return std::nullopt;
        g = (dx3 * dy2 - dx2 * dy3) / det;
        h = (dx1 * dy3 - dx3 * dy1) / det;
    }
    Homography H;
    H.m = {q[1].x - q[0].x + g * q[1].x,
           q[3].x - q[0].x + h * q[3].x,
           q[0].x,
           q[1].y - q[0].y + g * q[1].y,
           q[3].y - q[0].y + h * q[3].y,
           q[0].y,
           g,
           h,
           1};
    // A fold-over (three corners in a line, a crossed quadrilateral) has no inverse.
    if (!H.inverted()) return std::nullopt;
    for (double v : H.m)
        if (!std::isfinite(v)) return std::nullopt;
    return H;
}

namespace {
Homography times(const Homography& a, const Homography& b) {  // a after b
    Homography r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += a.m[size_t(3 * i + k)] * b.m[size_t(3 * k + j)];
            r.m[size_t(3 * i + j)] = s;
        }
    return r;
}
}  // namespace

std::optional<Homography> Homography::quadToQuad(const std::array<Point, 4>& from,
                                                 const std::array<Point, 4>& to) {
    auto a = squareTo(from), b = squareTo(to);
    if (!a || !b) return std::nullopt;
    auto ai = a->inverted();
    if (!ai) return std::nullopt;
    return times(*b, *ai);
}

std::optional<Homography> Homography::rectTo(const Rect& r, const std::array<Point, 4>& q) {
    return quadToQuad(cornersOf(r), q);
}

Rect boundsOf(const std::array<Point, 4>& q) {
    double x0 = q[0].x, x1 = q[0].x, y0 = q[0].y, y1 = q[0].y;
    for (auto& p : q) {
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

std::array<Point, 4> cornersOf(const Rect& r) {
    return {Point{r.x, r.y}, Point{r.maxX(), r.y}, Point{r.maxX(), r.maxY()}, Point{r.x, r.maxY()}};
}

Point foldIntoTriangle(Point p, double side) {
    const double s = safeLength(side, 0.5), h = s * std::sqrt(3.0) / 2;
    const Point centroid{s / 2, h / 3};
    // Two reflections in parallel mirrors are a translation: first remove whole periods of the
    // pattern (a hexagonal lattice of spacing 2h), then reflect into the triangle.
    const Lattice periods{centroid, {1.5 * s, h}, {0, 2 * h}};
    Point uv = periods.toCell(p);
    p = periods.fromCell({uv.x - std::round(uv.x), uv.y - std::round(uv.y)});
    // Inward normals of the edges through (s, 0) and through (0, 0).
    const Point n2{-std::sqrt(3.0) / 2, -0.5}, n3{std::sqrt(3.0) / 2, -0.5};
    for (int i = 0; i < 12; ++i) {
        if (p.y < 0) {
            p.y = -p.y;
            continue;
        }
        double d2 = dot(sub(p, {s, 0}), n2);
        if (d2 < 0) {
            p = sub(p, mul(n2, 2 * d2));
            continue;
        }
        double d3 = dot(p, n3);
        if (d3 < 0) {
            p = sub(p, mul(n3, 2 * d3));
            continue;
        }
        break;
    }
    return p;
}

Point hexCellLocal(Point p, double spacing) {
    // The centres are two rectangular lattices, d x d sqrt(3), the second moved by half of
    // each: the nearer of the two nearest centres wins.
    const double d = safeLength(spacing, 0.5), h = d * std::sqrt(3.0);
    const double ax = p.x - d * std::round(p.x / d), ay = p.y - h * std::round(p.y / h);
    const double qx = p.x - 0.5 * d, qy = p.y - 0.5 * h;
    const double bx = qx - d * std::round(qx / d), by = qy - h * std::round(qy / h);
    return ax * ax + ay * ay <= bx * bx + by * by ? Point{ax, ay} : Point{bx, by};
}

Image projectiveWarp(const Image& in, Homography h, Point reference) {
    if (!in) return {};
    if (h.w(reference) < 0)
        for (auto& v : h.m) v = -v;
    auto inv = h.inverted();
    if (!inv) return {};
    WarpOptions o;
    const Rect e = in.extent();
    bool bounded = !e.isInfinite();
    std::array<Point, 4> c{};
    if (bounded) {
        auto corners = cornersOf(e);
        for (size_t i = 0; i < 4; ++i) {
            if (!(h.w(corners[i]) > 1e-9)) bounded = false;
            c[i] = h.apply(corners[i]);
            if (!std::isfinite(c[i].x) || !std::isfinite(c[i].y)) bounded = false;
        }
    }
    o.extent = bounded ? boundsOf(c) : Rect::infinite();
    return warp(
        in,
        [h, inv = *inv](Point p) {
            Point q = inv.apply(p);
            return h.w(q) > 0 ? q : nowhere();
        },
        o);
}

namespace {

// Taps of one output pixel along one axis.
struct Taps {
    int first = 0;
    std::vector<float> w;
};

// For each output pixel index in [lo, hi): the input pixels it reads and their weights. The
// output pixel centre (i + 0.5) lies at input coordinate (i + 0.5) / k.
std::vector<Taps> axisTaps(int lo, int hi, double k, ResampleKernel kernel, double support,
                           const double* params, int inLo, int inHi) {
    std::vector<Taps> out(size_t(std::max(0, hi - lo)));
    const double widen = std::max(1.0, 1.0 / k);
    const double reach = support * widen;
    for (int i = lo; i < hi; ++i) {
        const double u = (i + 0.5) / k;
        const double a = std::floor(u - 0.5 - reach), b = std::ceil(u - 0.5 + reach);
        // The whole kernel's weight, so that edges fade into the transparency around them.
        double total = 0;
        if (b - a < 65536) {
            for (double j = a; j <= b; ++j) total += kernel((j + 0.5 - u) / widen, params);
        } else {
            total = widen;  // the kernels integrate to one
        }
        if (!(std::abs(total) > 1e-12)) total = 1;
        Taps& t = out[size_t(i - lo)];
        const int j0 = int(std::max(a, double(inLo))), j1 = int(std::min(b, double(inHi - 1)));
        t.first = j0;
        for (int j = j0; j <= j1; ++j)
            t.w.push_back(float(kernel((j + 0.5 - u) / widen, params) / total));
    }
    return out;
}

}  // namespace

Image resampleSeparable(const Image& in, double sx, double sy, ResampleKernel kernel,
                        double support, std::array<double, 2> params) {
    if (!in) return {};
    if (!(sx > 1e-6 && sy > 1e-6 && sx < 1e6 && sy < 1e6)) return {};
    const Rect e = in.extent();
    const Rect extent = e.isInfinite() ? e : Rect{e.x * sx, e.y * sy, e.width * sx, e.height * sy};
    auto roi = [=](size_t, const Rect& out, double scale) {
        const double rx = support * std::max(1.0, 1.0 / sx) / scale + 2 / scale;
        const double ry = support * std::max(1.0, 1.0 / sy) / scale + 2 / scale;
        return Rect{out.x / sx - rx, out.y / sy - ry, out.width / sx + 2 * rx,
                    out.height / sy + 2 * ry};
    };
    auto render = [=](const RenderInfo&, Buffer& out, std::span<const Buffer* const> ins) {
        const Buffer& src = *ins[0];
        const IRect& o = out.rect();
        const IRect& r = src.rect();
        auto cols = axisTaps(o.x0, o.x1, sx, kernel, support, params.data(), r.x0, r.x1);
        auto rows = axisTaps(o.y0, o.y1, sy, kernel, support, params.data(), r.y0, r.y1);
        int j0 = r.y1, j1 = r.y0;
        for (auto& t : rows)
            if (!t.w.empty())
                j0 = std::min(j0, t.first), j1 = std::max(j1, t.first + int(t.w.size()));
        const int w = o.width();
        if (j1 <= j0) {
            out.fill(Px{0, 0, 0, 0});
            return;
        }
        // Horizontal pass over the input rows the vertical pass needs.
        std::vector<Px> mid(size_t(w) * size_t(j1 - j0));
        for (int j = j0; j < j1; ++j) {
            const Px* s = src.row(j);
            Px* m = mid.data() + size_t(j - j0) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const Taps& t = cols[size_t(x)];
                Px acc{0, 0, 0, 0};
                for (size_t k = 0; k < t.w.size(); ++k) acc += s[t.first + int(k)] * t.w[k];
                m[x] = acc;
            }
        }
        for (int y = o.y0; y < o.y1; ++y) {
            const Taps& t = rows[size_t(y - o.y0)];
            Px* d = out.row(y) + o.x0;
            for (int x = 0; x < w; ++x) d[x] = Px{0, 0, 0, 0};
            for (size_t k = 0; k < t.w.size(); ++k) {
                const Px* m = mid.data() + size_t(t.first + int(k) - j0) * size_t(w);
                const float wk = t.w[k];
                for (int x = 0; x < w; ++x) d[x] += m[x] * wk;
            }
            // Negative lobes ring: keep the result a valid premultiplied colour.
            for (int x = 0; x < w; ++x) {
                Px p = d[x];
                float a = std::clamp(p[3], 0.f, 1.f);
                p = pxMin(pxMax(p, splat(0.f)), splat(a));
                p[3] = a;
                d[x] = p;
            }
        }
    };
    return areaKernel({in}, extent, roi, render);
}

}  // namespace imaging::warpmath
