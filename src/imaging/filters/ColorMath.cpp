#include "imaging/filters/ColorMath.h"

#include <algorithm>
#include <cmath>

namespace imaging::cmath {

namespace detail {

namespace {
template <class F>
std::array<float, kTableSize + 1> table(F f) {
    std::array<float, kTableSize + 1> t{};
    for (int i = 0; i <= kTableSize; ++i) t[size_t(i)] = f(double(i) / kTableSize);
    return t;
}
double encodeExact(double v) {
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}
double decodeExact(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
}  // namespace

// Indexed by the square root so that the steep start of the curve gets most of the entries.
const std::array<float, kTableSize + 1> kEncodeBySqrt =
    table([](double u) { return float(encodeExact(u * u)); });
const std::array<float, kTableSize + 1> kDecode =
    table([](double v) { return float(decodeExact(v)); });

}  // namespace detail

// ---------------------------------------------------------------------------------------------

Mat3 Mat3::operator*(const Mat3& o) const {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            float s = 0;
            for (int k = 0; k < 3; ++k) s += m[size_t(i * 3 + k)] * o.m[size_t(k * 3 + j)];
            r.m[size_t(i * 3 + j)] = s;
        }
    return r;
}

Mat3 Mat3::inverse() const {
    const auto& a = m;
    double c0 = double(a[4]) * a[8] - double(a[5]) * a[7];
    double c1 = double(a[5]) * a[6] - double(a[3]) * a[8];
    double c2 = double(a[3]) * a[7] - double(a[4]) * a[6];
    double det = a[0] * c0 + a[1] * c1 + a[2] * c2;
    if (!(std::abs(det) > 1e-12) || !std::isfinite(det)) return {};
    double k = 1 / det;
    Mat3 r;
    r.m = {float(c0 * k),
           float((double(a[2]) * a[7] - double(a[1]) * a[8]) * k),
           float((double(a[1]) * a[5] - double(a[2]) * a[4]) * k),
           float(c1 * k),
           float((double(a[0]) * a[8] - double(a[2]) * a[6]) * k),
           float((double(a[2]) * a[3] - double(a[0]) * a[5]) * k),
           float(c2 * k),
           float((double(a[1]) * a[6] - double(a[0]) * a[7]) * k),
           float((double(a[0]) * a[4] - double(a[1]) * a[3]) * k)};
    return r;
}

Mat3 hueRotation(double radians) {
    if (!std::isfinite(radians)) radians = 0;
    // Rodrigues' rotation about the unit grey axis (1, 1, 1) / sqrt(3).
    const double c = std::cos(radians), s = std::sin(radians), u = 1 / std::sqrt(3.0);
    const double d = u * u * (1 - c);
    Mat3 m;
    m.m = {float(c + d),     float(d - u * s), float(d + u * s), float(d + u * s), float(c + d),
           float(d - u * s), float(d - u * s), float(d + u * s), float(c + d)};
    return m;
}

const Mat3 kRgbToXyz{{0.4124564f, 0.3575761f, 0.1804375f, 0.2126729f, 0.7151522f, 0.0721750f,
                      0.0193339f, 0.1191920f, 0.9503041f}};
const Mat3 kXyzToRgb{{3.2404542f, -1.5371385f, -0.4985314f, -0.9692660f, 1.8760108f, 0.0415560f,
                      0.0556434f, -0.2040259f, 1.0572252f}};

namespace {
const Mat3 kBradford{
    {0.8951f, 0.2664f, -0.1614f, -0.7502f, 1.7135f, 0.0367f, 0.0389f, -0.0685f, 1.0296f}};
const Mat3 kBradfordInv = kBradford.inverse();
}  // namespace

Mat3 adaptation(double fromX, double fromY, double toX, double toY) {
    auto cone = [](double x, double y) {
        y = std::max(y, 1e-3);
        Px xyz{float(x / y), 1.f, float((1 - x - y) / y), 0.f};
        return kBradford.apply(xyz);
    };
    Px from = cone(fromX, fromY), to = cone(toX, toY);
    Mat3 d;
    d.m = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 3; ++i)
        d.m[size_t(i * 4)] =
            std::abs(from[i]) > 1e-6f ? std::clamp(to[i] / from[i], 0.f, 100.f) : 1;
    return kXyzToRgb * kBradfordInv * d * kBradford * kRgbToXyz;
}

