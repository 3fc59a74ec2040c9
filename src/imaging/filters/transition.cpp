// Transitions: from the input image to the target image as the time goes from 0 to 1.

#include "imaging/FilterKit.h"
#include "imaging/filters/ColorMath.h"
#include "imaging/filters/WarpMath.h"

namespace imaging {
namespace {
using namespace kit;
using namespace warpmath;

std::vector<Attribute> transitionInputs(std::vector<Attribute> before,
                                        std::vector<Attribute> after = {}) {
    std::vector<Attribute> v{ImageInput(), ImageInput("inputTargetImage")};
    v.insert(v.end(), before.begin(), before.end());
    v.push_back(Time());
    v.insert(v.end(), after.begin(), after.end());
    return v;
}

double timeOf(const Args& a) {
    return std::clamp(a.number("inputTime"), 0.0, 1.0);
}

// Both pictures' extents together.
Rect bothExtents(const Args& a) {
    return a.image().extent().united(a.image("inputTargetImage").extent());
}

// out(p) = f(source pixel, target pixel, p), over both pictures.
template <class F>
Image perPixel(const Args& a, F f) {
    return colorKernelWithExtent(bothExtents(a), f, a.image(), a.image("inputTargetImage"));
}

// The span of rectangle r along direction d: [lo, hi] of dot(corner, d).
std::pair<double, double> span(const Rect& r, Point d) {
    double lo = INFINITY, hi = -INFINITY;
    for (Point c : cornersOf(r)) lo = std::min(lo, dot(c, d)), hi = std::max(hi, dot(c, d));
    if (!(hi >= lo) || !std::isfinite(hi - lo)) return {0, 300};
    return {lo, hi};
}

// A bounded rectangle the effect happens in: the given one, or the pictures' when it is empty.
Rect effectRect(const Args& a, const char* key) {
    Rect r = a.rect(key);
    if (r.width < 0) r.x += r.width, r.width = -r.width;
    if (r.height < 0) r.y += r.height, r.height = -r.height;
    if (r.isEmpty()) r = bothExtents(a);
    if (r.isEmpty() || r.isInfinite()) r = {0, 0, 300, 300};
    return r;
}

const FilterDef dissolveDef{"CIDissolveTransition",
                            "Dissolve",
                            {kCICategoryTransition},
                            transitionInputs({}),
                            [](const Args& a) {
                                const float t = float(timeOf(a));
                                return perPixel(a,
                                                [t](Px s, Px d, Point) { return lerp(s, d, t); });
                            }};

// ---------------------------------------------------------------------------------------------
// Sweeps: an edge or a bar crosses the extent along the angle; behind it lies the target.

const FilterDef swipeDef{
    "CISwipeTransition",
    "Swipe",
    {kCICategoryTransition},
    transitionInputs({Rectangle("inputExtent", 0, 0, 300, 300), OpaqueColor("inputColor", 1, 1, 1)},
                     {Angle("inputAngle", 0).slider(-kPi, kPi),
                      Distance("inputWidth", 300).min(0.1).slider(0.1, 800),
                      Scalar("inputOpacity", 0).min(0).slider(0, 1)}),
    [](const Args& a) {
        const Point d = unit(a.number("inputAngle"));
        const auto [lo, hi] = span(effectRect(a, "inputExtent"), d);
        const double w = std::max(a.number("inputWidth"), 0.1), t = timeOf(a);
        const double edge = lo - w + t * (hi - lo + w);
        const WorkingColor colour = a.workingColor("inputColor");
        const float opacity = float(std::clamp(a.number("inputOpacity"), 0.0, 1.0));
        // A soft edge `width` wide, tinted with the colour at its middle.
        return perPixel(a, [=](Px s, Px g, Point p) {
            float m = float(std::clamp((dot(p, d) - edge) / w, 0.0, 1.0));
            Px out = lerp(g, s, m);
            return lerp(out, colour(), opacity * 4 * m * (1 - m));
        });
    }};

const FilterDef copyMachineDef{
    "CICopyMachineTransition",
    "Copy Machine",
    {kCICategoryTransition},
    transitionInputs(
        {Rectangle("inputExtent", 0, 0, 300, 300), OpaqueColor("inputColor", 0.6, 1, 0.8)},
        {Angle("inputAngle", 0).slider(0, 2 * kPi),
         Distance("inputWidth", 200).min(0.1).slider(0.1, 500),
         Scalar("inputOpacity", 1.3).min(0).slider(0, 3)}),
    [](const Args& a) {
        const Point d = unit(a.number("inputAngle"));
        const auto [lo, hi] = span(effectRect(a, "inputExtent"), d);
        const double w = std::max(a.number("inputWidth"), 0.1), t = timeOf(a);
        const double mid = lo - w / 2 + t * (hi - lo + w);
        const WorkingColor colour = a.workingColor("inputColor");
        const float opacity = float(std::min(a.number("inputOpacity"), 10.0));
        // A bar of light sweeps over: behind it the copy, ahead the original.
        return perPixel(a, [=](Px s, Px g, Point p) {
            double u = (dot(p, d) - mid) / (w / 2);
            Px out = u < 0 ? g : s;
            if (std::abs(u) >= 1) return out;
            float k = float(1 - u * u);
            const Px c = colour();
            Px lit = out + c * (0.5f * opacity * k);
            lit = lerp(lit, c, std::clamp(0.4f * opacity * k, 0.f, 1.f));
            return pxMin(lit, splat(std::max(lit[3], 0.f)));
        });
    }};

const FilterDef barsSwipeDef{
    "CIBarsSwipeTransition",
    "Bars Swipe",
    {kCICategoryTransition},
    transitionInputs({}, {Angle("inputAngle", kPi).slider(0, 2 * kPi),
                          Distance("inputWidth", 30).min(2).slider(2, 300),
                          Scalar("inputBarOffset", 10).min(1).slider(1, 100)}),
    [](const Args& a) {
        const Point d = unit(a.number("inputAngle")), n{-d.y, d.x};
        Rect r = bothExtents(a);
        if (r.isInfinite() || r.isEmpty()) r = {0, 0, 300, 300};
        // Plain names, not a structured binding: the lambda below captures them (clang 14).
        const std::pair<double, double> range = span(r, d);
        const double lo = range.first, hi = range.second;
        const double w = a.number("inputWidth"), t = timeOf(a);
        // Every other bar lags by the offset, in hundredths of the distance to cover.
        const double lag = std::min(a.number("inputBarOffset"), 1e4) / 100;
        return perPixel(a, [=](Px s, Px g, Point p) {
            const double bar = std::floor(dot(p, n) / w);
            const bool odd = std::fmod(std::abs(bar), 2.0) >= 1;
            const double edge = lo + (t * (1 + lag) - (odd ? lag : 0)) * (hi - lo);
            return dot(p, d) < edge ? g : s;
        });
    }};

// ---------------------------------------------------------------------------------------------
// Patterns from a centre

// A hash of two integers to [0, 1).
inline double hash01(int64_t x, int64_t y) {
    uint64_t h = uint64_t(x) * 0x9E3779B97F4A7C15ull ^ (uint64_t(y) + 0x632BE59BD9B4E019ull);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return double(h >> 11) * 0x1.0p-53;
}

const FilterDef flashDef{
    "CIFlashTransition",
    "Flash",
    {kCICategoryTransition},
    transitionInputs(
        {Center(), Rectangle("inputExtent", 0, 0, 300, 300), ColorInput("inputColor", 1, 0.8, 0.6)},
        {Scalar("inputMaxStriationRadius", 2.58).min(0).slider(0, 10),
         Scalar("inputStriationStrength", 0.5).min(0).slider(0, 3),
         Scalar("inputStriationContrast", 1.375).min(0).slider(0, 5),
         Scalar("inputFadeThreshold", 0.85).limits(0, 1)}),
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const Rect r = effectRect(a, "inputExtent");
        double far = 1;
        for (Point q : cornersOf(r)) far = std::max(far, length(sub(q, c)));
        const double t = timeOf(a), fade = std::clamp(a.number("inputFadeThreshold"), 0.01, 0.99);
        const double strength = std::min(a.number("inputStriationStrength"), 100.0);
        const double contrast = std::min(a.number("inputStriationContrast"), 100.0);
        const double rays = std::min(a.number("inputMaxStriationRadius"), 100.0);
        const WorkingColor colour = a.workingColor("inputColor");
        // Until the fade threshold a flash with rays grows from the centre over the original;
        // then it fades away from the target.
        if (t >= fade) {
            const float k = float((t - fade) / (1 - fade));
            return perPixel(a, [=](Px, Px g, Point) { return lerp(colour(), g, k); });
        }
        const double front = t / fade * 4 * far;
        // How far the rays reach by angle, worked out once round the circle.
        constexpr int kRays = 1024;
        std::vector<float> reachByAngle(kRays + 1);
        for (int i = 0; i <= kRays; ++i) {
            const double th = 2 * kPi * i / kRays;
            double n =
                0.5 + 0.25 * std::sin(7 * th) + 0.25 * std::sin(17 * th + 1.3) * std::sin(5 * th);
            double ray = std::pow(std::clamp(n, 0.0, 1.0), contrast);
            reachByAngle[size_t(i)] = float(front * (1 + 0.25 * rays * strength * ray));
        }
        return perPixel(a, [=](Px s, Px, Point p) {
            Point v = sub(p, c);
            double at = (fastAtan2(v.y, v.x) / (2 * kPi) + 1) * kRays;
            int i = int(at) % kRays;
            double f0 = at - std::floor(at);
            double reach = reachByAngle[size_t(i)] * (1 - f0) + reachByAngle[size_t(i) + 1] * f0;
            float f = float(1 - smoothstep(0.3 * reach, reach + 1e-9, length(v)));
            return lerp(s, colour(), f);
        });
    }};

const FilterDef modDef{
    "CIModTransition",
    "Mod",
    {kCICategoryTransition},
    transitionInputs({Center()}, {Angle("inputAngle", 2).slider(-2 * kPi, 2 * kPi),
                                  Distance("inputRadius", 150).min(1).slider(1, 200),
                                  Distance("inputCompression", 300).min(1).slider(100, 800)}),
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const double t = timeOf(a), R = a.number("inputRadius");
        const Turn turn(a.number("inputAngle") * t);
        // Blobs on a grid turning with the time, squeezed along one axis, each opening at its
        // own moment until they cover everything.
        const double squeeze = 2 * R / a.number("inputCompression");
        const double cell = 2 * R;
        return perPixel(a, [=](Px s, Px g, Point p) {
            Point q = turn.back(sub(p, c));
            q.y *= squeeze;
            double i = std::floor(q.x / cell), j = std::floor(q.y / cell);
            if (!(std::abs(i) < 1e15 && std::abs(j) < 1e15)) return s;
            Point m{(i + 0.5) * cell, (j + 0.5) * cell};
            double open = 1.5 * R * std::clamp(2 * t - hash01(int64_t(i), int64_t(j)), 0.0, 1.0);
            return length(sub(q, m)) < open ? g : s;
        });
    }};

