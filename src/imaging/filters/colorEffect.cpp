// Colour effects: looks, tints, maps, palettes and masks.

#include <array>
#include <cctype>

#include "imaging/FilterKit.h"
#include "imaging/filters/ColorMath.h"

namespace imaging {
namespace {
using namespace kit;
using namespace cmath;

const char* const kEffect = kCICategoryColorEffect;

// Straight working colour of a user colour, its alpha ignored.
WorkingColor straightColor(const Color& c) {
    auto ch = [](double v) { return float(std::clamp(v, -1.0, 100.0)); };
    return WorkingColor::straight(Px{ch(c.r), ch(c.g), ch(c.b), 1});
}

float maxAbs(Px d) {
    d = pxMax(d, -d);
    return std::max({d[0], d[1], d[2], d[3]});
}

// Piecewise-linear ramp through evenly spaced colours.
template <size_t N>
Px ramp(const std::array<WorkingColor, N>& stops, float t) {
    float f = clampf(t, 0, 1) * float(N - 1);
    size_t i = std::min(size_t(f), N - 2);
    return lerp(stops[i](), stops[i + 1](), f - float(i));
}

const FilterDef sepiaDef{
    "CISepiaTone",
    "Sepia Tone",
    {kEffect},
    {ImageInput(), Scalar("inputIntensity", 1).min(0).slider(0, 1).identity(0)},
    [](const Args& a) {
        float k = finite(a.number("inputIntensity"));
        return straightKernel(a.image(), [k](Px s) {
            Px sepia{0.393f * s[0] + 0.769f * s[1] + 0.189f * s[2],
                     0.349f * s[0] + 0.686f * s[1] + 0.168f * s[2],
                     0.272f * s[0] + 0.534f * s[1] + 0.131f * s[2], s[3]};
            Px r = lerp(s, sepia, k);
            r[3] = s[3];
            return r;
        });
    }};

const FilterDef invertDef{
    "CIColorInvert", "Color Invert", {kEffect}, {ImageInput()}, [](const Args& a) {
        return straightKernel(a.image(), [](Px s) {
            return Px{1 - s[0], 1 - s[1], 1 - s[2], s[3]};
        });
    }};

const FilterDef colorMapDef{
    "CIColorMap", "Color Map", {kEffect}, {ImageInput(), GradientImage()}, [](const Args& a) {
        Image img = a.image(), grad = a.image("inputGradientImage");
        if (!img || !grad) return Image();
        // The ramp is the gradient picture's middle row, dark values at its left end.
        Rect g = grad.extent();
        if (g.isInfinite() || g.isEmpty()) g = Rect{0, 0, 256, 1};
        const double midY = g.y + g.height / 2;
        SampleOptions o;
        o.roi = [g, midY](size_t i, const Rect& out) {
            return i == 0 ? out : Rect{g.x, midY - 1, g.width, 2};
        };
        return sampleKernel(
            {img, grad},
            [g, midY](const Sampler& s, Point p) {
                Px c = s.nearest(0, p);
                if (!(c[3] > 0)) return Px{0, 0, 0, 0};
                float t = clampf(luma(unpremultiply(c)), 0, 1);
                double half = std::min(0.5 * s.pixel(), g.width / 2);
                double x = g.x + half + t * std::max(0.0, g.width - 2 * half);
                return s(1, Point{x, midY}) * c[3];
            },
            o);
    }};

const FilterDef posterizeDef{"CIColorPosterize",
                             "Color Posterize",
                             {kEffect},
                             {ImageInput(), Scalar("inputLevels", 6).min(1).slider(2, 30)},
                             [](const Args& a) {
                                 float n = float(std::clamp(a.number("inputLevels"), 2.0, 1e6)) - 1;
                                 return straightKernel(a.image(), [n](Px s) {
                                     for (int c = 0; c < 3; ++c)
                                         s[c] = std::round(clampf(s[c], 0, 1) * n) / n;
                                     return s;
                                 });
                             }};

const FilterDef falseColorDef{
    "CIFalseColor",
    "False Color",
    {kEffect},
    {ImageInput(), ColorInput("inputColor0", 0.3, 0, 0), ColorInput("inputColor1", 1, 0.9, 0.8)},
    [](const Args& a) {
        const WorkingColor c0 = a.workingColor("inputColor0");
        const WorkingColor c1 = a.workingColor("inputColor1");
        return colorKernel(
            [=](Px p) {
                Px s = unpremultiply(p);
                float t = clampf(luma(s), 0, 1);
                return lerp(c0(), c1(), t) * p[3];
            },
            a.image());
    }};

const FilterDef monochromeDef{"CIColorMonochrome",
                              "Color Monochrome",
                              {kEffect},
                              {ImageInput(), OpaqueColor("inputColor", 0.6, 0.45, 0.3),
                               Scalar("inputIntensity", 1).limits(0, 1).identity(0)},
                              [](const Args& a) {
                                  const WorkingColor colour = straightColor(a.color("inputColor"));
                                  float k = finite(a.number("inputIntensity"));
                                  // Black through the colour to white, keeping each pixel's
                                  // luminance.
                                  return straightKernel(a.image(), [=](Px s) {
                                      const Px col = clamp01(colour());
                                      const float lc = luma(col);
                                      float l = clampf(luma(s), 0, 1);
                                      Px m = l <= lc ? col * (lc > 0 ? l / lc : 0.f)
                                                     : lerp(col, splat(1),
                                                            lc < 1 ? (l - lc) / (1 - lc) : 1.f);
                                      Px r = lerp(s, m, k);
                                      r[3] = s[3];
                                      return r;
                                  });
                              }};

const FilterDef vignetteDef{
    "CIVignette",
    "Vignette",
    {kEffect},
    {ImageInput(), Scalar("inputIntensity", 0).limits(-1, 1).identity(0),
     Scalar("inputRadius", 1).limits(0, 2)},
    [](const Args& a) {
        Image img = a.image();
        if (!img || img.extent().isInfinite()) return img;
        // Relative to the picture: distance 1 is a corner; radius 1 darkens fully there.
        Rect e = img.extent();
        Point c = e.center();
        double half = std::max(1.0, 0.5 * std::hypot(e.width, e.height));
        float k = finite(a.number("inputIntensity")), r = finite(a.number("inputRadius"));
        return colorKernel(
            [=](Px p, Point q) {
                float d = float(std::hypot(q.x - c.x, q.y - c.y) / half) * r;
                float m = 1 - k * clampf(d * d, 0, 1);
                Px o = p * m;
                o[3] = p[3];
                return o;
            },
            img);
    }};

const FilterDef vignetteEffectDef{
    "CIVignetteEffect",
    "Vignette Effect",
    {kEffect},
    {ImageInput(), Center(), Distance("inputRadius", 150).min(0).slider(0, 2000),
     Scalar("inputIntensity", 1).limits(-1, 1).identity(0),
     Scalar("inputFalloff", 0.5).limits(0, 1)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        double r = a.number("inputRadius");
        float k = finite(a.number("inputIntensity"));
        double f = std::clamp(a.number("inputFalloff"), 0.0, 1.0);
        // Clear inside the radius, darkening over a band of falloff x radius on either side.
        float r0 = float(r * (1 - f)), r1 = float(std::max(r * (1 + f), 1e-3));
        return colorKernel(
            [=](Px p, Point q) {
                float d = float(std::hypot(q.x - c.x, q.y - c.y));
                float m = 1 - k * smoothstep(r0, r1, d);
                Px o = p * m;
                o[3] = p[3];
                return o;
            },
            a.image());
    }};

// The photo looks: a colour balance, a saturation and a tone curve.
FilterBuilder look(float sat, std::array<float, 3> balance, std::vector<Point> points) {
    Curve curve(std::move(points));
    Px tint{balance[0], balance[1], balance[2], 1};
    return [=](const Args& a) {
        return straightKernel(a.image(), [=](Px s) {
            float l = luma(s);
            Px c = (splat(l) + (s - l) * sat) * tint;
            return Px{curve(c[0]), curve(c[1]), curve(c[2]), s[3]};
        });
    };
}

const FilterDef chromeDef{
    "CIPhotoEffectChrome",
    "Photo Effect Chrome",
    {kEffect},
    {ImageInput()},
    look(1.3f, {0.98f, 1.0f, 1.03f}, {{0, 0}, {0.25, 0.2}, {0.5, 0.52}, {0.75, 0.8}, {1, 1}})};
const FilterDef fadeDef{"CIPhotoEffectFade",
                        "Photo Effect Fade",
                        {kEffect},
                        {ImageInput()},
                        look(0.7f, {1.02f, 1.0f, 0.97f}, {{0, 0.12}, {0.5, 0.53}, {1, 0.92}})};
const FilterDef instantDef{
    "CIPhotoEffectInstant",
    "Photo Effect Instant",
    {kEffect},
    {ImageInput()},
    look(0.9f, {1.05f, 1.0f, 0.88f}, {{0, 0.08}, {0.3, 0.3}, {0.7, 0.74}, {1, 0.96}})};
const FilterDef monoDef{"CIPhotoEffectMono",
                        "Photo Effect Mono",
                        {kEffect},
                        {ImageInput()},
                        look(0, {1, 1, 1}, {{0, 0.02}, {0.5, 0.5}, {1, 0.98}})};
const FilterDef noirDef{"CIPhotoEffectNoir",
                        "Photo Effect Noir",
                        {kEffect},
                        {ImageInput()},
                        look(0, {1, 1, 1}, {{0, 0}, {0.2, 0.08}, {0.5, 0.45}, {0.8, 0.9}, {1, 1}})};
const FilterDef processDef{
    "CIPhotoEffectProcess",
    "Photo Effect Process",
    {kEffect},
    {ImageInput()},
    look(1.1f, {0.93f, 1.02f, 1.06f}, {{0, 0.04}, {0.25, 0.22}, {0.75, 0.8}, {1, 1}})};
const FilterDef tonalDef{"CIPhotoEffectTonal",
                         "Photo Effect Tonal",
                         {kEffect},
                         {ImageInput()},
                         look(0, {1, 1, 1}, {{0, 0.06}, {0.5, 0.52}, {1, 0.94}})};
const FilterDef transferDef{"CIPhotoEffectTransfer",
                            "Photo Effect Transfer",
                            {kEffect},
                            {ImageInput()},
                            look(1.05f, {1.07f, 1.0f, 0.86f}, {{0, 0.05}, {0.5, 0.55}, {1, 0.97}})};

const FilterDef thermalDef{
    "CIThermal", "Thermal", {kEffect}, {ImageInput()}, [](const Args& a) {
        using W = WorkingColor;
        static const std::array<W, 6> stops{
            W::straight(Px{0, 0, 0.1f, 1}),    W::straight(Px{0.2f, 0, 0.6f, 1}),
            W::straight(Px{0.8f, 0, 0.6f, 1}), W::straight(Px{1, 0.25f, 0, 1}),
            W::straight(Px{1, 0.85f, 0, 1}),   W::straight(Px{1, 1, 1, 1})};
        return straightKernel(a.image(), [](Px s) {
            Px r = ramp(stops, luma(s));
            r[3] = s[3];
            return r;
        });
    }};

const FilterDef xrayDef{"CIXRay", "X-Ray", {kEffect}, {ImageInput()}, [](const Args& a) {
                            return straightKernel(a.image(), [](Px s) {
                                float v = clampf(1 - luma(s), 0, 1);
                                return Px{v * 0.82f, v * 0.94f, v, s[3]};
                            });
                        }};

const FilterDef colorCurvesDef{
    "CIColorCurves",
    "Color Curves",
    {kEffect},
    {ImageInput(), VectorInput("inputRedCurve", {0, 0.25, 0.5, 0.75, 1}),
     VectorInput("inputGreenCurve", {0, 0.25, 0.5, 0.75, 1}),
     VectorInput("inputBlueCurve", {0, 0.25, 0.5, 0.75, 1})},
    [](const Args& a) {
        // Each vector holds the curve's values at evenly spaced inputs from 0 to 1.
        auto curveOf = [&](const char* key) {
            const Vector vec = a.vector(key);
            const auto& v = vec.values();
            std::vector<Point> pts;
            for (size_t i = 0; i < v.size(); ++i)
                pts.push_back({v.size() > 1 ? double(i) / double(v.size() - 1) : 0.0, v[i]});
            return Curve(pts);
        };
        Curve r = curveOf("inputRedCurve"), g = curveOf("inputGreenCurve");
        Curve b = curveOf("inputBlueCurve");
        return straightKernel(a.image(), [=](Px s) { return Px{r(s[0]), g(s[1]), b(s[2]), s[3]}; });
    }};

const FilterDef ditherDef{
    "CIDither",
    "Dither",
    {kEffect},
    {ImageInput(), Scalar("inputIntensity", 0.1).min(0).slider(0, 5).identity(0)},
    [](const Args& a) {
        float k = finite(a.number("inputIntensity"), 1e3);
        // Noise per picture pixel: previews average it away as the full picture does.
        return colorKernel(
            [k](Px p, Point q) {
                Px s = unpremultiply(p);
                int64_t x = int64_t(std::floor(std::clamp(q.x, -1e12, 1e12)));
                int64_t y = int64_t(std::floor(std::clamp(q.y, -1e12, 1e12)));
                for (int c = 0; c < 3; ++c) s[c] += (hash01(x, y, uint32_t(c)) - 0.5f) * k;
                return premultiply(s);
            },
            a.image());
    }};

const FilterDef palettizeDef{
    "CIPalettize",
    "Palettize",
    {kEffect},
    {ImageInput(), ImageInput("inputPaletteImage"), Boolean("inputPerceptual", false)},
    [](const Args& a) {
        Image img = a.image(), pal = a.image("inputPaletteImage");
        if (!img || !pal) return Image();
        const bool perceptual = a.boolean("inputPerceptual");
        Rect g = pal.extent();
        if (g.isInfinite() || g.isEmpty()) g = Rect{0, 0, 256, 256};
        // A small palette picture gives every pixel; a larger one the centres of an 8 x 8 grid.
        int nx = 8, ny = 8;
        if (g.width * g.height <= 64 && g.width >= 1 && g.height >= 1)
            nx = int(g.width), ny = int(g.height);
        return areaKernel(
            {img, pal}, img.extent(),
            [g](size_t i, const Rect& out, double) { return i == 0 ? out : g; },
            [=](const RenderInfo& info, Buffer& out, std::span<const Buffer* const> ins) {
                std::vector<Px> colors, keys;
                for (int j = 0; j < ny; ++j)
                    for (int i = 0; i < nx; ++i) {
                        Px c = ins[1]->sample((g.x + (i + 0.5) * g.width / nx) * info.scale,
                                              (g.y + (j + 0.5) * g.height / ny) * info.scale);
                        if (!(c[3] > 1e-3f)) continue;
                        c = unpremultiply(c);
                        c[3] = 0;
                        Px key = perceptual ? workingToEncoded(c) : c;
                        bool seen = false;
                        for (auto& k : keys) seen = seen || maxAbs(k - key) < 2e-3f;
                        if (seen) continue;
                        colors.push_back(c);
                        keys.push_back(key);
                    }
                // Sorted along the grey axis: a colour whose distance along that axis alone
                // exceeds the best found so far cannot be nearer, which ends most searches early.
                const float k3 = 1 / std::sqrt(3.f);
                auto along = [k3](Px v) { return (v[0] + v[1] + v[2]) * k3; };
                std::vector<size_t> order(keys.size());
                for (size_t i = 0; i < order.size(); ++i) order[i] = i;
                std::sort(order.begin(), order.end(),
                          [&](size_t a, size_t b) { return along(keys[a]) < along(keys[b]); });
                std::vector<float> pos;
                for (size_t i : order) pos.push_back(along(keys[i]));
                const IRect& r = out.rect();
                for (int y = r.y0; y < r.y1; ++y)
                    for (int x = r.x0; x < r.x1; ++x) {
                        Px p = ins[0]->at(x, y);
                        if (colors.empty() || !(p[3] > 0)) {
                            out.row(y)[x] = colors.empty() ? p : Px{0, 0, 0, 0};
                            continue;
                        }
                        Px s = unpremultiply(p);
                        s[3] = 0;
                        Px key = perceptual ? workingToEncoded(s) : s;
                        const float at = along(key);
                        size_t hi =
                            size_t(std::lower_bound(pos.begin(), pos.end(), at) - pos.begin());
                        size_t lo = hi, best = order[std::min(hi, pos.size() - 1)];
                        float bestD = 1e30f;
                        auto visit = [&](size_t i) {
                            Px d = keys[order[i]] - key;
                            d *= d;
                            float dd = d[0] + d[1] + d[2];
                            if (dd < bestD) bestD = dd, best = order[i];
                        };
                        while (lo > 0 || hi < pos.size()) {
                            bool more = false;
                            if (hi < pos.size() && (pos[hi] - at) * (pos[hi] - at) < bestD)
                                visit(hi++), more = true;
                            else
                                hi = pos.size();
                            if (lo > 0 && (at - pos[lo - 1]) * (at - pos[lo - 1]) < bestD)
                                visit(--lo), more = true;
                            else
                                lo = 0;
                            if (!more) break;
                        }
                        Px o = colors[best] * p[3];
                        o[3] = p[3];
                        out.row(y)[x] = o;
                    }
            });
    }};

const FilterDef maskToAlphaDef{
    "CIMaskToAlpha", "Mask to Alpha", {kEffect}, {ImageInput()}, [](const Args& a) {
        // White is opaque, black clear, mid grey half covered.
        return colorKernel(
            [](Px p) {
                Px s = unpremultiply(p);
                float v = clampf(luma(s), 0, 1) * p[3];
                return splat(v);
            },
            a.image());
    }};

// ---------------------------------------------------------------------------------------------
// Colour cubes: a table of n x n x n RGBA colours (32-bit floats, premultiplied; red varies
// fastest, then green, then blue) looked up by each pixel's straight colour, trilinearly.

// The identity table of dimension 2, the cubes' default.
Data identityCube() {
    std::vector<float> v;
    for (int b = 0; b < 2; ++b)
        for (int g = 0; g < 2; ++g)
            for (int r = 0; r < 2; ++r) v.insert(v.end(), {float(r), float(g), float(b), 1.f});
    return Data::fromFloats(v);
}

class Cube {
  public:
    // Empty (invalid) unless the data holds exactly n^3 entries.
    Cube(int n, const Data& data) {
        if (n < 2 || data.size() != size_t(n) * size_t(n) * size_t(n) * 4 * sizeof(float)) return;
        auto v = std::make_shared<std::vector<float>>(data.floats());
        for (float& f : *v)
            if (!std::isfinite(f)) f = 0;
        n_ = n;
        v_ = std::move(v);
    }
    bool valid() const { return n_ > 0; }
    // The table's colour for a straight colour (clamped to 0..1), premultiplied.
    Px operator()(Px s) const {
        const float k = float(n_ - 1);
        int i0[3], i1[3];
        float t[3];
        for (int c = 0; c < 3; ++c) {
            const float f = clampf(s[c], 0, 1) * k;
            i0[c] = std::min(int(f), n_ - 2);
            i1[c] = i0[c] + 1;
            t[c] = f - float(i0[c]);
        }
        auto at = [&](int r, int g, int b) {
            const float* e =
                v_->data() + 4 * ((size_t(b) * size_t(n_) + size_t(g)) * size_t(n_) + size_t(r));
            return Px{e[0], e[1], e[2], e[3]};
        };
        const Px c00 = lerp(at(i0[0], i0[1], i0[2]), at(i1[0], i0[1], i0[2]), t[0]);
        const Px c10 = lerp(at(i0[0], i1[1], i0[2]), at(i1[0], i1[1], i0[2]), t[0]);
        const Px c01 = lerp(at(i0[0], i0[1], i1[2]), at(i1[0], i0[1], i1[2]), t[0]);
        const Px c11 = lerp(at(i0[0], i1[1], i1[2]), at(i1[0], i1[1], i1[2]), t[0]);
        return lerp(lerp(c00, c10, t[1]), lerp(c01, c11, t[1]), t[2]);
    }

