// Generators: pictures made from nothing. Patterns are antialiased over one output pixel;
// lights (star, sun, halo) are light added over transparency: their colour scaled by their
// intensity, with the intensity as coverage.

#include <cctype>

#include "imaging/FilterKit.h"
#include "imaging/filters/Barcodes.h"
#include "imaging/filters/ColorMath.h"
#include "imaging/filters/TextPicture.h"

namespace imaging {
namespace {
using namespace kit;
using namespace cmath;

const char* const kGenerator = kCICategoryGenerator;

// A square wave of period 2 (one band per unit): +1 on even bands, -1 on odd ones, its edges
// ramped over `e` units on either side.
float squareWave(double x, float e) {
    if (!std::isfinite(x)) return 0;
    double k = std::floor(x);
    float f = float(x - k);
    float toEdge = std::min(f, 1 - f);
    float s = std::fmod(k, 2.0) == 0 ? 1.f : -1.f;
    return s * std::min(1.f, toEdge / e);
}

// Checkerboard and stripes share their inputs: bands of `width` from the centre.
struct Bands {
    Point c;
    double w;
    float soft;
    WorkingColor c0, c1;
    explicit Bands(const Args& a)
        : c(a.point("inputCenter")),
          w(std::clamp(a.number("inputWidth"), 1e-3, 1e9)),
          soft(float(0.5 * (1 - std::clamp(a.number("inputSharpness"), 0.0, 1.0)))),
          c0(a.workingColor("inputColor0")),
          c1(a.workingColor("inputColor1")) {}
    float edge(float pixel) const { return std::max({soft, float(0.5 * pixel / w), 1e-4f}); }
    Px mix(float s) const { return lerp(c1(), c0(), 0.5f + 0.5f * s); }
};

std::vector<Attribute> bandInputs() {
    return {Center(), ColorInput("inputColor0", 1, 1, 1), ColorInput("inputColor1", 0, 0, 0),
            Distance("inputWidth", 80).min(0).slider(0, 800),
            Scalar("inputSharpness", 1).limits(0, 1)};
}

const FilterDef checkerboardDef{
    "CICheckerboardGenerator", "Checkerboard", {kGenerator}, bandInputs(), [](const Args& a) {
        Bands b(a);
        return generator([b](Point p, float pixel) {
            float e = b.edge(pixel);
            return b.mix(squareWave((p.x - b.c.x) / b.w, e) * squareWave((p.y - b.c.y) / b.w, e));
        });
    }};

const FilterDef stripesDef{
    "CIStripesGenerator", "Stripes", {kGenerator}, bandInputs(), [](const Args& a) {
        Bands b(a);
        return generator([b](Point p, float pixel) {
            return b.mix(squareWave((p.x - b.c.x) / b.w, b.edge(pixel)));
        });
    }};

const FilterDef constantDef{"CIConstantColorGenerator",
                            "Constant Color",
                            {kGenerator},
                            {ColorInput("inputColor", 1, 0, 0)},
                            [](const Args& a) {
                                const WorkingColor c = a.workingColor("inputColor");
                                return generator([c](Point, float) { return c(); });
                            }};

// Light of a colour at an intensity: coverage is the intensity, up to full.
Px light(Px color, float intensity) {
    float i = clampf(intensity, 0, 1);
    Px o = color * i;
    o[3] = i * color[3];
    return o;
}

const FilterDef starShineDef{
    "CIStarShineGenerator",
    "Star Shine",
    {kGenerator},
    {Center(), ColorInput("inputColor", 1, 0.8, 0.6),
     Distance("inputRadius", 50).min(0).slider(0, 300),
     Scalar("inputCrossScale", 15).min(0).slider(0, 100),
     Angle("inputCrossAngle", 0.6).slider(-kPi, kPi), Scalar("inputCrossOpacity", -2).limits(-8, 0),
     Distance("inputCrossWidth", 2.5).min(0).slider(0.5, 10),
     Scalar("inputEpsilon", -2).limits(-8, 0)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        const WorkingColor colour = a.workingColor("inputColor");
        double r = std::max(a.number("inputRadius"), 1e-3);
        double reach = r * std::clamp(a.number("inputCrossScale"), 0.0, 1e6);
        double ang = a.number("inputCrossAngle");
        double cs = std::cos(std::isfinite(ang) ? ang : 0),
               sn = std::sin(std::isfinite(ang) ? ang : 0);
        double cw = std::max(a.number("inputCrossWidth"), 1e-3);
        // The opacity and epsilon are natural logarithms of the cross's and the glow's strength.
        float cross = std::exp(finite(a.number("inputCrossOpacity"))) * 4;
        float glow = std::exp(finite(a.number("inputEpsilon")));
        return generator([=](Point p, float) {
            const Px color = colour();
            double dx = p.x - c.x, dy = p.y - c.y;
            double d = std::hypot(dx, dy) / r;
            float core = float(std::exp(-1.5 * d * d)) + glow / float((1 + d) * (1 + d));
            // Two rays through the centre, thin and fading with distance.
            double along1 = dx * cs + dy * sn, across1 = -dx * sn + dy * cs;
            float rays = 0;
            for (auto [al, ac] : {std::pair{along1, across1}, std::pair{across1, along1}}) {
                double fall = reach > 0 ? std::max(0.0, 1 - std::abs(al) / reach) : 0.0;
                rays += float(std::exp(-std::min(ac * ac / (cw * cw), 80.0)) * fall * fall);
            }
            return light(color, core + cross * rays);
        });
    }};

const FilterDef sunbeamsDef{
    "CISunbeamsGenerator",
    "Sunbeams",
    {kGenerator},
    {Center(), ColorInput("inputColor", 1, 0.5, 0),
     Distance("inputSunRadius", 40).min(0).slider(0, 800),
     Scalar("inputMaxStriationRadius", 2.58).min(0).slider(0, 10),
     Scalar("inputStriationStrength", 0.5).min(0).slider(0, 3),
     Scalar("inputStriationContrast", 1.375).min(0).slider(0, 5),
     Scalar("inputTime", 0).limits(0, 1)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        const WorkingColor colour = a.workingColor("inputColor");
        double r = std::max(a.number("inputSunRadius"), 1e-3);
        double reach = r * std::clamp(a.number("inputMaxStriationRadius"), 0.0, 1e6);
        float strength = finite(a.number("inputStriationStrength"));
        float contrast = float(std::clamp(a.number("inputStriationContrast"), 0.0, 50.0));
        double time = std::clamp(a.number("inputTime"), 0.0, 1.0);
        return generator([=](Point p, float pixel) {
            const Px color = colour();
            double dx = p.x - c.x, dy = p.y - c.y, d = std::hypot(dx, dy);
            float disc = clampf(float((r - d) / std::max(double(pixel), r * 0.05)) + 0.5f, 0, 1);
            float glow = float(r / std::max(d, r));
            if (d >= reach) return light(color, disc + 0.25f * glow * glow);
            // Beams: a ring of angular noise that turns with time, fading out at the reach.
            double t = std::atan2(dy, dx) / (2 * kPi) + time * 0.25;
            float n = 0.65f * periodicNoise(t, 97, 3) + 0.35f * periodicNoise(t, 211, 4);
            float beams = std::pow(clampf(n, 0, 1), 1 + contrast * 2) * strength;
            float fade = reach > r ? clampf(float((reach - d) / (reach - r)), 0, 1) : 0.f;
            return light(color, disc + beams * fade * fade * 2 + 0.25f * glow * glow);
        });
    }};

// Per picture pixel noise. A preview pixel covering k x k picture pixels shows their mean
// (exactly up to 3 x 3, beyond that a noise of the same spread), so previews keep the texture's
// statistics.
const FilterDef randomDef{
    "CIRandomGenerator",
    "Random Generator",
    {kGenerator},
    {Integer("inputSeed", 0).min(0).slider(0, 1000)},
    [](const Args& a) {
        const uint32_t seed = uint32_t(std::clamp(a.number("inputSeed"), 0.0, 4e9)) * 3;
        return generator([seed](Point p, float pixel) {
            auto cell = [](double v) { return int64_t(std::floor(std::clamp(v, -1e15, 1e15))); };
            auto at = [seed](int64_t x, int64_t y) {
                return Px{hash01(x, y, seed), hash01(x, y, seed + 1), hash01(x, y, seed + 2), 1};
            };
            int k = int(std::lround(pixel));
            if (k <= 1) return at(cell(p.x), cell(p.y));
            double h = 0.5 * pixel;
            int64_t x0 = cell(p.x - h + 0.5), y0 = cell(p.y - h + 0.5);
            if (k > 3) {
                Px n = at(x0, y0) - 0.5f;
                Px o = splat(0.5f) + n / float(k);
                o[3] = 1;
                return o;
            }
            Px s{0, 0, 0, 0};
            for (int j = 0; j < k; ++j)
                for (int i = 0; i < k; ++i) s += at(x0 + i, y0 + j);
            return s / float(k * k);
        });
    }};

const FilterDef lenticularDef{
    "CILenticularHaloGenerator",
    "Lenticular Halo",
    {kGenerator},
    {Center(), ColorInput("inputColor", 1, 0.9, 0.8),
     Distance("inputHaloRadius", 70).min(0).slider(0, 1000),
     Distance("inputHaloWidth", 87).min(0).slider(0, 300),
     Scalar("inputHaloOverlap", 0.77).limits(0, 1),
     Scalar("inputStriationStrength", 0.5).min(0).slider(0, 3),
     Scalar("inputStriationContrast", 1).min(0).slider(0, 5), Scalar("inputTime", 0).limits(0, 1)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        const WorkingColor colour = a.workingColor("inputColor");
        float alpha = float(std::clamp(a.color("inputColor").a, 0.0, 1.0));
        double r = a.number("inputHaloRadius"), w = std::max(a.number("inputHaloWidth"), 1e-3);
        double overlap = std::clamp(a.number("inputHaloOverlap"), 0.0, 1.0);
        float strength = finite(a.number("inputStriationStrength"));
        float contrast = float(std::clamp(a.number("inputStriationContrast"), 0.0, 50.0));
        double time = std::clamp(a.number("inputTime"), 0.0, 1.0);
        // Red outside, blue inside: three rings that part as the overlap falls.
        double shift = (1 - overlap) * w * 0.5;
        return generator([=](Point p, float) {
            double dx = p.x - c.x, dy = p.y - c.y, d = std::hypot(dx, dy);
            // Nothing is left of the rings beyond four half-widths.
            if (std::abs(d - r) > shift + 2 * w) return Px{0, 0, 0, 0};
            double t = std::atan2(dy, dx) / (2 * kPi) + time * 0.25;
            float n = periodicNoise(t, 151, 9);
            float stri = 1 + strength * (std::pow(clampf(n, 0, 1), 1 + contrast) - 0.3f);
            const Px color = unpremultiply(colour());
            Px o{0, 0, 0, 0};
            for (int ch = 0; ch < 3; ++ch) {
                double rc = r + (1 - ch) * shift;
                double u = (d - rc) / (0.5 * w);
                o[ch] = float(std::exp(-std::min(4 * u * u, 80.0))) * color[ch] * stri * 0.6f;
            }
            float cover = clampf(std::max({o[0], o[1], o[2]}), 0, 1) * alpha;
            o = o * alpha;
            o[3] = cover;
            return o;
        });
    }};

// Signed distance to a rectangle with corners rounded by `radius` (negative inside).
double roundedBoxDistance(Point p, const Rect& r, double radius) {
    double hw = r.width / 2, hh = r.height / 2;
    radius = std::clamp(radius, 0.0, std::min(hw, hh));
    double qx = std::abs(p.x - (r.x + hw)) - hw + radius;
    double qy = std::abs(p.y - (r.y + hh)) - hh + radius;
    double out = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return out + std::min(std::max(qx, qy), 0.0) - radius;
}

Rect sane(Rect r) {
    if (!(r.width > 0) || !(r.height > 0)) return {};
    return r;
}

const FilterDef roundedRectDef{
    "CIRoundedRectangleGenerator",
    "Rounded Rectangle",
    {kGenerator},
    {Rectangle("inputExtent", 0, 0, 100, 100), Distance("inputRadius", 10).min(0).slider(0, 100),
     ColorInput("inputColor", 1, 1, 1)},
    [](const Args& a) {
        Rect r = sane(a.rect("inputExtent"));
        double radius = a.number("inputRadius");
        const WorkingColor colour = a.workingColor("inputColor");
        return generator(
            [=](Point p, float pixel) {
                const Px color = colour();
                float d = float(roundedBoxDistance(p, r, radius));
                return color * clampf(0.5f - d / pixel, 0, 1);
            },
            r);
    }};

const FilterDef roundedStrokeDef{
    "CIRoundedRectangleStrokeGenerator",
    "Rounded Rectangle Stroke",
    {kGenerator},
    {Rectangle("inputExtent", 0, 0, 100, 100), Distance("inputRadius", 10).min(0).slider(0, 100),
     ColorInput("inputColor", 1, 1, 1), Distance("inputWidth", 10).min(0).slider(0, 100)},
    [](const Args& a) {
        Rect r = sane(a.rect("inputExtent"));
        double radius = a.number("inputRadius"), w = a.number("inputWidth");
        const WorkingColor colour = a.workingColor("inputColor");
        // The stroke is centred on the rectangle's outline.
        Rect extent = r.isEmpty() ? r : r.insetBy(-w / 2 - 1, -w / 2 - 1);
        return generator(
            [=](Point p, float pixel) {
                const Px color = colour();
                // The share of the pixel's width that the band covers.
                double d = std::abs(roundedBoxDistance(p, r, radius)), h = 0.5 * pixel;
                double in = std::min(d + h, w / 2) - std::max(d - h, -w / 2);
                float cover = clampf(float(in / pixel), 0, 1);
                return color * cover;
            },
            extent);
    }};

// A rectangle blurred by a Gaussian of `sigma`: the product of two error-function edges.
const FilterDef blurredRectDef{
    "CIBlurredRectangleGenerator",
    "Blurred Rectangle",
    {kGenerator},
    {Rectangle("inputExtent", 0, 0, 100, 100), Distance("inputSigma", 10).min(0).slider(0, 100),
     ColorInput("inputColor", 1, 1, 1)},
    [](const Args& a) {
        Rect r = sane(a.rect("inputExtent"));
        double sigma = std::clamp(a.number("inputSigma"), 0.0, 1e7);
        const WorkingColor colour = a.workingColor("inputColor");
        Rect extent = r.isEmpty() ? r : r.insetBy(-3 * sigma - 1, -3 * sigma - 1);
        return generator(
            [=](Point p, float pixel) {
                const Px color = colour();
                // Never sharper than a pixel, so the edge averages as the full render's does.
                double s = std::max(sigma, 0.3 * pixel) * std::sqrt(2.0);
                auto span = [s](double v, double lo, double hi) {
                    return 0.5 * (std::erf((hi - v) / s) - std::erf((lo - v) / s));
                };
                float k = float(span(p.x, r.x, r.maxX()) * span(p.y, r.y, r.maxY()));
                return color * clampf(k, 0, 1);
            },
            extent);
    }};

// Fractal value noise between two colours. Octaves with cells under two output pixels fade
// out, as they average away in the full picture.
const FilterDef fractalNoiseDef{
    "CIFractalNoiseGenerator",
    "Fractal Noise",
    {kGenerator},
    {Center(), Distance("inputScale", 60).min(1).slider(2, 500),
     Integer("inputOctaves", 4).limits(1, 10), Scalar("inputRoughness", 0.5).limits(0, 1),
     ColorInput("inputColor0", 0, 0, 0), ColorInput("inputColor1", 1, 1, 1)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        double scale = std::clamp(a.number("inputScale"), 1.0, 1e7);
        int octaves = int(std::clamp(a.number("inputOctaves"), 1.0, 10.0));
        float rough = finite(a.number("inputRoughness"));
        const WorkingColor w0 = a.workingColor("inputColor0"), w1 = a.workingColor("inputColor1");
        return generator([=](Point p, float pixel) {
            const Px c0 = w0(), c1 = w1();
            double x = (p.x - c.x) / scale, y = (p.y - c.y) / scale, cellPx = scale;
            float sum = 0, norm = 0, amp = 1;
            for (int o = 0; o < octaves; ++o) {
                float keep = clampf(float(cellPx / pixel) * 0.5f - 1, 0, 1);
                float n = keep > 0 ? valueNoise(x, y, uint32_t(o)) - 0.5f : 0.f;
                sum += amp * (0.5f + keep * n);
                norm += amp;
                amp *= rough;
                x *= 2, y *= 2, cellPx /= 2;
            }
            return lerp(c0, c1, clampf(sum / norm, 0, 1));
        });
    }};

// Round dots on a square grid.
const FilterDef polkaDef{
    "CIPolkaDotGenerator",
    "Polka Dots",
    {kGenerator},
    {Center(), ColorInput("inputColor0", 1, 1, 1), ColorInput("inputColor1", 0, 0, 0),
     Distance("inputWidth", 40).min(1).slider(2, 400), Scalar("inputDotSize", 0.5).limits(0, 1),
     Scalar("inputSharpness", 1).limits(0, 1)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        double w = std::clamp(a.number("inputWidth"), 1.0, 1e9);
        float radius = float(0.5 * std::clamp(a.number("inputDotSize"), 0.0, 1.0));
        float soft = float(0.25 * (1 - std::clamp(a.number("inputSharpness"), 0.0, 1.0)));
        const WorkingColor w0 = a.workingColor("inputColor0"), w1 = a.workingColor("inputColor1");
        return generator([=](Point p, float pixel) {
            const Px c0 = w0(), c1 = w1();
            float u = fract((p.x - c.x) / w + 0.5) - 0.5f, v = fract((p.y - c.y) / w + 0.5) - 0.5f;
            float d = std::sqrt(u * u + v * v);
            float e = std::max({soft, float(0.5 * pixel / w), 1e-4f});
            return lerp(c0, c1, clampf((d - radius) / (2 * e) + 0.5f, 0, 1));
        });
    }};

// ---------------------------------------------------------------------------------------------
// Barcodes: one picture unit per module, black on white.

const FilterDef qrCodeDef{
    "CIQRCodeGenerator",
    "QR Code Generator",
    {kGenerator},
    {DataInput("inputMessage", Data::fromText("Deverav")), Text("inputCorrectionLevel", "M")},
    [](const Args& a) {
        const std::string level = a.text("inputCorrectionLevel");
        const std::string levels = "LMQH";
        const size_t k =
            level.size() == 1 ? levels.find(char(std::toupper(level[0]))) : levels.npos;
        if (k == levels.npos) return Image();  // not one of L, M, Q, H
        // The symbology's own quiet zone of four modules.
        return barcode::moduleImage(barcode::qrCode(a.data("inputMessage").text(), int(k)), 4);
    }};

const FilterDef aztecDef{
    "CIAztecCodeGenerator",
    "Aztec Code Generator",
    {kGenerator},
    {DataInput("inputMessage", Data::fromText("Deverav")),
     Scalar("inputCorrectionLevel", 23).limits(5, 95), Integer("inputLayers", 0).limits(0, 32),
     Boolean("inputCompactStyle", false)},
    [](const Args& a) {
        return barcode::moduleImage(
            barcode::aztecCode(a.data("inputMessage").text(), a.number("inputCorrectionLevel"),
                               int(a.number("inputLayers")), a.boolean("inputCompactStyle")),
            0);
    }};

const FilterDef code128Def{"CICode128BarcodeGenerator",
                           "Code 128 Barcode Generator",
                           {kGenerator},
                           {DataInput("inputMessage", Data::fromText("Deverav")),
                            Scalar("inputQuietSpace", 7).range(0, 100).slider(0, 20),
                            Scalar("inputBarcodeHeight", 32).range(1, 500).slider(1, 500)},
                           [](const Args& a) {
                               return barcode::moduleImage(
                                   barcode::code128(a.data("inputMessage").text()),
                                   a.number("inputQuietSpace"), a.number("inputBarcodeHeight"));
                           }};

// ---------------------------------------------------------------------------------------------
// Text and meshes.

const FilterDef textDef{"CITextImageGenerator",
                        "Text Image Generator",
                        {kGenerator},
                        {Text("inputText", "Deverav"), Text("inputFontName", "HelveticaNeue"),
                         Scalar("inputFontSize", 12).range(1, 1000).slider(9, 128),
                         Scalar("inputScaleFactor", 1).range(0.1, 16).slider(0.5, 4)},
                        [](const Args& a) {
                            const Bitmap b =
                                text::draw(a.text("inputText"), a.text("inputFontName"),
                                           a.number("inputFontSize"), a.number("inputScaleFactor"));
                            return b.isNull() ? Image() : Image::fromBitmap(b);
                        }};

// Line segments (x0, y0, x1, y1 each) stroked `width` wide with round ends, antialiased over
// one output pixel.
const FilterDef meshDef{
    "CIMeshGenerator",
    "Mesh Generator",
    {kGenerator},
    {VectorInput("inputMesh", {50, 50, 250, 50, 250, 50, 150, 223, 150, 223, 50, 50})
         .name("Mesh")
         .components(4 * 4096),
     Distance("inputWidth", 1.5).range(0, 1000).slider(0, 20), ColorInput("inputColor", 1, 1, 1)},
    [](const Args& a) {
        const Vector v = a.vector("inputMesh");
        struct Segment {
            double x0, y0, dx, dy, len2;
        };
        std::vector<Segment> segs;
        Rect bounds;
        for (size_t i = 0; i + 3 < v.count(); i += 4) {
            const double x0 = v.at(i), y0 = v.at(i + 1), x1 = v.at(i + 2), y1 = v.at(i + 3);
            segs.push_back(
                {x0, y0, x1 - x0, y1 - y0, (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0)});
            const Rect r{std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
            bounds = bounds.isEmpty() && segs.size() == 1 ? r : bounds.united(r);
        }
        if (segs.empty()) return Image();
        const double half = 0.5 * std::clamp(a.number("inputWidth"), 0.0, 1000.0);
        const WorkingColor colour = a.workingColor("inputColor");
        auto shared = std::make_shared<const std::vector<Segment>>(std::move(segs));
        return generator(
            [shared, half, colour](Point p, float pixel) {
                double d2 = 1e300;
                for (const Segment& s : *shared) {
                    double t =
                        s.len2 > 0 ? ((p.x - s.x0) * s.dx + (p.y - s.y0) * s.dy) / s.len2 : 0;
                    t = std::clamp(t, 0.0, 1.0);
                    const double ex = p.x - s.x0 - t * s.dx, ey = p.y - s.y0 - t * s.dy;
                    d2 = std::min(d2, ex * ex + ey * ey);
                }
                // Lines thinner than a pixel fade rather than vanish.
                const double w = std::max(half, 0.5 * double(pixel));
                const float cover = clampf(float((w - std::sqrt(d2)) / pixel + 0.5), 0, 1) *
                                    float(std::min(1.0, half / w));
                return colour() * cover;
            },
            bounds.insetBy(-half - 2, -half - 2));
    }};

}  // namespace
}  // namespace imaging