const FilterDef rippleDef{
    "CIRippleTransition",
    "Ripple",
    {kCICategoryTransition},
    transitionInputs(
        {Center(), Rectangle("inputExtent", 0, 0, 300, 300), ImageInput("inputShadingImage")},
        {Distance("inputWidth", 100).min(1).slider(10, 300),
         Scalar("inputScale", 50).slider(-50, 50)}),
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const Rect r = effectRect(a, "inputExtent");
        double far = 1;
        for (Point q : cornersOf(r)) far = std::max(far, length(sub(q, c)));
        const double t = timeOf(a), w = a.number("inputWidth");
        const double scale = std::clamp(a.number("inputScale"), -1e4, 1e4);
        const double ring = t * (far + w);
        Rect se = a.image("inputShadingImage").extent();
        if (se.isInfinite() || se.isEmpty()) se = {0, 0, 300, 300};
        // A ring spreads from the centre: inside it the target, outside the original; in it
        // a wave bends both and catches the light of the shading image's middle row.
        SampleOptions o;
        o.extent = bothExtents(a);
        const Rect both = o.extent->isInfinite() ? Rect{-1e9, -1e9, 2e9, 2e9} : *o.extent;
        const Rect strip{se.x, se.y + se.height / 2 - 1, se.width, 2};
        o.roi = [scale, strip](size_t i, const Rect& out) {
            return i == 2 ? strip : out.insetBy(-std::abs(scale) - 1, -std::abs(scale) - 1);
        };
        return sampleKernel(
            {a.image(), a.image("inputTargetImage"), a.image("inputShadingImage")},
            [=](const Sampler& smp, Point p) {
                Point v = sub(p, c);
                double dist = length(v);
                double q = (ring - dist) / w;  // 0 at the ring's outer edge, 1 at its inner
                if (q <= 0) return smp(0, p);
                if (q >= 1) return smp(1, p);
                Point dir = dist > 0 ? mul(v, 1 / dist) : Point{0, 0};
                Point at = add(p, mul(dir, scale * std::sin(kPi * q)));
                // Bent light never fetches from beyond the pictures' edges.
                at = {std::clamp(at.x, both.x, both.maxX()), std::clamp(at.y, both.y, both.maxY())};
                Px out = lerp(smp(0, at), smp(1, at), float(smoothstep(0, 1, q)));
                Px shade = smp(2, Point{se.x + se.width * 0.5 * (1 + std::cos(kPi * q)),
                                        se.y + se.height / 2});
                out += shade * float(0.5 * std::sin(kPi * q)) * out[3];
                return pxMin(out, splat(out[3]));
            },
            o);
    }};

