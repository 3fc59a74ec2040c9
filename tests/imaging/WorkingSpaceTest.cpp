// Filters against the published formulas, end to end on 8-bit pictures: evaluated on linear
// light by default, and on the encoded values when the render does no colour management.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>

#include "FilterRun.h"
#include "imaging/Context.h"

using namespace imaging;

namespace {

using Rgb = std::array<double, 3>;  // straight colour in 0..1
using Byte3 = std::array<uint8_t, 3>;

const std::vector<Byte3> kSources{
    {128, 128, 128}, {200, 100, 50}, {30, 180, 230}, {255, 0, 64}, {12, 64, 250}};
const std::vector<Byte3> kBackdrops{
    {200, 200, 200}, {50, 150, 100}, {230, 20, 128}, {100, 100, 255}, {0, 255, 30}};

// A one-row opaque picture of the given colours.
Image row(const std::vector<Byte3>& colours) {
    Bitmap b(int(colours.size()), 1, PixelFormat::RGBA8);
    for (size_t i = 0; i < colours.size(); ++i) {
        uint8_t* p = b.row(0) + 4 * i;
        p[0] = colours[i][0], p[1] = colours[i][1], p[2] = colours[i][2], p[3] = 255;
    }
    return Image::fromBitmap(b);
}

// Every source against every backdrop, as two rows of equal length.
std::pair<std::vector<Byte3>, std::vector<Byte3>> pairs() {
    std::vector<Byte3> s, b;
    for (auto& x : kSources)
        for (auto& y : kBackdrops) s.push_back(x), b.push_back(y);
    return {s, b};
}

RenderOptions in(WorkingSpace space) {
    RenderOptions o;
    o.workingSpace = space;
    return o;
}

Bitmap bytes(const Image& img, int width, WorkingSpace space) {
    return Context().renderBitmap(img, Rect{0, 0, double(width), 1}, 1, PixelFormat::RGBA8,
                                  in(space));
}

// What a kernel sees of a byte, and the byte a working value becomes.
double toWorking(uint8_t v, WorkingSpace s) {
    return s == WorkingSpace::Linear ? srgbToLinear(v / 255.f) : v / 255.0;
}
int toByte(double w, WorkingSpace s) {
    w = std::clamp(w, 0.0, 1.0);
    return int(std::lround((s == WorkingSpace::Linear ? linearToSrgb(float(w)) : w) * 255));
}
Rgb working(const Byte3& c, WorkingSpace s) {
    return {toWorking(c[0], s), toWorking(c[1], s), toWorking(c[2], s)};
}

const char* name(WorkingSpace s) {
    return s == WorkingSpace::Linear ? "linear" : "no colour management";
}

// Published formulas, on straight working values.
using PerChannel = std::function<double(double b, double s)>;
using Mix = std::function<Rgb(const Rgb& b, const Rgb& s)>;

Mix separable(PerChannel f) {
    return [f](const Rgb& b, const Rgb& s) {
        return Rgb{f(b[0], s[0]), f(b[1], s[1]), f(b[2], s[2])};
    };
}

double screen(double b, double s) {
    return b + s - b * s;
}
double hardLight(double b, double s) {
    return s <= 0.5 ? b * 2 * s : screen(b, 2 * s - 1);
}
double softLight(double b, double s) {
    const double d = b <= 0.25 ? ((16 * b - 12) * b + 4) * b : std::sqrt(b);
    return s <= 0.5 ? b - (1 - 2 * s) * b * (1 - b) : b + (2 * s - 1) * (d - b);
}
double colorDodge(double b, double s) {
    return b == 0 ? 0 : s >= 1 ? 1 : std::min(1.0, b / (1 - s));
}
double colorBurn(double b, double s) {
    return b == 1 ? 1 : s <= 0 ? 0 : 1 - std::min(1.0, (1 - b) / s);
}
// The non-separable modes' luminosity and its clipping.
double lum(const Rgb& c) {
    return 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2];
}
Rgb setLum(Rgb c, double l) {
    const double d = l - lum(c);
    for (auto& v : c) v += d;
    const double L = lum(c), n = std::min({c[0], c[1], c[2]}), x = std::max({c[0], c[1], c[2]});
    for (auto& v : c) {
        if (n < 0) v = L + (v - L) * L / (L - n);
        if (x > 1) v = L + (v - L) * (1 - L) / (x - L);
    }
    return c;
}

