// Focus: blurs and sharpening.

#include "imaging/FilterKit.h"

namespace imaging {
namespace {
using namespace kit;

const FilterDef gaussianBlurDef{
    "CIGaussianBlur",
    "Gaussian Blur",
    {kCICategoryBlur},
    {ImageInput(), Scalar("inputRadius", 10).min(0).slider(0, 100).identity(0)},
    [](const Args& a) { return gaussianBlur(a.image(), a.number("inputRadius")); }};

}  // namespace
}  // namespace imaging