void whiteOf(double kelvin, double tint, double& x, double& y) {
    const double t = std::clamp(std::isfinite(kelvin) ? kelvin : 6500.0, 1667.0, 25000.0);
    // Planckian locus, cubic-spline fit (Kim et al.).
    const double t1 = 1e3 / t, t2 = t1 * t1, t3 = t2 * t1;
    x = t <= 4000 ? -0.2661239 * t3 - 0.2343589 * t2 + 0.8776956 * t1 + 0.179910
                  : -3.0258469 * t3 + 2.1070379 * t2 + 0.2226347 * t1 + 0.240390;
    const double x2 = x * x, x3 = x2 * x;
    if (t <= 2222)
        y = -1.1063814 * x3 - 1.34811020 * x2 + 2.18555832 * x - 0.20219683;
    else if (t <= 4000)
        y = -0.9549476 * x3 - 1.37418593 * x2 + 2.09137015 * x - 0.16748867;
    else
        y = 3.0817580 * x3 - 5.87338670 * x2 + 3.75112997 * x - 0.37001483;
    // Tint moves across the locus in the CIE 1960 uv plane: positive is magenta, negative green.
    double d = -2 * x + 12 * y + 3;
    double u = 4 * x / d, v = 6 * y / d;
    v -= std::clamp(std::isfinite(tint) ? tint : 0.0, -500.0, 500.0) * 1.5e-4;
    double den = 2 * u - 8 * v + 4;
    if (std::abs(den) < 1e-6) return;
    x = std::clamp(3 * u / den, 0.05, 0.9);
    y = std::clamp(2 * v / den, 0.05, 0.9);
}

namespace {
constexpr float kWhiteX = 0.95047f, kWhiteZ = 1.08883f;
float labF(float t) {
    return t > 0.008856f ? cbrtFast(t) : 7.787f * t + 16.f / 116.f;
}
float labFInv(float t) {
    return t > 0.206893f ? t * t * t : (t - 16.f / 116.f) / 7.787f;
}
}  // namespace

Px rgbToLab(Px p) {
    Px xyz = kRgbToXyz.apply(p);
    float fx = labF(xyz[0] / kWhiteX), fy = labF(xyz[1]), fz = labF(xyz[2] / kWhiteZ);
    return Px{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz), p[3]};
}

Px labToRgb(Px lab) {
    float fy = (lab[0] + 16) / 116, fx = fy + lab[1] / 500, fz = fy - lab[2] / 200;
    Px xyz{kWhiteX * labFInv(fx), labFInv(fy), kWhiteZ * labFInv(fz), lab[3]};
    return kXyzToRgb.apply(xyz);
}

Px rgbToHsv(Px p) {
    float mx = std::max({p[0], p[1], p[2]}), mn = std::min({p[0], p[1], p[2]});
    float d = mx - mn, h = 0;
    if (d > 1e-7f) {
        if (mx == p[0])
            h = (p[1] - p[2]) / d;
        else if (mx == p[1])
            h = 2 + (p[2] - p[0]) / d;
        else
            h = 4 + (p[0] - p[1]) / d;
        h /= 6;
        if (h < 0) h += 1;
    }
    return Px{h, mx > 1e-7f ? d / mx : 0.f, mx, p[3]};
}

Px hsvToRgb(Px hsv) {
    float h = hsv[0] - std::floor(hsv[0]);
    if (!std::isfinite(h)) h = 0;
    float s = clampf(hsv[1], 0, 1), v = hsv[2];
    float f = h * 6;
    int i = std::min(int(f), 5);
    f -= float(i);
    float p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i) {
        case 0:
            return Px{v, t, p, hsv[3]};
        case 1:
            return Px{q, v, p, hsv[3]};
        case 2:
            return Px{p, v, t, hsv[3]};
        case 3:
            return Px{p, q, v, hsv[3]};
        case 4:
            return Px{t, p, v, hsv[3]};
        default:
            return Px{v, p, q, hsv[3]};
    }
}

