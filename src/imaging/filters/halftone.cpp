// Halftone screens: the picture's tone rendered as ink and paper. Each screen is a threshold
// map over a grid of cells whose values are spread evenly over 0..1, so that the share of
// paper in a cell equals the tone (linear light, as paper and ink reflect it). Edges are
// softened over one output pixel so that previews average to the same tone.

#include <array>

#include "imaging/FilterKit.h"
#include "imaging/filters/ColorMath.h"

namespace imaging {
namespace {
using namespace kit;
using namespace cmath;

const char* const kHalftone = kCICategoryHalftoneEffect;

// The grid of a screen: cells of `width` picture units, turned by `angle` about `center`.
struct Grid {
    Point c;
    double cs = 1, sn = 0, w = 6;
    float soft = 0.15f;

    Grid(const Args& a, bool angled, double angleOffset = 0) {
        c = a.point("inputCenter");
        double ang = (angled ? a.number("inputAngle") : 0) + angleOffset;
        if (!std::isfinite(ang)) ang = 0;
        cs = std::cos(ang), sn = std::sin(ang);
        w = std::clamp(a.number("inputWidth"), 1.0, 1e6);
        soft = float(0.5 * (1 - std::clamp(a.number("inputSharpness"), 0.0, 1.0)));
    }
    // Cell coordinates of a picture point (whole cells included).
    void cell(Point p, double& u, double& v) const {
        double dx = p.x - c.x, dy = p.y - c.y;
        u = (dx * cs + dy * sn) / w;
        v = (-dx * sn + dy * cs) / w;
    }
    // The share of paper around q for tone t over an output pixel of `pixel` picture units.
    // `share(u, v, t, e)` gives it at one point for an edge half-width e. Pixels up to a
    // fifth of a cell take one sample; larger ones four, and from about half a cell the screen
    // fades into the tone it averages to, as a reduced picture of it would show.
    template <class F>
    float paperShare(Point q, float pixel, float t, F share) const {
        const float r = float(pixel / w);
        if (r >= 0.6f) return t;
        double u, v;
        if (r <= 0.2f) {
            cell(q, u, v);
            return share(u, v, t, std::clamp(std::max(soft, r), 1e-4f, 0.5f));
        }
        const float e = std::clamp(std::max(soft, r / 2), 1e-4f, 0.5f);
        const double d = pixel / 4.0;
        float acc = 0;
        for (Point o : {Point{-d, -d}, Point{d, -d}, Point{-d, d}, Point{d, d}}) {
            cell(Point{q.x + o.x, q.y + o.y}, u, v);
            acc += share(u, v, t, e);
        }
        return acc / 4 + (t - acc / 4) * smoothstep(0.3f, 0.6f, r);
    }
};

// Share of paper for a threshold s (evenly spread over 0..1) at tone t, the edge ramped over
// +-e. Near the ends of the range the tone is moved so that the mean over a cell stays exactly
// t while white stays white and black black.
inline float paper(float t, float s, float e) {
    if (t < e)
        t = 2 * std::sqrt(e * std::max(t, 0.f)) - e;
    else if (t > 1 - e)
        t = 1 + e - 2 * std::sqrt(e * std::max(1 - t, 0.f));
    return clampf((t - s) / (2 * e) + 0.5f, 0, 1);
}
// 0 on the middle line of a band, 1 at its edges, evenly spread.
inline float band(float f) {
    return std::abs(2 * f - 1);
}

// The round dot: a spot function ranked by its own distribution, so that the ink covers
// exactly 1 - tone of each cell. Black dots in light tones, white dots in dark ones.
class DotRank {
  public:
    DotRank() {
        std::array<double, kBins> hist{};
        constexpr int n = 512;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                hist[bin(spot((i + 0.5f) / n, (j + 0.5f) / n))] += 1.0 / (double(n) * n);
        double acc = 0;
        for (size_t b = 0; b < kBins; ++b) {
            cdf_[b] = float(acc + hist[b] / 2);
            acc += hist[b];
        }
    }
    // cos 2πu + cos 2πv with each cosine replaced by two parabolas (cheaper, same dot).
    static float wave(float f) {
        float t = std::min(f, 1 - f);
        return t < 0.25f ? 1 - 16 * t * t : -1 + 16 * (0.5f - t) * (0.5f - t);
    }
    static float spot(float u, float v) { return wave(u) + wave(v); }
    float operator()(float u, float v) const { return cdf_[bin(spot(u, v))]; }

