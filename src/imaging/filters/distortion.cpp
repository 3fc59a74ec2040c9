// Distortion: warps of the picture around a centre, a line or a lens, and the picture cut into
// parts that grow or repeat.

#include "imaging/FilterKit.h"
#include "imaging/filters/ColorMath.h"
#include "imaging/filters/WarpMath.h"

namespace imaging {
namespace {
using namespace kit;
using namespace warpmath;

// out(p) = in(c + d * f(|d| / R)) within radius R of the centre, unchanged beyond it; d = p - c.
// A radius of zero leaves the picture as it is.
template <class F>
Image radialWarp(const Args& a, double radius, F factor) {
    const Point c = a.point("inputCenter");
    const double R = std::abs(radius);
    if (!(R > 1e-6)) return a.image();
    return warp(a.image(), [=](Point p) {
        Point d = sub(p, c);
        double t = length(d) / R;
        return t >= 1 ? p : add(c, factor(d, t));
    });
}

const FilterDef twirlDef{
    "CITwirlDistortion",
    "Twirl Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 300).min(0).slider(0, 500),
     Angle("inputAngle", kPi).slider(-4 * kPi, 4 * kPi).identity(0)},
    [](const Args& a) {
        const double angle = a.number("inputAngle");
        // Full turn at the centre, easing to none at the rim.
        return radialWarp(a, a.number("inputRadius"), [angle](Point d, double t) {
            return rotate(d, -angle * (1 - smoothstep(0, 1, t)));
        });
    }};

const FilterDef vortexDef{
    "CIVortexDistortion",
    "Vortex Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 300).min(0).slider(0, 800),
     Angle("inputAngle", 56.5487).slider(-94.2478, 94.2478).identity(0)},
    [](const Args& a) {
        const double angle = a.number("inputAngle");
        // The turn grows sharply towards the centre: a whirlpool rather than a twist.
        return radialWarp(a, a.number("inputRadius"), [angle](Point d, double t) {
            double k = 1 - t;
            return rotate(d, -angle * k * k * k);
        });
    }};

const FilterDef bumpDef{"CIBumpDistortion",
                        "Bump Distortion",
                        {kCICategoryDistortionEffect},
                        {ImageInput(), Center(), Distance("inputRadius", 300).min(0).slider(0, 600),
                         Scalar("inputScale", 0.5).slider(-1, 1).identity(0)},
                        [](const Args& a) {
                            const double s = a.number("inputScale");
                            return radialWarp(a, a.number("inputRadius"), [s](Point d, double t) {
                                double k = 1 - t * t;
                                return mul(d, 1 - s * k * k);
                            });
                        }};

const FilterDef bumpLinearDef{
    "CIBumpDistortionLinear",
    "Bump Distortion Linear",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 300).min(0).slider(0, 600),
     Angle("inputAngle", 0).slider(0, 2 * kPi),
     Scalar("inputScale", 0.5).slider(-1, 1).identity(0)},
    [](const Args& a) {
        const Point c = a.point("inputCenter"), n = unit(a.number("inputAngle") + kPi / 2);
        const double R = a.number("inputRadius"), s = a.number("inputScale");
        if (!(R > 1e-6)) return a.image();
        // Across the line through the centre, as the round bump does along its radius.
        return warp(a.image(), [=](Point p) {
            double d = dot(sub(p, c), n), t = std::abs(d) / R;
            if (t >= 1) return p;
            double k = 1 - t * t;
            return sub(p, mul(n, d * s * k * k));
        });
    }};

const FilterDef pinchDef{
    "CIPinchDistortion",
    "Pinch Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 300).min(0).slider(0, 1000),
     Scalar("inputScale", 0.5).min(0).slider(0, 2).identity(0)},
    [](const Args& a) {
        // Radii t -> t^(1/(1+s)): the picture is drawn in towards the centre.
        const double e = 1 / (1 + a.number("inputScale"));
        return radialWarp(a, a.number("inputRadius"), [e](Point d, double t) {
            return t > 0 ? mul(d, std::pow(t, e) / t) : d;
        });
    }};