struct Blend {
    const char* filter;
    Mix formula;
};

const std::vector<Blend> kBlends{
    {"CIMultiplyBlendMode", separable([](double b, double s) { return b * s; })},
    {"CIScreenBlendMode", separable(screen)},
    {"CIOverlayBlendMode", separable([](double b, double s) { return hardLight(s, b); })},
    {"CIHardLightBlendMode", separable(hardLight)},
    {"CISoftLightBlendMode", separable(softLight)},
    {"CIColorDodgeBlendMode", separable(colorDodge)},
    {"CIColorBurnBlendMode", separable(colorBurn)},
    {"CIDarkenBlendMode", separable([](double b, double s) { return std::min(b, s); })},
    {"CILightenBlendMode", separable([](double b, double s) { return std::max(b, s); })},
    {"CIDifferenceBlendMode", separable([](double b, double s) { return std::abs(b - s); })},
    {"CIExclusionBlendMode", separable([](double b, double s) { return b + s - 2 * b * s; })},
    {"CIColorBlendMode", [](const Rgb& b, const Rgb& s) { return setLum(s, lum(b)); }},
    {"CILuminosityBlendMode", [](const Rgb& b, const Rgb& s) { return setLum(b, lum(s)); }},
};

constexpr WorkingSpace kSpaces[] = {WorkingSpace::Linear, WorkingSpace::None};

// Every pixel of `got` within one 8-bit level of the formula.
void expectFormula(const Bitmap& got, const std::vector<Rgb>& want, WorkingSpace space,
                   const std::string& what) {
    ASSERT_EQ(got.width(), int(want.size())) << what;
    for (size_t i = 0; i < want.size(); ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got.row(0)[4 * i + size_t(c)], toByte(want[i][size_t(c)], space), 1)
                << what << " in " << name(space) << ", pixel " << i << " channel " << c;
}

// A one-image filter's result against f(colour) for every source colour.
void expectPointwise(const std::string& filter, const testimg::Inputs& extra,
                     const std::function<Rgb(const Rgb&)>& f) {
    filterrun::Settings values{{"inputImage", row(kSources)}};
    for (auto& [k, v] : extra) values.emplace_back(k, v);
    const Image out = filterrun::output(filter, values);
    for (WorkingSpace space : kSpaces) {
        std::vector<Rgb> want;
        for (auto& c : kSources) want.push_back(f(working(c, space)));
        expectFormula(bytes(out, int(kSources.size()), space), want, space, filter);
    }
}

Rgb each(const Rgb& c, const std::function<double(double)>& f) {
    return {f(c[0]), f(c[1]), f(c[2])};
}
double luma709(const Rgb& c) {
    return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
}

}  // namespace

TEST(WorkingSpace, BlendModesFollowTheCompositingFormulas) {
    const auto [s, b] = pairs();
    for (const Blend& blend : kBlends) {
        const Image out = testimg::apply(
            blend.filter, {{"inputImage", row(s)}, {"inputBackgroundImage", row(b)}});
        for (WorkingSpace space : kSpaces) {
            std::vector<Rgb> want;
            for (size_t i = 0; i < s.size(); ++i)
                want.push_back(blend.formula(working(b[i], space), working(s[i], space)));
            expectFormula(bytes(out, int(s.size()), space), want, space, blend.filter);
        }
    }
}

