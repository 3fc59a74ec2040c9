// Tile: the whole plane filled with copies of part of the picture, reflected, turned or
// repeated; and the picture's edges stretched out to infinity.

#include "imaging/FilterKit.h"
#include "imaging/filters/WarpMath.h"

namespace imaging {
namespace {
using namespace kit;
using namespace warpmath;

Attr tileAngle() {
    return Angle("inputAngle", 0).slider(-kPi, kPi);
}
Attr tileWidth(double def = 100) {
    return Distance("inputWidth", def).min(0).slider(1, 200);
}
Attr acuteAngle() {
    return Angle("inputAcuteAngle", kPi / 2).slider(-kPi, kPi);
}

// ---------------------------------------------------------------------------------------------
// Kaleidoscopes in cells: the plane cut into square or hexagonal cells round the centre; in
// every cell the wedge [angle, angle + wedge] round the cell's middle is repeated, mirrored
// (reflect) or turned.

Image cellKaleidoscope(const Args& a, bool hex, double wedge, bool reflect) {
    const Point c = a.point("inputCenter");
    const double angle = a.number("inputAngle");
    const double w = safeLength(a.number("inputWidth"), 0.5);
    const double reach = hex ? w / std::sqrt(3.0) : w / std::sqrt(2.0);
    const WedgeFold fold(wedge, reflect);
    const Turn turn(angle);
    return tileWarp(
        a.image(),
        [=](Point p) {
            Point d = turn.back(sub(p, c));
            Point l;
            if (hex) {
                l = hexCellLocal(d, w);
            } else {
                l = {d.x - w * std::round(d.x / w), d.y - w * std::round(d.y / w)};
            }
            return add(c, turn(fold(l)));
        },
        Rect{c.x - reach, c.y - reach, 2 * reach, 2 * reach});
}

std::vector<Attribute> cellInputs() {
    return {ImageInput(), Center(), tileAngle(), tileWidth()};
}

const FilterDef fourfoldRotatedDef{
    "CIFourfoldRotatedTile",
    "Fourfold Rotated Tile",
    {kCICategoryTileEffect},
    cellInputs(),
    [](const Args& a) { return cellKaleidoscope(a, false, kPi / 2, false); }};
const FilterDef eightfoldReflectedDef{
    "CIEightfoldReflectedTile",
    "Eightfold Reflected Tile",
    {kCICategoryTileEffect},
    cellInputs(),
    [](const Args& a) { return cellKaleidoscope(a, false, kPi / 4, true); }};
const FilterDef sixfoldRotatedDef{
    "CISixfoldRotatedTile",
    "Sixfold Rotated Tile",
    {kCICategoryTileEffect},
    cellInputs(),
    [](const Args& a) { return cellKaleidoscope(a, true, kPi / 3, false); }};
const FilterDef sixfoldReflectedDef{
    "CISixfoldReflectedTile",
    "Sixfold Reflected Tile",
    {kCICategoryTileEffect},
    cellInputs(),
    [](const Args& a) { return cellKaleidoscope(a, true, kPi / 3, true); }};
const FilterDef twelvefoldReflectedDef{
    "CITwelvefoldReflectedTile",
    "Twelvefold Reflected Tile",
    {kCICategoryTileEffect},
    cellInputs(),
    [](const Args& a) { return cellKaleidoscope(a, true, kPi / 6, true); }};

// ---------------------------------------------------------------------------------------------
// Parallelogram lattices

// The picture's parallelogram of side `width` at the centre (its corner there, or its middle),
// repeated over the plane by `fold` applied to the lattice coordinates.
template <class Fold>
Image latticeTile(const Args& a, double acute, bool centred, Fold fold) {
    Lattice l = Lattice::oblique(a.point("inputCenter"), a.number("inputWidth"),
                                 a.number("inputAngle"), acute);
    if (centred) l.origin = sub(l.origin, mul(add(l.a, l.b), 0.5));
    return tileWarp(
        a.image(), [l, fold](Point p) { return l.fromCell(fold(l.toCell(p))); },
        l.bounds(0, 1, 0, 1));
}

const FilterDef parallelogramDef{"CIParallelogramTile",
                                 "Parallelogram Tile",
                                 {kCICategoryTileEffect},
                                 {ImageInput(), Center(), tileAngle(), acuteAngle(), tileWidth()},
                                 [](const Args& a) {
                                     return latticeTile(
                                         a, a.number("inputAcuteAngle"), false, [](Point uv) {
                                             return Point{mirror(uv.x, 1), mirror(uv.y, 1)};
                                         });
                                 }};

const FilterDef fourfoldReflectedDef{
    "CIFourfoldReflectedTile",
    "Fourfold Reflected Tile",
    {kCICategoryTileEffect},
    {ImageInput(), Center(), tileAngle(), acuteAngle(), tileWidth()},
    [](const Args& a) {
        // Mirrors through the middle of the parallelogram at the centre: four copies per cell.
        return latticeTile(a, a.number("inputAcuteAngle"), true, [](Point uv) {
            return Point{0.5 + mirror(uv.x - 0.5, 0.5), 0.5 + mirror(uv.y - 0.5, 0.5)};
        });
    }};

const FilterDef fourfoldTranslatedDef{
    "CIFourfoldTranslatedTile",
    "Fourfold Translated Tile",
    {kCICategoryTileEffect},
    {ImageInput(), Center(), tileAngle(), acuteAngle(), tileWidth()},
    [](const Args& a) {
        return latticeTile(a, a.number("inputAcuteAngle"), true, [](Point uv) {
            return Point{wrap(uv.x, 1), wrap(uv.y, 1)};
        });
    }};

const FilterDef glideReflectedDef{"CIGlideReflectedTile",
                                  "Glide Reflected Tile",
                                  {kCICategoryTileEffect},
                                  {ImageInput(), Center(), tileAngle(), tileWidth()},
                                  [](const Args& a) {
                                      // Every other row is the row below mirrored and moved on by
                                      // half a cell.
                                      return latticeTile(a, kPi / 2, true, [](Point uv) {
                                          double u = wrap(uv.x, 1), v = wrap(uv.y, 2);
                                          if (v >= 1) u = wrap(uv.x + 0.5, 1), v = 2 - v;
                                          return Point{u, std::min(v, 1.0)};
                                      });
                                  }};

const FilterDef opTileDef{
    "CIOpTile",
    "Op Tile",
    {kCICategoryTileEffect},
    {ImageInput(), Center(), Scalar("inputScale", 2.8).min(0).slider(0.1, 10), tileAngle(),
     Distance("inputWidth", 65).min(0).slider(1, 1000)},
    [](const Args& a) {
        const Lattice l = Lattice::oblique(a.point("inputCenter"), a.number("inputWidth"),
                                           a.number("inputAngle"), kPi / 2);
        const double s = a.number("inputScale");
        // Each square shows the picture round its own middle at another scale; squares reaching
        // past the picture's edge repeat its edge.
        auto map = [l, s](Point p) {
            Point uv = l.toCell(p);
            Point mid = l.fromCell({std::floor(uv.x) + 0.5, std::floor(uv.y) + 0.5});
            return add(mid, mul(sub(p, mid), s));
        };
        const Image img = a.image();
        if (!img.extent().isInfinite()) return tileWarp(img, map, img.extent());
        WarpOptions o;
        o.extent = Rect::infinite();
        return warp(img, map, o);
    }};

// ---------------------------------------------------------------------------------------------
// Triangles

const FilterDef triangleTileDef{
    "CITriangleTile",
    "Triangle Tile",
    {kCICategoryTileEffect},
    {ImageInput(), Center(), tileAngle(), tileWidth()},
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const double angle = a.number("inputAngle"), w = safeLength(a.number("inputWidth"), 0.5);
        // The triangle with one corner at the centre, mirrored across its sides.
        std::array<Point, 4> t{c, add(c, rotate({w, 0}, angle)),
                               add(c, rotate({w / 2, w * std::sqrt(3.0) / 2}, angle)), c};
        const Turn turn(angle);
        return tileWarp(
            a.image(),
            [=](Point p) { return add(c, turn(foldIntoTriangle(turn.back(sub(p, c)), w))); },
            boundsOf(t));
    }};

const FilterDef triangleKaleidoscopeDef{
    "CITriangleKaleidoscope",
    "Triangle Kaleidoscope",
    {kCICategoryTileEffect},
    {ImageInput(), Position("inputPoint", 150, 150),
     Distance("inputSize", 700).min(0).slider(0, 1000),
     Angle("inputRotation", 5.924).slider(0, 2 * kPi), Scalar("inputDecay", 0.85).limits(0, 1)},
    [](const Args& a) {
        const Point c = a.point("inputPoint");
        const double size = safeLength(a.number("inputSize"), 0.5), rot = a.number("inputRotation");
        const double decay = a.number("inputDecay");
        // The triangle centred on the point, mirrored across its sides; colours fade with the
        // distance from the point.
        const double h = size * std::sqrt(3.0) / 2;
        const Point corner{-size / 2, -h / 3};
        std::array<Point, 4> t{add(c, rotate(corner, rot)), add(c, rotate({size / 2, -h / 3}, rot)),
                               add(c, rotate({0, 2 * h / 3}, rot)), add(c, rotate(corner, rot))};
        const Turn turn(rot);
        Image tiled = tileWarp(
            a.image(),
            [=](Point p) {
                Point local = sub(turn.back(sub(p, c)), corner);
                return add(c, turn(add(foldIntoTriangle(local, size), corner)));
            },
            boundsOf(t));
        const double k = std::log(std::max(decay, 1e-6)) / size;
        return colorKernel(
            [c, k](Px v, Point p) {
                float f = float(std::exp(std::max(-80.0, k * length(sub(p, c)))));
                Px o = v * f;
                o[3] = v[3];
                return o;
            },
            tiled);
    }};

const FilterDef kaleidoscopeDef{
    "CIKaleidoscope",
    "Kaleidoscope",
    {kCICategoryTileEffect},
    {ImageInput(), Scalar("inputCount", 6).min(1).slider(1, 64), Center(), tileAngle()},
    [](const Args& a) {
        const Point c = a.point("inputCenter");
        const double angle = a.number("inputAngle");
        const WedgeFold fold(kPi / std::max(1.0, a.number("inputCount")), true);
        // The wedge at the given angle, mirrored round the centre `count` times.
        const Turn turn(angle);
        WarpOptions o;
        o.extent = Rect::infinite();
        return warp(
            a.image(), [=](Point p) { return add(c, turn(fold(turn.back(sub(p, c))))); }, o);
    }};

// ---------------------------------------------------------------------------------------------
// Whole-picture tiles and clamps

const FilterDef perspectiveTileDef{
    "CIPerspectiveTile",
    "Perspective Tile",
    {kCICategoryTileEffect},
    {ImageInput(), Position("inputTopLeft", 118, 484), Position("inputTopRight", 646, 507),
     Position("inputBottomRight", 548, 140), Position("inputBottomLeft", 155, 153)},
    [](const Args& a) {
        const Image img = a.image();
        Rect e = img.extent();
        if (e.isInfinite() || e.isEmpty()) return img;
        // The picture drawn into the quadrilateral, repeated over the plane it lies in.
        auto h = Homography::squareTo({a.point("inputBottomLeft"), a.point("inputBottomRight"),
                                       a.point("inputTopRight"), a.point("inputTopLeft")});
        if (!h) return Image();
        if (h->w({0.5, 0.5}) < 0)
            for (auto& v : h->m) v = -v;
        auto inv = h->inverted();
        if (!inv) return Image();
        return tileWarp(
            img,
            [e, H = *h, I = *inv](Point p) {
                Point uv = I.apply(p);
                if (!(H.w(uv) > 0)) return nowhere();
                return Point{e.x + e.width * wrap(uv.x, 1), e.y + e.height * wrap(uv.y, 1)};
            },
            e);
    }};

const FilterDef affineTileDef{
    "CIAffineTile",
    "Affine Tile",
    {kCICategoryTileEffect},
    {ImageInput(), Transform()},
    [](const Args& a) {
        const Image img = a.image();
        const Rect e = img.extent();
        const AffineTransform t = a.transform("inputTransform");
        if (e.isInfinite() || e.isEmpty() || !t.isInvertible()) return Image();
        const AffineTransform inv = t.inverted();
        // The transformed picture repeated along its own edges.
        return tileWarp(
            img,
            [e, inv](Point p) {
                Point q = inv.apply(p);
                return Point{e.x + wrap(q.x - e.x, e.width), e.y + wrap(q.y - e.y, e.height)};
            },
            e);
    }};

// Every point outside `r` takes the colour of the nearest point inside.
Point clampInto(Point p, const Rect& r) {
    return {std::clamp(p.x, r.x, r.maxX()), std::clamp(p.y, r.y, r.maxY())};
}

const FilterDef affineClampDef{"CIAffineClamp",
                               "Affine Clamp",
                               {kCICategoryTileEffect},
                               {ImageInput(), Transform()},
                               [](const Args& a) {
                                   const Image img = a.image();
                                   const Rect e = img.extent();
                                   const AffineTransform t = a.transform("inputTransform");
                                   if (e.isInfinite() || e.isEmpty())
                                       return affineTransform(img, t);
                                   if (!t.isInvertible()) return Image();
                                   const AffineTransform inv = t.inverted();
                                   return tileWarp(
                                       img,
                                       [e, inv](Point p) { return clampInto(inv.apply(p), e); }, e);
                               }};

const FilterDef clampDef{"CIClamp",
                         "Clamp",
                         {kCICategoryTileEffect},
                         {ImageInput(), Rectangle("inputExtent", 0, 0, 640, 80)},
                         [](const Args& a) {
                             const Image img = a.image();
                             Rect r = a.rect("inputExtent");
                             if (r.width < 0) r.x += r.width, r.width = -r.width;
                             if (r.height < 0) r.y += r.height, r.height = -r.height;
                             return tileWarp(
                                 img, [r](Point p) { return clampInto(p, r); }, r);
                         }};

}  // namespace
}  // namespace imaging