const FilterDef circleSplashDef{
    "CICircleSplashDistortion",
    "Circle Splash Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 150).min(0).slider(0, 1000)},
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const double R = a.number("inputRadius");
        // Beyond the circle, each ray repeats the colour where it leaves the circle.
        return warp(a.image(), [=](Point p) {
            Point d = sub(p, c);
            double r = length(d);
            return r <= R || r <= 0 ? p : add(c, mul(d, R / r));
        });
    }};

const FilterDef holeDef{
    "CIHoleDistortion",
    "Hole Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 150).min(0.01).slider(0.01, 1000)},
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const double R = a.number("inputRadius");
        // The picture is pushed out of a round hole: radius r shows what was at sqrt(r² - R²).
        return warp(a.image(), [=](Point p) {
            Point d = sub(p, c);
            double r = length(d);
            if (r <= R) return nowhere();
            return add(c, mul(d, std::sqrt(r * r - R * R) / r));
        });
    }};

// A glass lens over a round or long shape: at relative distance u from its middle line the
// view is magnified by the refraction, fading to none at the rim.
inline double lensFactor(double u, double refraction) {
    return 1 - (1 - 1 / std::max(refraction, 0.01)) * std::sqrt(std::max(0.0, 1 - u * u));
}

const FilterDef torusLensDef{
    "CITorusLensDistortion",
    "Torus Lens Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 160).min(0).slider(0, 500),
     Distance("inputWidth", 80).min(0).slider(0, 200),
     Scalar("inputRefraction", 1.7).min(0).slider(0, 5).identity(1)},
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const double R = a.number("inputRadius"), half = a.number("inputWidth") / 2,
                     n = a.number("inputRefraction");
        if (!(half > 1e-6)) return a.image();
        return warp(a.image(), [=](Point p) {
            Point d = sub(p, c);
            double r = length(d), u = (r - R) / half;
            if (std::abs(u) >= 1 || r <= 0) return p;
            double rs = R + (r - R) * lensFactor(u, n);
            return add(c, mul(d, rs / r));
        });
    }};

const FilterDef glassLozengeDef{
    "CIGlassLozenge",
    "Glass Lozenge",
    {kCICategoryDistortionEffect},
    {ImageInput(), Position("inputPoint0", 150, 150), Position("inputPoint1", 350, 150),
     Distance("inputRadius", 100).min(0).slider(0, 1000),
     Scalar("inputRefraction", 1.7).min(0).slider(0, 5).identity(1)},
    [](const Args& a) {
        const Point p0 = a.point("inputPoint0"), p1 = a.point("inputPoint1");
        const double R = a.number("inputRadius"), n = a.number("inputRefraction");
        if (!(R > 1e-6)) return a.image();
        const Point axis = sub(p1, p0);
        const double len2 = dot(axis, axis);
        return warp(a.image(), [=](Point p) {
            double t = len2 > 0 ? std::clamp(dot(sub(p, p0), axis) / len2, 0.0, 1.0) : 0.0;
            Point q = add(p0, mul(axis, t)), d = sub(p, q);
            double u = length(d) / R;
            return u >= 1 ? p : add(q, mul(d, lensFactor(u, n)));
        });
    }};

const FilterDef rippleDef{
    "CIRippleDistortion",
    "Ripple Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 300).min(0).slider(0, 1000),
     Distance("inputWidth", 40).min(1).slider(2, 200),
     Distance("inputAmplitude", 8).slider(0, 50).identity(0)},
    [](const Args& a) {
        const double w = a.number("inputWidth"), amp = a.number("inputAmplitude");
        // Rings moving the picture in and out along the radius, calming towards the rim.
        return radialWarp(a, a.number("inputRadius"), [=](Point d, double t) {
            double r = length(d);
            if (r <= 0) return d;
            double k = 1 - t;
            return mul(d, std::max(0.0, r + amp * k * k * std::sin(2 * kPi * r / w)) / r);
        });
    }};