const FilterDef disintegrateDef{
    "CIDisintegrateWithMaskTransition",
    "Disintegrate with Mask",
    {kCICategoryTransition},
    transitionInputs(
        {ImageInput("inputMaskImage")},
        {Distance("inputShadowRadius", 8).min(0).slider(0, 50),
         Scalar("inputShadowDensity", 0.65).limits(0, 1), Offset("inputShadowOffset", 0, -10)}),
    [](const Args& a) {
        const double t = timeOf(a), soft = 0.02, at = t * (1 + 2 * soft) - soft;
        // The original goes where the mask is darker than the time; what is left casts a soft
        // shadow on the target. Beyond
        // the mask, and where it is transparent, the mask counts as black: at time 0 all of the
        // original is still there, whatever the mask's size.
        Image cover = colorKernelWithExtent(
            Rect::infinite(),
            [at, soft](Px m) {
                float v = cmath::clampf(luminance(m), 0, 1);
                return splat(float(smoothstep(at - soft, at + soft, v)));
            },
            a.image("inputMaskImage"));
        const Vector off = a.vector("inputShadowOffset");
        Image shadow = affineTransform(
            gaussianBlur(cover, std::clamp(a.number("inputShadowRadius"), 0.0, 1e4) / 2),
            AffineTransform::translation(std::clamp(off.x(), -1e6, 1e6),
                                         std::clamp(off.y(), -1e6, 1e6)));
        const float density = float(a.number("inputShadowDensity"));
        return colorKernelWithExtent(
            bothExtents(a),
            [density](Px s, Px g, Px k, Px sh) {
                float c = k[0];
                Px under = g * (1 - density * std::clamp(sh[0], 0.f, 1.f) * (1 - c));
                return lerp(under, s, c);
            },
            a.image(), a.image("inputTargetImage"), cover, shadow);
    }};

