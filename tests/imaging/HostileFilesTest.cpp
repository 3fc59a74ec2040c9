// Pictures made by a careless or hostile hand, full disks and large pictures: every case was
// once a crash, a silently wrong picture, a lost file or gigabytes of memory.

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <tiffio.h>

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>

#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/FilterRegistry.h"
#include "imaging/PixelMemory.h"
#include "imaging/io/ColorProfile.h"
#include "imaging/io/ImageIO.h"
#include "imaging/io/SafeFile.h"
#include "imaging/io/TiffCodec.h"
#include "support/RawNames.h"

using namespace imaging;

namespace {

class HostileFiles : public ::testing::Test {
  protected:
    // The name's bytes as they are: some are not UTF-8.
    std::string path(const std::string& name) const {
        return QFile::encodeName(dir_.path()).toStdString() + "/" + name;
    }
    void write(const std::string& name, const QByteArray& bytes) const {
        QFile f(QString::fromStdString(path(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const std::string& name) const {
        QFile f(QString::fromStdString(path(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList files() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    void TearDown() override { testfiles::removeFilesByBytes(dir_.path()); }
    QTemporaryDir dir_;
};

QByteArray encoded(const QImage& img, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, format);
    if (quality >= 0) w.setQuality(quality);
    EXPECT_TRUE(w.write(img)) << format;
    return bytes;
}

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

// A picture in rows of colour, top row first.
Bitmap stripes(int w, int h) {
    Bitmap b(w, h, PixelFormat::RGBA8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.row(y) + 4 * x;
            p[0] = uint8_t(255 - y * 255 / std::max(1, h - 1));
            p[1] = uint8_t((x * 7 + y * 3) % 256);
            p[2] = uint8_t(y * 255 / std::max(1, h - 1));
            p[3] = 255;
        }
    return b;
}

}  // namespace

TEST_F(HostileFiles, DrawingLanguagesAreNeverDecodedWhateverTheName) {
    // A "photo" that is really SVG pulling in a local file, and MVG asking for one.
    write("secret.png", encoded(QImage(8, 8, QImage::Format_RGB32), "png"));
    const QByteArray svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" "
        "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"8\" height=\"8\">"
        "<image xlink:href=\"" +
        QByteArray::fromStdString(path("secret.png")) + "\" width=\"8\" height=\"8\"/></svg>";
    const QByteArray mvg = "viewbox 0 0 8 8\nimage over 0,0 8,8 '" +
                           QByteArray::fromStdString(path("secret.png")) + "'\n";
    const QDir temp = QDir::temp();
    const QStringList before = temp.entryList({"magick-*"}, QDir::Files | QDir::System);
    for (const auto& c : {std::pair<std::string, QByteArray>{"photo.jpg", svg},
                          {"photo.svg", svg},
                          {"photo.tga", mvg},
                          {"photo.mvg", mvg}}) {
        const std::string name = c.first;
        const QByteArray& bytes = c.second;
        write(name, bytes);
        // Refused either way: as no picture, or as a damaged one where the name promised TGA.
        const std::string m = errorOf([&] { io::readBitmap(path(name)); });
        EXPECT_TRUE(m.find("not a picture") != m.npos || m.find("damaged") != m.npos)
            << name << ": " << m;
        io::PictureHeader h;
        EXPECT_FALSE(io::pingPicture(path(name), h)) << name;
    }
    EXPECT_EQ(temp.entryList({"magick-*"}, QDir::Files | QDir::System), before);
}

TEST_F(HostileFiles, DataThatEndsEarlyIsDamagedInEveryFormat) {
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) picture.setPixel(x, y, qRgb(x * 4, (x * y) % 256, y * 5));
    // A GIF cut in the middle of its pixels.
    io::writeBitmap(stripes(64, 48), path("made.gif"));
    const QByteArray gif = read("made.gif");
    ASSERT_GT(gif.size(), 100);
    write("half.gif", gif.left(gif.size() / 2));
    EXPECT_NE(errorOf([&] { io::readBitmap(path("half.gif")); }).find("damaged"),
              std::string::npos);
    write("whole.gif", gif);
    EXPECT_EQ(io::readBitmap(path("whole.gif")).width(), 64);

    // A small JPEG whose header claims far more pixels than its data holds.
    QByteArray jpeg = encoded(picture, "jpeg", 80);
    const qsizetype sof = jpeg.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    for (int at : {5, 7}) jpeg[sof + at] = char(4000 >> 8), jpeg[sof + at + 1] = char(4000 & 255);
    write("claims.jpg", jpeg);
    const std::string m = errorOf([&] { io::readBitmap(path("claims.jpg")); });
    EXPECT_NE(m.find("damaged"), std::string::npos) << m;
}

TEST_F(HostileFiles, BottomUpTgaIsReadAndWrittenTheRightWayUp) {
    // A true-colour TGA without the version 2 footer, rows stored bottom first (the usual case).
    QByteArray tga(18, '\0');
    tga[2] = 2, tga[12] = 4, tga[14] = 3, tga[16] = 24;  // 4 x 3, 24 bits, origin bottom left
    const char* bottomFirst[] = {"\xff\x00\x00", "\x00\xff\x00", "\x00\x00\xff"};  // BGR
    for (const char* px : bottomFirst)
        for (int x = 0; x < 4; ++x) tga.append(px, 3);
    write("old.tga", tga);
    const Bitmap b = io::readBitmap(path("old.tga"));
    EXPECT_EQ(b.row(0)[0], 255) << "top row red";
    EXPECT_EQ(b.row(2)[2], 255) << "bottom row blue";

    // Written files say where their first row goes, for other programs' readers.
    const Bitmap pic = stripes(5, 4);
    for (bool alpha : {false, true}) {
        Bitmap p = pic;
        if (alpha) p.row(0)[3] = 128;
        io::writeBitmap(p, path("out.tga"));
        const QByteArray out = read("out.tga");
        ASSERT_GT(out.size(), 18);
        const bool topFirst = uint8_t(out[17]) & 0x20;
        const uint8_t firstRed = uint8_t(out[18 + 2]);  // BGR(A), after an 18-byte header
        EXPECT_EQ(firstRed, topFirst ? pic.row(0)[0] : pic.row(3)[0]) << alpha;
        const Bitmap back = io::readBitmap(path("out.tga"));
        EXPECT_EQ(back.row(0)[0], pic.row(0)[0]) << alpha;
        EXPECT_EQ(back.row(3)[2], pic.row(3)[2]) << alpha;
    }
}

TEST_F(HostileFiles, ColourProfilesAreAppliedOnReadingAndSRGBIsRecordedOnWriting) {
    // Adobe RGB (40, 200, 60) is a green sRGB cannot quite show: about (0, 201, 37).
    QImage adobe(3, 2, QImage::Format_RGB32);
    adobe.fill(qRgb(40, 200, 60));
    adobe.setColorSpace(QColorSpace::AdobeRgb);
    for (const char* format : {"png", "jpeg", "tiff"}) {
        write(std::string("adobe.") + format, encoded(adobe, format, 100));
        const Bitmap b = io::readBitmap(path(std::string("adobe.") + format));
        EXPECT_NEAR(b.row(1)[0], 0, 4) << format;
        EXPECT_NEAR(b.row(1)[1], 201, 4) << format;
        EXPECT_NEAR(b.row(1)[2], 37, 4) << format;
    }
    // Any other profile goes through the colour engine: in linear light, 50 % is sRGB 188.
    const QByteArray linearIcc = QColorSpace(QColorSpace::SRgbLinear).iccProfile();
    ASSERT_EQ(io::profileSpace(linearIcc), io::ProfileSpace::RGB);
    Bitmap linear = stripes(2, 2);
    std::memset(linear.data(), 128, linear.byteCount());
    ASSERT_TRUE(io::convertToSRGB(linear, linearIcc));
    EXPECT_NEAR(linear.row(0)[0], 188, 2);
    EXPECT_EQ(linear.row(0)[3], 128) << "alpha untouched";

    const Bitmap pic = stripes(6, 4);
    for (const char* ext : {"png", "jpg", "tif"}) {
        const std::string p = path(std::string("srgb.") + ext);
        io::writeBitmap(pic, p);
        const QByteArray bytes = read(std::string("srgb.") + ext);
        const QByteArray icc =
            std::string(ext) == "tif" ? io::tiffProfile(bytes) : io::embeddedProfile(bytes);
        EXPECT_EQ(QColorSpace::fromIccProfile(icc), QColorSpace(QColorSpace::SRgb)) << ext;
    }
}

TEST_F(HostileFiles, SingleChannelFloatTiffIsReadQuietly) {
    const std::string p = path("float.tif");
    {
        TIFF* t = TIFFOpen(p.c_str(), "w");
        ASSERT_TRUE(t);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 8);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 32);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        for (uint32_t y = 0; y < 2; ++y) {
            float row[8];
            for (int x = 0; x < 8; ++x) row[x] = y == 0 ? 0.5f : 1.0f;
            TIFFWriteScanline(t, row, y, 0);
        }
        TIFFClose(t);
    }
    ::testing::internal::CaptureStderr();
    Bitmap b;
    const std::string m = errorOf([&] { b = io::readBitmap(p); });
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(m, "");
    EXPECT_EQ(said, "");
    ASSERT_EQ(b.width(), 8);
    EXPECT_NEAR(b.row(0)[0], 128, 1);
    EXPECT_EQ(b.row(1)[1], 255);
}

TEST(TiffSignature, TakesFourBytesInEitherOrder) {
    EXPECT_TRUE(io::looksLikeTiff(QByteArray("II*\0", 4) + "rest"));
    EXPECT_TRUE(io::looksLikeTiff(QByteArray("MM\0*", 4) + "rest"));
    // Text that begins with the byte order's letters is not a TIFF.
    EXPECT_FALSE(io::looksLikeTiff("MMXY rest"));
    EXPECT_FALSE(io::looksLikeTiff("II*x rest"));
    EXPECT_FALSE(io::looksLikeTiff(QByteArray("MM\0", 3)));
}

TEST_F(HostileFiles, AFullDiskNeverReplacesAGoodFile) {
    // A file size limit fails writes the way a full disk does: part of a write, then nothing.
    const Bitmap pic = stripes(400, 300);
    const QByteArray good = "a good old picture";
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    for (const char* ext : {"tif", "jpg", "png", "sgi"}) {
        const std::string name = std::string("full.") + ext;
        write(name, good);
        rlimit small = old;
        small.rlim_cur = 20000;
        setrlimit(RLIMIT_FSIZE, &small);
        const std::string m = errorOf([&] { io::writeBitmap(pic, path(name), 300, 100); });
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_NE(m.find(std::strerror(EFBIG)), std::string::npos) << ext << ": " << m;
        EXPECT_EQ(read(name), good) << ext;
    }
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(files(), QStringList({"full.jpg", "full.png", "full.sgi", "full.tif"}));
    // With room, the same writes succeed.
    io::writeBitmap(pic, path("full.tif"));
    EXPECT_EQ(io::readBitmap(path("full.tif")).height(), 300);
}

TEST_F(HostileFiles, NamesThatAreNotUtf8AreReadAndWrittenAsTheyAre) {
    const std::string name = path("caf\xe9.png"), out = path("r\xe9sultat.tif");
    io::writeBitmap(stripes(4, 3), name);
    EXPECT_EQ(io::readBitmap(name).width(), 4);
    io::writeBitmap(io::readBitmap(name), out);
    EXPECT_EQ(io::readBitmap(out).height(), 3);
    // Listed under their own bytes, not a replacement character.
    std::vector<std::string> names;
    if (DIR* d = opendir(QFile::encodeName(dir_.path()).constData())) {
        while (dirent* e = readdir(d)) names.emplace_back(e->d_name);
        closedir(d);
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "r\xe9sultat.tif"), names.end());
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return n.find("\xef\xbf\xbd") != n.npos; }),
              0);
}

