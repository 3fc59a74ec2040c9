// Colour adjustments: exposure, tone, balance and channel arithmetic, all on working values.

#include <array>

#include "imaging/FilterKit.h"
#include "imaging/filters/ColorMath.h"

namespace imaging {
namespace {
using namespace kit;
using namespace cmath;

const char* const kAdjust = kCICategoryColorAdjustment;

Px vec4(const Vector& v) {
    return Px{finite(v.at(0)), finite(v.at(1)), finite(v.at(2)), finite(v.at(3))};
}
float dot4(Px a, Px b) {
    Px m = a * b;
    return m[0] + m[1] + m[2] + m[3];
}

const FilterDef colorControlsDef{
    "CIColorControls",
    "Color Controls",
    {kAdjust},
    {ImageInput(), Scalar("inputSaturation", 1).min(0).slider(0, 2).identity(1),
     Scalar("inputBrightness", 0).min(-1).slider(-1, 1).identity(0),
     Scalar("inputContrast", 1).min(0).slider(0.25, 4).identity(1)},
    [](const Args& a) {
        float sat = finite(a.number("inputSaturation")), bri = finite(a.number("inputBrightness"));
        float con = finite(a.number("inputContrast"));
        return straightKernel(a.image(), [=](Px s) {
            float l = luma(s);
            Px c = (splat(l) + (s - l) * sat + bri - 0.5f) * con + 0.5f;
            c[3] = s[3];
            return c;
        });
    }};

const FilterDef hueAdjustDef{"CIHueAdjust",
                             "Hue Adjust",
                             {kAdjust},
                             {ImageInput(), Angle("inputAngle", 0).slider(-kPi, kPi).identity(0)},
                             [](const Args& a) {
                                 // A linear map: it applies to premultiplied colour as it is.
                                 // Colours it turns out of gamut keep their negative parts, so
                                 // that turning back restores them.
                                 Mat3 m = hueRotation(a.number("inputAngle"));
                                 return colorKernel([m](Px p) { return m.apply(p); }, a.image());
                             }};

const FilterDef exposureDef{
    "CIExposureAdjust",
    "Exposure Adjust",
    {kAdjust},
    {ImageInput(), Scalar("inputEV", 0).slider(-10, 10).identity(0).name("EV")},
    [](const Args& a) {
        float k = float(std::exp2(std::clamp(a.number("inputEV"), -60.0, 60.0)));
        return colorKernel(
            [k](Px p) {
                Px r = p * k;
                r[3] = p[3];
                return r;
            },
            a.image());
    }};

const FilterDef gammaDef{"CIGammaAdjust",
                         "Gamma Adjust",
                         {kAdjust},
                         {ImageInput(), Scalar("inputPower", 1).slider(0.25, 4).identity(1)},
                         [](const Args& a) {
                             float g = float(std::clamp(a.number("inputPower"), 0.01, 100.0));
                             return straightKernel(a.image(), [g](Px s) {
                                 for (int c = 0; c < 3; ++c)
                                     if (s[c] > 0) s[c] = std::pow(s[c], g);
                                 return s;
                             });
                         }};

const FilterDef colorMatrixDef{
    "CIColorMatrix",
    "Color Matrix",
    {kAdjust},
    {ImageInput(), VectorInput("inputRVector", {1, 0, 0, 0}).name("Red Vector"),
     VectorInput("inputGVector", {0, 1, 0, 0}).name("Green Vector"),
     VectorInput("inputBVector", {0, 0, 1, 0}).name("Blue Vector"),
     VectorInput("inputAVector", {0, 0, 0, 1}).name("Alpha Vector"),
     VectorInput("inputBiasVector", {0, 0, 0, 0})},
    [](const Args& a) {
        Px r = vec4(a.vector("inputRVector")), g = vec4(a.vector("inputGVector"));
        Px b = vec4(a.vector("inputBVector")), al = vec4(a.vector("inputAVector"));
        Px bias = vec4(a.vector("inputBiasVector"));
        return straightKernel(a.image(), [=](Px s) {
            return Px{dot4(r, s), dot4(g, s), dot4(b, s), dot4(al, s)} + bias;
        });
    }};

const FilterDef colorClampDef{"CIColorClamp",
                              "Color Clamp",
                              {kAdjust},
                              {ImageInput(), VectorInput("inputMinComponents", {0, 0, 0, 0}),
                               VectorInput("inputMaxComponents", {1, 1, 1, 1})},
                              [](const Args& a) {
                                  Px lo = vec4(a.vector("inputMinComponents"));
                                  Px hi = vec4(a.vector("inputMaxComponents"));
                                  return straightKernel(
                                      a.image(), [=](Px s) { return pxMin(pxMax(s, lo), hi); });
                              }};

const FilterDef colorPolynomialDef{"CIColorPolynomial",
                                   "Color Polynomial",
                                   {kAdjust},
                                   {ImageInput(), VectorInput("inputRedCoefficients", {0, 1, 0, 0}),
                                    VectorInput("inputGreenCoefficients", {0, 1, 0, 0}),
                                    VectorInput("inputBlueCoefficients", {0, 1, 0, 0}),
                                    VectorInput("inputAlphaCoefficients", {0, 1, 0, 0})},
                                   [](const Args& a) {
                                       // Coefficient k of every channel in lane k.
                                       std::array<Px, 4> k;
                                       const char* keys[4] = {
                                           "inputRedCoefficients", "inputGreenCoefficients",
                                           "inputBlueCoefficients", "inputAlphaCoefficients"};
                                       for (int c = 0; c < 4; ++c) {
                                           Px v = vec4(a.vector(keys[c]));
                                           for (int i = 0; i < 4; ++i) k[size_t(i)][c] = v[i];
                                       }
                                       return straightKernel(a.image(), [k](Px s) {
                                           s = clamp01(s);
                                           return k[0] + s * (k[1] + s * (k[2] + s * k[3]));
                                       });
                                   }};

// Each channel a weighted sum of r, g, b, r^2, g^2, b^2, rg, gb, br and 1.
const FilterDef colorCrossPolynomialDef{
    "CIColorCrossPolynomial",
    "Color Cross Polynomial",
    {kAdjust},
    {ImageInput(), VectorInput("inputRedCoefficients", {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
     VectorInput("inputGreenCoefficients", {0, 1, 0, 0, 0, 0, 0, 0, 0, 0}),
     VectorInput("inputBlueCoefficients", {0, 0, 1, 0, 0, 0, 0, 0, 0, 0})},
    [](const Args& a) {
        // Term k of every channel in lane k.
        std::array<Px, 10> k{};
        const char* keys[3] = {"inputRedCoefficients", "inputGreenCoefficients",
                               "inputBlueCoefficients"};
        for (int c = 0; c < 3; ++c) {
            const Vector v = a.vector(keys[c]);
            for (size_t i = 0; i < 10; ++i) k[i][c] = finite(v.at(i));
        }
        return straightKernel(a.image(), [k](Px s) {
            const float r = s[0], g = s[1], b = s[2];
            const float terms[10] = {r, g, b, r * r, g * g, b * b, r * g, g * b, b * r, 1};
            Px o = splat(0);
            for (size_t i = 0; i < 10; ++i) o += k[i] * terms[i];
            o[3] = s[3];
            return o;
        });
    }};

const FilterDef thresholdDef{
    "CIColorThreshold",
    "Color Threshold",
    {kAdjust},
    {ImageInput(), Scalar("inputThreshold", 0.5).slider(0, 1)},
    [](const Args& a) {
        float t = finite(a.number("inputThreshold"));
        return straightKernel(a.image(), [t](Px s) {
            return Px{s[0] > t ? 1.f : 0.f, s[1] > t ? 1.f : 0.f, s[2] > t ? 1.f : 0.f, s[3]};
        });
    }};

// Otsu's threshold of a 256-bin histogram: the split that maximises the variance between the
// two classes. Returns a value in 0..1.
float otsuThreshold(const std::array<double, 256>& h) {
    double total = 0, sum = 0;
    for (int i = 0; i < 256; ++i) total += h[size_t(i)], sum += i * h[size_t(i)];
    if (total <= 0) return 0.5f;
    double wB = 0, sumB = 0, best = -1;
    int split = 127;
    for (int i = 0; i < 256; ++i) {
        wB += h[size_t(i)];
        if (wB <= 0) continue;
        double wF = total - wB;
        if (wF <= 0) break;
        sumB += i * h[size_t(i)];
        double mB = sumB / wB, mF = (sum - sumB) / wF;
        double between = wB * wF * (mB - mF) * (mB - mF);
        if (between > best) best = between, split = i;
    }
    return (split + 1) / 256.f;
}

const FilterDef otsuDef{
    "CIColorThresholdOtsu", "Color Threshold Otsu", {kAdjust}, {ImageInput()}, [](const Args& a) {
        Image img = a.image();
        if (!img) return Image();
        const Rect ext = img.extent();
        // The histogram is taken on a fixed grid of picture points, so that every tile and every
        // scale finds (nearly) the same threshold. An unbounded input is probed near the origin.
        const Rect probe = ext.isInfinite() ? Rect{0, 0, 1024, 1024} : ext;
        constexpr int kGrid = 128;
        return areaKernel(
            {img, img}, ext,
            [probe](size_t i, const Rect& out, double) { return i == 0 ? out : probe; },
            [probe](const RenderInfo& info, Buffer& out, std::span<const Buffer* const> ins) {
                std::array<double, 256> hist{};
                for (int j = 0; j < kGrid; ++j)
                    for (int i = 0; i < kGrid; ++i) {
                        double x = probe.x + (i + 0.5) * probe.width / kGrid;
                        double y = probe.y + (j + 0.5) * probe.height / kGrid;
                        Px s = ins[1]->sample(x * info.scale, y * info.scale);
                        if (!(s[3] > 1e-4f)) continue;
                        s = unpremultiply(s);
                        for (int c = 0; c < 3; ++c)
                            hist[size_t(std::clamp(int(s[c] * 256), 0, 255))] += s[3];
                    }
                const float t = otsuThreshold(hist);
                const IRect& r = out.rect();
                for (int y = r.y0; y < r.y1; ++y)
                    for (int x = r.x0; x < r.x1; ++x) {
                        Px p = ins[0]->at(x, y);
                        Px s = unpremultiply(p);
                        Px o{s[0] > t ? p[3] : 0.f, s[1] > t ? p[3] : 0.f, s[2] > t ? p[3] : 0.f,
                             p[3]};
                        out.row(y)[x] = o;
                    }
            });
    }};

const FilterDef temperatureDef{
    "CITemperatureAndTint",
    "Temperature and Tint",
    {kAdjust},
    {ImageInput(), Offset("inputNeutral", 6500, 0), Offset("inputTargetNeutral", 6500, 0)},
    [](const Args& a) {
        // The light the picture was taken under is re-rendered as the target light: a lower
        // target temperature warms the picture.
        Vector n = a.vector("inputNeutral"), t = a.vector("inputTargetNeutral");
        double fx, fy, tx, ty;
        whiteOf(n.x(), n.y(), fx, fy);
        whiteOf(t.x(), t.y(), tx, ty);
        Mat3 m = adaptation(fx, fy, tx, ty);
        return colorKernel([m](Px p) { return pxMax(m.apply(p), splat(0)); }, a.image());
    }};

const FilterDef toneCurveDef{"CIToneCurve",
                             "Tone Curve",
                             {kAdjust},
                             {ImageInput(), Offset("inputPoint0", 0, 0),
                              Offset("inputPoint1", 0.25, 0.25), Offset("inputPoint2", 0.5, 0.5),
                              Offset("inputPoint3", 0.75, 0.75), Offset("inputPoint4", 1, 1)},
                             [](const Args& a) {
                                 std::vector<Point> pts;
                                 for (const char* k : {"inputPoint0", "inputPoint1", "inputPoint2",
                                                       "inputPoint3", "inputPoint4"})
                                     pts.push_back(a.point(k));
                                 Curve curve(std::move(pts));
                                 return straightKernel(a.image(), [curve](Px s) {
                                     return Px{curve(s[0]), curve(s[1]), curve(s[2]), s[3]};
                                 });
                             }};

const FilterDef vibranceDef{
    "CIVibrance",
    "Vibrance",
    {kAdjust},
    {ImageInput(), Scalar("inputAmount", 0).limits(-1, 1).identity(0)},
    [](const Args& a) {
        float k = finite(a.number("inputAmount"));
        // Saturation changes most where there is least of it already.
        return straightKernel(a.image(), [k](Px s) {
            float mx = std::max({s[0], s[1], s[2]}), mn = std::min({s[0], s[1], s[2]});
            float sat = clampf(mx - mn, 0, 1), l = luma(s);
            Px r = splat(l) + (s - l) * (1 + k * (1 - sat));
            r[3] = s[3];
            return r;
        });
    }};

const FilterDef whitePointDef{
    "CIWhitePointAdjust",
    "White Point Adjust",
    {kAdjust},
    {ImageInput(), ColorInput("inputColor", 1, 1, 1)},
    [](const Args& a) {
        // White becomes the colour; every colour scales with it.
        Color c = a.color("inputColor");
        auto ch = [](double v) { return float(std::clamp(v, 0.0, 100.0)); };
        const WorkingColor k = WorkingColor::straight(Px{ch(c.r), ch(c.g), ch(c.b), 1});
        return colorKernel([k](Px p) { return p * k(); }, a.image());
    }};

const FilterDef linearToSrgbDef{
    "CILinearToSRGBToneCurve",
    "Linear to sRGB Tone Curve",
    {kAdjust},
    {ImageInput()},
    [](const Args& a) { return straightKernel(a.image(), [](Px s) { return encode(s); }); }};

const FilterDef srgbToLinearDef{
    "CISRGBToneCurveToLinear",
    "sRGB Tone Curve to Linear",
    {kAdjust},
    {ImageInput()},
    [](const Args& a) { return straightKernel(a.image(), [](Px s) { return decode(s); }); }};

// Brings light up to the source headroom (1 is diffuse white) down to the target headroom
// along an extended Reinhard curve: dark tones keep their values, the source's brightest
// becomes the target's brightest, and equal headrooms change nothing.
const FilterDef toneMapHeadroomDef{
    "CIToneMapHeadroom",
    "Tone Map Headroom",
    {kAdjust},
    {ImageInput(), Scalar("inputSourceHeadroom", 1).min(1).slider(1, 16),
     Scalar("inputTargetHeadroom", 1).min(1).slider(1, 16)},
    [](const Args& a) {
        double src = std::clamp(a.number("inputSourceHeadroom"), 1.0, 1e6);
        double dst = std::clamp(a.number("inputTargetHeadroom"), 1.0, 1e6);
        if (src <= dst) return a.image();
        const float t = float(dst), w2 = float((src / dst) * (src / dst));
        return colorKernel(
            [=](Px p) {
                float l = luminance(p);
                if (!(l > 0)) return p;
                float x = std::min(l / t, 1e6f);
                float y = x * (1 + x / w2) / (1 + x);
                Px o = p * (t * y / l);
                o[3] = p[3];
                return o;
            },
            a.image());
    }};

const FilterDef absoluteDifferenceDef{"CIColorAbsoluteDifference",
                                      "Color Absolute Difference",
                                      {kAdjust},
                                      {ImageInput(), ImageInput("inputImage2")},
                                      [](const Args& a) {
                                          Image x = a.image(), y = a.image("inputImage2");
                                          if (!x || !y) return Image();
                                          // Alpha is the product of the two, so nothing shows
                                          // outside the common part.
                                          return colorKernelWithExtent(
                                              x.extent().intersected(y.extent()),
                                              [](Px p, Px q) {
                                                  Px s = unpremultiply(p), t = unpremultiply(q);
                                                  Px d = s - t;
                                                  d = pxMax(d, -d);
                                                  d[3] = p[3] * q[3];
                                                  return premultiply(d);
                                              },
                                              x, y);
                                      }};

}  // namespace
}  // namespace imaging
