#include "imaging/filters/Neighbourhoods.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "imaging/Node.h"

namespace imaging::nbhd {

namespace {

constexpr Px kClear{0, 0, 0, 0};
constexpr double kPi = 3.14159265358979323846;
// Scaled pixels any one operation may reach; far beyond this the Context refuses the work.
constexpr double kMaxReach = 1 << 24;

int pixelsFor(double pictureUnits, double scale) {
    double r = std::ceil(std::max(0.0, pictureUnits) * scale);
    return int(std::min(r, kMaxReach));
}

// Pixel `x` of a row that may not cover it: transparent outside.
inline Px at(const Px* row, const IRect& r, int x) {
    return x >= r.x0 && x < r.x1 ? row[x] : kClear;
}

// ---------------------------------------------------------------------------------------------
// One-dimensional passes along rows (axis 0) or columns (axis 1). The line function gets the
// input pixels [lo, hi) of a line (transparent beyond them) and fills the output pixels
// [o0, o1).

using LineFn =
    std::function<void(const Px* v, int lo, int hi, Px* out, int o0, int o1, double scale)>;

class LinePass final : public Node {
  public:
    LinePass(const Image& in, int axis, double reach, LineFn fn)
        : Node({in}, axis == 0 ? in.extent().insetBy(-reach, 0) : in.extent().insetBy(0, -reach)),
          axis_(axis),
          reach_(reach),
          fn_(std::move(fn)) {}

    const char* kindName() const override { return axis_ == 0 ? "line-x" : "line-y"; }
    bool streamsInputs() const override { return axis_ == 0; }
    std::pair<int, int> tileSize() const override {
        return axis_ == 0 ? std::pair{1024, 16} : std::pair{64, 1024};
    }
    IRect roi(size_t, const IRect& out, double scale) const override {
        int r = pixelsFor(reach_, scale) + 1;
        return axis_ == 0 ? out.grown(r, 0) : out.grown(0, r);
    }
    int64_t workEstimate(const IRect& region, double scale) const override {
        const int64_t r = pixelsFor(reach_, scale);
        const IRect in = IRect::cover(inputs()[0].extent(), scale);
        const int64_t lines = axis_ == 0 ? region.height() : region.width();
        const int64_t len = axis_ == 0 ? region.width() : region.height();
        const int64_t inLen = axis_ == 0 ? in.width() : in.height();
        return region.area() + lines * std::min(len + 2 * r, inLen + 2);
    }

    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        const Buffer& in = *ins[0];
        const IRect& o = out.rect();
        const IRect& ir = in.rect();
        const int r = pixelsFor(reach_, info.scale) + 1;
        if (axis_ == 0) {
            for (int y = o.y0; y < o.y1; ++y) {
                Px* dst = out.row(y) + o.x0;
                const int lo = std::max(o.x0 - r, ir.x0), hi = std::min(o.x1 + r, ir.x1);
                if (y < ir.y0 || y >= ir.y1 || hi <= lo) {
                    std::fill(dst, dst + o.width(), kClear);
                } else {
                    fn_(in.row(y) + lo, lo, hi, dst, o.x0, o.x1, info.scale);
                }
            }
            return;
        }
        // Columns are gathered into contiguous lines, reading the input row by row.
        const int lo = std::max(o.y0 - r, ir.y0), hi = std::min(o.y1 + r, ir.y1);
        const int n = hi - lo;
        if (n <= 0) {
            out.fill(kClear);
            return;
        }
        const size_t w = size_t(o.width());
        std::vector<Px> lines(w * size_t(n)), res(size_t(o.height()));
        for (int y = lo; y < hi; ++y) {
            const Px* src = in.row(y);
            for (int x = o.x0; x < o.x1; ++x)
                lines[size_t(x - o.x0) * size_t(n) + size_t(y - lo)] = at(src, ir, x);
        }
        for (int x = o.x0; x < o.x1; ++x) {
            if (x < ir.x0 || x >= ir.x1) {
                std::fill(res.begin(), res.end(), kClear);
            } else {
                fn_(lines.data() + size_t(x - o.x0) * size_t(n), lo, hi, res.data(), o.y0, o.y1,
                    info.scale);
            }
            for (int y = o.y0; y < o.y1; ++y) out.row(y)[x] = res[size_t(y - o.y0)];
        }
    }

