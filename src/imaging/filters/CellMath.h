#pragma once
// Cells for the stylize filters: hashed jitter, the nearest seed of a jittered grid, hexagons.
// Everything is a pure function of picture coordinates, so tiles and scales agree.

#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/Geometry.h"

namespace imaging::cells {

// A well-mixed 64-bit hash (the splitmix64 finaliser) of two cell indices and a salt.
inline uint64_t hash(int64_t i, int64_t j, uint64_t salt) {
    auto mix = [](uint64_t z) {
        z += 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    return mix(mix(uint64_t(i) ^ salt) + uint64_t(j));
}

// The k-th (0..2) number in [0, 1) drawn from a hash.
inline double unit(uint64_t h, int k) {
    return double((h >> (21 * k)) & 0x1FFFFF) / double(1 << 21);
}

// Cell index of a coordinate (its floor), safe for coordinates far beyond any picture.
inline int64_t cellOf(double v) {
    v = std::clamp(v, -4e18, 4e18);
    const int64_t i = int64_t(v);  // towards zero
    return i - (double(i) > v);
}

// A cell's index.
struct Key {
    int64_t i = 0, j = 0;
    friend bool operator==(const Key&, const Key&) = default;
};

// Square cells of side w, one of them centred on `origin`.
struct SquareCells {
    Point origin;
    double w;
    double size() const { return w; }
    Point centre(Key k) const { return {origin.x + double(k.i) * w, origin.y + double(k.j) * w}; }
    // The cell of p, and how far p lies inside it (picture units) when `border` is asked for.
    Key locate(Point p, double* border) const {
        const Key k{cellOf((p.x - origin.x) / w + 0.5), cellOf((p.y - origin.y) / w + 0.5)};
        if (border) {
            const Point c = centre(k);
            *border = w / 2 - std::max(std::abs(p.x - c.x), std::abs(p.y - c.y));
        }
        return k;
    }
    const SquareCells& local(const Rect&) const { return *this; }

    // The cells a square pixel of side px around p overlaps, with their shares of it (at most
    // four, the pixel being no larger than a cell).
    int shares(Point p, double px, Key* keys, float* weights) const {
        struct Axis {
            int64_t k[2];
            float w[2];
            int n;
        };
        auto axis = [&](double c, double o) {
            const double a = (c - px / 2 - o) / w + 0.5, b = (c + px / 2 - o) / w + 0.5;
            const int64_t ia = cellOf(a), ib = cellOf(b);
            if (ia == ib) return Axis{{ia, ia}, {1, 0}, 1};
            const float f = float((double(ib) - a) / (b - a));
            return Axis{{ia, ib}, {f, 1 - f}, 2};
        };
        const Axis ax = axis(p.x, origin.x), ay = axis(p.y, origin.y);
        int n = 0;
        for (int j = 0; j < ay.n; ++j)
            for (int i = 0; i < ax.n; ++i) {
                keys[n] = {ax.k[i], ay.k[j]};
                weights[n++] = ax.w[i] * ay.w[j];
            }
        return n;
    }
};

// Hexagons with pointed tops whose neighbouring centres are `spacing` apart, one of them
// centred on `origin`. Keys are axial coordinates.
struct HexCells {
    Point origin;
    double spacing;
    double size() const { return spacing; }
    Point centre(Key k) const {
        return {origin.x + spacing * (double(k.i) + double(k.j) / 2),
                origin.y + spacing * std::sqrt(0.75) * double(k.j)};
    }
    Key locate(Point p, double* border) const {
        const double size = spacing / std::sqrt(3.0);  // centre to corner
        const double x = (p.x - origin.x) / size, y = (p.y - origin.y) / size;
        // Axial coordinates, rounded through cube coordinates.
        const double q = std::sqrt(3.0) / 3 * x - y / 3, r = 2.0 / 3 * y, s = -q - r;
        auto round = [](double v) { return double(cellOf(v + 0.5)); };
        double rq = round(q), rr = round(r);
        const double rs = round(s);
        const double dq = std::abs(rq - q), dr = std::abs(rr - r), ds = std::abs(rs - s);
        if (dq > dr && dq > ds) {
            rq = -rr - rs;
        } else if (dr > ds) {
            rr = -rq - rs;
        }
        const Key k{cellOf(rq), cellOf(rr)};
        if (border) {
            const Point c = centre(k);
            const double qx = p.x - c.x, qy = p.y - c.y;
            const double a = std::abs(qx), b = std::abs(0.5 * qx + std::sqrt(0.75) * qy),
                         e = std::abs(0.5 * qx - std::sqrt(0.75) * qy);
            *border = spacing / 2 - std::max({a, b, e});
        }
        return k;
    }
    const HexCells& local(const Rect&) const { return *this; }
};

// Voronoi cells of a jittered grid: every cell of a grid of `spacing` anchored at `origin`
// holds one seed, placed by hash within the middle `jitter` fraction of the grid cell. Keys
// are grid cells.
struct SeedCells {
    Point origin;
    double spacing, jitter;
    uint64_t salt;
    double size() const { return spacing; }

    // Where the seed of cell k lies within it, in cell units.
    std::pair<float, float> offset(Key k) const {
        const uint64_t h = hash(k.i, k.j, salt);
        return {float(0.5 + (unit(h, 0) - 0.5) * jitter), float(0.5 + (unit(h, 1) - 0.5) * jitter)};
    }
    Point seed(Key k) const {
        const auto [fx, fy] = offset(k);
        return {origin.x + (double(k.i) + fx) * spacing, origin.y + (double(k.j) + fy) * spacing};
    }

    // The seeds of an area, for lookups without hashing.
    class Local {
      public:
        Local(const SeedCells& c, const Rect& area) : c_(c), inv_(1 / c.spacing) {
            i0_ = cellOf((area.x - c.origin.x) / c.spacing) - 2;
            j0_ = cellOf((area.y - c.origin.y) / c.spacing) - 2;
            ni_ = int(std::clamp(double(cellOf((area.maxX() - c.origin.x) / c.spacing) - i0_ + 3),
                                 1.0, 4096.0));
            nj_ = int(std::clamp(double(cellOf((area.maxY() - c.origin.y) / c.spacing) - j0_ + 3),
                                 1.0, 4096.0));
            offsets_.resize(size_t(ni_) * size_t(nj_));
            for (int j = 0; j < nj_; ++j)
                for (int i = 0; i < ni_; ++i)
                    offsets_[size_t(j) * size_t(ni_) + size_t(i)] = c.offset({i0_ + i, j0_ + j});
        }
        Point seed(Key k) const {
            const int64_t i = k.i - i0_, j = k.j - j0_;
            if (i < 0 || j < 0 || i >= ni_ || j >= nj_) return c_.seed(k);
            const auto [fx, fy] = offsets_[size_t(j) * size_t(ni_) + size_t(i)];
            return {c_.origin.x + (double(k.i) + fx) * c_.spacing,
                    c_.origin.y + (double(k.j) + fy) * c_.spacing};
        }
        // The nearest seed's cell, and a lower bound of the distance to its border. Distances
        // are taken in cell units relative to p's cell, which floats hold exactly enough.
        Key locate(Point p, double* border) const {
            const double u = (p.x - c_.origin.x) * inv_, v = (p.y - c_.origin.y) * inv_;
            const int64_t ci = cellOf(u), cj = cellOf(v);
            const float fu = float(u - double(ci)), fv = float(v - double(cj));
            std::pair<float, float> off[9];
            const int64_t li = ci - 1 - i0_, lj = cj - 1 - j0_;
            if (li >= 0 && lj >= 0 && li + 3 <= ni_ && lj + 3 <= nj_) {
                const auto* o = offsets_.data() + size_t(lj) * size_t(ni_) + size_t(li);
                for (int n = 0; n < 9; ++n) off[n] = o[size_t(n / 3) * size_t(ni_) + size_t(n % 3)];
            } else {
                for (int n = 0; n < 9; ++n) off[n] = c_.offset({ci + n % 3 - 1, cj + n / 3 - 1});
            }
            float d[9];
            for (int n = 0; n < 9; ++n) {
                const float dx = float(n % 3 - 1) + off[n].first - fu;
                const float dy = float(n / 3 - 1) + off[n].second - fv;
                d[n] = dx * dx + dy * dy;
            }
            int best = 0;
            for (int n = 1; n < 9; ++n) best = d[n] < d[best] ? n : best;
            if (border) {
                // Half the gap to the second nearest seed: never more than the distance to
                // the cell's border.
                float second = INFINITY;
                for (int n = 0; n < 9; ++n) second = n == best ? second : std::min(second, d[n]);
                *border = 0.5 * double(std::sqrt(second) - std::sqrt(d[best])) * c_.spacing;
            }
            return {ci + best % 3 - 1, cj + best / 3 - 1};
        }

      private:
        const SeedCells& c_;
        double inv_;
        int64_t i0_ = 0, j0_ = 0;
        int ni_ = 0, nj_ = 0;
        std::vector<std::pair<float, float>> offsets_;
    };
    Local local(const Rect& area) const { return Local(*this, area); }
};

}  // namespace imaging::cells