TEST(WorkingSpace, ColourFiltersFollowTheirFormulas) {
    expectPointwise("CIColorInvert", {},
                    [](const Rgb& c) { return each(c, [](double v) { return 1 - v; }); });
    expectPointwise("CIGammaAdjust", {{"inputPower", 2.2}}, [](const Rgb& c) {
        return each(c, [](double v) { return std::pow(v, 2.2); });
    });
    expectPointwise(
        "CIColorControls", {{"inputBrightness", 0.1}, {"inputContrast", 1.5}},
        [](const Rgb& c) { return each(c, [](double v) { return (v + 0.1 - 0.5) * 1.5 + 0.5; }); });
    expectPointwise("CIColorControls", {{"inputSaturation", 0.4}}, [](const Rgb& c) {
        const double l = luma709(c);
        return each(c, [l](double v) { return l + (v - l) * 0.4; });
    });
    expectPointwise("CIColorPosterize", {{"inputLevels", 4.0}}, [](const Rgb& c) {
        return each(c, [](double v) { return std::round(v * 3) / 3; });
    });
    expectPointwise("CIColorThreshold", {{"inputThreshold", 0.3}}, [](const Rgb& c) {
        return each(c, [](double v) { return v > 0.3 ? 1.0 : 0.0; });
    });
    expectPointwise("CISepiaTone", {}, [](const Rgb& c) {
        return Rgb{0.393 * c[0] + 0.769 * c[1] + 0.189 * c[2],
                   0.349 * c[0] + 0.686 * c[1] + 0.168 * c[2],
                   0.272 * c[0] + 0.534 * c[1] + 0.131 * c[2]};
    });
    // Points on a line make the curve that line.
    expectPointwise("CIToneCurve",
                    {{"inputPoint0", Vector{0, 0.25}},
                     {"inputPoint1", Vector{0.25, 0.375}},
                     {"inputPoint2", Vector{0.5, 0.5}},
                     {"inputPoint3", Vector{0.75, 0.625}},
                     {"inputPoint4", Vector{1, 0.75}}},
                    [](const Rgb& c) { return each(c, [](double v) { return 0.25 + 0.5 * v; }); });
}

TEST(WorkingSpace, RampsAndMasksArePlacedByWorkingValues) {
    // False colour: the two colours (given encoded, as users give colours) mixed by luminance.
    for (WorkingSpace space : kSpaces) {
        const Rgb c0 = working({77, 0, 0}, space), c1 = working({255, 230, 204}, space);
        std::vector<Rgb> want;
        for (auto& c : kSources) {
            const double t = std::clamp(luma709(working(c, space)), 0.0, 1.0);
            want.push_back({c0[0] + (c1[0] - c0[0]) * t, c0[1] + (c1[1] - c0[1]) * t,
                            c0[2] + (c1[2] - c0[2]) * t});
        }
        const Image out = testimg::apply("CIFalseColor",
                                         {{"inputImage", row(kSources)},
                                          {"inputColor0", Color{77 / 255.0, 0, 0, 1}},
                                          {"inputColor1", Color{1, 230 / 255.0, 204 / 255.0, 1}}});
        expectFormula(bytes(out, int(kSources.size()), space), want, space, "CIFalseColor");
    }
    // Mask to alpha: the coverage is the mask's luminance.
    const Image alpha = testimg::apply("CIMaskToAlpha", {{"inputImage", row(kSources)}});
    for (WorkingSpace space : kSpaces) {
        const Bitmap b = bytes(alpha, int(kSources.size()), space);
        for (size_t i = 0; i < kSources.size(); ++i)
            EXPECT_NEAR(b.row(0)[4 * i + 3],
                        std::lround(luma709(working(kSources[i], space)) * 255), 1)
                << name(space) << " " << i;
    }
    // The red, blue and grey masks mix the two pictures by the mask's working value.
    const auto [s, m] = pairs();
    const Image pictureA = row(std::vector<Byte3>(s.size(), Byte3{255, 255, 255}));
    const Image pictureB = row(std::vector<Byte3>(s.size(), Byte3{0, 0, 0}));
    const std::pair<const char*, std::function<double(const Rgb&)>> masks[] = {
        {"CIBlendWithRedMask", [](const Rgb& c) { return c[0]; }},
        {"CIBlendWithBlueMask", [](const Rgb& c) { return c[2]; }},
        {"CIBlendWithMask", luma709}};
    for (auto& [filter, value] : masks) {
        const Image out = testimg::apply(filter, {{"inputImage", pictureA},
                                                  {"inputBackgroundImage", pictureB},
                                                  {"inputMaskImage", row(m)}});
        for (WorkingSpace space : kSpaces) {
            std::vector<Rgb> want;
            for (auto& c : m) {
                const double v = value(working(c, space));
                want.push_back({v, v, v});
            }
            expectFormula(bytes(out, int(m.size()), space), want, space, filter);
        }
    }
}

