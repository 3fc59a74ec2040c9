// Transitions: from the input image at time 0 to the target at time 1, each in its own way.

#include <gtest/gtest.h>

#include "FilterRun.h"
#include "TestImages.h"

using namespace imaging;
using namespace testimg;

namespace {

const Rect kArea{0, 0, 300, 300};
const Px kRed{0.8f, 0.05f, 0.05f, 1}, kBlue{0.05f, 0.1f, 0.8f, 1}, kGreen{0.1f, 0.7f, 0.1f, 1};

Image red() {
    static Image i = constant(300, 300, kRed);
    return i;
}
Image blue() {
    static Image i = constant(300, 300, kBlue);
    return i;
}

// The transition with red going to blue, every other image input green, at time t.
Image at(const std::string& name, double t,
         std::initializer_list<std::pair<const char*, Value>> more = {}) {
    auto f = FilterRegistry::shared().filterWithName(name);
    EXPECT_TRUE(f);
    if (!f) return {};
    f->setDefaults();
    for (auto& a : f->attributes())
        if (a.isImage()) f->setValue(a.key, constant(300, 300, kGreen));
    f->setValue("inputImage", red());
    f->setValue("inputTargetImage", blue());
    f->setValue("inputTime", t);
    for (auto& [k, v] : more) EXPECT_TRUE(f->setValue(k, v)) << k;
    return f->outputImage();
}

bool near(Px a, Px b, float tol = 0.01f) {
    return maxDiff(a, b) < tol;
}

// Share of the area's pixels (on a grid) that show the target.
double targetShare(const Image& img) {
    Buffer b = render(img, kArea, 0.5);
    int n = 0, hits = 0;
    for (int y = 1; y < 150; y += 4)
        for (int x = 1; x < 150; x += 4, ++n) hits += near(b.at(x, y), kBlue, 0.02f);
    return double(hits) / n;
}

std::vector<std::string> transitions() {
    return FilterRegistry::shared().filterNamesInCategory(kCICategoryTransition);
}

}  // namespace

TEST(Transitions, StartAtTheInputAndEndAtTheTargetAtEveryScale) {
    ASSERT_GE(transitions().size(), 10u);
    for (const std::string& name : transitions()) {
        for (double scale : {1.0, 0.5}) {
            Buffer start = render(at(name, 0), kArea, scale);
            Buffer end = render(at(name, 1), kArea, scale);
            for (int y = 1; y < int(300 * scale); y += 13)
                for (int x = 1; x < int(300 * scale); x += 11) {
                    ASSERT_TRUE(near(start.at(x, y), kRed)) << name << " at 0, " << x << "," << y;
                    ASSERT_TRUE(near(end.at(x, y), kBlue)) << name << " at 1, " << x << "," << y;
                }
        }
    }
}

TEST(Transitions, WipesUncoverMoreOfTheTargetAsTimeGoesOn) {
    for (const char* name :
         {"CISwipeTransition", "CICopyMachineTransition", "CIBarsSwipeTransition",
          "CIModTransition", "CIRippleTransition", "CIDisintegrateWithMaskTransition",
          "CIPageCurlTransition", "CIPageCurlWithShadowTransition", "CIAccordionFoldTransition"}) {
        double prev = -1;
        for (double t : {0.2, 0.45, 0.7, 0.95}) {
            double share = targetShare(at(name, t));
            EXPECT_GE(share, prev) << name << " at " << t;
            prev = share;
        }
        EXPECT_GT(prev, 0.3) << name;
    }
}

TEST(Transitions, DissolveAndSwipeBlendAsTheirTimeAndEdgeSay) {
    Buffer d = render(at("CIDissolveTransition", 0.25), kArea);
    EXPECT_TRUE(near(d.at(100, 100), kRed * 0.75f + kBlue * 0.25f, 1e-5f));

    // The edge, 50 wide, has crossed half of its way: target left, band, input right.
    Buffer s = render(at("CISwipeTransition", 0.5, {{"inputWidth", 50.0}}), kArea);
    EXPECT_TRUE(near(s.at(100, 150), kBlue));
    EXPECT_TRUE(near(s.at(200, 150), kRed));
    EXPECT_TRUE(near(s.at(149, 150), (kRed + kBlue) * 0.5f, 0.03f));
    // With opacity the band's middle takes the colour.
    Buffer tinted =
        render(at("CISwipeTransition", 0.5, {{"inputWidth", 50.0}, {"inputOpacity", 1.0}}), kArea);
    EXPECT_GT(tinted.at(150, 150)[1], 0.9f);  // white

    // The copy machine's bar lights the middle of its sweep with its colour.
    Buffer c = render(at("CICopyMachineTransition", 0.5), kArea);
    EXPECT_TRUE(near(c.at(20, 150), kBlue));
    EXPECT_TRUE(near(c.at(290, 150), kRed));
    EXPECT_GT(c.at(150, 150)[1], 0.5f);  // green-white light

    // Bars: neighbouring bars are at different stages.
    Buffer b = render(
        at("CIBarsSwipeTransition", 0.5, {{"inputAngle", 0.0}, {"inputBarOffset", 60.0}}), kArea);
    int changes = 0;
    for (int y = 5; y < 300; y += 10)
        changes += near(b.at(140, y), kBlue) != near(b.at(140, y + 30), kBlue);
    EXPECT_GT(changes, 5);
}

