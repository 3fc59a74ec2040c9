// Gradients: colour ramps over the whole plane. Colours mix in the working space,
// premultiplied, so that a ramp to a transparent colour fades without darkening.

#include "imaging/FilterKit.h"
#include "imaging/filters/ColorMath.h"

namespace imaging {
namespace {
using namespace kit;
using namespace cmath;

const char* const kGradient = kCICategoryGradient;

// Where p lies between p0 (0) and p1 (1), measured along the line through them.
struct Axis {
    Point p0;
    double dx = 0, dy = 0;
    Axis(Point a, Point b) : p0(a) {
        double ex = b.x - a.x, ey = b.y - a.y, len2 = ex * ex + ey * ey;
        if (len2 > 1e-12 && std::isfinite(len2)) dx = ex / len2, dy = ey / len2;
    }
    float at(Point p) const { return clampf(float((p.x - p0.x) * dx + (p.y - p0.y) * dy), 0, 1); }
};

Image linear(const Args& a, bool smooth) {
    Axis ax(a.point("inputPoint0"), a.point("inputPoint1"));
    const WorkingColor w0 = a.workingColor("inputColor0"), w1 = a.workingColor("inputColor1");
    return generator([=](Point p, float) {
        const Px c0 = w0(), c1 = w1();
        float t = ax.at(p);
        if (smooth) t = t * t * (3 - 2 * t);
        return lerp(c0, c1, t);
    });
}

std::vector<Attribute> linearInputs() {
    return {Position("inputPoint0", 0, 0), Position("inputPoint1", 200, 200),
            ColorInput("inputColor0", 1, 1, 1), ColorInput("inputColor1", 0, 0, 0)};
}

const FilterDef linearDef{
    "CILinearGradient", "Linear Gradient", {kGradient}, linearInputs(), [](const Args& a) {
        return linear(a, false);
    }};

const FilterDef smoothLinearDef{"CISmoothLinearGradient",
                                "Smooth Linear Gradient",
                                {kGradient},
                                linearInputs(),
                                [](const Args& a) { return linear(a, true); }};

const FilterDef radialDef{
    "CIRadialGradient",
    "Radial Gradient",
    {kGradient},
    {Center(), Distance("inputRadius0", 5).min(0).slider(0, 800),
     Distance("inputRadius1", 100).min(0).slider(0, 800), ColorInput("inputColor0", 1, 1, 1),
     ColorInput("inputColor1", 0, 0, 0)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        double r0 = a.number("inputRadius0"), r1 = a.number("inputRadius1");
        const WorkingColor w0 = a.workingColor("inputColor0"), w1 = a.workingColor("inputColor1");
        // Colour 0 inside radius 0, colour 1 beyond radius 1, whichever radius is larger.
        double span = r1 - r0;
        return generator([=](Point p, float pixel) {
            const Px c0 = w0(), c1 = w1();
            double d = std::hypot(p.x - c.x, p.y - c.y);
            double s = std::abs(span) > pixel * 0.5 ? span : (span < 0 ? -1 : 1) * pixel * 0.5;
            return lerp(c0, c1, clampf(float((d - r0) / s), 0, 1));
        });
    }};

const FilterDef gaussianDef{
    "CIGaussianGradient",
    "Gaussian Gradient",
    {kGradient},
    {Center(), ColorInput("inputColor0", 1, 1, 1), ColorInput("inputColor1", 0, 0, 0, 0),
     Distance("inputRadius", 300).min(0).slider(0, 800)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        // The radius is three standard deviations: beyond it only colour 1 is left.
        double sigma = std::max(a.number("inputRadius") / 3, 1e-3);
        double k = -0.5 / (sigma * sigma);
        const WorkingColor w0 = a.workingColor("inputColor0"), w1 = a.workingColor("inputColor1");
        return generator([=](Point p, float) {
            const Px c0 = w0(), c1 = w1();
            double dx = p.x - c.x, dy = p.y - c.y;
            return lerp(c1, c0, float(std::exp(std::max(k * (dx * dx + dy * dy), -80.0))));
        });
    }};

// Colour 0 at the given angle, turning counter-clockwise through to colour 1.
const FilterDef angularDef{
    "CIAngularGradient",
    "Angular Gradient",
    {kGradient},
    {Center(), Angle("inputAngle", 0).slider(-kPi, kPi), ColorInput("inputColor0", 1, 1, 1),
     ColorInput("inputColor1", 0, 0, 0)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        double start = a.number("inputAngle");
        if (!std::isfinite(start)) start = 0;
        const WorkingColor w0 = a.workingColor("inputColor0"), w1 = a.workingColor("inputColor1");
        return generator([=](Point p, float) {
            const Px c0 = w0(), c1 = w1();
            double t = (std::atan2(p.y - c.y, p.x - c.x) - start) / (2 * kPi);
            return lerp(c0, c1, fract(t));
        });
    }};

// A disc of every hue (by angle) and saturation (by distance) at one value, as an HSV colour
// wheel shows them; dithered by up to `dither` steps of 1/255 against banding.
const FilterDef hsvDef{
    "CIHueSaturationValueGradient",
    "Hue/Saturation/Value Gradient",
    {kGradient},
    {Center(), Scalar("inputValue", 1).limits(0, 1),
     Distance("inputRadius", 300).min(0).slider(0, 800),
     Scalar("inputSoftness", 1).min(0).slider(0, 10), Scalar("inputDither", 1).min(0).slider(0, 3)},
    [](const Args& a) {
        Point c = a.point("inputCenter");
        double r = a.number("inputRadius");
        float value = finite(a.number("inputValue")), soft = finite(a.number("inputSoftness"));
        float dither = finite(a.number("inputDither"), 1e3) / 255;
        Rect extent{c.x - r - 2, c.y - r - 2, 2 * r + 4, 2 * r + 4};
        return generator(
            [=](Point p, float pixel) {
                double dx = p.x - c.x, dy = p.y - c.y, d = std::hypot(dx, dy);
                float edge = std::max(soft, pixel);
                float alpha = clampf(float((r - d) / edge) + 0.5f, 0, 1);
                if (!(alpha > 0)) return Px{0, 0, 0, 0};
                float h = float(std::atan2(dy, dx) / (2 * kPi));
                float s = r > 0 ? clampf(float(d / r), 0, 1) : 0.f;
                Px rgb = hsvToRgb(Px{h < 0 ? h + 1 : h, s, value, 1});
                int64_t ix = int64_t(std::floor(std::clamp(p.x, -1e12, 1e12)));
                int64_t iy = int64_t(std::floor(std::clamp(p.y, -1e12, 1e12)));
                rgb += (hash01(ix, iy, 5) - 0.5f) * dither;
                rgb[3] = 1;
                return premultiply(encodedToWorking(rgb)) * alpha;
            },
            extent);
    }};

}  // namespace
}  // namespace imaging