// ---------------------------------------------------------------------------------------------
// Page curls: the page (the original within the extent) rolls round a cylinder of the given
// radius whose axis crosses the extent along the angle, uncovering the target beneath; the back
// of the page shows the backside image. Outside the extent the original stays as it is.

struct Curl {
    Point d;          // the page rolls up from the side this points to
    double line = 0;  // where the cylinder touches the page, along d
    double R = 1;     // cylinder radius
    Rect page;

    explicit Curl(const Args& a) {
        page = effectRect(a, "inputExtent");
        d = unit(a.number("inputAngle"));
        R = std::clamp(a.number("inputRadius"), 0.01, 1e6);
        auto [lo, hi] = span(page, d);
        line = hi + timeOf(a) * (lo - R - 1 - hi);
    }

    enum class Layer { Original, Target, Back };
    struct Hit {
        Layer layer = Layer::Original;
        Point at;          // where on the page
        double slope = 0;  // 0 flat, 1 the cylinder's side
    };

    // What is seen at p, top layer first: the page rolled back flat over the top, the back of
    // the page on the cylinder's upper half, the uncovered target, or the original lying flat.
    Hit at(Point p) const {
        // The page moves within the extent as in a window: what rolls beyond it is gone.
        if (!page.contains(p)) return {Layer::Original, p, 0};
        const double x = dot(p, d);
        auto onPage = [&](double u) { return add(p, mul(d, u - x)); };
        if (x <= line) {
            Point q = onPage(2 * line + kPi * R - x);
            if (page.contains(q)) return {Layer::Back, q, 0};
        } else if (x < line + R) {
            const double s = (x - line) / R;
            Point q = onPage(line + R * (kPi - std::asin(s)));
            if (page.contains(q)) return {Layer::Back, q, s};
        }
        if (x > line) return {Layer::Target, p, 0};
        return {Layer::Original, p, 0};
    }
    // The input rectangle the page's layers read for an output rectangle.
    Rect roi(const Rect& out) const { return page.united(out); }
};

