// Stylize: cells, edges, glows, lighting, convolutions and blends through masks.
//
// Everything works on working values. Gradients are taken per picture unit, so that previews
// converge to the full result.

#include "imaging/FilterKit.h"
#include "imaging/filters/CellMath.h"
#include "imaging/filters/Neighbourhoods.h"

namespace imaging {
namespace {
using namespace kit;

inline float smoothstep(float e0, float e1, float x) {
    if (!(e1 > e0)) return x < e0 ? 0.f : 1.f;
    float t = std::clamp((x - e0) / (e1 - e0), 0.f, 1.f);
    return t * t * (3 - 2 * t);
}

typedef int Ix __attribute__((vector_size(16)));

inline Px sqrtPx(Px v) {
    return Px{std::sqrt(std::max(v[0], 0.f)), std::sqrt(std::max(v[1], 0.f)),
              std::sqrt(std::max(v[2], 0.f)), std::sqrt(std::max(v[3], 0.f))};
}

// Grey of level v (clamped to 0..1) with coverage a, premultiplied.
inline Px greyPx(float v, float a) {
    const float l = std::clamp(v, 0.f, 1.f) * a;
    return Px{l, l, l, a};
}

// Luminance of straight colour (0 where transparent).
inline float straightLuminance(Px p) {
    return p[3] > 0.f ? luminance(p) / p[3] : 0.f;
}

// The picture's luminance in every colour channel (straight), alpha kept.
Image greyImage(const Image& in) {
    return colorKernel(
        [](Px p) {
            const float g = straightLuminance(p);
            return Px{g, g, g, p[3]};
        },
        in);
}

// Per-channel gradient magnitude per picture unit, from the Sobel differences of a 3 x 3
// neighbourhood of pixels `pixel` picture units apart.
Px sobel(const Px* v, double pixel) {
    const Px gx = (v[2] + 2 * v[5] + v[8]) - (v[0] + 2 * v[3] + v[6]);
    const Px gy = (v[6] + 2 * v[7] + v[8]) - (v[0] + 2 * v[1] + v[2]);
    return sqrtPx(gx * gx + gy * gy) * float(1 / (8 * pixel));
}

// Ink of an extended difference of Gaussians over a grey image: 1 is paper; the dark side of
// edges and dark areas fall towards 0.
inline float xdogInk(float fine, float coarse, float sharpness) {
    const float d = fine - 0.98f * coarse;
    if (d >= 0.01f) return 1.f;
    // 1 + tanh(x) for x <= 0, by a rational fit that is plenty for a ramp of ink.
    const float x = std::max(sharpness * (d - 0.01f), -3.f);
    return 1.f + x * (27 + x * x) / (27 + 9 * x * x);
}

// ---------------------------------------------------------------------------------------------
// Cells. Each cell takes the mean of the pixels whose centres it holds (at every scale an
// estimate of its area mean); shade(locator, key, mean, point, pixel size) colours a point of
// it. Pixels that straddle a border average four quarters.

// Pixels for which member(locator, key, point) is false are left out of the means.
struct Everyone {
    template <class L>
    bool operator()(const L&, cells::Key, Point) const {
        return true;
    }
};

template <class Cells, class Shade, class Member = Everyone>
Image cellFilter(const Image& in, const Cells& cells, double margin, Shade shade,
                 bool smoothBorders = true, Member member = {}) {
    if (!in) return {};
    auto roi = [margin](size_t, const Rect& out, double s) {
        return out.insetBy(-margin - 2 / s, -margin - 2 / s);
    };
    auto render = [cells, shade, roi, smoothBorders, member](const RenderInfo& info, Buffer& out,
                                                             std::span<const Buffer* const> ins) {
        const Buffer& src = *ins[0];
        const IRect& o = out.rect();
        // The input may hold more than this tile's neighbourhood.
        const IRect ir = IRect::cover(roi(0, o.toPicture(info.scale), info.scale), info.scale)
                             .grown(1, 1)
                             .intersected(src.rect());
        const double px = 1 / info.scale;
        const auto& loc = cells.local(ir.united(o).toPicture(info.scale));
        // Borders are smoothed only where cells are large enough to show them.
        const bool smooth = smoothBorders && cells.size() * info.scale >= 6;
        // The cell of every input pixel (and how far inside it), and the range of keys.
        const size_t n = size_t(ir.area());
        std::vector<cells::Key> keys(n);
        std::vector<float> inside(smooth ? n : 0);
        int64_t i0 = INT64_MAX, j0 = INT64_MAX, i1 = INT64_MIN, j1 = INT64_MIN;
        for (int y = ir.y0; y < ir.y1; ++y)
            for (int x = ir.x0; x < ir.x1; ++x) {
                const size_t at = size_t(y - ir.y0) * size_t(ir.width()) + size_t(x - ir.x0);
                double border = 0;
                const cells::Key k = loc.locate(info.center(x, y), smooth ? &border : nullptr);
                keys[at] = k;
                if (smooth) inside[at] = float(border);
                i0 = std::min(i0, k.i), i1 = std::max(i1, k.i);
                j0 = std::min(j0, k.j), j1 = std::max(j1, k.j);
            }
        const bool any = i1 >= i0;
        const double ni = any ? double(i1 - i0) + 1 : 0, nj = any ? double(j1 - j0) + 1 : 0;
        // Cells smaller than pixels: each pixel is its own cell.
        const bool tiny = !any || ni * nj > 4.0 * double(n) + 1024;
        std::vector<Px> sums(tiny ? 0 : size_t(ni * nj), Px{0, 0, 0, 0});
        std::vector<float> counts(sums.size(), 0.f);
        auto slot = [&](cells::Key k) -> ptrdiff_t {
            if (tiny || k.i < i0 || k.i > i1 || k.j < j0 || k.j > j1) return -1;
            return ptrdiff_t((k.j - j0) * int64_t(ni) + (k.i - i0));
        };
        if (!tiny)
            for (int y = ir.y0; y < ir.y1; ++y) {
                const Px* row = src.row(y);
                const cells::Key* k = keys.data() + size_t(y - ir.y0) * size_t(ir.width());
                for (int x = ir.x0; x < ir.x1; ++x) {
                    const cells::Key key = k[x - ir.x0];
                    if (!member(loc, key, info.center(x, y))) continue;
                    const size_t m = size_t(slot(key));
                    sums[m] += row[x];
                    counts[m] += 1;
                }
            }
        for (size_t m = 0; m < sums.size(); ++m)
            if (counts[m] > 0) sums[m] /= counts[m];
        auto colour = [&](cells::Key k, Point p) {
            const ptrdiff_t m = slot(k);
            const Px mean = m >= 0 && counts[size_t(m)] > 0
                                ? sums[size_t(m)]
                                : src.sample(p.x * info.scale, p.y * info.scale);
            return shade(loc, k, mean, p, px);
        };
        for (int y = o.y0; y < o.y1; ++y) {
            Px* dst = out.row(y);
            for (int x = o.x0; x < o.x1; ++x) {
                const Point p = info.center(x, y);
                if constexpr (requires { loc.shares(p, px, nullptr, nullptr); }) {
                    if (px <= loc.w) {
                        cells::Key ks[4];
                        float ws[4];
                        const int c = loc.shares(p, px, ks, ws);
                        Px acc{0, 0, 0, 0};
                        for (int q = 0; q < c; ++q) acc += colour(ks[q], p) * ws[q];
                        dst[x] = acc;
                        continue;
                    }
                }
                double border = 0;
                cells::Key k;
                if (x >= ir.x0 && x < ir.x1 && y >= ir.y0 && y < ir.y1) {
                    const size_t at = size_t(y - ir.y0) * size_t(ir.width()) + size_t(x - ir.x0);
                    k = keys[at];
                    border = smooth ? inside[at] : 0;
                } else {
                    k = loc.locate(p, &border);
                }
                if (!smooth || border >= 0.75 * px) {
                    dst[x] = colour(k, p);
                    continue;
                }
                Px acc{0, 0, 0, 0};
                for (int q = 0; q < 4; ++q) {
                    const Point sub{p.x + (q % 2 ? 0.25 : -0.25) * px,
                                    p.y + (q / 2 ? 0.25 : -0.25) * px};
                    acc += colour(loc.locate(sub, nullptr), sub);
                }
                dst[x] = acc * 0.25f;
            }
        }
    };
    return areaKernel({in}, in.extent(), roi, render);
}

auto flat = [](const auto&, cells::Key, Px mean, Point, double) { return mean; };

const FilterDef pixellateDef{
    "CIPixellate",
    "Pixellate",
    {kCICategoryStylize},
    {ImageInput(), Center(), Distance("inputScale", 8).min(1).slider(1, 100)},
    [](const Args& a) {
        const double w = a.number("inputScale");
        return cellFilter(a.image(), cells::SquareCells{a.point("inputCenter"), w}, w, flat);
    }};

const FilterDef hexagonalPixellateDef{
    "CIHexagonalPixellate",
    "Hexagonal Pixellate",
    {kCICategoryStylize},
    {ImageInput(), Center(), Distance("inputScale", 8).min(1).slider(1, 100)},
    [](const Args& a) {
        const double w = a.number("inputScale");
        return cellFilter(a.image(), cells::HexCells{a.point("inputCenter"), w}, 1.2 * w, flat);
    }};

const FilterDef crystallizeDef{
    "CICrystallize",
    "Crystallize",
    {kCICategoryStylize},
    {ImageInput(), Center(), Distance("inputRadius", 20).min(1).slider(1, 100)},
    [](const Args& a) {
        const double r = a.number("inputRadius");
        return cellFilter(a.image(), cells::SeedCells{a.point("inputCenter"), r, 0.9, 0x5eed1},
                          3 * r, flat);
    }};

// Round dots on white paper, each the mean colour of the picture under it; a dot's own edge
// is smoothed by its shading.
const FilterDef pointillizeDef{
    "CIPointillize",
    "Pointillize",
    {kCICategoryStylize},
    {ImageInput(), Center(), Distance("inputRadius", 20).min(1).slider(1, 100)},
    [](const Args& a) {
        const double r = a.number("inputRadius");
        const cells::SeedCells dots{a.point("inputCenter"), 1.8 * r, 0.6, 0xd075};
        auto distance = [](const auto& loc, cells::Key k, Point p) {
            const Point c = loc.seed(k);
            return std::sqrt((p.x - c.x) * (p.x - c.x) + (p.y - c.y) * (p.y - c.y));
        };
        return cellFilter(
            a.image(), dots, 2 * r,
            [r, distance](const auto& loc, cells::Key k, Px mean, Point p, double px) {
                const float cover =
                    float(std::clamp((r - distance(loc, k, p)) / px + 0.5, 0.0, 1.0));
                return lerp(Px{1, 1, 1, 1} * mean[3], mean, cover);
            },
            false,
            [r, distance](const auto& loc, cells::Key k, Point p) {
                return distance(loc, k, p) < r;
            });
    }};

// ---------------------------------------------------------------------------------------------
// Edges

// Colour edges on black: each channel's gradient, times the intensity.
const FilterDef edgesDef{"CIEdges",
                         "Edges",
                         {kCICategoryStylize},
                         {ImageInput(), Scalar("inputIntensity", 1).min(0).slider(0, 10)},
                         [](const Args& a) {
                             const float k = 2 * float(a.number("inputIntensity"));
                             return nbhd::stencil3x3(colorKernel(unpremultiply, a.image()),
                                                     [k](const Px* n, Point, double px) {
                                                         Px e = clamp01(sobel(n, px) * k);
                                                         e[3] = std::clamp(n[4][3], 0.f, 1.f);
                                                         return premultiply(e);
                                                     });
                         }};

// Black ink on white, like a woodcut: the dark side of edges and the dark areas.
const FilterDef edgeWorkDef{
    "CIEdgeWork",
    "Edge Work",
    {kCICategoryStylize},
    {ImageInput(), Distance("inputRadius", 3).range(0, 500).slider(0, 20)},
    [](const Args& a) {
        const Image grey = greyImage(a.image());
        const double sigma = std::max(0.5, a.number("inputRadius") / 3);
        return colorKernel(
            [](Px g, Px fine, Px coarse) { return greyPx(xdogInk(fine[0], coarse[0], 200), g[3]); },
            grey, gaussianBlur(grey, sigma), gaussianBlur(grey, 1.6 * sigma));
    }};

// Black outlines over a transparent ground: the edges of a noise-reduced copy, thresholded.
Image lineOverlay(const Image& in, float noise, float sharpness, float intensity, float threshold,
                  float contrast) {
    // Edges are found on a copy softened by a pixel and a half, so that a line's strength does
    // not depend on the scale it is rendered at.
    const Image clean = gaussianBlur(nbhd::denoised(in, noise, sharpness), 1.5);
    return nbhd::stencil3x3(clean, [=](const Px* n, Point, double px) {
        const Px g = sobel(n, px) * (2 * intensity);
        const float edge = std::max({g[0], g[1], g[2]});
        const float ink = std::clamp((edge - threshold) * contrast, 0.f, 1.f);
        return Px{0, 0, 0, ink * std::clamp(n[4][3], 0.f, 1.f)};
    });
}

const FilterDef lineOverlayDef{
    "CILineOverlay",
    "Line Overlay",
    {kCICategoryStylize},
    {ImageInput(), Scalar("inputNRNoiseLevel", 0.07).range(0, 1).slider(0, 0.1),
     Scalar("inputNRSharpness", 0.71).range(0, 10).slider(0, 2),
     Scalar("inputEdgeIntensity", 1).min(0).slider(0, 200),
     Scalar("inputThreshold", 0.1).min(0).slider(0, 1),
     Scalar("inputContrast", 50).min(0.25).slider(0.25, 200)},
    [](const Args& a) {
        return lineOverlay(a.image(), float(a.number("inputNRNoiseLevel")),
                           float(a.number("inputNRSharpness")),
                           float(a.number("inputEdgeIntensity")), float(a.number("inputThreshold")),
                           float(a.number("inputContrast")));
    }};

// Flat, bright colours with inked outlines.
const FilterDef comicDef{
    "CIComicEffect", "Comic Effect", {kCICategoryStylize}, {ImageInput()}, [](const Args& a) {
        const Image in = a.image();
        const Image grey = greyImage(in);
        return colorKernel(
            [](Px p, Px fine, Px coarse) {
                Px e = unpremultiply(p);
                const float y = luminance(e);
                e = clamp01(y + (e - y) * 1.4f);                             // livelier colours
                const Ix level = __builtin_convertvector(e * 4 + 0.5f, Ix);  // 0..4
                e = __builtin_convertvector(level, Px) / 4;
                e = e * xdogInk(fine[0], coarse[0], 60);
                e[3] = p[3];
                return premultiply(e);
            },
            in, gaussianBlur(grey, 1.5), gaussianBlur(grey, 2.4));
    }};

// ---------------------------------------------------------------------------------------------
// Glows and lighting

const FilterDef bloomDef{"CIBloom",
                         "Bloom",
                         {kCICategoryStylize},
                         {ImageInput(), Distance("inputRadius", 10).min(0).slider(0, 100),
                          Scalar("inputIntensity", 0.5).limits(0, 1).identity(0)},
                         [](const Args& a) {
                             const Image in = a.image();
                             const float k = float(a.number("inputIntensity"));
                             // The blurred copy screened over the picture: light spills from the
                             // highlights.
                             return colorKernel([k](Px p, Px b) { return p + b * k - p * b * k; },
                                                in, gaussianBlur(in, a.number("inputRadius")));
                         }};

// The mirror image of bloom: 1 - bloom(1 - picture), darkness spreading from the shadows.
const FilterDef gloomDef{"CIGloom",
                         "Gloom",
                         {kCICategoryStylize},
                         {ImageInput(), Distance("inputRadius", 10).min(0).slider(0, 100),
                          Scalar("inputIntensity", 0.5).limits(0, 1).identity(0)},
                         [](const Args& a) {
                             const Image in = a.image();
                             const float k = float(a.number("inputIntensity"));
                             return colorKernel(
                                 [k](Px p, Px b) {
                                     Px r = p * (1 - k + unpremultiply(b) * k);
                                     r[3] = p[3];
                                     return r;
                                 },
                                 in, gaussianBlur(in, a.number("inputRadius")));
                         }};

// The picture's grey is a height field; each point takes the shading picture's colour where
// the shading disc shows the same surface direction.
const FilterDef shadedMaterialDef{
    "CIShadedMaterial",
    "Shaded Material",
    {kCICategoryStylize},
    {ImageInput(), ImageInput("inputShadingImage"),
     Distance("inputScale", 10).min(0).slider(0.5, 200)},
    [](const Args& a) {
        // Slopes of a height field smoothed over a couple of picture pixels: steps become
        // bevels whose shading does not depend on the scale.
        const Image height = gaussianBlur(greyImage(a.image()), 2.0);
        const Image shading = a.image("inputShadingImage");
        if (!shading) return Image();
        Rect disc = shading.extent();
        if (disc.isInfinite()) disc = {0, 0, 300, 300};
        const double radius = 0.49 * std::min(disc.width, disc.height);
        const Point mid = disc.center();
        const float k = float(a.number("inputScale"));
        // Where on the shading disc each point looks (x, y) and its coverage (alpha): the
        // normal (-dx, -dy, 1) seen from above.
        const Image look = nbhd::stencil3x3(height, [k](const Px* n, Point, double px) {
            const float dx = (n[5][0] - n[3][0]) / float(2 * px) * k;
            const float dy = (n[7][0] - n[1][0]) / float(2 * px) * k;
            const float len = 1 / std::sqrt(dx * dx + dy * dy + 1);
            return Px{-dx * len, -dy * len, 0, std::clamp(n[4][3], 0.f, 1.f)};
        });
        SampleOptions o;
        o.extent = a.image().extent();
        o.roi = [disc](size_t i, const Rect& out) { return i == 0 ? out : disc; };
        return sampleKernel(
            {look, shading},
            [radius, mid](const Sampler& s, Point p) {
                const Px l = s.nearest(0, p);
                return s(1, {mid.x + l[0] * radius, mid.y + l[1] * radius}) * l[3];
            },
            o);
    }};

// A mask's white region lofted into a smooth height field: zero at the border, rising to full
// height `radius` inside it.
const FilterDef heightFieldDef{
    "CIHeightFieldFromMask",
    "Height Field From Mask",
    {kCICategoryStylize},
    {ImageInput(), Distance("inputRadius", 10).min(0).slider(0, 300)},
    [](const Args& a) {
        const Image in = a.image();
        const Image mask = colorKernel(
            [](Px p) {
                const float m = straightLuminance(p) * std::clamp(p[3], 0.f, 1.f);
                return Px{m, m, m, 1};
            },
            in);
        return colorKernel(
            [](Px p, Px b) {
                const float h = std::clamp(2 * b[0] - 1, 0.f, 1.f);
                return greyPx(std::sqrt(std::max(0.f, 1 - (1 - h) * (1 - h))),
                              std::clamp(p[3], 0.f, 1.f) > 0 ? 1.f : 0.f);
            },
            in, gaussianBlur(mask, a.number("inputRadius") / 2));
    }};

// A spotlight above the picture plane: lit by the cosine of the light's incidence and by how
// close the point lies to the light's axis.
const FilterDef spotLightDef{
    "CISpotLight",
    "Spot Light",
    {kCICategoryStylize},
    {ImageInput(), Position3("inputLightPosition", 400, 600, 150),
     Position3("inputLightPointsAt", 200, 200, 0),
     Distance("inputBrightness", 3).min(0).slider(0, 10),
     Scalar("inputConcentration", 0.1).range(0.001, 10).slider(0.001, 1.5),
     ColorInput("inputColor", 1, 1, 1)},
    [](const Args& a) {
        const Vector L = a.vector("inputLightPosition"), T = a.vector("inputLightPointsAt");
        double ax = T.x() - L.x(), ay = T.y() - L.y(), az = T.z() - L.z();
        const double an = std::hypot(ax, ay, az);
        if (an > 0) ax /= an, ay /= an, az /= an;
        const double power = 100 * a.number("inputConcentration");
        const WorkingColor colour = a.workingColor("inputColor");
        const float brightness = float(a.number("inputBrightness"));
        const double lx = L.x(), ly = L.y(), lz = L.z();
        return colorKernel(
            [=](Px p, Point q) {
                const double vx = q.x - lx, vy = q.y - ly, vz = -lz;
                const double d = std::sqrt(vx * vx + vy * vy + vz * vz);
                if (!(d > 0) || !(lz > 0)) return Px{0, 0, 0, p[3]};
                const double axis = std::max(0.0, (vx * ax + vy * ay + vz * az) / d);
                const float lit = float(std::pow(axis, power) * lz / d);
                Px r = p * colour() * (brightness * lit);
                r[3] = p[3];
                return r;
            },
            a.image());
    }};

// Shadows lifted or deepened and highlights held back, judged on the grey around each point
// (the point itself at radius 0).
const FilterDef highlightShadowDef{
    "CIHighlightShadowAdjust",
    "Highlight and Shadow Adjust",
    {kCICategoryStylize},
    {ImageInput(), Scalar("inputRadius", 0).min(0).slider(0, 10),
     Scalar("inputShadowAmount", 0).limits(-1, 1).identity(0),
     Scalar("inputHighlightAmount", 1).range(0, 1).slider(0.3, 1).identity(1)},
    [](const Args& a) {
        const Image in = a.image();
        const float shadow = float(a.number("inputShadowAmount"));
        const float highlight = float(a.number("inputHighlightAmount"));
        return colorKernel(
            [shadow, highlight](Px p, Px around) {
                const Px e = unpremultiply(p);
                const float y = luminance(e),
                            base = std::clamp(straightLuminance(around), 0.f, 1.f);
                float y2 = y + shadow * (1 - base) * (1 - base) * (shadow > 0 ? 1 - y : y) * 0.7f;
                y2 -= (1 - highlight) * base * base * y2 * 0.7f;
                // Scale the colour where there is colour to scale; near black, add grey.
                const float t = std::clamp(y / 0.1f, 0.f, 1.f);
                Px c = lerp(e + (y2 - y), e * (y2 / std::max(y, 1e-4f)), t);
                c = clamp01(c);
                c[3] = p[3];
                return premultiply(c);
            },
            in, gaussianBlur(in, a.number("inputRadius")));
    }};

// ---------------------------------------------------------------------------------------------
// Convolutions on the picture's pixel grid.

FilterDef convolution(const char* name, const char* display, int w, int h, bool rgbOnly) {
    std::vector<double> identity(size_t(w * h), 0.0);
    identity[size_t(w * h / 2)] = 1;
    return FilterDef{name,
                     display,
                     {kCICategoryStylize},
                     {ImageInput(), Attr("inputWeights", kClassVector, nullptr, Vector(identity)),
                      Scalar("inputBias", 0).slider(-1, 1)},
                     [w, h, rgbOnly](const Args& a) {
                         const Vector given = a.vector("inputWeights");
                         std::vector<float> wt;
                         for (double v : given.values()) wt.push_back(float(v));
                         return nbhd::pixelConvolution(a.image(), std::move(wt), w, h,
                                                       float(a.number("inputBias")), rgbOnly);
                     }};
}

const FilterDef conv3 = convolution("CIConvolution3X3", "3 by 3 Convolution", 3, 3, false);
const FilterDef conv5 = convolution("CIConvolution5X5", "5 by 5 Convolution", 5, 5, false);
const FilterDef conv7 = convolution("CIConvolution7X7", "7 by 7 Convolution", 7, 7, false);
const FilterDef conv9h =
    convolution("CIConvolution9Horizontal", "Horizontal 9 Convolution", 9, 1, false);
const FilterDef conv9v =
    convolution("CIConvolution9Vertical", "Vertical 9 Convolution", 1, 9, false);
const FilterDef convRgb3 = convolution("CIConvolutionRGB3X3", "3 by 3 RGB Convolution", 3, 3, true);
const FilterDef convRgb5 = convolution("CIConvolutionRGB5X5", "5 by 5 RGB Convolution", 5, 5, true);
const FilterDef convRgb7 = convolution("CIConvolutionRGB7X7", "7 by 7 RGB Convolution", 7, 7, true);
const FilterDef convRgb9h =
    convolution("CIConvolutionRGB9Horizontal", "Horizontal 9 RGB Convolution", 9, 1, true);
const FilterDef convRgb9v =
    convolution("CIConvolutionRGB9Vertical", "Vertical 9 RGB Convolution", 1, 9, true);

// ---------------------------------------------------------------------------------------------
// Two pictures through a mask: the image where the mask is full, the background where it is
// empty. A mask's value counts as far as it covers.

template <class M>
FilterDef maskBlend(const char* name, const char* display, M maskValue) {
    return FilterDef{
        name,
        display,
        {kCICategoryStylize},
        {ImageInput(), ImageInput("inputBackgroundImage"), ImageInput("inputMaskImage")},
        [maskValue](const Args& a) {
            const Image s = a.image(), b = a.image("inputBackgroundImage"),
                        m = a.image("inputMaskImage");
            if (!s || !b || !m) return Image();
            return colorKernelWithExtent(
                s.extent().united(b.extent()),
                [maskValue](Px sp, Px bp, Px mp) {
                    return lerp(bp, sp, std::clamp(maskValue(mp), 0.f, 1.f));
                },
                s, b, m);
        }};
}

const FilterDef blendWithMaskDef = maskBlend("CIBlendWithMask", "Blend With Mask", [](Px m) {
    return straightLuminance(m) * std::clamp(m[3], 0.f, 1.f);
});
const FilterDef blendWithAlphaMaskDef =
    maskBlend("CIBlendWithAlphaMask", "Blend With Alpha Mask", [](Px m) { return m[3]; });
const FilterDef blendWithRedMaskDef =
    maskBlend("CIBlendWithRedMask", "Blend With Red Mask",
              [](Px m) { return unpremultiply(m)[0] * std::clamp(m[3], 0.f, 1.f); });
const FilterDef blendWithBlueMaskDef =
    maskBlend("CIBlendWithBlueMask", "Blend With Blue Mask",
              [](Px m) { return unpremultiply(m)[2] * std::clamp(m[3], 0.f, 1.f); });

const FilterDef mixDef{"CIMix",
                       "Mix",
                       {kCICategoryStylize},
                       {ImageInput(), ImageInput("inputBackgroundImage"),
                        Scalar("inputAmount", 1).range(0, 1).slider(0, 1).identity(1)},
                       [](const Args& a) {
                           const Image s = a.image(), b = a.image("inputBackgroundImage");
                           if (!s || !b) return Image();
                           const float t = float(a.number("inputAmount"));
                           return colorKernelWithExtent(
                               s.extent().united(b.extent()),
                               [t](Px sp, Px bp) { return lerp(bp, sp, t); }, s, b);
                       }};

// ---------------------------------------------------------------------------------------------
// Depth of field: sharp and a little more saturated along the line through the two points,
// blurred further away from it.
const FilterDef depthOfFieldDef{
    "CIDepthOfField",
    "Depth of Field",
    {kCICategoryStylize},
    {ImageInput(), Position("inputPoint0", 0, 300), Position("inputPoint1", 300, 300),
     Scalar("inputSaturation", 1.5).min(0).slider(0, 10),
     Scalar("inputUnsharpMaskRadius", 2.5).min(0).slider(0, 10),
     Scalar("inputUnsharpMaskIntensity", 0.5).min(0).slider(0, 10),
     Scalar("inputRadius", 6).min(0).slider(0, 30)},
    [](const Args& a) {
        const Image in = a.image();
        const Point p0 = a.point("inputPoint0"), p1 = a.point("inputPoint1");
        double nx = -(p1.y - p0.y), ny = p1.x - p0.x;
        const double len = std::hypot(nx, ny);
        if (len > 0) nx /= len, ny /= len;
        // Sharp within a quarter of the points' half distance, fully blurred beyond it.
        const double band = std::max(1.0, len / 2);
        const float sat = float(a.number("inputSaturation"));
        const float usm = float(a.number("inputUnsharpMaskIntensity"));
        return colorKernel(
            [=](Px p, Px soft, Px far, Point q) {
                Px e = unpremultiply(p);
                e = e + (e - unpremultiply(soft)) * usm;
                const float y = luminance(e);
                e = clamp01(y + (e - y) * sat);
                e[3] = p[3];
                const Px sharp = premultiply(e);
                const double d = len > 0 ? std::abs((q.x - p0.x) * nx + (q.y - p0.y) * ny)
                                         : std::hypot(q.x - p0.x, q.y - p0.y);
                return lerp(sharp, far, smoothstep(float(band / 4), float(band), float(d)));
            },
            in, gaussianBlur(in, a.number("inputUnsharpMaskRadius")),
            gaussianBlur(in, a.number("inputRadius")));
    }};

// Up to three colours replaced: every colour within `closeness` of a centre colour takes its
// replacement; the contrast sets how sharply the replacement fades out.
struct SpotSet {
    WorkingColor centre, replacement;
    float closeness, contrast;
};

const FilterDef spotColorDef{
    "CISpotColor",
    "Spot Color",
    {kCICategoryStylize},
    {ImageInput(), ColorInput("inputCenterColor1", 0.0784, 0.0627, 0.0706),
     ColorInput("inputReplacementColor1", 0.4392, 0.1922, 0.1961),
     Scalar("inputCloseness1", 0.22).limits(0, 1), Scalar("inputContrast1", 0.98).limits(0, 1),
     ColorInput("inputCenterColor2", 0.5255, 0.3059, 0.3451),
     ColorInput("inputReplacementColor2", 0.9137, 0.5608, 0.5059),
     Scalar("inputCloseness2", 0.15).limits(0, 1), Scalar("inputContrast2", 0.98).limits(0, 1),
     ColorInput("inputCenterColor3", 0.9216, 0.4549, 0.3333),
     ColorInput("inputReplacementColor3", 0.9098, 0.7529, 0.6078),
     Scalar("inputCloseness3", 0.5).limits(0, 1), Scalar("inputContrast3", 0.99).limits(0, 1)},
    [](const Args& a) {
        std::array<SpotSet, 3> sets;
        for (int i = 0; i < 3; ++i) {
            const std::string n = std::to_string(i + 1);
            auto straight = [&](const std::string& key) {
                const Color c = a.color(key);
                return WorkingColor::straight(clamp01(Px{float(c.r), float(c.g), float(c.b), 0}));
            };
            sets[size_t(i)] = {
                straight("inputCenterColor" + n), straight("inputReplacementColor" + n),
                float(a.number("inputCloseness" + n)), float(a.number("inputContrast" + n))};
        }
        return colorKernel(
            [sets](Px p) {
                Px e = unpremultiply(p);
                Px out = e;
                for (const SpotSet& s : sets) {
                    Px d = e - s.centre();
                    d[3] = 0;
                    const float dist = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                    const float w = 1 - smoothstep(s.closeness * s.contrast, s.closeness, dist);
                    out = lerp(out, s.replacement(), w);
                }
                out = clamp01(out);
                out[3] = p[3];
                return premultiply(out);
            },
            a.image());
    }};

}  // namespace
}  // namespace imaging
