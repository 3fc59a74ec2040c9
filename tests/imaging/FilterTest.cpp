// The filter model: inputs, attributes, defaults, refusal of bad values, the registry, plug-ins.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TestImages.h"
#include "imaging/FilterKit.h"
#include "imaging/Log.h"

using namespace imaging;

namespace {

// Collects log lines while alive.
struct LogCapture {
    std::vector<std::string> lines;
    LogSink previous;
    LogCapture() {
        previous = setLogSink([this](const std::string& s) { lines.push_back(s); });
    }
    ~LogCapture() { setLogSink(previous); }
};

std::unique_ptr<Filter> make(const char* name) {
    auto f = FilterRegistry::shared().filterWithName(name);
    EXPECT_TRUE(f) << name;
    return f;
}

}  // namespace

TEST(Filter, DescribesItsInputsInOrder) {
    auto f = make("CIGaussianBlur");
    EXPECT_EQ(f->inputKeys(), (std::vector<std::string>{"inputImage", "inputRadius"}));
    EXPECT_EQ(f->displayName(), "Gaussian Blur");
    // The declared values themselves are held by the clamping and listing tests.
    ASSERT_TRUE(f->attribute("inputRadius"));
    EXPECT_EQ(f->attribute("inputRadius")->displayName, "Radius");
    EXPECT_EQ(f->attribute("inputImage")->className, "CIImage");
    EXPECT_EQ(f->attribute("inputNothing"), nullptr);
}

TEST(Filter, FreshFiltersAreEmptyAndDefaultsLeaveImagesEmpty) {
    auto f = make("CIGaussianBlur");
    EXPECT_TRUE(f->value("inputRadius").isNone());
    f->setDefaults();
    EXPECT_EQ(f->value("inputRadius"), Value(10.0));
    EXPECT_TRUE(f->value("inputImage").isNone());
    EXPECT_FALSE(f->outputImage());  // the image is missing
    f->setValue("inputImage", testimg::smooth(20, 20));
    EXPECT_TRUE(f->outputImage());
    EXPECT_TRUE(f->value("outputImage").toImage());
    // Clearing an image input makes it missing again.
    f->setValue("inputImage", Value());
    EXPECT_FALSE(f->outputImage());
}

TEST(Filter, RefusesBadValuesAndKeepsWhatItHad) {
    LogCapture log;
    auto f = make("CIGaussianBlur");
    f->setDefaults();
    EXPECT_FALSE(f->setValue("inputRadiusX", 3.0));
    EXPECT_FALSE(f->setValue("inputRadius", Vector{1, 2}));
    EXPECT_FALSE(f->setValue("inputRadius", Color{1, 0, 0, 1}));
    EXPECT_FALSE(f->setValue("inputRadius", std::nan("")));
    EXPECT_FALSE(f->setValue("inputRadius", INFINITY));
    EXPECT_FALSE(f->setValue("inputRadius", -INFINITY));
    EXPECT_FALSE(f->setValue("inputImage", 4.0));
    EXPECT_EQ(f->value("inputRadius"), Value(10.0));
    EXPECT_FALSE(f->hasValue("inputRadiusX"));
    EXPECT_EQ(log.lines.size(), 7u);

    auto c = make("CICrop");
    EXPECT_FALSE(c->setValue("inputRectangle", Vector{0, 0, NAN, 4}));
    EXPECT_FALSE(c->setValue("inputRectangle", Vector{1, 2, 3, 4, 5, 6, 7}));
    auto t = make("CIAffineTransform");
    EXPECT_FALSE(t->setValue("inputTransform", AffineTransform{1, 0, 0, 1, INFINITY, 0}));
}

TEST(Filter, ABuilderReadingAnUndeclaredInputBuildsNothing) {
    LogCapture log;
    auto d = std::make_shared<FilterDescription>(FilterDescription{
        "TestTypo",
        "Typo",
        {},
        {kit::ImageInput(), kit::Scalar("inputRadius", 1)},
        [](const Args& a) { return a.number("inputRadiuss") > 0 ? a.image() : Image(); }});
    Filter f(d);
    f.setValue("inputImage", testimg::constant(4, 4, Px{1, 1, 1, 1}));
    EXPECT_THROW(d->build(Args(f)), UndeclaredInput);
    EXPECT_TRUE(f.outputImage().isNull());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("inputRadiuss"), std::string::npos);
}

TEST(Filter, ClampsNumbersToTheAbsoluteLimitsOnly) {
    auto f = make("CIGaussianBlur");
    EXPECT_TRUE(f->setValue("inputRadius", -5.0));
    EXPECT_EQ(f->value("inputRadius"), Value(0.0));
    EXPECT_TRUE(f->setValue("inputRadius", 250.0));  // above the slider, no absolute max
    EXPECT_EQ(f->value("inputRadius"), Value(250.0));
    EXPECT_TRUE(f->setValue("inputRadius", true));  // booleans are numbers
    EXPECT_EQ(f->value("inputRadius").toNumber(), 1.0);
}

TEST(Filter, CopiesAreIndependent) {
    auto f = make("CIGaussianBlur");
    f->setDefaults();
    auto g = f->clone();
    g->setValue("inputRadius", 3.0);
    EXPECT_EQ(f->value("inputRadius"), Value(10.0));
    EXPECT_EQ(g->value("inputRadius"), Value(3.0));
}