  private:
    int axis_;
    double reach_;
    LineFn fn_;
};

void copyLine(const Px* v, int lo, int hi, Px* out, int o0, int o1) {
    for (int x = o0; x < o1; ++x) out[x - o0] = x >= lo && x < hi ? v[x - lo] : kClear;
}

// Mean over [c - half, c + half] around each pixel centre c, with the line taken as a
// piecewise-constant function (pixel x spans [x, x + 1)).
LineFn boxLine(double half) {
    return [half](const Px* v, int lo, int hi, Px* out, int o0, int o1, double scale) {
        const double H = half * scale;
        if (!(H > 1e-4)) return copyLine(v, lo, hi, out, o0, o1);
        const int n = hi - lo;
        // Running sums in double precision: where a line starts must not show in the result.
        // S[k + 1] is the sum of the first k pixels; S[0] and S[n + 2] repeat the ends.
        std::vector<std::array<double, 4>> S(size_t(n) + 3);
        S[0] = S[1] = {0, 0, 0, 0};
        for (int k = 0; k < n; ++k)
            for (int c = 0; c < 4; ++c)
                S[size_t(k) + 2][size_t(c)] = S[size_t(k) + 1][size_t(c)] + v[k][c];
        S[size_t(n) + 2] = S[size_t(n) + 1];
        // Window ends fall at the same fraction of a pixel for the whole line.
        const double a0 = o0 + 0.5 - H - lo, b0 = o0 + 0.5 + H - lo;
        const double ia = std::floor(a0), ib = std::floor(b0);
        const double fa = a0 - ia, fb = b0 - ib;
        const double inv = 1 / (2 * H);
        auto at = [&](double k) { return size_t(std::clamp(k, -1.0, double(n)) + 1); };
        for (int i = 0; i < o1 - o0; ++i) {
            const auto& a = S[at(ia + i)];
            const auto& a1 = S[at(ia + i) + 1];
            const auto& b = S[at(ib + i)];
            const auto& b1 = S[at(ib + i) + 1];
            for (int c = 0; c < 4; ++c)
                out[i][c] = float(((b[size_t(c)] + (b1[size_t(c)] - b[size_t(c)]) * fb) -
                                   (a[size_t(c)] + (a1[size_t(c)] - a[size_t(c)]) * fa)) *
                                  inv);
        }
    };
}

inline Px rankOp(Px a, Px b, Rank r) {
    return r == Rank::Maximum ? pxMax(a, b) : pxMin(a, b);
}

// Half-window in scaled pixels for a window of `size` picture pixels: the outermost pixel
// centres stay (size - 1) / 2 picture units from the middle at every scale. Fractional; the
// results for the two nearest whole windows are interpolated.
double halfWindow(double size, double scale) {
    return std::clamp((size - 1) / 2 * scale, 0.0, kMaxReach);
}

// Running maximum or minimum over a window of 2 hw + 1 pixels, at constant cost per pixel:
// prefix and suffix extremes within blocks of the window's length.
void runningRank(const Px* v, int lo, int hi, Px* out, int o0, int o1, int hw, Rank rank) {
    if (hw == 0) return copyLine(v, lo, hi, out, o0, o1);
    const int a0 = o0 - hw, n = (o1 - o0) + 2 * hw, k = 2 * hw + 1;
    const size_t len = static_cast<size_t>(n);
    std::vector<Px> a(len), g(len), h(len);
    for (int i = 0; i < n; ++i) {
        int x = a0 + i;
        a[size_t(i)] = x >= lo && x < hi ? v[x - lo] : kClear;
    }
    for (int i = 0; i < n; ++i)
        g[size_t(i)] = i % k == 0 ? a[size_t(i)] : rankOp(g[size_t(i) - 1], a[size_t(i)], rank);
    for (int i = n - 1; i >= 0; --i)
        h[size_t(i)] = (i == n - 1 || (i + 1) % k == 0)
                           ? a[size_t(i)]
                           : rankOp(h[size_t(i) + 1], a[size_t(i)], rank);
    for (int j = 0; j < o1 - o0; ++j) out[j] = rankOp(h[size_t(j)], g[size_t(j + k - 1)], rank);
}

LineFn rankLine(double size, Rank rank) {
    return [size, rank](const Px* v, int lo, int hi, Px* out, int o0, int o1, double scale) {
        const double hw = halfWindow(size, scale), h0 = std::floor(hw);
        const float f = float(hw - h0);
        runningRank(v, lo, hi, out, o0, o1, int(h0), rank);
        if (f < 1e-3f) return;
        std::vector<Px> wider(size_t(o1 - o0));
        runningRank(v, lo, hi, wider.data(), o0, o1, int(h0) + 1, rank);
        for (int j = 0; j < o1 - o0; ++j) out[j] = lerp(out[j], wider[size_t(j)], f);
    };
}

// ---------------------------------------------------------------------------------------------
// Tiles with a neighbourhood whose cost per pixel depends on the scale (discs, small kernels).

class TileNode final : public Node {
  public:
    using Roi = std::function<Rect(const Rect& out, double scale)>;
    using Cost = std::function<double(double scale)>;
    using Render = std::function<void(const RenderInfo&, Buffer&, const Buffer&)>;

    TileNode(const Image& in, const Rect& extent, Roi roi, Cost cost, Render render, int tile = 256)
        : Node({in}, extent),
          roi_(std::move(roi)),
          cost_(std::move(cost)),
          render_(std::move(render)),
          tile_(tile) {}
    const char* kindName() const override { return "neighbourhood"; }
    std::pair<int, int> tileSize() const override { return {tile_, tile_}; }
    IRect roi(size_t, const IRect& out, double scale) const override {
        return IRect::cover(roi_(out.toPicture(scale), scale), scale).grown(1, 1);
    }
    int64_t workEstimate(const IRect& region, double scale) const override {
        double w = double(region.area()) * std::max(1.0, cost_(scale));
        return int64_t(std::min(w, 1e18));
    }
    void render(const RenderInfo& info, Buffer& out,
                std::span<const Buffer* const> ins) const override {
        render_(info, out, *ins[0]);
    }

