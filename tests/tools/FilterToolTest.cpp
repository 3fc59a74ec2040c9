// The command-line tool: value syntax, argument parsing, chains, listings, and the program's
// exit codes and messages, also when given what a careless or hostile user would: damaged
// files, names in any encoding, escape sequences in names and metadata, a full disk.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <fstream>
#include <set>

#include "Demo.h"
#include "FilterChain.h"
#include "FilterListing.h"
#include "UsageError.h"
#include "foundation/GraphicsExporter.h"
#include "foundation/ImageMetadata.h"
#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/FilterRegistry.h"
#include "imaging/NodeKinds.h"
#include "imaging/io/ImageIO.h"
#include "support/PictureFiles.h"
#include "support/RawNames.h"

extern char** environ;

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

// The JSON rows are the panel's rows: same names, same values, same order.
void expectSameTree(const QJsonArray& json, const std::vector<foundation::PropertyNode>& nodes) {
    ASSERT_EQ(size_t(json.size()), nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        const QJsonObject o = json[qsizetype(i)].toObject();
        const foundation::PropertyNode& n = nodes[i];
        EXPECT_EQ(o["id"].toString(), n.id);
        EXPECT_EQ(o["key"].toString(), n.key);
        if (n.isGroup()) {
            EXPECT_EQ(o["val"].toString(), QString());
            expectSameTree(o["children"].toArray(), n.children);
        } else {
            EXPECT_EQ(o["val"].toVariant(), n.raw) << n.id.toStdString();
            EXPECT_FALSE(o.contains("children"));
        }
    }
}