const FilterDef pageCurlDef{
    "CIPageCurlTransition",
    "Page Curl",
    {kCICategoryTransition},
    transitionInputs({ImageInput("inputBacksideImage"), ImageInput("inputShadingImage"),
                      Rectangle("inputExtent", 0, 0, 300, 300)},
                     {Angle("inputAngle", 0).slider(-kPi, kPi),
                      Distance("inputRadius", 100).min(0.01).slider(0.01, 400)}),
    [](const Args& a) {
        const Curl curl(a);
        Rect se = a.image("inputShadingImage").extent();
        if (se.isInfinite() || se.isEmpty()) se = {0, 0, 300, 300};
        const Rect strip{se.x, se.y + se.height / 2 - 1, se.width, 2};
        SampleOptions o;
        o.extent = a.image().extent().united(curl.page);
        o.roi = [curl, strip](size_t i, const Rect& out) {
            return i == 1 ? out : i == 3 ? strip : curl.roi(out);
        };
        // The back is lit by the shading image's middle row: its left end where the page lies
        // flat, its right end on the cylinder's side.
        return sampleKernel(
            {a.image(), a.image("inputTargetImage"), a.image("inputBacksideImage"),
             a.image("inputShadingImage")},
            [curl, se](const Sampler& smp, Point p) {
                Curl::Hit h = curl.at(p);
                if (h.layer == Curl::Layer::Target) return smp(1, p);
                if (h.layer == Curl::Layer::Original) return smp(0, p);
                Px back = smp(2, h.at);
                Px light =
                    smp(3, Point{se.x + se.width * (0.05 + 0.9 * h.slope), se.y + se.height / 2});
                Px lit = back * (0.7f + 0.6f * luminance(light));
                lit[3] = back[3];
                return pxMin(lit, splat(lit[3]));
            },
            o);
    }};