TEST(Transitions, FlashPeaksInItsColourAtTheFadeThreshold) {
    Buffer f = render(at("CIFlashTransition", 0.85), kArea);
    Px flash = toLinearPremultiplied(Color{1, 0.8, 0.6, 1});
    EXPECT_TRUE(near(f.at(10, 10), flash, 1e-4f));
    EXPECT_TRUE(near(f.at(290, 200), flash, 1e-4f));
    // Early on it is brightest at its centre and has not reached the corners.
    Buffer early = render(at("CIFlashTransition", 0.1), kArea);
    EXPECT_TRUE(near(early.at(150, 150), flash, 0.02f));
    EXPECT_TRUE(near(early.at(2, 2), kRed));
}

TEST(Transitions, TheMaskDecidesWhatGoesFirstAndWhatIsLeftCastsAShadow) {
    // Bright top half, dark bottom half: the bottom goes first.
    Image mask = floatImage(300, 300, [](int, int y) {
        float v = y >= 150 ? srgbToLinear(0.8f) : srgbToLinear(0.2f);
        return Px{v, v, v, 1};
    });
    Buffer d =
        render(at("CIDisintegrateWithMaskTransition", 0.5, {{"inputMaskImage", mask}}), kArea);
    EXPECT_TRUE(near(d.at(100, 250), kRed));
    EXPECT_TRUE(near(d.at(100, 20), kBlue));
    // The shadow falls 10 below the edge, blurred: darker just under the edge than far from it.
    Px under = d.at(100, 145), away = d.at(100, 60);
    EXPECT_LT(under[2], away[2] * 0.8f);
    Buffer none = render(at("CIDisintegrateWithMaskTransition", 0.5,
                            {{"inputMaskImage", mask}, {"inputShadowDensity", 0.0}}),
                         kArea);
    EXPECT_TRUE(near(none.at(100, 145), kBlue));

    // A mask smaller than the pictures counts as black beyond its edges: nothing has gone at
    // time 0, and beyond the mask everything has gone half way through.
    Image small = constant(100, 100, Px{1, 1, 1, 1});
    Buffer start =
        render(at("CIDisintegrateWithMaskTransition", 0, {{"inputMaskImage", small}}), kArea);
    EXPECT_TRUE(near(start.at(250, 250), kRed));
    EXPECT_TRUE(near(start.at(50, 50), kRed));
    Buffer half = render(at("CIDisintegrateWithMaskTransition", 0.5,
                            {{"inputMaskImage", small}, {"inputShadowDensity", 0.0}}),
                         kArea);
    EXPECT_TRUE(near(half.at(250, 250), kBlue));
    EXPECT_TRUE(near(half.at(50, 50), kRed));
}

TEST(Transitions, PageCurlsShowTheBackAndKeepOutsideTheExtent) {
    // A tight roll, so that the back shows early.
    const Vector extent{50, 50, 200, 200};
    Image curl = at("CIPageCurlTransition", 0.4, {{"inputExtent", extent}, {"inputRadius", 30.0}});
    Buffer c = render(curl, kArea);
    int back = 0, target = 0;
    for (int x = 55; x < 250; x += 5) {
        Px p = c.at(x, 150);
        back += p[1] > p[0] && p[1] > p[2];  // green: the back of the page
        target += near(p, kBlue);
    }
    EXPECT_GT(back, 3);
    EXPECT_GT(target, 3);
    EXPECT_TRUE(near(c.at(20, 150), kRed));  // outside the extent: untouched
    EXPECT_TRUE(near(c.at(280, 150), kRed));
    // The shading image lights the back only.
    auto shaded = [&](float v) {
        return render(at("CIPageCurlTransition", 0.4,
                         {{"inputExtent", extent},
                          {"inputRadius", 30.0},
                          {"inputShadingImage", constant(300, 300, Px{v, v, v, 1})}}),
                      kArea);
    };
    Buffer dk = shaded(0), lt = shaded(1);
    float brighter = 0;
    for (int x = 55; x < 250; x += 5) {
        brighter = std::max(brighter, lt.at(x, 150)[1] - dk.at(x, 150)[1]);
        if (near(dk.at(x, 150), kBlue) || near(dk.at(x, 150), kRed)) {
            EXPECT_TRUE(near(dk.at(x, 150), lt.at(x, 150), 1e-5f));
        }
    }
    EXPECT_GT(brighter, 0.2f);

    // The shadowed variant darkens the target beside the curl, not far from it.
    Buffer s = render(at("CIPageCurlWithShadowTransition", 0.3, {{"inputExtent", extent}}), kArea);
    int darkened = 0;
    for (int x = 55; x < 250; x += 3) {
        Px p = s.at(x, 150);
        darkened += p[2] > 0.1f && p[2] < kBlue[2] * 0.9f && p[0] < 0.1f;
    }
    EXPECT_GT(darkened, 2);
}

TEST(Transitions, RipplesAndFoldsPlaceBothPictures) {
    Buffer r = render(at("CIRippleTransition", 0.5), kArea);
    EXPECT_TRUE(near(r.at(150, 150), kBlue));  // inside the ring
    EXPECT_TRUE(near(r.at(2, 298), kRed));     // not reached yet

    // Half folded: the input squeezed into the bottom half, the target above.
    Buffer a =
        render(at("CIAccordionFoldTransition", 0.5, {{"inputFoldShadowAmount", 0.0}}), kArea);
    EXPECT_TRUE(near(a.at(100, 60), kRed));
    EXPECT_TRUE(near(a.at(100, 220), kBlue));
    Buffer shaded =
        render(at("CIAccordionFoldTransition", 0.5, {{"inputFoldShadowAmount", 0.5}}), kArea);
    float spread = 0;
    for (int y = 2; y < 148; y += 4) spread = std::max(spread, kRed[0] - shaded.at(100, y)[0]);
    EXPECT_GT(spread, 0.1f);  // the folds facing away are darker
}