  private:
    Roi roi_;
    Cost cost_;
    Render render_;
    int tile_;
};

Rect grownBy(const Rect& r, double d) {
    return r.insetBy(-d, -d);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

Image boxBlur(const Image& in, double halfX, double halfY) {
    if (!in) return {};
    Image h = halfX > 0 ? makeImage<LinePass>(in, 0, halfX, boxLine(halfX)) : in;
    return halfY > 0 ? makeImage<LinePass>(h, 1, halfY, boxLine(halfY)) : h;
}

Image rectRank(const Image& in, double width, double height, Rank rank) {
    if (!in) return {};
    // A maximum reaches beyond the edges; a minimum only eats into them.
    auto pass = [&](const Image& i, int axis, double size) {
        double reach = size / 2 + 1;
        Image p = makeImage<LinePass>(i, axis, reach, rankLine(size, rank));
        return rank == Rank::Minimum ? crop(p, i.extent()) : p;
    };
    return pass(pass(in, 0, width), 1, height);
}

// Disc maximum or minimum: the disc is a stack of row segments whose half-widths shrink away
// from the centre row. Each input row gets a table of extremes over power-of-two runs, from
// which the extreme over any segment is two reads; a pixel costs one segment per disc row. The
// disc's radius in pixels is fractional at most scales: the two nearest whole discs are
// interpolated.
Image discRank(const Image& in, double radius, Rank rank) {
    if (!in) return {};
    radius = std::max(0.0, radius);
    const Rect extent = rank == Rank::Maximum ? grownBy(in.extent(), radius) : in.extent();
    auto roi = [radius](const Rect& out, double s) { return grownBy(out, radius + 2 / s); };
    auto cost = [radius](double scale) { return 4 * radius * scale + 3; };
    auto render = [radius, rank](const RenderInfo& info, Buffer& out, const Buffer& in) {
        const IRect& o = out.rect();
        const IRect& ir = in.rect();
        // The outermost pixel centres stay `radius` picture units from the middle.
        const double rho = std::clamp(radius * info.scale, 0.0, kMaxReach);
        const int r0 = int(std::floor(rho));
        const float f = float(rho - r0);
        const int discs = f < 1e-3f ? 1 : 2, K = r0 + discs - 1;
        std::vector<int> half[2];
        for (int d = 0; d < discs; ++d) {
            const double R = r0 + d + 0.5;
            half[d].assign(size_t(2 * K + 1), -1);
            for (int dy = -K; dy <= K; ++dy)
                if (R * R >= double(dy) * dy)
                    half[d][size_t(dy + K)] = int(std::floor(std::sqrt(R * R - double(dy) * dy)));
        }
        const int w = o.width(), bx0 = o.x0 - K, bw = w + 2 * K;
        int levels = 1;
        while ((1 << levels) <= 2 * K + 1) ++levels;
        std::vector<Px> table(size_t(levels) * size_t(bw));
        const float start = rank == Rank::Maximum ? -3e38f : 3e38f;
        std::vector<Px> acc[2];
        for (int d = 0; d < discs; ++d)
            acc[d].assign(size_t(w) * size_t(o.height()), Px{start, start, start, start});
        // Disc rows beyond the input's rows are transparent.
        for (int d = 0; d < discs; ++d)
            for (int y = o.y0; y < o.y1; ++y)
                if (y - (r0 + d) < ir.y0 || y + (r0 + d) >= ir.y1) {
                    Px* a = acc[d].data() + size_t(y - o.y0) * size_t(w);
                    for (int x = 0; x < w; ++x) a[x] = rankOp(a[x], kClear, rank);
                }
        for (int r = std::max(o.y0 - K, ir.y0); r < std::min(o.y1 + K, ir.y1); ++r) {
            const Px* src = in.row(r);
            Px* t0 = table.data();
            for (int i = 0; i < bw; ++i) t0[i] = at(src, ir, bx0 + i);
            for (int k = 1; k < levels; ++k) {
                const Px* prev = table.data() + size_t(k - 1) * size_t(bw);
                Px* cur = table.data() + size_t(k) * size_t(bw);
                const int step = 1 << (k - 1);
                for (int i = 0; i + step < bw; ++i) cur[i] = rankOp(prev[i], prev[i + step], rank);
            }
            for (int y = std::max(o.y0, r - K); y < std::min(o.y1, r + K + 1); ++y)
                for (int d = 0; d < discs; ++d) {
                    const int hw = half[d][size_t(r - y + K)], len = 2 * hw + 1;
                    if (hw < 0) continue;
                    int k = 0;
                    while ((2 << k) <= len) ++k;
                    const Px* t = table.data() + size_t(k) * size_t(bw) + (K - hw);
                    const Px* u = t + (len - (1 << k));
                    Px* a = acc[d].data() + size_t(y - o.y0) * size_t(w);
                    for (int x = 0; x < w; ++x) a[x] = rankOp(a[x], rankOp(t[x], u[x], rank), rank);
                }
        }
        for (int y = o.y0; y < o.y1; ++y) {
            const size_t row = size_t(y - o.y0) * size_t(w);
            Px* dst = out.row(y) + o.x0;
            for (int x = 0; x < w; ++x)
                dst[x] = discs == 1 ? acc[0][row + size_t(x)]
                                    : lerp(acc[0][row + size_t(x)], acc[1][row + size_t(x)], f);
        }
    };
    return makeImage<TileNode>(in, extent, roi, cost, render);
}

namespace {

// Disc sums from running sums along rows: every row of the disc is a segment whose ends fall
// at the same fraction of a pixel for the whole row, so one output row costs two interpolated
// reads per disc row. Radii are in the buffers' pixels.
void discSums(const std::vector<Disc>& discs, const Buffer& in, Buffer& out) {
    const IRect& o = out.rect();
    struct Term {
        int dy;
        double half;
        float weight;
    };
    std::vector<Term> terms;
    double norm = 0, reach = 0;
    for (auto& d : discs) {
        const double Rs = std::min(d.radius, kMaxReach);
        reach = std::max(reach, Rs);
        const int K = int(std::ceil(Rs + 0.5));
        for (int dy = -K; dy <= K; ++dy) {
            // The disc's part of this row's strip [dy - 1/2, dy + 1/2], by its midpoint.
            double v0 = std::max(dy - 0.5, -Rs), v1 = std::min(dy + 0.5, Rs);
            if (v1 <= v0) continue;
            double vm = 0.5 * (v0 + v1);
            double half = std::sqrt(std::max(0.0, Rs * Rs - vm * vm));
            double wgt = d.weight * (v1 - v0);
            if (half <= 0 || wgt == 0) continue;
            terms.push_back({dy, half, float(wgt)});
            norm += wgt * 2 * half;
        }
    }
    if (!(norm > 1e-12)) {
        for (int y = o.y0; y < o.y1; ++y)
            for (int x = o.x0; x < o.x1; ++x) out.row(y)[x] = in.at(x, y);
        return;
    }
    const int K = int(std::ceil(reach + 0.5)) + 1;
    // Running sums of the block's rows: S[r][i] is the sum of the i pixels left of column
    // br.x0 + i.
    const IRect br = o.grown(K, K);
    const int bw = br.width(), sw = bw + 1;
    std::vector<Px> S(size_t(sw) * size_t(br.height()));
    const IRect& ir = in.rect();
    for (int r = 0; r < br.height(); ++r) {
        Px* s = S.data() + size_t(r) * size_t(sw);
        const int y = br.y0 + r;
        s[0] = kClear;
        if (y < ir.y0 || y >= ir.y1) {
            std::fill(s + 1, s + sw, kClear);
            continue;
        }
        const Px* src = in.row(y);
        for (int i = 0; i < bw; ++i) s[i + 1] = s[i] + at(src, ir, br.x0 + i);
    }
    const float inv = float(1 / norm);
    std::vector<Px> acc(size_t(o.width()));
    for (int y = o.y0; y < o.y1; ++y) {
        std::fill(acc.begin(), acc.end(), kClear);
        for (const Term& t : terms) {
            const Px* s = S.data() + size_t(y + t.dy - br.y0) * size_t(sw);
            // Segment [c - half, c + half] around centre c = x + 0.5, in block columns.
            const double a = o.x0 - br.x0 + 0.5 - t.half, b = o.x0 - br.x0 + 0.5 + t.half;
            const int ia = int(std::floor(a)), ib = int(std::floor(b));
            const float fa = float(a - ia), fb = float(b - ib);
            const Px* sa = s + ia;
            const Px* sb = s + ib;
            for (int x = 0; x < o.width(); ++x) {
                Px hiSum = sb[x] + (sb[x + 1] - sb[x]) * fb;
                Px loSum = sa[x] + (sa[x + 1] - sa[x]) * fa;
                acc[size_t(x)] += (hiSum - loSum) * t.weight;
            }
        }
        Px* dst = out.row(y) + o.x0;
        for (int x = 0; x < o.width(); ++x) dst[x] = acc[size_t(x)] * inv;
    }
}

// Discs wider than this many pixels are summed on a coarser grid (blocks of f x f pixels
// averaged) and interpolated back: a disc that wide keeps no detail the coarse grid loses, and
// the cost per pixel stays bounded.
constexpr double kFineDisc = 32;

}  // namespace

Image discBlur(const Image& in, std::vector<Disc> discs) {
    if (!in) return {};
    double reach = 0;
    for (auto& d : discs) {
        d.radius = std::max(0.0, d.radius);
        reach = std::max(reach, d.radius);
    }
    if (reach <= 0) return in;
    // The coarse grid's blocks read up to an eighth of the radius beyond the disc.
    auto roi = [reach](const Rect& out, double s) { return grownBy(out, 1.25 * reach + 4 / s); };
    auto cost = [reach, n = discs.size()](double scale) {
        return double(n) * (2 * std::min(reach * scale, kFineDisc) + 3) + 4;
    };
    auto render = [discs, reach](const RenderInfo& info, Buffer& out, const Buffer& in) {
        const double Rs = std::min(reach * info.scale, kMaxReach);
        int f = 1;
        while (Rs / f > kFineDisc) f *= 2;
        std::vector<Disc> scaled = discs;
        for (auto& d : scaled) d.radius *= info.scale / f;
        if (f == 1) return discSums(scaled, in, out);
        // Coarse pixel X covers pixels [f X, f X + f): aligned in the picture, so tiles agree.
        const IRect& o = out.rect();
        auto down = [f](int v) { return int(std::floor(double(v) / f)); };
        const IRect co{down(o.x0) - 1, down(o.y0) - 1, down(o.x1 - 1) + 2, down(o.y1 - 1) + 2};
        const int K = int(std::ceil(Rs / f + 0.5)) + 2;
        const IRect ci = co.grown(K, K);
        Buffer coarse(ci), sums(co);
        const float area = float(1 / (double(f) * f));
        const IRect& ir = in.rect();
        for (int Y = ci.y0; Y < ci.y1; ++Y)
            for (int X = ci.x0; X < ci.x1; ++X) {
                // Only what the input holds: beyond it the picture is transparent.
                Px acc = kClear;
                const int64_t y0 = std::max<int64_t>(int64_t(Y) * f, ir.y0),
                              y1 = std::min<int64_t>(int64_t(Y) * f + f, ir.y1),
                              x0 = std::max<int64_t>(int64_t(X) * f, ir.x0),
                              x1 = std::min<int64_t>(int64_t(X) * f + f, ir.x1);
                for (int64_t y = y0; y < y1; ++y) {
                    const Px* row = in.row(int(y));
                    for (int64_t x = x0; x < x1; ++x) acc += row[x];
                }
                coarse.row(Y)[X] = acc * area;
            }
        discSums(scaled, coarse, sums);
        for (int y = o.y0; y < o.y1; ++y)
            for (int x = o.x0; x < o.x1; ++x)
                out.row(y)[x] = sums.sample((x + 0.5) / f, (y + 0.5) / f);
    };
    return makeImage<TileNode>(in, grownBy(in.extent(), reach), roi, cost, render);
}

// ---------------------------------------------------------------------------------------------

namespace {
inline void order(Px& a, Px& b) {
    Px lo = pxMin(a, b);
    b = pxMax(a, b);
    a = lo;
}
inline Px median3(Px a, Px b, Px c) {
    return pxMax(pxMin(a, b), pxMin(pxMax(a, b), c));
}
}  // namespace

Image median3x3(const Image& in) {
    // Each row sorted; the median of nine is the median of the rows' largest low, median middle
    // and smallest high.
    return stencil3x3(in, [](const Px* n, Point, double pixel) {
        if (pixel > 1 / 0.75) return n[4];
        Px lo[3], mid[3], hi[3];
        for (int j = 0; j < 3; ++j) {
            Px a = n[3 * j], b = n[3 * j + 1], c = n[3 * j + 2];
            order(a, b);
            order(b, c);
            order(a, b);
            lo[j] = a, mid[j] = b, hi[j] = c;
        }
        return median3(pxMax(pxMax(lo[0], lo[1]), lo[2]), median3(mid[0], mid[1], mid[2]),
                       pxMin(pxMin(hi[0], hi[1]), hi[2]));
    });
}

// ---------------------------------------------------------------------------------------------

Image pixelConvolution(const Image& in, std::vector<float> weights, int w, int h, float bias,
                       bool rgbOnly) {
    if (!in || w < 1 || h < 1) return {};
    weights.resize(size_t(w) * size_t(h), 0.f);
    const double reach = std::max(w, h) / 2.0 + 1;
    auto roi = [reach](const Rect& out, double s) { return grownBy(out, reach + 2 / s); };
    auto cost = [w, h](double) { return double(w * h); };
    auto render = [=](const RenderInfo& info, Buffer& out, const Buffer& src) {
        // Each tap, read bilinearly where it falls at this scale, spread over whole pixels.
        std::map<std::pair<int, int>, float> eff;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const float wt = weights[size_t(j) * size_t(w) + size_t(i)];
                if (wt == 0) continue;
                const double dx = (i - (w - 1) / 2.0) * info.scale;
                const double dy = ((h - 1) / 2.0 - j) * info.scale;
                const int ix = int(std::floor(dx)), iy = int(std::floor(dy));
                const float fx = float(dx - ix), fy = float(dy - iy);
                eff[{ix, iy}] += wt * (1 - fx) * (1 - fy);
                eff[{ix + 1, iy}] += wt * fx * (1 - fy);
                eff[{ix, iy + 1}] += wt * (1 - fx) * fy;
                eff[{ix + 1, iy + 1}] += wt * fx * fy;
            }
        const IRect& o = out.rect();
        const Px b{bias, bias, bias, rgbOnly ? 0.f : bias};
        for (int y = o.y0; y < o.y1; ++y) {
            Px* dst = out.row(y);
            for (int x = o.x0; x < o.x1; ++x) {
                Px acc = b;
                for (auto& [d, wt] : eff) acc += src.at(x + d.first, y + d.second) * wt;
                const Px c = src.at(x, y);
                const float a = rgbOnly ? c[3] : std::clamp(acc[3], 0.f, 1.f);
                acc = pxMin(pxMax(acc, kClear), splat(a));
                acc[3] = a;
                dst[x] = acc;
            }
        }
    };
    return makeImage<TileNode>(in, rgbOnly ? in.extent() : grownBy(in.extent(), reach - 1), roi,
                               cost, render);
}

// ---------------------------------------------------------------------------------------------
// Streaks. The picture is resampled on a lattice in coordinates (u, v) in which the streaks run
// along u: turned axes for a translation; distance and angle from the centre for a zoom. Running
// sums along u then give any streak's mean from two interpolated reads on each of the two
// lattice rows around it, whatever the streak's length. The lattice is fixed in the picture
// (not in the tile), so tiles agree to rounding; the output is worked out block by block in
// blocks fixed in the picture too, each sampling only the part of the lattice its streaks cross.

namespace {

// atan2(y, x) to within 1e-8 radians, much faster than the library's.
inline double angleOf(double y, double x) {
    const double ax = std::abs(x), ay = std::abs(y);
    if (!(std::max(ax, ay) > 0)) return 0;
    const bool steep = ay > ax;
    double t = steep ? ax / ay : ay / ax, base = 0;
    constexpr double kTan15 = 0.2679491924311227, kInvSqrt3 = 0.5773502691896258;
    if (t > kTan15) {
        t = (t - kInvSqrt3) / (1 + t * kInvSqrt3);  // atan(t) = pi/6 + atan(that)
        base = kPi / 6;
    }
    const double t2 = t * t;
    double a =
        base +
        t * (1 - t2 * (1 / 3.0 - t2 * (1 / 5.0 - t2 * (1 / 7.0 - t2 * (1 / 9.0 - t2 / 11)))));
    if (steep) a = kPi / 2 - a;
    if (x < 0) a = kPi - a;
    return y < 0 ? -a : a;
}

// Frames map scaled pixel positions to (u, v); line(v) gives the lattice row v as
// origin + u * direction.
struct LineFrame {
    Point d, n;  // unit vectors along and across the streaks
    Point uv(Point p, double) const { return {p.x * d.x + p.y * d.y, p.x * n.x + p.y * n.y}; }
    std::pair<Point, Point> line(double v) const { return {{v * n.x, v * n.y}, d}; }
};

struct PolarFrame {
    Point c;
    // Angles are taken within half a turn of `near`, so that a block never straddles the cut.
    Point uv(Point p, double near) const {
        const double qx = p.x - c.x, qy = p.y - c.y;
        double a = angleOf(qy, qx);
        if (a - near > kPi) a -= 2 * kPi;
        if (a - near < -kPi) a += 2 * kPi;
        return {std::sqrt(qx * qx + qy * qy), a};
    }
    std::pair<Point, Point> line(double v) const { return {c, {std::cos(v), std::sin(v)}}; }
};

// What the streaks are, in scaled pixels along u: a point at u averages [lo(u), hi(u)] with
// density weight(u), whose integral over that span is `norm`.
struct Shape {
    bool zoom = false;
    double k0 = 0, k1 = 0;  // translation: offsets; zoom: factors of u
    double norm = 1;
    double lo(double u) const { return zoom ? u * k0 : u + k0; }
    double hi(double u) const { return zoom ? u * k1 : u + k1; }
    double weight(double u) const { return zoom ? 1 / u : 1; }
};

// Lattice rows lie at v = k dv, samples at u = (j + 1/2) du, for integers k and j.
struct Lattice {
    double du, dv;
};

constexpr double kMaxGrid = 1 << 22;  // lattice samples for one block

// Renders the pixels `r` of `out`. uLo and uHi bound the u where the input has pixels.
template <class Frame>
void renderStreaks(const Frame& f, const Shape& sh, const Lattice& lat, double near, double uLo,
                   double uHi, const IRect& r, const Buffer& in, Buffer& out) {
    const int w = r.width();
    std::vector<Point> uvs(size_t(w) * size_t(r.height()));
    double vMin = INFINITY, vMax = -INFINITY, aMin = INFINITY, bMax = -INFINITY;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) {
            const Point q = f.uv({x + 0.5, y + 0.5}, near);
            uvs[size_t(y - r.y0) * size_t(w) + size_t(x - r.x0)] = q;
            vMin = std::min(vMin, q.y), vMax = std::max(vMax, q.y);
            aMin = std::min(aMin, sh.lo(q.x)), bMax = std::max(bMax, sh.hi(q.x));
        }
    const double du = lat.du, dv = lat.dv;
    // Only the part of the streaks where the input has pixels needs sampling.
    const double j0 = std::floor(std::max(aMin, uLo) / du) - 1;
    const double j1 = std::ceil(std::min(bMax, uHi) / du) + 1;
    const double k0 = std::floor(vMin / dv) - 1, k1 = std::ceil(vMax / dv) + 1;
    if (!(j1 > j0) || !(k1 > k0) || (j1 - j0) * (k1 - k0) > kMaxGrid) {
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) out.row(y)[x] = Px{0, 0, 0, 0};
        return;
    }
    const int cols = int(j1 - j0), rows = int(k1 - k0) + 1;
    auto rowOf = [&](double v) {
        const double ti = v / dv - k0;
        const int i = std::clamp(int(std::floor(ti)), 0, rows - 2);
        return std::pair{i, float(std::clamp(ti - i, 0.0, 1.0))};
    };
    auto cell = [&](double u) { return u / du - j0; };
    // Each lattice row only where some pixel's streak reads it.
    std::vector<int> jLo(size_t(rows), cols), jHi(size_t(rows), 0);
    for (const Point& q : uvs) {
        const int i = rowOf(q.y).first;
        const int lo = std::clamp(int(std::floor(cell(sh.lo(q.x)))) - 1, 0, cols);
        const int hi = std::clamp(int(std::ceil(cell(sh.hi(q.x)))) + 1, 0, cols);
        for (int k = i; k <= i + 1; ++k) {
            jLo[size_t(k)] = std::min(jLo[size_t(k)], lo);
            jHi[size_t(k)] = std::max(jHi[size_t(k)], hi);
        }
    }
    // Running sums: P[i][j] is the weighted sum of row i's samples jLo[i] .. j - 1.
    const size_t stride = size_t(cols) + 1;
    std::unique_ptr<Px[]> P(new Px[stride * size_t(rows)]);
    for (int i = 0; i < rows; ++i) {
        if (jHi[size_t(i)] <= jLo[size_t(i)]) continue;
        Px* p = P.get() + size_t(i) * stride;
        const auto [origin, dir] = f.line((k0 + i) * dv);
        p[jLo[size_t(i)]] = Px{0, 0, 0, 0};
        for (int j = jLo[size_t(i)]; j < jHi[size_t(i)]; ++j) {
            const double u = (j0 + j + 0.5) * du;
            p[j + 1] = p[j] + in.sample(origin.x + u * dir.x, origin.y + u * dir.y) *
                                  float(sh.weight(u) * du);
        }
    }
    // Every read lies inside the ranges of both its rows, which were made from these very
    // streaks; the clamp only guards against rounding.
    const float inv = float(1 / sh.norm);
    for (int y = r.y0; y < r.y1; ++y) {
        Px* dst = out.row(y);
        for (int x = r.x0; x < r.x1; ++x) {
            const Point q = uvs[size_t(y - r.y0) * size_t(w) + size_t(x - r.x0)];
            const double a = sh.lo(q.x), b = sh.hi(q.x);
            if (!(b - a > 1e-3 * du)) {
                // A streak of no length: the zoom's centre itself.
                dst[x] = in.sample(x + 0.5, y + 0.5);
                continue;
            }
            const auto [i, fv] = rowOf(q.y);
            const int lo = std::max(jLo[size_t(i)], jLo[size_t(i) + 1]);
            const int hi = std::min(jHi[size_t(i)], jHi[size_t(i) + 1]) - 1;
            const double ta = cell(a), tb = cell(b);
            const int ja = std::clamp(int(ta), lo, hi), jb = std::clamp(int(tb), lo, hi);
            const float fa = float(ta - ja), fb = float(tb - jb);
            const Px* r0 = P.get() + size_t(i) * stride;
            const Px* r1 = r0 + stride;
            const Px s0 = r0[jb] + (r0[jb + 1] - r0[jb]) * fb - r0[ja] - (r0[ja + 1] - r0[ja]) * fa;
            const Px s1 = r1[jb] + (r1[jb + 1] - r1[jb]) * fb - r1[ja] - (r1[ja + 1] - r1[ja]) * fa;
            dst[x] = lerp(s0, s1, fv) * inv;
        }
    }
}