TEST(PictureMemory, LargeRendersGoInStrips) {
    const int w = 4000, h = 2500;
    Bitmap b(w, h, PixelFormat::RGBA8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.row(y) + 4 * x;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x ^ y), p[3] = 255;
        }
    const Image picture = Image::fromBitmap(b);
    auto blur = FilterRegistry::shared().filterWithName("CIGaussianBlur");
    blur->setDefaults();
    blur->setValue("inputImage", picture);
    blur->setValue("inputRadius", 12.0);
    const Image out = blur->outputImage();
    const Rect region{0, 0, double(w), double(h)};

    resetPixelMemoryPeak();
    const size_t before = pixelMemoryInUse();
    const Bitmap strips = Context().renderBitmap(out, region);
    const size_t peak = pixelMemoryPeak() - before;
    // One float copy of the picture would be 160 MB; the result itself is 40 MB.
    const size_t wholeFloat = size_t(w) * h * 16;
    EXPECT_LT(peak, wholeFloat * 3 / 4 + strips.byteCount()) << peak / 1000000 << " MB";
    // That strips give the whole render's pixels is held by the strip render tests.
}

TEST(PictureMemory, PicturesBeyondTheMachinesBudgetAreRefusedByTheirOwnSize) {
    setPictureMemoryBudget(size_t(4) << 20);  // one megapixel
    const std::string m = errorOf([] { checkPictureSize(2000, 1000); });
    setPictureMemoryBudget(0);
    EXPECT_NE(m.find("2000 x 1000"), std::string::npos) << m;
    EXPECT_NE(m.find("memory"), std::string::npos) << m;
    EXPECT_EQ(errorOf([] { checkPictureSize(2000, 1000); }), "");

    // A thin picture blurred grows past the side limit by the blur's reach: still rendered.
    Bitmap thin(1, 65535, PixelFormat::RGBA8);
    std::memset(thin.data(), 200, thin.byteCount());
    auto blur = FilterRegistry::shared().filterWithName("CIGaussianBlur");
    blur->setDefaults();
    blur->setValue("inputImage", Image::fromBitmap(thin));
    blur->setValue("inputRadius", 3.0);
    const Image out = blur->outputImage();
    Bitmap result;
    EXPECT_EQ(errorOf([&] { result = Context().renderBitmap(out, out.extent()); }), "");
    EXPECT_GT(result.height(), 65536);
}