  private:
    int n_ = 0;
    std::shared_ptr<const std::vector<float>> v_;
};

// The space a cube's colours are in, relative to the working space.
enum class CubeSpace { Working, Encoded, Linear };

bool cubeSpaceOf(const std::string& name, CubeSpace& out) {
    std::string n;
    for (char c : name) n += char(std::tolower(static_cast<unsigned char>(c)));
    if (n == "srgb") return out = CubeSpace::Encoded, true;
    if (n == "linear" || n == "linear srgb" || n == "linearsrgb")
        return out = CubeSpace::Linear, true;
    return false;
}

// A straight working colour into the cube's space, and a cube colour back.
Px intoCube(Px s, CubeSpace space) {
    const bool linear = currentWorkingSpace() == WorkingSpace::Linear;
    if (space == CubeSpace::Encoded) return linear ? encode(s) : s;
    if (space == CubeSpace::Linear) return linear ? s : decode(s);
    return s;
}
Px outOfCube(Px premultiplied, CubeSpace space) {
    if (space == CubeSpace::Working) return premultiplied;
    const bool linear = currentWorkingSpace() == WorkingSpace::Linear;
    Px s = unpremultiply(premultiplied);
    if (space == CubeSpace::Encoded && linear) s = decode(s);
    if (space == CubeSpace::Linear && !linear) s = encode(s);
    return premultiply(s);
}

// The pixel through the cube: its straight colour looked up, the table's alpha times its own.
Px throughCube(const Cube& cube, Px p, CubeSpace space) {
    if (!(p[3] > 0)) return Px{0, 0, 0, 0};
    return outOfCube(cube(intoCube(unpremultiply(p), space)), space) * p[3];
}

Attr cubeDimension() {
    return Count("inputCubeDimension", 2).limits(2, 64);
}

Image cubeFilter(const Args& a, CubeSpace space) {
    const Cube cube(int(a.number("inputCubeDimension")), a.data("inputCubeData"));
    if (!cube.valid()) return {};  // the table does not match its dimension
    return colorKernel([cube, space](Px p) { return throughCube(cube, p, space); }, a.image());
}

const FilterDef colorCubeDef{
    "CIColorCube",
    "Color Cube",
    {kEffect},
    {ImageInput(), cubeDimension(), DataInput("inputCubeData", identityCube())},
    [](const Args& a) { return cubeFilter(a, CubeSpace::Working); }};

const FilterDef colorCubeWithSpaceDef{
    "CIColorCubeWithColorSpace",
    "Color Cube with ColorSpace",
    {kEffect},
    {ImageInput(), cubeDimension(), DataInput("inputCubeData", identityCube()),
     Text("inputColorSpace", "sRGB")},
    [](const Args& a) {
        CubeSpace space;
        if (!cubeSpaceOf(a.text("inputColorSpace"), space)) return Image();
        return cubeFilter(a, space);
    }};

// Two cubes mixed by a mask: the first where it is black, the second where it is white.
const FilterDef colorCubesMixedDef{
    "CIColorCubesMixedWithMask",
    "Color Cubes Mixed With Mask",
    {kEffect},
    {ImageInput(), ImageInput("inputMaskImage"), cubeDimension(),
     DataInput("inputCube0Data", identityCube()), DataInput("inputCube1Data", identityCube()),
     Text("inputColorSpace", "sRGB")},
    [](const Args& a) {
        CubeSpace space;
        if (!cubeSpaceOf(a.text("inputColorSpace"), space)) return Image();
        const int n = int(a.number("inputCubeDimension"));
        const Cube c0(n, a.data("inputCube0Data")), c1(n, a.data("inputCube1Data"));
        if (!c0.valid() || !c1.valid()) return Image();
        // Beyond the mask, the first cube.
        return colorKernel(
            [c0, c1, space](Px p, Px m) {
                const float t = clampf(luminance(m), 0, 1);
                return lerp(throughCube(c0, p, space), throughCube(c1, p, space), t);
            },
            a.image(), a.image("inputMaskImage"));
    }};

const FilterDef maxComponentDef{
    "CIMaximumComponent", "Maximum Component", {kEffect}, {ImageInput()}, [](const Args& a) {
        return colorKernel(
            [](Px p) {
                float v = std::max({p[0], p[1], p[2]});
                return Px{v, v, v, p[3]};
            },
            a.image());
    }};

const FilterDef minComponentDef{
    "CIMinimumComponent", "Minimum Component", {kEffect}, {ImageInput()}, [](const Args& a) {
        return colorKernel(
            [](Px p) {
                float v = std::min({p[0], p[1], p[2]});
                return Px{v, v, v, p[3]};
            },
            a.image());
    }};

// CIE 1994 colour difference of two Lab colours.
float deltaE94(Px x, Px y) {
    float dl = x[0] - y[0];
    float c1 = std::hypot(x[1], x[2]), c2 = std::hypot(y[1], y[2]), dc = c1 - c2;
    float da = x[1] - y[1], db = x[2] - y[2];
    float dh2 = std::max(0.f, da * da + db * db - dc * dc);
    float sc = 1 + 0.045f * c1, sh = 1 + 0.015f * c1;
    return std::sqrt(dl * dl + (dc / sc) * (dc / sc) + dh2 / (sh * sh));
}

const FilterDef labDeltaEDef{"CILabDeltaE",
                             "Lab Delta E",
                             {kEffect},
                             {ImageInput(), ImageInput("inputImage2")},
                             [](const Args& a) {
                                 Image x = a.image(), y = a.image("inputImage2");
                                 if (!x || !y) return Image();
                                 // Grey level: the difference over 100, so 100 shows as white.
                                 return colorKernelWithExtent(
                                     x.extent().intersected(y.extent()),
                                     [](Px p, Px q) {
                                         Px s = clamp01(unpremultiply(p));
                                         Px t = clamp01(unpremultiply(q));
                                         float d = deltaE94(rgbToLab(s), rgbToLab(t)) / 100;
                                         float alpha = p[3] * q[3];
                                         return grey(d * alpha, alpha);
                                     },
                                     x, y);
                             }};

// Lab values are stored in the colour channels as they are (L 0..100, a and b about -128..127)
// or, normalised, as L/100 and (a or b + 128)/255.
const FilterDef rgbToLabDef{
    "CIConvertRGBtoLab",
    "Convert RGB to Lab",
    {kEffect},
    {ImageInput(), Boolean("inputNormalize", false)},
    [](const Args& a) {
        bool norm = a.boolean("inputNormalize");
        return straightKernel(a.image(), [norm](Px s) {
            Px lab = rgbToLab(s);
            if (norm) lab = Px{lab[0] / 100, (lab[1] + 128) / 255, (lab[2] + 128) / 255, lab[3]};
            return lab;
        });
    }};

const FilterDef labToRgbDef{
    "CIConvertLabToRGB",
    "Convert Lab to RGB",
    {kEffect},
    {ImageInput(), Boolean("inputNormalize", false)},
    [](const Args& a) {
        bool norm = a.boolean("inputNormalize");
        return straightKernel(a.image(), [norm](Px s) {
            if (norm) s = Px{s[0] * 100, s[1] * 255 - 128, s[2] * 255 - 128, s[3]};
            return labToRgb(s);
        });
    }};

const FilterDef documentDef{
    "CIDocumentEnhancer",
    "Document Enhancer",
    {kEffect},
    {ImageInput(), Scalar("inputAmount", 1).min(0).slider(0, 10).identity(0)},
    [](const Args& a) {
        Image img = a.image();
        if (!img) return img;
        float k = finite(a.number("inputAmount"), 1e3);
        // The paper is what a wide blur leaves. Dividing by its lightest channel evens out
        // shading and makes it white without changing hues; the amount then deepens the ink.
        // The blur runs on a quarter-size copy: the paper varies slowly.
        Image small = affineTransform(img, AffineTransform::scaling(0.25, 0.25));
        Image paper = affineTransform(gaussianBlur(small, 6), AffineTransform::scaling(4, 4));
        return colorKernel(
            [k](Px p, Px b) {
                Px s = unpremultiply(p), bg = unpremultiply(b);
                float white = std::max(std::max({bg[0], bg[1], bg[2]}), 0.05f);
                Px w = clamp01(((s / white) - 1) * (1 + 0.3f * k) + 1);
                Px r = lerp(s, w, std::min(k, 1.f));
                r[3] = s[3];
                return premultiply(r);
            },
            img, paper);
    }};

}  // namespace
}  // namespace imaging