Rect boundsOf(std::initializer_list<Rect> rs) {
    Rect u;
    for (const Rect& r : rs) u = u.united(r);
    return u;
}

Rect zoomed(const Rect& r, Point c, double k) {
    if (r.isInfinite() || r.isEmpty()) return r;
    return {c.x + (r.x - c.x) * k, c.y + (r.y - c.y) * k, r.width * k, r.height * k};
}

Rect moved(const Rect& r, double dx, double dy) {
    if (r.isInfinite() || r.isEmpty()) return r;
    return {r.x + dx, r.y + dy, r.width, r.height};
}

// Calls f(block, part) for every block of side `side` (aligned in scaled pixels) that meets
// `o`, with the part of it inside `o`.
template <class F>
void forBlocks(const IRect& o, int side, F f) {
    auto down = [side](int v) { return int(std::floor(double(v) / side)) * side; };
    for (int y = down(o.y0); y < o.y1; y += side)
        for (int x = down(o.x0); x < o.x1; x += side) {
            const IRect b{x, y, x + side, y + side};
            f(b, b.intersected(o));
        }
}

double distance(Point a, Point b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

}  // namespace

Image streakBlur(const Image& in, Streak st) {
    if (!in) return {};
    const bool zoom = st.kind == Streak::Zoom;
    const double len = zoom ? std::abs(st.rate) : std::sqrt(st.dx * st.dx + st.dy * st.dy);
    if (!(len > 1e-9) || !std::isfinite(len)) return in;
    const double ka = std::exp(std::clamp(st.rate * st.t0, -30.0, 30.0));
    const double kb = std::exp(std::clamp(st.rate * (st.t0 + 1), -30.0, 30.0));
    const Rect e = in.extent();
    Rect extent;
    TileNode::Roi roi;
    TileNode::Cost cost;
    if (zoom) {
        const Point c = st.centre;
        extent = boundsOf({zoomed(e, c, 1 / ka), zoomed(e, c, 1 / kb)});
        roi = [c, ka, kb](const Rect& out, double s) {
            return grownBy(boundsOf({out, zoomed(out, c, ka), zoomed(out, c, kb)}), 2 / s);
        };
        cost = [](double) { return 12.0; };
    } else {
        const double ax = st.dx * st.t0, ay = st.dy * st.t0;
        const double bx = st.dx * (st.t0 + 1), by = st.dy * (st.t0 + 1);
        extent = boundsOf({moved(e, -ax, -ay), moved(e, -bx, -by)});
        roi = [ax, ay, bx, by](const Rect& out, double s) {
            return grownBy(boundsOf({out, moved(out, ax, ay), moved(out, bx, by)}), 2 / s);
        };
        cost = [len](double s) { return 8 + len * s / 64; };
    }
    auto render = [st, zoom, len, ka, kb](const RenderInfo& info, Buffer& out, const Buffer& in) {
        const double s = info.scale;
        const IRect& ir = in.rect();
        const Point corners[4] = {{double(ir.x0), double(ir.y0)},
                                  {double(ir.x1), double(ir.y0)},
                                  {double(ir.x0), double(ir.y1)},
                                  {double(ir.x1), double(ir.y1)}};
        Shape sh;
        sh.zoom = zoom;
        if (!zoom) {
            const LineFrame f{{st.dx / len, st.dy / len}, {-st.dy / len, st.dx / len}};
            const double L = len * s;
            sh.k0 = L * st.t0, sh.k1 = L * (st.t0 + 1), sh.norm = L;
            double lo = INFINITY, hi = -INFINITY;
            for (Point p : corners) {
                const double u = f.uv(p, 0).x;
                lo = std::min(lo, u), hi = std::max(hi, u);
            }
            forBlocks(out.rect(), 256, [&](const IRect&, const IRect& part) {
                renderStreaks(f, sh, Lattice{1.0, 0.5}, 0, lo, hi, part, in, out);
            });
            return;
        }
        sh.k0 = std::min(ka, kb), sh.k1 = std::max(ka, kb), sh.norm = len;
        const PolarFrame f{{st.centre.x * s, st.centre.y * s}};
        double far = 0;
        for (Point p : corners) far = std::max(far, distance(p, f.c));
        auto block = [&](const IRect& b, const IRect& part) {
            double reach = 0;
            for (Point p : {Point{double(b.x0), double(b.y0)}, Point{double(b.x1), double(b.y0)},
                            Point{double(b.x0), double(b.y1)}, Point{double(b.x1), double(b.y1)}})
                reach = std::max(reach, distance(p, f.c));
            // Rows a fraction of a pixel apart where the block's streaks end furthest out, a
            // whole number of them to the turn so that the lattice repeats with it.
            const double need = 2 * kPi * std::max(1.0, reach * sh.k1) / 0.6;
            const double turns = 64 * std::ceil(std::clamp(need, 64.0, 1e9) / 64);
            const double near = angleOf((b.y0 + b.y1) / 2.0 - f.c.y, (b.x0 + b.x1) / 2.0 - f.c.x);
            renderStreaks(f, sh, Lattice{1.0, 2 * kPi / turns}, near, 0.0, far, part, in, out);
        };
        // Blocks near the centre see it under wide angles: smaller blocks there keep the rows
        // each block needs few.
        forBlocks(out.rect(), 256, [&](const IRect& b, const IRect& part) {
            const Point mid{(b.x0 + b.x1) / 2.0, (b.y0 + b.y1) / 2.0};
            if (distance(mid, f.c) > 2 * 256) return block(b, part);
            forBlocks(part, 64, [&](const IRect& sb, const IRect& sp) { block(sb, sp); });
        });
    };
    return makeImage<TileNode>(in, extent, roi, cost, render);
}

Image denoised(const Image& in, float level, float sharpness) {
    const float gain = 1 + sharpness;
    return colorKernel(
        [level, gain](Px p, Px b) {
            const Px c = unpremultiply(p), s = unpremultiply(b);
            const Px d = c - s;
            const Px excess = pxMax(pxMax(d, -d) - level, splat(0));
            Px kept = clamp01(s + (d > 0 ? excess : -excess) * gain);
            kept[3] = p[3];
            return premultiply(kept);
        },
        in, gaussianBlur(in, 1.0));
}

}  // namespace imaging::nbhd
