// Compositing: two pictures combined pixel by pixel; the input image lies over the background.

#include "imaging/FilterKit.h"

namespace imaging {
namespace {
using namespace kit;

const FilterDef sourceOverDef{
    "CISourceOverCompositing",
    "Source Over",
    {kCICategoryCompositeOperation},
    {ImageInput(), ImageInput("inputBackgroundImage")},
    [](const Args& a) { return sourceOver(a.image(), a.image("inputBackgroundImage")); }};

}  // namespace
}  // namespace imaging