const FilterDef lightTunnelDef{
    "CILightTunnel",
    "Light Tunnel",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Angle("inputRotation", 0).slider(0, kPi / 2),
     Distance("inputRadius", 100).min(0).slider(1, 500)},
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const double R = a.number("inputRadius"), rot = a.number("inputRotation");
        if (!(R > 1e-6)) return a.image();
        // Outside the circle the disc is seen again and again, ever deeper and turned.
        return warp(a.image(), [=](Point p) {
            Point d = sub(p, c);
            double r = length(d);
            if (r <= R) return p;
            return add(c, rotate(mul(d, R * R / (r * r)), rot * std::log(r / R)));
        });
    }};

const FilterDef circularWrapDef{
    "CICircularWrap",
    "Circular Wrap Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), Center(), Distance("inputRadius", 150).min(0).slider(0, 600),
     Angle("inputAngle", 0).slider(-kPi, kPi)},
    [](const Args& a) {
        const Image img = a.image();
        Rect e = img.extent();
        if (e.isInfinite() || e.isEmpty()) e = {0, 0, 300, 300};
        const Point c = a.point("inputCenter");
        const double R = std::max(a.number("inputRadius"), 0.0), angle = a.number("inputAngle");
        // The picture's bottom edge goes round the circle, centred at the top, its columns
        // pointing outwards; what does not fit round the circle is cut off.
        WarpOptions o;
        const double reach = R + e.height;
        o.extent = Rect{c.x - reach, c.y - reach, 2 * reach, 2 * reach};
        const double mid = e.center().x;
        return warp(
            img,
            [=](Point p) {
                Point d = sub(p, c);
                double r = length(d);
                double theta = wrap(std::atan2(d.x, d.y) - angle + kPi, 2 * kPi) - kPi;
                return Point{mid + theta * R, e.y + (r - R)};
            },
            o);
    }};

// The picture's inside seen again inside itself, along a logarithmic spiral.
const FilterDef drosteDef{
    "CIDroste",
    "Droste",
    {kCICategoryDistortionEffect},
    {ImageInput(), Position("inputInsetPoint0", 200, 200), Position("inputInsetPoint1", 400, 400),
     Scalar("inputStrands", 1).slider(-2, 2), Scalar("inputPeriodicity", 1).min(1).slider(1, 5),
     Angle("inputRotation", 0).slider(0, 2 * kPi),
     Scalar("inputZoom", 1).min(0.01).slider(0.01, 5)},
    [](const Args& a) {
        const Image img = a.image();
        Rect e = img.extent();
        if (e.isInfinite() || e.isEmpty()) e = {0, 0, 600, 600};
        const Point i0 = a.point("inputInsetPoint0"), i1 = a.point("inputInsetPoint1");
        const Point c{0.5 * (i0.x + i1.x), 0.5 * (i0.y + i1.y)};
        // The ring between the inset and the nearest picture edge is what repeats.
        const double r1 =
            std::max(0.5 * std::max(std::abs(i1.x - i0.x), std::abs(i1.y - i0.y)), 1.0);
        const double r2 = std::min({c.x - e.x, e.maxX() - c.x, c.y - e.y, e.maxY() - c.y});
        if (!(r2 > r1 * 1.01)) return img;
        const double L = std::log(r2 / r1), lr1 = std::log(r1);
        const double strands = a.number("inputStrands"), period = a.number("inputPeriodicity");
        const double zoom = a.number("inputZoom"), rot = a.number("inputRotation");
        // One turn round the centre steps `strands` rings in and `period` turns round:
        // w -> w * (period - i strands L / 2 pi) in log-polar coordinates.
        const double fr = period, fi = -strands * L / (2 * kPi);
        return warp(img, [=](Point p) {
            Point z = rotate(mul(sub(p, c), 1 / zoom), -rot);
            double r = length(z);
            if (!(r > 1e-12)) return c;
            double lr = std::log(r), th = fastAtan2(z.y, z.x);
            double sr = lr * fr - th * fi, si = lr * fi + th * fr;
            sr = lr1 + wrap(sr - lr1, L);
            double m = std::exp(sr);
            return Point{c.x + m * std::cos(si), c.y + m * std::sin(si)};
        });
    }};