// ---------------------------------------------------------------------------------------------

Curve::Curve(std::vector<Point> pts) {
    std::erase_if(pts, [](Point p) { return !std::isfinite(p.x) || !std::isfinite(p.y); });
    for (auto& p : pts) p.y = std::clamp(p.y, -1e4, 1e4);
    std::stable_sort(pts.begin(), pts.end(), [](Point a, Point b) { return a.x < b.x; });
    std::vector<Point> u;
    for (auto& p : pts) {
        if (!u.empty() && std::abs(p.x - u.back().x) < 1e-9)
            u.back() = p;
        else
            u.push_back(p);
    }
    auto t = std::make_shared<std::array<float, kSize>>();
    if (u.size() < 2) {
        for (int i = 0; i < kSize; ++i) (*t)[size_t(i)] = float(i) / (kSize - 1);
        table_ = t;
        return;
    }
    // Monotone cubic Hermite (Fritsch-Carlson): no overshoot between points.
    size_t n = u.size();
    std::vector<double> d(n - 1), m(n);
    for (size_t i = 0; i + 1 < n; ++i) d[i] = (u[i + 1].y - u[i].y) / (u[i + 1].x - u[i].x);
    m[0] = d[0];
    m[n - 1] = d[n - 2];
    for (size_t i = 1; i + 1 < n; ++i) m[i] = d[i - 1] * d[i] <= 0 ? 0 : (d[i - 1] + d[i]) / 2;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (d[i] == 0) {
            m[i] = m[i + 1] = 0;
            continue;
        }
        double a = m[i] / d[i], b = m[i + 1] / d[i], s = a * a + b * b;
        if (s > 9) {
            double k = 3 / std::sqrt(s);
            m[i] = k * a * d[i];
            m[i + 1] = k * b * d[i];
        }
    }
    size_t seg = 0;
    for (int k = 0; k < kSize; ++k) {
        double x = double(k) / (kSize - 1);
        double y;
        if (x <= u.front().x) {
            y = u.front().y;
        } else if (x >= u.back().x) {
            y = u.back().y;
        } else {
            while (seg + 2 < n && x > u[seg + 1].x) ++seg;
            double h = u[seg + 1].x - u[seg].x, s = (x - u[seg].x) / h;
            double s2 = s * s, s3 = s2 * s;
            y = (2 * s3 - 3 * s2 + 1) * u[seg].y + (s3 - 2 * s2 + s) * h * m[seg] +
                (-2 * s3 + 3 * s2) * u[seg + 1].y + (s3 - s2) * h * m[seg + 1];
        }
        (*t)[size_t(k)] = float(y);
    }
    table_ = t;
}

// ---------------------------------------------------------------------------------------------

float valueNoise(double x, double y, uint32_t seed) {
    if (!(std::abs(x) < 1e15 && std::abs(y) < 1e15)) return 0.5f;
    double fx = std::floor(x), fy = std::floor(y);
    int64_t ix = int64_t(fx), iy = int64_t(fy);
    float tx = float(x - fx), ty = float(y - fy);
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = hash01(ix, iy, seed), b = hash01(ix + 1, iy, seed);
    float c = hash01(ix, iy + 1, seed), d = hash01(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float periodicNoise(double t, int cells, uint32_t seed) {
    cells = std::max(cells, 1);
    double f = (t - std::floor(t)) * cells;
    if (!std::isfinite(f)) return 0.5f;
    int i = std::min(int(f), cells - 1);
    float w = float(f - i);
    w = w * w * (3 - 2 * w);
    float a = hash01(i, 0, seed), b = hash01((i + 1) % cells, 0, seed);
    return a + (b - a) * w;
}

}  // namespace imaging::cmath
