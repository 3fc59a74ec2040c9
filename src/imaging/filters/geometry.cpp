// Geometry: filters that move, scale and cut the picture.

#include "imaging/FilterKit.h"

namespace imaging {
namespace {
using namespace kit;

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

}  // namespace
}  // namespace imaging