  private:
    static constexpr size_t kBins = 4096;
    static size_t bin(float f) { return std::min(size_t((f + 2) / 4 * kBins), kBins - 1); }
    std::array<float, kBins> cdf_;
};
const DotRank& dotRank() {
    static const DotRank r;
    return r;
}

// A screen filter: `threshold(u, v)` gives the threshold at cell coordinates.
template <class F>
Image screen(const Args& a, const Grid& g, F threshold) {
    return colorKernel(
        [g, threshold](Px p, Point q, float pixel) {
            if (!(p[3] > 0)) return Px{0, 0, 0, 0};
            float t = clampf(luma(p / p[3]), 0, 1);
            float w = g.paperShare(q, pixel, t, [&](double u, double v, float tone, float e) {
                return paper(tone, threshold(u, v), e);
            });
            return grey(w * p[3], p[3]);
        },
        a.image());
}

std::vector<Attribute> screenInputs(bool angled) {
    std::vector<Attribute> in{ImageInput(), Center()};
    if (angled) in.push_back(Angle("inputAngle", 0).slider(-kPi, kPi));
    in.push_back(Distance("inputWidth", 6).min(1).slider(2, 50));
    in.push_back(Scalar("inputSharpness", 0.7).limits(0, 1));
    return in;
}

const FilterDef dotScreenDef{
    "CIDotScreen", "Dot Screen", {kHalftone}, screenInputs(true), [](const Args& a) {
        const DotRank& rank = dotRank();
        return screen(a, Grid(a, true),
                      [&rank](double u, double v) { return rank(fract(u), fract(v)); });
    }};

const FilterDef lineScreenDef{
    "CILineScreen", "Line Screen", {kHalftone}, screenInputs(true), [](const Args& a) {
        return screen(a, Grid(a, true), [](double, double v) { return band(fract(v)); });
    }};

// Rings around the centre, one per cell width.
const FilterDef circularScreenDef{
    "CICircularScreen", "Circular Screen", {kHalftone}, screenInputs(false), [](const Args& a) {
        return screen(a, Grid(a, false),
                      [](double u, double v) { return band(fract(std::hypot(u, v))); });
    }};

// Lines in light tones, crossed by a second set in dark ones. Below half tone the crossing
// lines darken more than the tone asks, so the tone is first raised to make up for it:
// paper share t'(t' + 1/2) = t.
const FilterDef hatchedScreenDef{
    "CIHatchedScreen", "Hatched Screen", {kHalftone}, screenInputs(true), [](const Args& a) {
        Grid g(a, true);
        return colorKernel(
            [g](Px p, Point q, float pixel) {
                if (!(p[3] > 0)) return Px{0, 0, 0, 0};
                float t = clampf(luma(p / p[3]), 0, 1);
                float w = g.paperShare(q, pixel, t, [](double u, double v, float tone, float e) {
                    if (tone < 0.5f) tone = 0.5f * (std::sqrt(0.25f + 4 * tone) - 0.5f);
                    return paper(tone, band(fract(v)), e) * paper(tone + 0.5f, band(fract(u)), e);
                });
                return grey(w * p[3], p[3]);
            },
            a.image());
    }};

// Frequency-modulated screen: square cells of a third of the width, each with a random
// threshold. Cells are flat, so they need no edge softening; a preview whose pixels are larger
// than the cells shows the tone they average to.
const FilterDef stochasticScreenDef{
    "CIStochasticScreen",
    "Stochastic Screen",
    {kHalftone},
    {ImageInput(), Center(), Distance("inputWidth", 6).min(1).slider(2, 50),
     Scalar("inputSharpness", 0.7).limits(0, 1)},
    [](const Args& a) {
        Grid g(a, false);
        g.w /= 3;
        return colorKernel(
            [g](Px p, Point q, float pixel) {
                if (!(p[3] > 0)) return Px{0, 0, 0, 0};
                float t = clampf(luma(p / p[3]), 0, 1);
                double u, v;
                g.cell(q, u, v);
                auto cell = [](double x) {
                    return int64_t(std::floor(std::clamp(x, -1e15, 1e15)));
                };
                float w = paper(t, hash01(cell(u), cell(v), 17), std::max(g.soft, 1e-4f));
                w = lerp(splat(w), splat(t), clampf(float(pixel / g.w) - 1, 0, 1))[0];
                return grey(w * p[3], p[3]);
            },
            a.image());
    }};

// Four inks on white paper, each screened at its own angle. Grey component replacement moves
// the common part of cyan, magenta and yellow into black; under-colour removal takes it out of
// the three colours.
const FilterDef cmykDef{
    "CICMYKHalftone",
    "CMYK Halftone",
    {kHalftone},
    {ImageInput(), Center(), Distance("inputWidth", 6).min(-2).slider(2, 100),
     Angle("inputAngle", 0).slider(-kPi, kPi), Distance("inputSharpness", 0.7).limits(0, 1),
     Scalar("inputGCR", 1).limits(0, 1).name("GCR"),
     Scalar("inputUCR", 0.5).limits(0, 1).name("UCR")},
    [](const Args& a) {
        constexpr double deg = kPi / 180;
        const std::array<Grid, 4> grids{Grid(a, true, 15 * deg), Grid(a, true, 75 * deg),
                                        Grid(a, true, 0), Grid(a, true, 45 * deg)};
        const float gcr = finite(a.number("inputGCR")), ucr = finite(a.number("inputUCR"));
        const DotRank& rank = dotRank();
        return colorKernel(
            [=, &rank](Px p, Point q, float pixel) {
                if (!(p[3] > 0)) return Px{0, 0, 0, 0};
                Px s = clamp01(p / p[3]);
                float c = 1 - s[0], m = 1 - s[1], y = 1 - s[2];
                float k = std::min({c, m, y}) * gcr;
                // With full removal the black's share is taken out of the colours exactly, so that
                // the inks together keep the tone; with less, black deepens the shadows.
                float keep = 1 / std::max(1 - k * ucr, 1e-4f);
                std::array<float, 4> ink{(c - k * ucr) * keep, (m - k * ucr) * keep,
                                         (y - k * ucr) * keep, k};
                std::array<float, 4> bare;
                for (size_t i = 0; i < 4; ++i) {
                    if (!(ink[i] > 0)) {
                        bare[i] = 1;
                        continue;
                    }
                    bare[i] = grids[i].paperShare(q, pixel, 1 - ink[i],
                                                  [&rank](double u, double v, float t, float e) {
                                                      return paper(t, rank(fract(u), fract(v)), e);
                                                  });
                }
                Px o{bare[0] * bare[3], bare[1] * bare[3], bare[2] * bare[3], 1};
                return o * p[3];
            },
            a.image());
    }};

}  // namespace
}  // namespace imaging