TEST(WorkingSpace, SharpeningAddsTheDifferenceFromTheBlur) {
    // p + k (p - blur(p)) on working values, checked on floats where nothing clips.
    const Image picture = testimg::floatImage(40, 20, [](int x, int y) {
        const float v = 0.3f + 0.4f * float(x >= 20) + 0.01f * float(y % 3);
        return Px{v, v * 0.8f, v * 0.6f, 1};
    });
    const Rect r{0, 0, 40, 20};
    for (WorkingSpace space : kSpaces) {
        const Buffer p = Context().render(picture, r, 1, in(space));
        const Buffer blur = Context().render(
            testimg::apply("CIGaussianBlur", {{"inputImage", picture}, {"inputRadius", 2.5}}), r, 1,
            in(space));
        const Buffer usm = Context().render(
            testimg::apply("CIUnsharpMask", {{"inputImage", picture}, {"inputIntensity", 0.4}}), r,
            1, in(space));
        const Buffer lum = Context().render(
            testimg::apply(
                "CISharpenLuminance",
                {{"inputImage", picture}, {"inputSharpness", 0.4}, {"inputRadius", 2.5}}),
            r, 1, in(space));
        for (int x = 14; x < 26; ++x) {
            const Px d = p.at(x, 10) - blur.at(x, 10);
            const Px u = p.at(x, 10) + d * 0.4f;
            const Px l = p.at(x, 10) + luminance(d) * 0.4f;
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(usm.at(x, 10)[c], u[c], 1e-4) << name(space) << " x " << x;
                EXPECT_NEAR(lum.at(x, 10)[c], l[c], 1e-4) << name(space) << " x " << x;
            }
        }
    }
}

TEST(WorkingSpace, HueTurnsMapThePrimariesInEitherSpace) {
    // Rotations about the grey axis by a third of a turn permute the channels, so the result
    // is exact whatever the transfer curve.
    const Image out = testimg::apply(
        "CIHueAdjust",
        {{"inputImage", row({{0, 255, 0}, {255, 0, 0}, {200, 100, 50}, {90, 90, 90}})},
         {"inputAngle", 2 * std::numbers::pi / 3}});
    for (WorkingSpace space : kSpaces) {
        const Bitmap b = bytes(out, 4, space);
        const std::vector<Byte3> want{{0, 0, 255}, {0, 255, 0}, {50, 200, 100}, {90, 90, 90}};
        for (size_t i = 0; i < want.size(); ++i)
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(b.row(0)[4 * i + size_t(c)], want[i][size_t(c)], 1)
                    << name(space) << " " << i;
    }
}

TEST(WorkingSpace, WithoutColourManagementPicturesPassThroughUnchanged) {
    // Every byte value, straight through at full and half scale, and colours as given.
    std::vector<Byte3> all;
    for (int v = 0; v < 256; ++v) all.push_back({uint8_t(v), uint8_t(255 - v), uint8_t(v / 2)});
    const Image img = row(all);
    for (WorkingSpace space : kSpaces) {
        const Bitmap b = bytes(img, 256, space);
        for (int v = 0; v < 256; ++v) ASSERT_EQ(b.row(0)[4 * v], v) << name(space);
    }
    const Buffer grey =
        Context().render(row({{128, 128, 128}}), Rect{0, 0, 1, 1}, 1, in(WorkingSpace::None));
    EXPECT_FLOAT_EQ(grey.at(0, 0)[0], 128 / 255.f);
    // A constant colour of 128 / 255 is that to the kernels, and 128 when written.
    const Image half = testimg::apply("CIConstantColorGenerator",
                                      {{"inputColor", Color{128 / 255.0, 128 / 255.0, 0.5, 1}}});
    EXPECT_FLOAT_EQ(Context().render(half, Rect{0, 0, 1, 1}, 1, in(WorkingSpace::None)).at(0, 0)[2],
                    0.5f);
    for (WorkingSpace space : kSpaces)
        EXPECT_EQ(bytes(half, 1, space).row(0)[0], 128) << name(space);
    // Previews average encoded values when nothing is managed: black and white make 0.5 (up to
    // the byte the reduced level is kept in), where linear light would give 0.735.
    const Buffer mean = Context().render(row({{0, 0, 0}, {255, 255, 255}}), Rect{0, 0, 2, 1}, 0.5,
                                         in(WorkingSpace::None));
    EXPECT_NEAR(mean.at(0, 0)[0], 0.5f, 1 / 255.f);
}
