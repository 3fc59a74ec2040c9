#pragma once
// Cells for the stylize filters: hashed jitter, the nearest seed of a jittered grid, hexagons.
// Everything is a pure function of picture coordinates, so tiles and scales agree.

#include <cmath>
#include <cstdint>

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

// Cell index of a coordinate, safe for coordinates far beyond any picture.
inline int64_t cellOf(double v) {
    return int64_t(std::clamp(std::floor(v), -4e18, 4e18));
}

struct Seed {
    Point at;
    int64_t i = 0, j = 0;
    double dist2 = 0;
};

// The seed nearest to p on a grid of `spacing` anchored at `origin`, every cell holding one
// seed placed by hash within the middle `jitter` fraction of the cell.
inline Seed nearestSeed(Point p, Point origin, double spacing, double jitter, uint64_t salt) {
    const double u = (p.x - origin.x) / spacing, v = (p.y - origin.y) / spacing;
    const int64_t ci = cellOf(u), cj = cellOf(v);
    Seed best;
    best.dist2 = INFINITY;
    for (int64_t dj = -1; dj <= 1; ++dj)
        for (int64_t di = -1; di <= 1; ++di) {
            const int64_t i = ci + di, j = cj + dj;
            const uint64_t h = hash(i, j, salt);
            const double sx = double(i) + 0.5 + (unit(h, 0) - 0.5) * jitter;
            const double sy = double(j) + 0.5 + (unit(h, 1) - 0.5) * jitter;
            const double d2 = (sx - u) * (sx - u) + (sy - v) * (sy - v);
            if (d2 < best.dist2) {
                best.dist2 = d2;
                best.i = i, best.j = j;
                best.at = {origin.x + sx * spacing, origin.y + sy * spacing};
            }
        }
    best.dist2 *= spacing * spacing;
    return best;
}

// Centre of the hexagon containing p, for hexagons with pointed tops whose neighbouring centres
// are `spacing` apart and one of which is centred on `origin`.
inline Point hexCentre(Point p, Point origin, double spacing) {
    const double size = spacing / std::sqrt(3.0);  // centre to corner
    const double x = (p.x - origin.x) / size, y = (p.y - origin.y) / size;
    // Axial coordinates, rounded through cube coordinates.
    const double q = std::sqrt(3.0) / 3 * x - y / 3, r = 2.0 / 3 * y, s = -q - r;
    double rq = std::round(q), rr = std::round(r), rs = std::round(s);
    const double dq = std::abs(rq - q), dr = std::abs(rr - r), ds = std::abs(rs - s);
    if (dq > dr && dq > ds) {
        rq = -rr - rs;
    } else if (dr > ds) {
        rr = -rq - rs;
    }
    return {origin.x + size * std::sqrt(3.0) * (rq + rr / 2), origin.y + size * 1.5 * rr};
}

}  // namespace imaging::cells
