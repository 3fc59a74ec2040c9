// Compositing: two pictures combined pixel by pixel; the input image lies over the background.
// Everything works on working values: the blend modes on straight colour where both pictures
// are present, the Porter-Duff and arithmetic operators on premultiplied colour.

#include "imaging/FilterKit.h"
#include "imaging/filters/BlendModes.h"

namespace imaging {
namespace {
using namespace kit;

const std::vector<Attribute> kTwoImages = {ImageInput(), ImageInput("inputBackgroundImage")};

// Where the result can be non-transparent.
enum class Span { Union, Intersection, Source, Background };

Rect spanOf(Span s, const Image& src, const Image& bg) {
    switch (s) {
        case Span::Union:
            return src.extent().united(bg.extent());
        case Span::Intersection:
            return src.extent().intersected(bg.extent());
        case Span::Source:
            return src.extent();
        case Span::Background:
            break;
    }
    return bg.extent();
}

// A filter whose result is f(source, background) on premultiplied linear pixels.
template <class F>
FilterDef compositing(const char* name, const char* display, Span span, F f) {
    return FilterDef{
        name, display, {kCICategoryCompositeOperation}, kTwoImages, [span, f](const Args& a) {
            const Image s = a.image(), b = a.image("inputBackgroundImage");
            if (!s || !b) return Image();
            return colorKernelWithExtent(spanOf(span, s, b), f, s, b);
        }};
}

// A blend mode: mode(backdrop, source) on straight colours (clamped to 0..1, the modes' domain)
// where both pictures are present, each picture as it is where only it is.
template <class F>
FilterDef blendMode(const char* name, const char* display, F mode) {
    return compositing(name, display, Span::Union, [mode](Px s, Px b) {
        const float as = std::clamp(s[3], 0.f, 1.f), ab = std::clamp(b[3], 0.f, 1.f);
        if (!(as > 0.f)) return b;
        if (!(ab > 0.f)) return s;
        Px mixed = clamp01(mode(clamp01(unpremultiply(b)), clamp01(unpremultiply(s))));
        mixed[3] = 1;
        return s * (1 - ab) + b * (1 - as) + mixed * (as * ab);
    });
}

namespace bm = blendmode;

// ---------------------------------------------------------------------------------------------
// Porter-Duff and arithmetic compositing.

const FilterDef sourceOverDef{
    "CISourceOverCompositing",
    "Source Over",
    {kCICategoryCompositeOperation},
    kTwoImages,
    [](const Args& a) { return sourceOver(a.image(), a.image("inputBackgroundImage")); }};

const FilterDef sourceInDef = compositing("CISourceInCompositing", "Source In", Span::Intersection,
                                          [](Px s, Px b) { return s * b[3]; });
const FilterDef sourceOutDef = compositing("CISourceOutCompositing", "Source Out", Span::Source,
                                           [](Px s, Px b) { return s * (1 - b[3]); });
const FilterDef sourceAtopDef =
    compositing("CISourceAtopCompositing", "Source Atop", Span::Background,
                [](Px s, Px b) { return s * b[3] + b * (1 - s[3]); });

// Light added: colours may exceed white, coverage may not exceed full.
const FilterDef additionDef =
    compositing("CIAdditionCompositing", "Addition", Span::Union, [](Px s, Px b) {
        Px r = s + b;
        r[3] = std::min(r[3], 1.f);
        return r;
    });
const FilterDef maximumDef = compositing("CIMaximumCompositing", "Maximum", Span::Union,
                                         [](Px s, Px b) { return pxMax(s, b); });
const FilterDef minimumDef = compositing("CIMinimumCompositing", "Minimum", Span::Intersection,
                                         [](Px s, Px b) { return pxMin(s, b); });
const FilterDef multiplyCompositingDef = compositing(
    "CIMultiplyCompositing", "Multiply", Span::Intersection, [](Px s, Px b) { return s * b; });

// ---------------------------------------------------------------------------------------------
// Blend modes.

const FilterDef multiplyDef = blendMode("CIMultiplyBlendMode", "Multiply Blend Mode", bm::multiply);
const FilterDef screenDef = blendMode("CIScreenBlendMode", "Screen Blend Mode", bm::screen);
const FilterDef overlayDef = blendMode("CIOverlayBlendMode", "Overlay Blend Mode", bm::overlay);
const FilterDef darkenDef = blendMode("CIDarkenBlendMode", "Darken Blend Mode", bm::darken);
const FilterDef lightenDef = blendMode("CILightenBlendMode", "Lighten Blend Mode", bm::lighten);
const FilterDef colorDodgeDef =
    blendMode("CIColorDodgeBlendMode", "Color Dodge Blend Mode", bm::colorDodge);
const FilterDef colorBurnDef =
    blendMode("CIColorBurnBlendMode", "Color Burn Blend Mode", bm::colorBurn);
const FilterDef softLightDef =
    blendMode("CISoftLightBlendMode", "Soft Light Blend Mode", bm::softLight);
const FilterDef hardLightDef =
    blendMode("CIHardLightBlendMode", "Hard Light Blend Mode", bm::hardLight);
const FilterDef differenceDef =
    blendMode("CIDifferenceBlendMode", "Difference Blend Mode", bm::difference);
const FilterDef exclusionDef =
    blendMode("CIExclusionBlendMode", "Exclusion Blend Mode", bm::exclusion);
const FilterDef linearDodgeDef =
    blendMode("CILinearDodgeBlendMode", "Linear Dodge Blend Mode", bm::linearDodge);
const FilterDef linearBurnDef =
    blendMode("CILinearBurnBlendMode", "Linear Burn Blend Mode", bm::linearBurn);
const FilterDef vividLightDef =
    blendMode("CIVividLightBlendMode", "Vivid Light Blend Mode", bm::vividLight);
const FilterDef pinLightDef =
    blendMode("CIPinLightBlendMode", "Pin Light Blend Mode", bm::pinLight);
const FilterDef linearLightDef =
    blendMode("CILinearLightBlendMode", "Linear Light Blend Mode", bm::linearLight);
const FilterDef divideDef = blendMode("CIDivideBlendMode", "Divide Blend Mode", bm::divide);
const FilterDef subtractDef = blendMode("CISubtractBlendMode", "Subtract Blend Mode", bm::subtract);
const FilterDef hueDef = blendMode("CIHueBlendMode", "Hue Blend Mode", bm::hue);
const FilterDef saturationDef =
    blendMode("CISaturationBlendMode", "Saturation Blend Mode", bm::saturation);
const FilterDef colorDef = blendMode("CIColorBlendMode", "Color Blend Mode", bm::color);
const FilterDef luminosityDef =
    blendMode("CILuminosityBlendMode", "Luminosity Blend Mode", bm::luminosity);

}  // namespace
}  // namespace imaging
