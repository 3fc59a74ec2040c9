// Focus: blurs and sharpening.

#include "imaging/FilterKit.h"
#include "imaging/filters/Neighbourhoods.h"

namespace imaging {
namespace {
using namespace kit;
using nbhd::Rank;

const FilterDef gaussianBlurDef{
    "CIGaussianBlur",
    "Gaussian Blur",
    {kCICategoryBlur},
    {ImageInput(), Scalar("inputRadius", 10).min(0).slider(0, 100).identity(0)},
    [](const Args& a) { return gaussianBlur(a.image(), a.number("inputRadius")); }};

// A radius of r averages 2r + 1 picture pixels across.
const FilterDef boxBlurDef{"CIBoxBlur",
                           "Box Blur",
                           {kCICategoryBlur},
                           {ImageInput(), Distance("inputRadius", 10).min(1).slider(1, 100)},
                           [](const Args& a) {
                               const double half = a.number("inputRadius") + 0.5;
                               return nbhd::boxBlur(a.image(), half, half);
                           }};

const FilterDef discBlurDef{
    "CIDiscBlur",
    "Disc Blur",
    {kCICategoryBlur},
    {ImageInput(), Distance("inputRadius", 8).min(0).slider(0, 100).identity(0)},
    [](const Args& a) { return nbhd::discBlur(a.image(), {{a.number("inputRadius")}}); }};

// A lens's out-of-focus disc: flat, with an optional brighter rim and a soft edge.
const FilterDef bokehBlurDef{
    "CIBokehBlur",
    "Bokeh Blur",
    {kCICategoryBlur},
    {ImageInput(), Distance("inputRadius", 20).range(0, 500).slider(0, 100).identity(0),
     Scalar("inputRingAmount", 0).limits(0, 1),
     Scalar("inputRingSize", 0.1).range(0, 1).slider(0, 0.2),
     Scalar("inputSoftness", 1).limits(0, 10)},
    [](const Args& a) {
        const double r = a.number("inputRadius"), ring = a.number("inputRingAmount");
        // The rim is the disc minus a smaller one, added with the ring's weight.
        Image disc = nbhd::discBlur(a.image(),
                                    {{r, 1 + ring}, {r * (1 - a.number("inputRingSize")), -ring}});
        return gaussianBlur(disc, 0.05 * r * a.number("inputSoftness"));
    }};

// Each pixel is averaged along a line through it, radius picture units to either side.
const FilterDef motionBlurDef{
    "CIMotionBlur",
    "Motion Blur",
    {kCICategoryBlur},
    {ImageInput(), Distance("inputRadius", 20).min(0).slider(0, 100).identity(0),
     Angle("inputAngle", 0).slider(-kPi, kPi)},
    [](const Args& a) {
        const double r = a.number("inputRadius"), t = a.number("inputAngle");
        nbhd::Streak s;
        s.dx = 2 * r * std::cos(t);
        s.dy = 2 * r * std::sin(t);
        return nbhd::streakBlur(a.image(), s);
    }};

// Each pixel is averaged along the ray towards the centre, over a stretch of `amount` percent
// of its distance (on a logarithmic scale, so that negative amounts zoom out symmetrically).
const FilterDef zoomBlurDef{
    "CIZoomBlur",
    "Zoom Blur",
    {kCICategoryBlur},
    {ImageInput(), Center(), Distance("inputAmount", 20).slider(-200, 200).identity(0)},
    [](const Args& a) {
        nbhd::Streak s;
        s.kind = nbhd::Streak::Zoom;
        s.centre = a.point("inputCenter");
        s.rate = -a.number("inputAmount") / 100;
        s.t0 = 0;
        return nbhd::streakBlur(a.image(), s);
    }};

// The blur radius follows the mask's grey: black stays sharp, white gets the full radius.
const FilterDef maskedVariableBlurDef{
    "CIMaskedVariableBlur",
    "Masked Variable Blur",
    {kCICategoryBlur},
    {ImageInput(), ImageInput("inputMask"),
     Scalar("inputRadius", 5).min(0).slider(0, 10).identity(0)},
    [](const Args& a) {
        const Image in = a.image();
        const double r = a.number("inputRadius");
        // Two blur levels, interpolated between by the mask.
        return colorKernel(
            [](Px p, Px half, Px full, Px m) {
                const float pos = std::clamp(luminance(m), 0.f, 1.f) * 2;
                return pos < 1 ? lerp(p, half, pos) : lerp(half, full, pos - 1);
            },
            in, gaussianBlur(in, r / 2), gaussianBlur(in, r), a.image("inputMask"));
    }};

const FilterDef medianDef{
    "CIMedianFilter", "Median", {kCICategoryBlur}, {ImageInput()}, [](const Args& a) {
        return nbhd::median3x3(a.image());
    }};

// Detail below the noise level is smoothed away; what stands above it is kept and sharpened.
const FilterDef noiseReductionDef{
    "CINoiseReduction",
    "Noise Reduction",
    {kCICategoryBlur},
    {ImageInput(), Scalar("inputNoiseLevel", 0.02).range(0, 1).slider(0, 0.1),
     Scalar("inputSharpness", 0.4).range(0, 10).slider(0, 2)},
    [](const Args& a) {
        return nbhd::denoised(a.image(), float(a.number("inputNoiseLevel")),
                              float(a.number("inputSharpness")));
    }};

// ---------------------------------------------------------------------------------------------
// Morphology: per-channel maxima and minima over a disc or a rectangle.

const FilterDef morphologyMaximumDef{
    "CIMorphologyMaximum",
    "Morphology Maximum",
    {kCICategoryBlur},
    {ImageInput(), Distance("inputRadius", 5).range(0, 1000).slider(0, 50).identity(0)},
    [](const Args& a) {
        return nbhd::discRank(a.image(), a.number("inputRadius"), Rank::Maximum);
    }};

const FilterDef morphologyMinimumDef{
    "CIMorphologyMinimum",
    "Morphology Minimum",
    {kCICategoryBlur},
    {ImageInput(), Distance("inputRadius", 5).range(0, 1000).slider(0, 50).identity(0)},
    [](const Args& a) {
        return nbhd::discRank(a.image(), a.number("inputRadius"), Rank::Minimum);
    }};

// Outlines: the spread between the largest and the smallest value around each point.
const FilterDef morphologyGradientDef{
    "CIMorphologyGradient",
    "Morphology Gradient",
    {kCICategoryBlur},
    {ImageInput(), Distance("inputRadius", 5).range(0, 1000).slider(0, 50)},
    [](const Args& a) {
        const Image in = a.image();
        const double r = a.number("inputRadius");
        return colorKernel(
            [](Px hi, Px lo) {
                Px d = pxMax(hi - lo, splat(0));
                d[3] = hi[3];
                return d;
            },
            nbhd::discRank(in, r, Rank::Maximum), nbhd::discRank(in, r, Rank::Minimum));
    }};

const FilterDef morphologyRectangleMaximumDef{
    "CIMorphologyRectangleMaximum",
    "Morphology Rectangle Maximum",
    {kCICategoryBlur},
    {ImageInput(), Integer("inputWidth", 5).range(1, 2001).slider(1, 49).identity(1),
     Integer("inputHeight", 5).range(1, 2001).slider(1, 49).identity(1)},
    [](const Args& a) {
        return nbhd::rectRank(a.image(), a.number("inputWidth"), a.number("inputHeight"),
                              Rank::Maximum);
    }};

const FilterDef morphologyRectangleMinimumDef{
    "CIMorphologyRectangleMinimum",
    "Morphology Rectangle Minimum",
    {kCICategoryBlur},
    {ImageInput(), Integer("inputWidth", 5).range(1, 2001).slider(1, 49).identity(1),
     Integer("inputHeight", 5).range(1, 2001).slider(1, 49).identity(1)},
    [](const Args& a) {
        return nbhd::rectRank(a.image(), a.number("inputWidth"), a.number("inputHeight"),
                              Rank::Minimum);
    }};

// ---------------------------------------------------------------------------------------------
// Sharpening: the difference from a blurred copy added back, on straight colour.

// `blurred` is a blur of the picture.
Px sharpened(Px p, Px blurred, float amount, bool lumaOnly) {
    Px e = unpremultiply(p), b = unpremultiply(blurred);
    Px d = e - b;
    if (lumaOnly) d = splat(luminance(d));
    Px s = clamp01(e + d * amount);
    s[3] = p[3];
    return premultiply(s);
}

const FilterDef unsharpMaskDef{"CIUnsharpMask",
                               "Unsharp Mask",
                               {kCICategorySharpen},
                               {ImageInput(), Distance("inputRadius", 2.5).min(0).slider(0, 100),
                                Scalar("inputIntensity", 0.5).min(0).slider(0, 1).identity(0)},
                               [](const Args& a) {
                                   const Image in = a.image();
                                   const float k = float(a.number("inputIntensity"));
                                   return colorKernel(
                                       [k](Px p, Px b) { return sharpened(p, b, k, false); }, in,
                                       gaussianBlur(in, a.number("inputRadius")));
                               }};

const FilterDef sharpenLuminanceDef{
    "CISharpenLuminance",
    "Sharpen Luminance",
    {kCICategorySharpen},
    {ImageInput(), Scalar("inputSharpness", 0.4).min(0).slider(0, 2).identity(0),
     Scalar("inputRadius", 1.69).min(0).slider(0, 20)},
    [](const Args& a) {
        const Image in = a.image();
        const float k = float(a.number("inputSharpness"));
        return colorKernel([k](Px p, Px b) { return sharpened(p, b, k, true); }, in,
                           gaussianBlur(in, a.number("inputRadius")));
    }};

}  // namespace
}  // namespace imaging
