// The command-line tool: value syntax, argument parsing, chains, listings, and the program's
// exit codes and messages.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <set>

#include "Demo.h"
#include "FilterChain.h"
#include "FilterListing.h"
#include "UsageError.h"
#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/FilterRegistry.h"
#include "imaging/NodeKinds.h"
#include "imaging/io/ImageIO.h"

using namespace imaging;
using namespace tool;

namespace {

Attribute attr(const char* cls, const char* type = kCIAttributeTypeScalar) {
    Attribute a;
    a.key = "inputThing";
    a.className = cls;
    a.type = type;
    return a;
}

const ImageLoader noImages = [](const std::string& p) -> Image {
    throw Error("The file \"" + p + "\" does not exist.");
};

Image picture(int w = 40, int h = 30) {
    return generator(
        [](Point p) {
            return Px{float(p.x) / 40, float(p.y) / 30, 0.5f, 1};
        },
        Rect{0, 0, double(w), double(h)});
}

Px pixel(const Image& img, int x, int y) {
    return Context().render(img, Rect{double(x), double(y), 1, 1}).at(x, y);
}

}  // namespace

TEST(ValueParser, NumberListsAcceptTheUsualSpellings) {
    EXPECT_EQ(parseNumberList("[1, 2.5,-3]"), (std::vector<double>{1, 2.5, -3}));
    EXPECT_EQ(parseNumberList("1,2"), (std::vector<double>{1, 2}));
    EXPECT_EQ(parseNumberList("(4 5  6)"), (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(parseNumberList("[+1e2]"), (std::vector<double>{100}));
    EXPECT_TRUE(parseNumberList("[]").empty());
    for (const char* bad : {"[1,,2]", "[1,x]", "1;2", "[nan,1]", "[inf]", "[1e999]", "[1,2"})
        EXPECT_THROW(parseNumberList(bad), UsageError) << bad;
}

TEST(ValueParser, EachClassHasItsSyntax) {
    EXPECT_EQ(parseValue(attr(kClassNumber), " 2.5 ", noImages), Value(2.5));
    EXPECT_THROW(parseValue(attr(kClassNumber), "2.5px", noImages), UsageError);
    EXPECT_THROW(parseValue(attr(kClassNumber), "nan", noImages), UsageError);

    Attribute flag = attr(kClassNumber, kCIAttributeTypeBoolean);
    EXPECT_EQ(parseValue(flag, "yes", noImages), Value(true));
    EXPECT_EQ(parseValue(flag, "0", noImages), Value(false));
    EXPECT_THROW(parseValue(flag, "maybe", noImages), UsageError);

    EXPECT_EQ(parseValue(attr(kClassVector), "[10,20]", noImages), Value(Vector{10, 20}));
    EXPECT_THROW(parseValue(attr(kClassVector), "[1]", noImages), UsageError);
    EXPECT_THROW(parseValue(attr(kClassVector), "[1,2,3,4,5,6,7]", noImages), UsageError);
    // Weights take as many components as the attribute declares.
    Attribute weights = attr(kClassVector, "");
    weights.defaultValue = Vector(std::vector<double>(9, 0.0));
    EXPECT_EQ(parseValue(weights, "[0,0,0,0,1,0,0,0,0]", noImages).toVector().count(), 9u);
    EXPECT_THROW(parseValue(weights, "[0,0,0,0,1,0,0,0,0,0]", noImages), UsageError);

    EXPECT_EQ(parseValue(attr(kClassColor), "rgba(1,0.5,0,0.25)", noImages),
              Value(Color{1, 0.5, 0, 0.25}));
    EXPECT_EQ(parseValue(attr(kClassColor), "RGB(0, 1, 0)", noImages), Value(Color{0, 1, 0, 1}));
    EXPECT_THROW(parseValue(attr(kClassColor), "rgba(1,0)", noImages), UsageError);

    EXPECT_EQ(parseValue(attr(kClassTransform), "[2,0,0,2,5,-5]", noImages),
              Value(AffineTransform{2, 0, 0, 2, 5, -5}));
    EXPECT_THROW(parseValue(attr(kClassTransform), "[1,2,3]", noImages), UsageError);
    EXPECT_THROW(parseValue(attr(kClassTransform), "[0,0,0,0,1,1]", noImages), UsageError);
    // Data: the text's bytes, or a file's after "@".
    EXPECT_EQ(parseValue(attr(kClassData), "hello", noImages), Value(Data::fromText("hello")));
    QTemporaryDir dir;
    const QString bytes = dir.filePath("cube.bin");
    QFile file(bytes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x00\x01\xff", 3));
    file.close();
    EXPECT_EQ(parseValue(attr(kClassData), "@" + bytes.toStdString(), noImages),
              Value(Data(std::vector<uint8_t>{0, 1, 255})));
    EXPECT_THROW(parseValue(attr(kClassData), "@" + dir.filePath("none").toStdString(), noImages),
                 UsageError);
}

TEST(ValueParser, ErrorsNameTheInput) {
    try {
        parseValue(attr(kClassVector), "[1]", noImages);
        FAIL();
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("inputThing"), std::string::npos) << e.what();
    }
    // An image that cannot be read stays an engine error (status 1), naming input and file.
    try {
        parseValue(attr(kClassImage, kCIAttributeTypeImage), "missing.png", noImages);
        FAIL();
    } catch (const Error& e) {
        std::string m = e.what();
        EXPECT_NE(m.find("inputThing"), std::string::npos) << m;
        EXPECT_NE(m.find("missing.png"), std::string::npos) << m;
    }
}

TEST(RenderArguments, ParsesAChainWithItsSettingsAndOptions) {
    RenderRequest r = parseRenderArguments({"in.png", "out.tif", "--filter", "CIGaussianBlur",
                                            "radius=4", "--scale", "0.5", "--filter=CICrop",
                                            "inputRectangle=[0,0,10,10]", "--region=1,2,3,4",
                                            "--time", "--working-space", "none", "--depth=16"});
    EXPECT_EQ(r.input, "in.png");
    EXPECT_EQ(r.output, "out.tif");
    ASSERT_EQ(r.steps.size(), 2u);
    EXPECT_EQ(r.steps[0].filter, "CIGaussianBlur");
    EXPECT_EQ(r.steps[0].settings,
              (std::vector<std::pair<std::string, std::string>>{{"radius", "4"}}));
    EXPECT_EQ(r.steps[1].settings[0].second, "[0,0,10,10]");
    EXPECT_EQ(r.scale, 0.5);
    EXPECT_EQ(r.region, (Rect{1, 2, 3, 4}));
    EXPECT_TRUE(r.time);
    EXPECT_EQ(r.workingSpace, WorkingSpace::None);
    EXPECT_EQ(r.depth, 16);
    // Without a filter the picture is converted.
    RenderRequest plain = parseRenderArguments({"in.png", "out.tif"});
    EXPECT_TRUE(plain.steps.empty());
    EXPECT_EQ(plain.workingSpace, WorkingSpace::Linear);
    EXPECT_EQ(plain.depth, 8);
}

TEST(RenderArguments, RefusesIncompleteOrMalformedLines) {
    using Args = std::vector<std::string>;
    for (const Args& bad : {
             Args{"in.png", "--filter", "CIGaussianBlur"},                // no output
             Args{"in.png", "out.png", "radius=3", "--filter", "X"},      // setting before filter
             Args{"in.png", "out.png", "--filter"},                       // filter without name
             Args{"in.png", "out.png", "--filter", "X", "--frobnicate"},  // unknown option
             Args{"in.png", "out.png", "--filter", "X", "stray"},         // not key=value
             Args{"in.png", "out.png", "--filter", "X", "--scale", "0"},
             Args{"in.png", "out.png", "--filter", "X", "--scale", "-1"},
             Args{"in.png", "out.png", "--filter", "X", "--region", "0,0,10"},
             Args{"in.png", "out.png", "--filter", "X", "--region", "0,0,-5,10"},
             Args{"in.png", "out.png", "--working-space", "srgb"},
             Args{"in.png", "out.png", "--depth", "12"},
         })
        EXPECT_THROW(parseRenderArguments(bad), UsageError) << ::testing::PrintToString(bad);
}

TEST(FilterChain, StepsTakeKeysWithOrWithoutPrefixAndExplainMistakes) {
    const Image in = picture();
    auto f = configureStep({"CIGaussianBlur", {{"radius", "3"}}}, in, noImages);
    EXPECT_EQ(f->value("inputRadius"), Value(3.0));
    EXPECT_EQ(f->value("inputImage").toImage(), in);
    f = configureStep({"CIGaussianBlur", {{"InputRadius", "4"}}}, in, noImages);
    EXPECT_EQ(f->value("inputRadius"), Value(4.0));
    // Below the hard minimum the filter clamps, as the application's controls do.
    f = configureStep({"CIGaussianBlur", {{"radius", "-5"}}}, in, noImages);
    EXPECT_EQ(f->value("inputRadius"), Value(0.0));

    auto message = [&](const ChainStep& s) {
        try {
            configureStep(s, in, noImages);
        } catch (const UsageError& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_NE(message({"CINoSuchFilter", {}}).find("no filter \"CINoSuchFilter\""),
              std::string::npos);
    EXPECT_NE(message({"CIGaussianBlur", {{"sigma", "2"}}}).find("inputRadius"), std::string::npos);
    EXPECT_NE(message({"CIGaussianBlur", {{"inputImage", "x.png"}}}).find("previous result"),
              std::string::npos);
    EXPECT_NE(message({"CISourceOverCompositing", {}}).find("inputBackgroundImage"),
              std::string::npos);
}

TEST(FilterChain, EachStepTakesThePreviousResult) {
    const Image in = picture();
    // Move right by 10, then cut to the first 20 columns: the extent and pixels follow both.
    Image out = applyChain({{"CIAffineTransform", {{"transform", "[1,0,0,1,10,0]"}}},
                            {"CICrop", {{"rectangle", "[0,0,20,30]"}}}},
                           in, noImages);
    EXPECT_EQ(out.extent(), (Rect{10, 0, 10, 30}));
    Px moved = pixel(out, 15, 5), original = pixel(in, 5, 5);
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(moved[c], original[c], 1e-6);

    // Other image inputs come from the loader.
    bool loaded = false;
    const Image bg = picture(60, 60);
    Image comp = applyChain({{"CISourceOverCompositing", {{"backgroundImage", "bg.png"}}}}, in,
                            [&](const std::string& p) {
                                loaded = p == "bg.png";
                                return bg;
                            });
    EXPECT_TRUE(loaded);
    EXPECT_EQ(comp.extent(), (Rect{0, 0, 60, 60}));
}

TEST(FilterChain, DefaultRegionIsTheResultsOwnExtentUnlessInfinite) {
    const Rect pic{0, 0, 100, 50};
    EXPECT_EQ(defaultRegion(Rect{-10, -10, 120, 70}, pic), (Rect{-10, -10, 120, 70}));
    EXPECT_EQ(defaultRegion(Rect{0, 0, 200, 60}, pic), (Rect{0, 0, 200, 60}));
    EXPECT_EQ(defaultRegion(Rect{-100, -100, 300, 300}, pic), (Rect{-100, -100, 300, 300}));
    EXPECT_EQ(defaultRegion(Rect{20, 10, 10, 5}, pic), (Rect{20, 10, 10, 5}));
    EXPECT_EQ(defaultRegion(Rect::infinite(), pic), pic);
}

TEST(FilterListing, JsonDescribesEveryFilterAndItsAttributes) {
    auto names = FilterRegistry::shared().allFilterNames();
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(listJson(names)));
    ASSERT_TRUE(doc.isArray());
    ASSERT_EQ(doc.array().size(), qsizetype(names.size()));
    QJsonObject blur;
    for (const auto& f : doc.array())
        if (f.toObject()["name"] == "CIGaussianBlur") blur = f.toObject();
    ASSERT_FALSE(blur.isEmpty());
    EXPECT_EQ(blur["displayName"], "Gaussian Blur");
    EXPECT_TRUE(blur["categories"].toArray().contains("CICategoryBlur"));
    QJsonObject radius = blur["inputs"].toArray()[1].toObject();
    EXPECT_EQ(radius["key"], "inputRadius");
    EXPECT_EQ(radius["class"], "NSNumber");
    EXPECT_EQ(radius["type"], "CIAttributeTypeScalar");
    EXPECT_EQ(radius["default"], 10);
    EXPECT_EQ(radius["min"], 0);
    EXPECT_EQ(radius["sliderMax"], 100);
    EXPECT_EQ(radius["displayName"], "Radius");
    EXPECT_FALSE(radius.contains("max"));

    std::string text = listText({"CIGaussianBlur"});
    EXPECT_NE(text.find("inputRadius  NSNumber  CIAttributeTypeScalar  \"Radius\"  default 10  "
                        "min 0  slider 0..100"),
              std::string::npos)
        << text;
}

TEST(FilterTool, DemoWritesThePictureAndItsResults) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string out = dir.path().toStdString() + "/demo";
    auto files = runDemo(out);
    ASSERT_GE(files.size(), 3u);
    for (auto& f : files) {
        Bitmap b = io::readBitmap(f);
        EXPECT_GT(b.width(), 0) << f;
    }
    EXPECT_EQ(files.front(), out + "/picture.png");
}

// The program itself: results on disk, one-line errors and their exit statuses.
class FilterToolProgram : public ::testing::Test {
  protected:
    struct Run {
        int status;
        QString out, err;
    };
    Run run(const QStringList& args) {
        QProcess p;
        p.start(QString::fromUtf8(DEVERAV_FILTER_PROGRAM), args);
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QString path(const char* name) { return dir_.filePath(name); }
    void SetUp() override {
        Bitmap b(64, 48, PixelFormat::RGBA8);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                uint8_t* p = b.row(y) + 4 * x;
                p[0] = uint8_t(x * 4), p[1] = uint8_t(y * 5), p[2] = 128, p[3] = 255;
            }
        io::writeBitmap(b, path("in.png").toStdString());
    }
    QTemporaryDir dir_;
};

TEST_F(FilterToolProgram, RendersAChainAtAScaleAndRegion) {
    Run r = run({"render", path("in.png"), path("out.tiff"), "--filter", "CIGaussianBlur",
                 "radius=2", "--filter", "CIAffineTransform", "transform=[1,0,0,1,0,0]", "--region",
                 "0,0,64,48", "--scale", "0.5", "--time"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("render ")) << r.out.toStdString();
    Bitmap b = io::readBitmap(path("out.tiff").toStdString());
    EXPECT_EQ(b.width(), 32);
    EXPECT_EQ(b.height(), 24);
}

TEST_F(FilterToolProgram, WritesTheResultsOwnExtentAndConvertsWithoutAFilter) {
    auto size = [&](const char* name) {
        const Bitmap b = io::readBitmap(path(name).toStdString());
        return std::pair{b.width(), b.height()};
    };
    // A 64 x 48 picture over a 100 x 80 background: the background's extent.
    Bitmap bg(100, 80, PixelFormat::RGBA8);
    io::writeBitmap(bg, path("bg.png").toStdString());
    Run r = run({"render", path("in.png"), path("over.png"), "--filter", "CISourceOverCompositing",
                 "backgroundImage=" + path("bg.png")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(size("over.png"), (std::pair{100, 80}));
    // Blurs keep their fringes: 3 sigma on every side.
    r = run({"render", path("in.png"), path("blur.png"), "--filter", "CIGaussianBlur", "radius=4"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(size("blur.png"), (std::pair{64 + 24, 48 + 24}));
    // No filter: the picture in another format, pixel for pixel.
    r = run({"render", path("in.png"), path("copy.tif")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const Bitmap a = io::readBitmap(path("in.png").toStdString());
    const Bitmap b = io::readBitmap(path("copy.tif").toStdString());
    ASSERT_EQ(b.width(), 64);
    EXPECT_EQ(std::memcmp(a.row(20), b.row(20), 64 * 4), 0);
    // Weights of a 3 x 3 convolution: all nine.
    r = run({"render", path("in.png"), path("conv.png"), "--filter", "CIConvolution3X3",
             "weights=[0,0,0,0,0.5,0,0,0,0]"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
}

TEST_F(FilterToolProgram, WorkingSpaceAndDepthOptions) {
    Bitmap grey(4, 4, PixelFormat::RGBA8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) std::memcpy(grey.row(y) + 4 * x, "\x80\x80\x80\xff", 4);
    io::writeBitmap(grey, path("grey.png").toStdString());
    auto inverted = [&](const char* space) {
        Run r = run({"render", path("grey.png"), path("inv.png"), "--filter", "CIColorInvert",
                     "--working-space", space});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return int(io::readBitmap(path("inv.png").toStdString()).row(1)[4]);
    };
    EXPECT_EQ(inverted("linear"), 229);
    EXPECT_EQ(inverted("none"), 127);
    // 16 bits per channel where the format holds them: a dark ramp keeps steps 8 bits lose.
    for (const char* name : {"deep.png", "deep.tif", "deep.psd"}) {
        Run r = run({"render", path("in.png"), path(name), "--filter", "CIExposureAdjust", "EV=-6",
                     "--depth", "16"});
        ASSERT_EQ(r.status, 0) << name << r.err.toStdString();
        io::PictureHeader h;
        ASSERT_TRUE(io::pingPicture(path(name).toStdString(), h)) << name;
        EXPECT_EQ(h.depth, 16) << name;
        EXPECT_EQ(h.width, 64) << name;
    }
    const QImage deep(path("deep.png"));
    std::set<int> bytes, words;
    for (int x = 0; x < 64; ++x) {
        bytes.insert(deep.pixelColor(x, 10).red());
        words.insert(int(std::lround(deep.pixelColor(x, 10).redF() * 65535)));
    }
    EXPECT_EQ(words.size(), 64u);  // every input level stays apart
    EXPECT_LT(bytes.size(), 40u);
    Run r = run({"render", path("in.png"), path("deep.jpg"), "--depth", "16"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("16")) << r.err.toStdString();
}

TEST_F(FilterToolProgram, FailuresAreOneLineAndNonZero) {
    struct Case {
        QStringList args;
        int status;
        const char* says;
    };
    const QString in = path("in.png"), out = path("out.png");
    for (const Case& c : {
             Case{{"render", path("none.png"), out, "--filter", "CIGaussianBlur"}, 1, "none.png"},
             Case{{"render", in, out, "--filter", "CIBogus"}, 2, "CIBogus"},
             Case{{"render", in, out, "--filter", "CIGaussianBlur", "radius=big"}, 2, "big"},
             Case{{"render", in, path("noext"), "--filter", "CIGaussianBlur"}, 2, "extension"},
             Case{{"render", in, path("no/such/dir/out.png"), "--filter", "CIGaussianBlur"},
                  1,
                  "out.png"},
             Case{{"frobnicate"}, 2, "usage"},
         }) {
        Run r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        if (c.args.size() > 1) {
            EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(out));
}