struct ToolResult {
    int code = -1;  // -1: killed by a signal
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// Runs the tool with arguments passed as bytes, never through a text encoding.
ToolResult runTool(const std::vector<std::string>& args, const std::string& dir,
                   const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> all = {DEVERAV_FILTER_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env(extraEnv);
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out = dir + "/.stdout", err = dir + "/.stderr";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    ToolResult r;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&fa);
    r.out = slurp(out);
    r.err = slurp(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return r;
}

void writeBytes(const std::string& path, const QByteArray& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.constData(), bytes.size());
}

class HostileInput : public ::testing::Test {
  protected:
    std::string dir() const { return QFile::encodeName(dir_.path()).toStdString(); }
    std::string path(const std::string& name) const { return dir() + "/" + name; }
    void TearDown() override { testfiles::removeFilesByBytes(dir_.path()); }
    QTemporaryDir dir_;
};

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
class FilterToolProgram : public HostileInput {
  protected:
    struct Run {
        int status;
        QString out, err;
    };
    Run run(const QStringList& args) {
        std::vector<std::string> bytes;
        for (const QString& a : args) bytes.push_back(QFile::encodeName(a).toStdString());
        const ToolResult r = runTool(bytes, dir());
        return {r.code, QString::fromStdString(r.out), QString::fromStdString(r.err)};
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
             Case{{"render", in, path("out.jpg"), "--filter", "CIGaussianBlur", "--quality", "101"},
                  2,
                  "101"},
             Case{{"render", in, out, "--filter", "CIGaussianBlur", "--quality", "50"}, 2, "PNG"},
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

TEST_F(FilterToolProgram, TheResultKeepsTheCameraDataAndTakesAJpegQuality) {
    const QString photo = path("photo.jpg");
    testfiles::writePhotographersJpeg(photo, 320, 240);
    // A cropped, turned-upright result: 100 x 50.
    Run r = run({"render", photo, path("out.png"), "--filter", "CIGaussianBlur", "radius=1",
                 "--region", "0,0,100,50"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    auto image = Exiv2::ImageFactory::open(path("out.png").toStdString());
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    auto text = [&](const char* key) {
        auto it = exif.findKey(Exiv2::ExifKey(key));
        return it == exif.end() ? std::string() : it->toString();
    };
    EXPECT_EQ(text("Exif.Image.Model"), "DT-1");
    EXPECT_EQ(text("Exif.Image.Orientation"), "1");
    EXPECT_EQ(text("Exif.Photo.PixelXDimension"), "100");
    EXPECT_EQ(text("Exif.Photo.PixelYDimension"), "50");

    // The quality reaches the file: lower, smaller.
    qint64 sizes[2] = {};
    for (int i : {0, 1}) {
        const QString out = path(i ? "high.jpg" : "low.jpg");
        r = run({"render", photo, out, "--filter", "CIGaussianBlur", "radius=0.5", "--quality",
                 i ? "95" : "20"});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        sizes[i] = QFileInfo(out).size();
    }
    EXPECT_LT(sizes[0] * 2, sizes[1]);
}

TEST_F(FilterToolProgram, InfoPrintsWhatThePanelShowsAsTextOrJson) {
    const QString file = path("camera.jpg");
    testfiles::writeCameraJpeg(file);
    const QString size = QString::number(QFileInfo(file).size());
    Run r = run({"info", file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.mid(0, 5),
              QStringList({"Path: " + QFileInfo(file).absoluteFilePath(), "Type: JPEG image",
                           "      image/jpeg", "Size: " + size + " bytes", "Properties:"}));
    // A group, then its rows one level deeper.
    const qsizetype gps = lines.indexOf("  GPS");
    ASSERT_GE(gps, 0);
    EXPECT_TRUE(lines.mid(gps + 1).contains("    GPS Latitude: 48° 51′ 24″ N"));

    r = run({"info", file, "--json"});
    ASSERT_EQ(r.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["type"].toObject()["identifier"].toString(), "image/jpeg");
    EXPECT_EQ(QString::number(o["size"].toInteger()), size);
    const foundation::ImageFileInfo info = foundation::ImageMetadata::read(file);
    expectSameTree(o["properties"].toArray(), foundation::ImageMetadata::propTree(info.properties));
}

TEST_F(FilterToolProgram, InfoOfAFileThatIsNoPictureShowsNotAvailableAndSaysWhy) {
    const QString text = path("notes.txt");
    ASSERT_TRUE(testfiles::writeFile(text, "not a picture\n"));

    Run r = run({"info", text});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Path: " + QFileInfo(text).absoluteFilePath() + "\nType: n/a\nSize: n/a\n");
    EXPECT_TRUE(r.err.contains("\"notes.txt\" is not a picture this program can read."))
        << r.err.toStdString();

    r = run({"info", "--json", text});
    EXPECT_EQ(r.status, 1);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_TRUE(o["type"].isNull() && o["size"].isNull() && o["properties"].toArray().isEmpty());

    r = run({"info", path("gone.jpg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("\"gone.jpg\" does not exist.")) << r.err.toStdString();

    // No file, or two: how to use it.
    EXPECT_EQ(run({"info"}).status, 2);
    EXPECT_EQ(run({"info", text, text}).status, 2);
}

TEST_F(HostileInput, DamagedJpegHeadersAreNoPictureNotACrash) {
    // Malloc's junk fill makes the unset pixel format of a failed header read visible.
    QByteArray whole;
    {
        QImage img = testfiles::gradient(64, 48);
        QFile f(QString::fromStdString(path("whole.jpg")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && img.save(&f, "JPEG"));
    }
    whole = QByteArray::fromStdString(slurp(path("whole.jpg")));
    writeBytes(path("tiny.jpg"), QByteArray("\xff\xd8\xff\xd9", 4));
    writeBytes(path("cut.jpg"), whole.left(110));
    for (const char* name : {"tiny.jpg", "cut.jpg"}) {
        const ToolResult r = runTool({"info", path(name)}, dir(), {"MALLOC_PERTURB_=165"});
        EXPECT_EQ(r.code, 1) << name << ": " << r.err;
        EXPECT_NE(r.err.find("is not a picture"), std::string::npos) << r.err;
        EXPECT_FALSE(foundation::ImageMetadata::readFile(path(name)).readable) << name;
    }
}

TEST_F(HostileInput, NamesInAnyEncodingAreUsedAsGiven) {
    const std::string in = path("caf\xe9.png"), out = path("r\xe9sultat.png");
    QImage img = testfiles::gradient(20, 10);
    ASSERT_TRUE(img.save(QString::fromStdString(path("plain.png"))));
    testfiles::editMetadata(QString::fromStdString(path("plain.png")), [](Exiv2::Image& image) {
        image.exifData()["Exif.Image.Model"] = "DT-1";
    });
    ASSERT_EQ(std::rename(path("plain.png").c_str(), in.c_str()), 0);

    ToolResult r = runTool({"render", in, out, "--filter", "CIColorInvert"}, dir());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(access(out.c_str(), F_OK), 0) << "written under its own bytes";
    // The input's metadata was found under its own bytes too.
    auto written = Exiv2::ImageFactory::open(out);
    written->readMetadata();
    const auto model = written->exifData().findKey(Exiv2::ExifKey("Exif.Image.Model"));
    ASSERT_NE(model, written->exifData().end());
    EXPECT_EQ(model->toString(), "DT-1");
    r = runTool({"info", in}, dir());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("caf\\xE9.png"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PNG image"), std::string::npos) << r.out;
}

TEST_F(HostileInput, EscapeSequencesInNamesAndMetadataAreNeverPrinted) {
    const std::string name = path("x\x1b]0;owned\x07.png");
    QImage img = testfiles::gradient(8, 8);
    img.setText("Comment", QString::fromLatin1("\x1b[2J\x1b[31mred\x9b"));
    ASSERT_TRUE(img.save(QString::fromStdString(path("plain.png"))));
    ASSERT_EQ(std::rename(path("plain.png").c_str(), name.c_str()), 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", name},
          {"info", path("gone\x1b[2J.png")},
          {"render", path("gone\x1b[2J.png"), path("o.png"), "--filter", "CIColorInvert"}}) {
        const ToolResult r = runTool(args, dir());
        EXPECT_EQ((r.out + r.err).find('\x1b'), std::string::npos) << r.out << r.err;
        EXPECT_EQ((r.out + r.err).find('\x07'), std::string::npos);
        EXPECT_NE((r.out + r.err).find("\\x1B"), std::string::npos) << r.out << r.err;
    }
}

TEST_F(HostileInput, ExportsOntoAFullDiskFailAndKeepTheOldFile) {
    using foundation::GraphicsExporter;
    // Noise: no format can squeeze it under the limit.
    QImage pic(300, 200, QImage::Format_RGB32);
    uint32_t seed = 1;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            pic.setPixel(x, y, seed = seed * 1664525u + 1013904223u);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    for (const char* code : {"TIFF", "JPEG", "PNGf", "BMPf", "PDF "}) {
        const foundation::OSType subtype =
            foundation::fourCharCode({code[0], code[1], code[2], code[3], '\0'});
        auto x = GraphicsExporter::open(subtype);
        ASSERT_TRUE(x) << code;
        const QString target =
            QString::fromStdString(path("old." + x->format().extensions[0].toStdString()));
        writeBytes(QFile::encodeName(target).toStdString(), "the old picture");
        x->setInputImage(pic);
        x->setOutputFile(target);
        rlimit small = old;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool ok = x->doExport();
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(ok) << code;
        EXPECT_TRUE(x->errorString().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << code << ": " << x->errorString().toStdString();
        EXPECT_EQ(slurp(QFile::encodeName(target).toStdString()), "the old picture") << code;
    }
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
}