const FilterDef displacementDef{
    "CIDisplacementDistortion",
    "Displacement Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), ImageInput("inputDisplacementImage"),
     Distance("inputScale", 50).min(0).slider(0, 200).identity(0)},
    [](const Args& a) {
        const double s = a.number("inputScale");
        SampleOptions o;
        o.extent = a.image().extent();
        o.roi = [s](size_t i, const Rect& out) { return i == 0 ? out.insetBy(-s, -s) : out; };
        // Red moves right and green up, by up to half the scale; a
        // value of one half moves nothing.
        return sampleKernel(
            {a.image(), a.image("inputDisplacementImage")},
            [s](const Sampler& smp, Point p) {
                Px m = unpremultiply(smp(1, p));
                double dx = m[3] > 0 ? cmath::clampf(m[0], 0, 1) - 0.5 : 0;
                double dy = m[3] > 0 ? cmath::clampf(m[1], 0, 1) - 0.5 : 0;
                return smp(0, Point{p.x + dx * s, p.y + dy * s});
            },
            o);
    }};

const FilterDef glassDef{
    "CIGlassDistortion",
    "Glass Distortion",
    {kCICategoryDistortionEffect},
    {ImageInput(), ImageInput("inputTexture"), Center(),
     Distance("inputScale", 200).min(0).slider(0.01, 500).identity(0)},
    [](const Args& a) {
        const Image img = a.image();
        const Image tex = a.image("inputTexture");
        const Rect te = tex.extent();
        const Point c = a.point("inputCenter");
        const double s = a.number("inputScale");
        if (te.isEmpty()) return img;
        // The texture repeats over the plane from the centre, a height field whose slopes bend
        // the light by up to half the scale.
        const bool wraps = !te.isInfinite();
        SampleOptions o;
        o.extent = img.extent();
        const double limit = s / 2;
        o.roi = [limit, wraps, te](size_t i, const Rect& out) {
            if (i == 1) return wraps ? te : out.insetBy(-5, -5);
            return out.insetBy(-limit - 1, -limit - 1);
        };
        return sampleKernel(
            {img, tex},
            [=](const Sampler& smp, Point p) {
                const double h = std::min(smp.pixel(), 4.0);
                // The texture's own pixels, h apart, round p's place in its repeat.
                Point q = p;
                if (wraps)
                    q = {te.x + wrap(p.x - c.x, te.width), te.y + wrap(p.y - c.y, te.height)};
                auto around = [](double v, double lo, double len) {
                    return v < lo ? v + len : v >= lo + len ? v - len : v;
                };
                auto height = [&](double x, double y) {
                    if (wraps) x = around(x, te.x, te.width), y = around(y, te.y, te.height);
                    return double(cmath::clampf(luminance(smp.nearest(1, Point{x, y})), 0, 1));
                };
                double gx = (height(q.x + h, q.y) - height(q.x - h, q.y)) / (2 * h);
                double gy = (height(q.x, q.y + h) - height(q.x, q.y - h)) / (2 * h);
                double dx = gx * s * 4, dy = gy * s * 4, len = std::sqrt(dx * dx + dy * dy);
                if (len > limit) dx *= limit / len, dy *= limit / len;
                return smp(0, Point{p.x + dx, p.y + dy});
            },
            o);
    }};

// ---------------------------------------------------------------------------------------------
// Nine parts: the picture cut at two breakpoints per axis; the corners stay, the middle grows.

// One axis of a nine-part map: output coordinate -> source coordinate (both relative to the
// picture's edge), for a middle [b0, b1] grown by g.
struct NinePart {
    double b0, b1, g;
    NinePart(double lo, double hi, double length, double grow) {
        b0 = std::clamp(std::min(lo, hi), 0.0, length);
        b1 = std::clamp(std::max(lo, hi), 0.0, length);
        g = std::max(grow, b0 - b1);
    }
    double stretched(double x) const {
        const double mid = b1 - b0 + g;
        if (x < b0) return x;
        if (x >= b0 + mid) return x - g;
        return mid > 0 ? b0 + (x - b0) * (b1 - b0) / mid : b0;
    }
    double tiled(double x, bool flip) const {
        const double mid = b1 - b0 + g, w = b1 - b0;
        if (x < b0) return x;
        if (x >= b0 + mid) return x - g;
        if (!(w > 1e-6)) return b0;
        return b0 + (flip ? mirror(x - b0, w) : wrap(x - b0, w));
    }
};