const FilterDef pageCurlShadowDef{
    "CIPageCurlWithShadowTransition",
    "Page Curl With Shadow",
    {kCICategoryTransition},
    transitionInputs(
        {ImageInput("inputBacksideImage"), Rectangle("inputExtent", 0, 0, 300, 300)},
        {Angle("inputAngle", 0).slider(-kPi, kPi),
         Distance("inputRadius", 100).min(0.01).slider(0.01, 400),
         Scalar("inputShadowSize", 0.5).limits(0, 1), Scalar("inputShadowAmount", 0.7).limits(0, 1),
         Rectangle("inputShadowExtent", 0, 0, 0, 0)}),
    [](const Args& a) {
        const Curl curl(a);
        const double reach = std::max(a.number("inputShadowSize") * 2 * curl.R, 1e-6);
        // The shadow leaves with the curl: none once the cylinder has rolled out of the extent.
        const auto [lo, hi] = span(curl.page, curl.d);
        (void)hi;
        const float amount = float(a.number("inputShadowAmount") *
                                   std::clamp((curl.line + curl.R - lo) / curl.R, 0.0, 1.0));
        Rect shadowRect = a.rect("inputShadowExtent");
        const bool everywhere = shadowRect.isEmpty();
        SampleOptions o;
        o.extent = a.image().extent().united(curl.page);
        o.roi = [curl](size_t i, const Rect& out) { return i == 1 ? out : curl.roi(out); };
        // The rolled page darkens the target beside it, fading over the shadow size.
        return sampleKernel(
            {a.image(), a.image("inputTargetImage"), a.image("inputBacksideImage")},
            [=](const Sampler& smp, Point p) {
                Curl::Hit h = curl.at(p);
                if (h.layer == Curl::Layer::Original) return smp(0, p);
                if (h.layer == Curl::Layer::Back) {
                    Px back = smp(2, h.at);
                    Px lit = back * float(0.85 + 0.15 * (1 - h.slope));
                    lit[3] = back[3];
                    return lit;
                }
                Px g = smp(1, p);
                const double x = dot(p, curl.d) - curl.line;
                if (x > 0 && x < curl.R + reach && (everywhere || shadowRect.contains(p))) {
                    double k = x < curl.R ? 1 : 1 - (x - curl.R) / reach;
                    g = g * float(1 - amount * k * k);
                    g[3] = smp(1, p)[3];
                }
                return g;
            },
            o);
    }};

// The original folds up like an accordion towards its bottom, uncovering the target.
const FilterDef accordionDef{
    "CIAccordionFoldTransition",
    "Accordion Fold",
    {kCICategoryTransition},
    transitionInputs({Distance("inputBottomHeight", 0).min(0).slider(0, 1000)},
                     {Scalar("inputNumberOfFolds", 3).range(1, 50).slider(1, 10),
                      Scalar("inputFoldShadowAmount", 0.1).limits(0, 1)}),
    [](const Args& a) {
        const Image src = a.image();
        Rect e = src.extent();
        if (e.isInfinite() || e.isEmpty()) e = {0, 0, 300, 300};
        const double t = timeOf(a);
        const double bottom = std::clamp(a.number("inputBottomHeight"), 0.0, e.height);
        const double h = e.height + t * (bottom - e.height);
        const int folds = int(std::clamp(std::round(a.number("inputNumberOfFolds")), 1.0, 50.0));
        const double shadow = a.number("inputFoldShadowAmount");
        // How steeply the panels stand: 0 flat, 1 upright.
        const double tilt = h < e.height ? std::sqrt(1 - (h * h) / (e.height * e.height)) : 0;
        SampleOptions o;
        o.extent = bothExtents(a);
        o.roi = [e, h](size_t i, const Rect& out) {
            if (i == 1) return out;
            if (!(h > 1e-9)) return Rect{};
            const double k = e.height / h;
            return Rect{out.x, e.y + (out.y - e.y) * k, out.width, out.height * k}.intersected(e);
        };
        return sampleKernel(
            {src, a.image("inputTargetImage")},
            [=](const Sampler& smp, Point p) {
                Px g = smp(1, p);
                const double y = p.y - e.y;
                if (!(h > 1e-9) || y < 0 || y >= h) return g;
                const double f = y / h * folds;
                const double panel = std::floor(f), within = f - panel;
                Px s = smp(0, Point{p.x, e.y + y * e.height / h});
                // Panels facing away are darker, shading towards their crease.
                const bool away = int(panel) % 2 == 1;
                float dark = float(std::clamp(
                    shadow * tilt * (away ? 1.5 + within : 0.5 * (1 - within)) * 2, 0.0, 1.0));
                Px lit = s * (1 - dark);
                lit[3] = s[3];
                return over(lit, g);
            },
            o);
    }};

}  // namespace
}  // namespace imaging
