// Geometry: filters that move, scale and cut the picture.

#include "imaging/FilterKit.h"
#include "imaging/filters/WarpMath.h"

namespace imaging {
namespace {
using namespace kit;
using namespace warpmath;

const FilterDef cropDef{"CICrop",
                        "Crop",
                        {kCICategoryGeometryAdjustment},
                        {ImageInput(), Rectangle("inputRectangle", Rect::kInfOrigin,
                                                 Rect::kInfOrigin, Rect::kInfSize, Rect::kInfSize)},
                        [](const Args& a) { return crop(a.image(), a.rect("inputRectangle")); }};

const FilterDef affineDef{
    "CIAffineTransform",
    "Affine Transform",
    {kCICategoryGeometryAdjustment},
    {ImageInput(), Transform()},
    [](const Args& a) { return affineTransform(a.image(), a.transform("inputTransform")); }};

// ---------------------------------------------------------------------------------------------
// Scaling with a reconstruction kernel

double lanczos3(double x, const double*) {
    x = std::abs(x);
    if (x < 1e-9) return 1;
    if (x >= 3) return 0;
    const double px = kPi * x;
    return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

// The Mitchell-Netravali family of cubics: p[0] = B, p[1] = C.
double bicubic(double x, const double* p) {
    const double B = p[0], C = p[1];
    x = std::abs(x);
    if (x < 1)
        return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) /
               6;
    if (x < 2)
        return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x +
                (8 * B + 24 * C)) /
               6;
    return 0;
}

const FilterDef lanczosDef{
    "CILanczosScaleTransform",
    "Lanczos Scale Transform",
    {kCICategoryGeometryAdjustment},
    {ImageInput(), Scalar("inputScale", 1).min(0).slider(0.05, 1.5).identity(1),
     Scalar("inputAspectRatio", 1).min(0).slider(0.5, 2).identity(1)},
    [](const Args& a) {
        const double s = a.number("inputScale");
        return resampleSeparable(a.image(), s * a.number("inputAspectRatio"), s, lanczos3, 3);
    }};

const FilterDef bicubicDef{
    "CIBicubicScaleTransform",
    "Bicubic Scale Transform",
    {kCICategoryGeometryAdjustment},
    {ImageInput(), Scalar("inputScale", 1).min(0).slider(0.05, 100).identity(1),
     Scalar("inputAspectRatio", 1).min(0).slider(0.05, 100).identity(1),
     Scalar("inputB", 0).limits(0, 1).name("B"), Scalar("inputC", 0.75).limits(0, 1).name("C")},
    [](const Args& a) {
        const double s = a.number("inputScale");
        return resampleSeparable(a.image(), s * a.number("inputAspectRatio"), s, bicubic, 2,
                                 {a.number("inputB"), a.number("inputC")});
    }};

// ---------------------------------------------------------------------------------------------
// Projective maps

// The four corners of a quadrilateral input, in the order the unit square's corners map to.
std::array<Point, 4> quad(const Args& a) {
    return {a.point("inputBottomLeft"), a.point("inputBottomRight"), a.point("inputTopRight"),
            a.point("inputTopLeft")};
}

std::vector<Attribute> withCorners(std::vector<Attribute> extra = {}) {
    std::vector<Attribute> v{
        ImageInput(), Position("inputTopLeft", 118, 484), Position("inputTopRight", 646, 507),
        Position("inputBottomRight", 548, 140), Position("inputBottomLeft", 155, 153)};
    v.insert(v.end(), extra.begin(), extra.end());
    return v;
}

// A bounded rectangle standing for the picture (generators have no edges).
Rect pictureRect(const Image& img) {
    Rect e = img.extent();
    return e.isInfinite() || e.isEmpty() ? Rect{0, 0, 300, 300} : e;
}

Image mapRectToQuad(const Image& img, const Rect& r, const std::array<Point, 4>& q) {
    auto h = Homography::rectTo(r, q);
    return h ? projectiveWarp(img, *h, r.center()) : Image();
}

const FilterDef perspectiveDef{"CIPerspectiveTransform",
                               "Perspective Transform",
                               {kCICategoryGeometryAdjustment},
                               withCorners(),
                               [](const Args& a) {
                                   Image img = a.image();
                                   return mapRectToQuad(img, pictureRect(img), quad(a));
                               }};

const FilterDef perspectiveExtentDef{
    "CIPerspectiveTransformWithExtent",
    "Perspective Transform with Extent",
    {kCICategoryGeometryAdjustment},
    withCorners({Rectangle("inputExtent", 0, 0, 300, 300)}),
    [](const Args& a) { return mapRectToQuad(a.image(), a.rect("inputExtent"), quad(a)); }};

// The rectangle a quadrilateral straightens into: its mean width and height, from its
// bounding box's lower-left corner.
Rect straightened(const std::array<Point, 4>& q) {
    Rect b = boundsOf(q);
    double w = 0.5 * (length(sub(q[1], q[0])) + length(sub(q[2], q[3])));
    double h = 0.5 * (length(sub(q[3], q[0])) + length(sub(q[2], q[1])));
    return {b.x, b.y, w, h};
}

const FilterDef perspectiveCorrectionDef{"CIPerspectiveCorrection",
                                         "Perspective Correction",
                                         {kCICategoryGeometryAdjustment},
                                         withCorners({Boolean("inputCrop", true)}),
                                         [](const Args& a) {
                                             const auto q = quad(a);
                                             const Rect r = straightened(q);
                                             auto h = Homography::quadToQuad(q, cornersOf(r));
                                             if (!h) return Image();
                                             Image out = projectiveWarp(a.image(), *h, q[0]);
                                             return a.boolean("inputCrop") ? crop(out, r) : out;
                                         }};

// Keystone corrections straighten the quadrilateral's sides: the vertical one makes its left
// and right sides upright, the horizontal one its top and bottom level, the combined one both.
Image keystone(const Args& a, bool vertical, bool horizontal) {
    auto q = quad(a);  // bottom-left, bottom-right, top-right, top-left
    auto t = q;
    if (vertical) {
        const double xl = 0.5 * (q[0].x + q[3].x), xr = 0.5 * (q[1].x + q[2].x);
        t[0].x = t[3].x = xl, t[1].x = t[2].x = xr;
    }
    if (horizontal) {
        const double yb = 0.5 * (q[0].y + q[1].y), yt = 0.5 * (q[2].y + q[3].y);
        t[0].y = t[1].y = yb, t[2].y = t[3].y = yt;
    }
    auto h = Homography::quadToQuad(q, t);
    return h ? projectiveWarp(a.image(), *h, q[0]) : Image();
}

const FilterDef keystoneVerticalDef{"CIKeystoneCorrectionVertical",
                                    "Vertical Keystone Correction",
                                    {kCICategoryGeometryAdjustment},
                                    withCorners(),
                                    [](const Args& a) { return keystone(a, true, false); }};
const FilterDef keystoneHorizontalDef{"CIKeystoneCorrectionHorizontal",
                                      "Horizontal Keystone Correction",
                                      {kCICategoryGeometryAdjustment},
                                      withCorners(),
                                      [](const Args& a) { return keystone(a, false, true); }};
const FilterDef keystoneCombinedDef{"CIKeystoneCorrectionCombined",
                                    "Combined Keystone Correction",
                                    {kCICategoryGeometryAdjustment},
                                    withCorners(),
                                    [](const Args& a) { return keystone(a, true, true); }};

// A camera turned in front of the picture: focal length in 35 mm terms over the picture width.
const FilterDef perspectiveRotateDef{
    "CIPerspectiveRotate",
    "Perspective Rotate",
    {kCICategoryGeometryAdjustment},
    {ImageInput(), Scalar("inputFocalLength", 28).min(1).slider(10, 200),
     Angle("inputPitch", 0).limits(-kPi / 2, kPi / 2).identity(0),
     Angle("inputYaw", 0).limits(-kPi / 2, kPi / 2).identity(0),
     Angle("inputRoll", 0).slider(-kPi, kPi).identity(0)},
    [](const Args& a) {
        const Image img = a.image();
        const Rect r = pictureRect(img);
        const Point c = r.center();
        const double f = a.number("inputFocalLength") / 36.0 * r.width;
        const double p = a.number("inputPitch"), y = a.number("inputYaw"),
                     z = a.number("inputRoll");
        // R = Rz(roll) Rx(pitch) Ry(yaw), then projected: H = K R K^-1 about the centre.
        const double cp = std::cos(p), sp = std::sin(p), cy = std::cos(y), sy = std::sin(y),
                     cz = std::cos(z), sz = std::sin(z);
        const double Ry[9] = {cy, 0, sy, 0, 1, 0, -sy, 0, cy};
        const double Rx[9] = {1, 0, 0, 0, cp, -sp, 0, sp, cp};
        const double Rz[9] = {cz, -sz, 0, sz, cz, 0, 0, 0, 1};
        auto mul3 = [](const double* A, const double* B, double* C) {
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    C[3 * i + j] =
                        A[3 * i] * B[j] + A[3 * i + 1] * B[3 + j] + A[3 * i + 2] * B[6 + j];
        };
        double T[9], R[9];
        mul3(Rx, Ry, T);
        mul3(Rz, T, R);
        const double K[9] = {f, 0, c.x, 0, f, c.y, 0, 0, 1};
        const double Ki[9] = {1 / f, 0, -c.x / f, 0, 1 / f, -c.y / f, 0, 0, 1};
        double KR[9], H[9];
        mul3(K, R, KR);
        mul3(KR, Ki, H);
        Homography h;
        std::copy(H, H + 9, h.m.begin());
        return projectiveWarp(img, h, c);
    }};

// Turns the picture about its centre and enlarges it just enough to fill its frame again.
const FilterDef straightenDef{
    "CIStraightenFilter",
    "Straighten",
    {kCICategoryGeometryAdjustment},
    {ImageInput(), Angle("inputAngle", 0).slider(-kPi, kPi).identity(0)},
    [](const Args& a) {
        const Image img = a.image();
        const Rect e = img.extent();
        const double t = a.number("inputAngle");
        if (e.isInfinite() || e.isEmpty())
            return affineTransform(img, AffineTransform::rotation(t));
        const double c = std::abs(std::cos(t)), s = std::abs(std::sin(t));
        const double k = std::max((e.width * c + e.height * s) / e.width,
                                  (e.width * s + e.height * c) / e.height);
        const Point m = e.center();
        AffineTransform m0 = AffineTransform::translation(-m.x, -m.y);
        AffineTransform rs =
            AffineTransform::rotation(t).concatenated(AffineTransform::scaling(k, k));
        return crop(affineTransform(img, m0.concatenated(rs).concatenated(
                                             AffineTransform::translation(m.x, m.y))),
                    e);
    }};

}  // namespace
}  // namespace imaging