template <class Map>
Image ninePart(const Args& a, Map map) {
    const Image img = a.image();
    Rect e = img.extent();
    if (e.isInfinite() || e.isEmpty()) return img;
    const Point p0 = a.point("inputBreakpoint0"), p1 = a.point("inputBreakpoint1");
    const Vector grow = a.vector("inputGrowAmount");
    NinePart nx(p0.x - e.x, p1.x - e.x, e.width, grow.x());
    NinePart ny(p0.y - e.y, p1.y - e.y, e.height, grow.y());
    WarpOptions o;
    o.extent = Rect{e.x, e.y, std::max(0.0, e.width + nx.g), std::max(0.0, e.height + ny.g)};
    o.roi = [e](const Rect&) { return e; };
    return warp(
        img,
        [=](Point p) {
            return Point{e.x + map(nx, p.x - e.x), e.y + map(ny, p.y - e.y)};
        },
        o);
}

std::vector<Attribute> ninePartInputs(std::vector<Attribute> extra = {}) {
    std::vector<Attribute> v{ImageInput(), Position("inputBreakpoint0", 50, 50),
                             Position("inputBreakpoint1", 150, 150),
                             Offset("inputGrowAmount", 100, 100)};
    v.insert(v.end(), extra.begin(), extra.end());
    return v;
}

const FilterDef ninePartStretchedDef{
    "CINinePartStretched",
    "Nine Part Stretched",
    {kCICategoryDistortionEffect},
    ninePartInputs(),
    [](const Args& a) {
        return ninePart(a, [](const NinePart& n, double x) { return n.stretched(x); });
    }};

const FilterDef ninePartTiledDef{
    "CINinePartTiled",
    "Nine Part Tiled",
    {kCICategoryDistortionEffect},
    ninePartInputs({Boolean("inputFlipYTiles", true)}),
    [](const Args& a) {
        const bool flip = a.boolean("inputFlipYTiles");
        return ninePart(a, [flip](const NinePart& n, double x) { return n.tiled(x, flip); });
    }};

// Fits the picture to a size: part of the difference in shape is cropped away, the rest is
// stretched, most of it in the middle when asked.
const FilterDef stretchCropDef{
    "CIStretchCrop",
    "Stretch Crop",
    {kCICategoryDistortionEffect},
    {ImageInput(), Offset("inputSize", 1280, 720), Scalar("inputCropAmount", 0.25).limits(0, 1),
     Scalar("inputCenterStretchAmount", 0.25).limits(0, 1)},
    [](const Args& a) {
        const Image img = a.image();
        const Rect e = img.extent();
        if (e.isInfinite() || e.isEmpty()) return img;
        const Vector size = a.vector("inputSize");
        const double W = std::clamp(size.x(), 1.0, 1e6), H = std::clamp(size.y(), 1.0, 1e6);
        const double crop = a.number("inputCropAmount"),
                     bend = a.number("inputCenterStretchAmount");
        double cw = e.width, ch = e.height;
        if (e.width / e.height > W / H) {
            cw -= crop * (e.width - e.height * W / H);
        } else {
            ch -= crop * (e.height - e.width * H / W);
        }
        // The axis stretched more bends: near the middle it is stretched most.
        const bool bendX = W / cw > H / ch;
        const double k = 0.5 * bend;
        auto axis = [k](double u, bool bent) { return bent ? (1 - k) * u + k * u * u * u : u; };
        const Point c = e.center();
        WarpOptions o;
        o.extent = Rect{0, 0, W, H};
        o.roi = [e](const Rect&) { return e; };
        return warp(
            img,
            [=](Point p) {
                double u = 2 * p.x / W - 1, v = 2 * p.y / H - 1;
                return Point{c.x + 0.5 * cw * axis(u, bendX), c.y + 0.5 * ch * axis(v, !bendX)};
            },
            o);
    }};

}  // namespace
}  // namespace imaging