TEST(Filter, DisplayNamesComeFromKeys) {
    EXPECT_EQ(displayNameForKey("inputRadius"), "Radius");
    EXPECT_EQ(displayNameForKey("inputPoint0"), "Point 0");
    EXPECT_EQ(displayNameForKey("inputEV"), "EV");
    EXPECT_EQ(displayNameForKey("inputNRNoiseLevel"), "NR Noise Level");
    EXPECT_EQ(displayNameForKey("inputRVector"), "R Vector");
    EXPECT_EQ(displayNameForKey("inputBackgroundImage"), "Background Image");
}

TEST(FilterRegistry, FindsFiltersByNameAndCategory) {
    auto& r = FilterRegistry::shared();
    EXPECT_EQ(r.filterWithName("CINoSuchFilter"), nullptr);
    EXPECT_EQ(r.filterWithName(""), nullptr);
    EXPECT_EQ(r.localizedNameForFilterName("CIGaussianBlur"), "Gaussian Blur");
    EXPECT_EQ(r.localizedNameForFilterName("CINoSuchFilter"), "");
    auto blur = r.filterNamesInCategory(kCICategoryBlur);
    EXPECT_NE(std::find(blur.begin(), blur.end(), "CIGaussianBlur"), blur.end());
    EXPECT_TRUE(std::is_sorted(blur.begin(), blur.end()));
    EXPECT_EQ(blur, r.filterNamesInCategory(kCICategoryBlur));  // stable
    EXPECT_TRUE(r.filterNamesInCategory("CICategoryNothing").empty());
}

TEST(FilterRegistry, RefusesInconsistentDescriptions) {
    LogCapture log;
    auto build = [](const Args& a) { return a.image(); };
    auto desc = [&](std::vector<Attribute> inputs) {
        return FilterDescription{
            "DVTestBad", "Bad", {kCICategoryStylize}, std::move(inputs), build};
    };
    using namespace kit;
    EXPECT_NE(FilterRegistry::validate(desc({Scalar("radius", 1)})), "");
    EXPECT_NE(FilterRegistry::validate(desc({Scalar("inputA", 1), Scalar("inputA", 2)})), "");
    EXPECT_NE(FilterRegistry::validate(desc({Scalar("inputA", 5).slider(0, 4)})), "");
    EXPECT_NE(FilterRegistry::validate(desc({Scalar("inputA", 1).min(2)})), "");
    EXPECT_NE(FilterRegistry::validate(desc({Scalar("inputA", 1).slider(0, 10).max(5)})), "");
    EXPECT_NE(FilterRegistry::validate(desc({Attr("inputA", kClassNumber, nullptr, Vector{1})})),
              "");
    EXPECT_EQ(FilterRegistry::validate(desc({ImageInput(), Scalar("inputA", 1).limits(0, 2)})), "");
    EXPECT_FALSE(FilterRegistry::shared().registerFilter(desc({Scalar("radius", 1)})));
    EXPECT_FALSE(FilterRegistry::shared().filterWithName("DVTestBad"));
    EXPECT_FALSE(log.lines.empty());
    // A name cannot be taken twice.
    auto dup = desc({ImageInput()});
    dup.name = "CIGaussianBlur";
    EXPECT_FALSE(FilterRegistry::shared().registerFilter(dup));
    EXPECT_EQ(FilterRegistry::shared().localizedNameForFilterName("CIGaussianBlur"),
              "Gaussian Blur");
}

TEST(FilterRegistry, LoadsPlugInsOnceAndSkipsBrokenOnes) {
    const char* dir = std::getenv("DEVERAV_TEST_PLUGIN_DIR");
    ASSERT_TRUE(dir) << "the test plug-in folder is not set";
    auto& r = FilterRegistry::shared();
    EXPECT_EQ(r.loadPlugIns(dir), 1);
    EXPECT_EQ(r.loadPlugIns(dir), 0);  // already loaded
    auto f = r.filterWithName("DVTestPlugInInvert");
    ASSERT_TRUE(f);
    auto colors = r.filterNamesInCategory(kCICategoryColorEffect);
    EXPECT_NE(std::find(colors.begin(), colors.end(), "DVTestPlugInInvert"), colors.end());
    f->setValue("inputImage", testimg::constant(2, 2, Px{0.25f, 0.5f, 1, 1}));
    Buffer b = testimg::render(f->outputImage(), Rect{0, 0, 2, 2});
    EXPECT_LT(testimg::maxDiff(b.at(1, 1), Px{0.75f, 0.5f, 0, 1}), 1e-6f);

    // Something that is not a plug-in is logged and skipped.
    LogCapture log;
    auto broken = std::filesystem::temp_directory_path() / "deverav-broken-plugins";
    std::filesystem::create_directories(broken);
    std::ofstream(broken / "junk.so") << "not a shared object";
    EXPECT_EQ(r.loadPlugIns(broken.string()), 0);
    EXPECT_EQ(r.loadPlugIns((broken / "missing").string()), 0);
    EXPECT_EQ(log.lines.size(), 1u);
    std::filesystem::remove_all(broken);
}
