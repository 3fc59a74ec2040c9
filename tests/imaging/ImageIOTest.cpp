// Reading and writing picture files and data: round trips through every kind of writer, and
// clear errors (never a crash, a huge allocation, a lost file or a silently wrong picture) for
// missing, foreign, damaged, absurd and hostile files, full disks and large pictures.

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
#include <fstream>

#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Pixel.h"
#include "imaging/PixelMemory.h"
#include "imaging/io/ColorProfile.h"
#include "imaging/io/ImageIO.h"
#include "imaging/io/SafeFile.h"
#include "imaging/io/TiffCodec.h"
#include "support/RawNames.h"

using namespace imaging;

namespace {

// A picture with smooth colour, sharp edges and, unless `opaque`, four levels of alpha.
Bitmap testBitmap(int w, int h, bool opaque) {
    Bitmap b(w, h, PixelFormat::RGBA8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.row(y) + 4 * x;
            p[0] = uint8_t(x * 255 / (w - 1));
            p[1] = uint8_t(y * 255 / (h - 1));
            p[2] = (x / 8 + y / 8) % 2 ? 200 : 40;
            p[3] = opaque ? 255 : uint8_t(255 - 85 * ((x * 4) / w));
        }
    return b;
}

// Largest difference of any channel; colour is ignored where both are fully transparent.
int maxDifference(const Bitmap& a, const Bitmap& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    if (a.width() != b.width() || a.height() != b.height()) return 256;
    int m = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 4; ++x) {
            if (x % 4 != 3 && a.row(y)[x | 3] == 0 && b.row(y)[x | 3] == 0) continue;
            m = std::max(m, std::abs(int(a.row(y)[x]) - int(b.row(y)[x])));
        }
    return m;
}

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The message of the Error `f` throws, "" when it throws none; any other exception fails.
template <class F>
std::string errorOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "not an imaging::Error: " << e.what();
    }
    return {};
}

class ImageIO : public ::testing::Test {
  protected:
    // The name's bytes as they are: some are not UTF-8.
    std::string path(const std::string& name) const {
        return QFile::encodeName(dir_.path()).toStdString() + "/" + name;
    }
    void write(const std::string& name, const QByteArray& bytes) const {
        writeBytes(path(name), {bytes.begin(), bytes.end()});
    }
    QByteArray read(const std::string& name) const {
        const std::vector<uint8_t> b = fileBytes(path(name));
        return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
    }
    void TearDown() override { testfiles::removeFilesByBytes(dir_.path()); }
    QTemporaryDir dir_;
};
using HostileFiles = ImageIO;

uint32_t crc32(uint32_t, const uint8_t* p, size_t n) {
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
    }
    return ~c;
}

void putBE32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + size_t(i)] = uint8_t(x >> (24 - 8 * i));
}

// A PNG whose header claims w x h pixels, followed by a little real image data.
std::vector<uint8_t> pngClaiming(uint32_t w, uint32_t h) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
    std::vector<uint8_t> ihdr = {0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 0, 0,
                                 0, 0, 0, 8,  6,   0,   0,   0,   0, 0, 0, 0};
    putBE32(ihdr, 8, w);
    putBE32(ihdr, 12, h);
    putBE32(ihdr, 21, uint32_t(crc32(0, ihdr.data() + 4, 17)));
    png.insert(png.end(), ihdr.begin(), ihdr.end());
    std::vector<uint8_t> idat = {0,    0, 0, 12, 'I', 'D', 'A', 'T', 0x78, 0x9c, 0x63,
                                 0x60, 0, 0, 0,  4,   0,   1,   0,   0,    0,    0};
    putBE32(idat, 16, uint32_t(crc32(0, idat.data() + 4, 12)));
    png.insert(png.end(), idat.begin(), idat.end());
    return png;
}

// An SGI header (read through ImageMagick) claiming w x h RGBA pixels.
std::vector<uint8_t> sgiClaiming(uint16_t w, uint16_t h) {
    std::vector<uint8_t> sgi(512 + 64, 0);
    sgi[0] = 0x01, sgi[1] = 0xda;  // magic
    sgi[2] = 0, sgi[3] = 1;        // no compression, 1 byte per channel
    sgi[5] = 3;                    // dimensions
    sgi[6] = uint8_t(w >> 8), sgi[7] = uint8_t(w);
    sgi[8] = uint8_t(h >> 8), sgi[9] = uint8_t(h);
    sgi[11] = 4;    // channels
    sgi[19] = 255;  // max value
    return sgi;
}

// Runs `read` in a child process whose address space is capped at what it uses now plus
// 512 MB, and expects a refusal: a reader that allocated the claimed size first would die of
// bad_alloc instead.
void expectRefusedWithinMemory(const std::function<void()>& read, bool saysTooLarge = true) {
    EXPECT_EXIT(
        {
            std::ifstream status("/proc/self/status");
            std::string line;
            long kb = 0;
            while (std::getline(status, line))
                if (line.rfind("VmSize:", 0) == 0) kb = std::stol(line.substr(7));
            rlimit lim{};
            lim.rlim_cur = lim.rlim_max = rlim_t(kb + 512 * 1024) * 1024;
            setrlimit(RLIMIT_AS, &lim);
            try {
                read();
            } catch (const Error& e) {
                std::fprintf(stderr, "%s\n", e.what());
                bool large = std::string(e.what()).find("too large") != std::string::npos;
                std::exit(large || !saysTooLarge ? 0 : 3);
            } catch (...) {
                std::exit(4);
            }
            std::exit(5);
        },
        ::testing::ExitedWithCode(0), "");
}

QByteArray encoded(const QImage& img, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, format);
    if (quality >= 0) w.setQuality(quality);
    EXPECT_TRUE(w.write(img)) << format;
    return bytes;
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

TEST_F(ImageIO, LosslessFormatsRoundTripExactly) {
    const Bitmap alpha = testBitmap(67, 45, false), opaque = testBitmap(67, 45, true);
    struct Case {
        const char* ext;
        bool keepsAlpha;
    };
    // TGA, SGI and PSD go through ImageMagick; PSD alters semi-transparent colours, so it gets
    // an opaque picture.
    for (Case c : {Case{"png", true}, Case{"tiff", true}, Case{"tif", false}, Case{"bmp", false},
                   Case{"tga", true}, Case{"sgi", true}, Case{"psd", false}, Case{"ppm", false},
                   Case{"PNG", true}}) {
        const Bitmap& src = c.keepsAlpha ? alpha : opaque;
        const std::string p = path(std::string("pic.") + c.ext);
        io::writeBitmap(src, p);
        Bitmap back = io::readBitmap(p);
        EXPECT_EQ(back.format(), PixelFormat::RGBA8) << c.ext;
        // Qt's TIFF reader premultiplies on the way in: semi-transparent colours may move by one.
        EXPECT_LE(maxDifference(src, back), std::string(c.ext).starts_with("tif") ? 1 : 0) << c.ext;
    }
}

TEST_F(ImageIO, JpegAndEngineFloatsComeBackClose) {
    const Bitmap src = testBitmap(64, 64, true);
    io::writeBitmap(src, path("pic.jpg"), 72, 95);
    Bitmap back = io::readBitmap(path("pic.jpg"));
    EXPECT_LE(maxDifference(src, back), 80);  // at the checker edges; smooth areas are far closer
    EXPECT_GT(maxDifference(src, back), 0);   // it is a lossy format after all

    // Engine floats are encoded as sRGB bytes on the way out.
    Bitmap floats(2, 1, PixelFormat::RGBAF);
    auto* px = reinterpret_cast<Px*>(floats.row(0));
    px[0] = Px{0.2140f, 0.5f, 1.f, 1.f};  // linear 0.214 is sRGB 128
    px[1] = Px{0.25f, 0.f, 0.f, 0.5f};    // premultiplied: straight linear 0.5 is sRGB 188
    io::writeBitmap(floats, path("floats.png"));
    Bitmap b = io::readBitmap(path("floats.png"));
    EXPECT_NEAR(b.row(0)[0], 128, 1);
    EXPECT_EQ(b.row(0)[2], 255);
    EXPECT_NEAR(b.row(0)[4], 188, 1);
    EXPECT_NEAR(b.row(0)[7], 128, 1);
}

TEST_F(ImageIO, EncodedDataRoundTrips) {
    const Bitmap src = testBitmap(33, 21, false);
    for (const char* fmt : {"png", "tiff"}) {
        std::vector<uint8_t> data = io::encodeBitmap(src, fmt);
        EXPECT_EQ(maxDifference(src, io::decodeBitmap(data.data(), data.size())), 0) << fmt;
        Image img = io::imageWithData(data);
        EXPECT_EQ(img.extent(), (Rect{0, 0, 33, 21})) << fmt;
    }
    // A format only ImageMagick knows, recognised from its content.
    io::writeBitmap(src, path("pic.sgi"));
    std::vector<uint8_t> sgi = fileBytes(path("pic.sgi"));
    EXPECT_EQ(maxDifference(src, io::decodeBitmap(sgi.data(), sgi.size())), 0);
}

TEST_F(ImageIO, MissingForeignAndEmptyInputsAreRefusedClearly) {
    EXPECT_NE(errorOf([&] { io::readBitmap(path("nothing.png")); }).find("does not exist"),
              std::string::npos);
    EXPECT_NE(errorOf([&] { io::readBitmap(dir_.path().toStdString()); }).find("cannot be read"),
              std::string::npos);

    writeBytes(path("notes.png"), {'h', 'e', 'l', 'l', 'o', '\n'});
    std::string m = errorOf([&] { io::readBitmap(path("notes.png")); });
    EXPECT_NE(m.find("notes.png"), std::string::npos) << m;
    writeBytes(path("empty.tif"), {});
    EXPECT_NE(errorOf([&] { io::readBitmap(path("empty.tif")); }).find("empty.tif"),
              std::string::npos);

    const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(errorOf([&] { io::decodeBitmap(junk, sizeof junk); }).empty());
    EXPECT_FALSE(errorOf([&] { io::decodeBitmap(nullptr, 0); }).empty());
}

TEST_F(ImageIO, TruncatedFilesGiveAnErrorNotAPartialPicture) {
    const Bitmap src = testBitmap(200, 150, false), opaque = testBitmap(200, 150, true);
    for (const char* ext : {"png", "tiff", "jpg", "bmp", "sgi", "psd", "tga"}) {
        const std::string whole = path(std::string("whole.") + ext);
        io::writeBitmap(
            std::string(ext) == "jpg" || std::string(ext) == "bmp" || std::string(ext) == "psd"
                ? opaque
                : src,
            whole);
        std::vector<uint8_t> bytes = fileBytes(whole);
        // ImageMagick's PSD reader takes a file cut within its pixel data for a whole one; it
        // is only checked cut within its headers.
        for (double keep : std::string(ext) == "psd" ? std::vector{0.1} : std::vector{0.6, 0.1}) {
            const std::string cut = path("cut" + std::to_string(int(keep * 10)) + "." + ext);
            writeBytes(cut, {bytes.begin(), bytes.begin() + ptrdiff_t(bytes.size() * keep)});
            std::string m = errorOf([&] { io::readBitmap(cut); });
            EXPECT_NE(m.find("cut"), std::string::npos) << ext << " " << keep << ": " << m;
        }
    }
}

TEST_F(ImageIO, AbsurdSizesAreRefusedBeforeAllocating) {
    // Beyond 64k on a side, and within it but beyond the pixel limit (1.6 GB of pixels).
    for (uint32_t side : {70000u, 20000u}) {
        writeBytes(path("huge.png"), pngClaiming(side, side));
        expectRefusedWithinMemory([&] { io::readBitmap(path("huge.png")); });
        std::vector<uint8_t> data = pngClaiming(side, side);
        expectRefusedWithinMemory([&] { io::decodeBitmap(data.data(), data.size()); });
    }
    // ImageMagick's reader sees first that the file is far shorter than its header claims.
    writeBytes(path("huge.sgi"), sgiClaiming(20000, 20000));
    expectRefusedWithinMemory([&] { io::readBitmap(path("huge.sgi")); }, false);
    std::vector<uint8_t> sgi = sgiClaiming(20000, 20000);
    expectRefusedWithinMemory([&] { io::decodeBitmap(sgi.data(), sgi.size()); }, false);
}

TEST_F(ImageIO, AFailedWriteLeavesTheOldFileAsItWas) {
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    const Bitmap pic = testBitmap(16, 16, true);
    // No writer for the format, no picture, a picture JPEG cannot hold.
    struct Case {
        std::string name;
        Bitmap bitmap;
    };
    for (const Case& c : {Case{"keep.nosuchformat", pic}, Case{"keep.png", Bitmap()},
                          Case{"keep.jpg", Bitmap(65535, 1, PixelFormat::RGBA8)}}) {
        writeBytes(path(c.name), old);
        EXPECT_FALSE(errorOf([&] { io::writeBitmap(c.bitmap, path(c.name)); }).empty()) << c.name;
        EXPECT_EQ(fileBytes(path(c.name)), old) << c.name;
    }
    // Nothing half-written is left beside them.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 3);
    // A folder that does not exist.
    std::string m = errorOf([&] { io::writeBitmap(pic, path("no/such/folder/x.png")); });
    EXPECT_NE(m.find("x.png"), std::string::npos) << m;
}

TEST_F(ImageIO, FileNamesAreNeverReadAsReaderInstructions) {
    // ImageMagick gives "format:" prefixes a meaning (ephemeral: deletes the file once read).
    const Bitmap src = testBitmap(16, 16, true);
    io::writeBitmap(src, path("pic.sgi"));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(path("pic.sgi")),
                            QString::fromStdString(path("ephemeral:x.sgi"))));
    QDir::setCurrent(dir_.path());
    EXPECT_EQ(maxDifference(src, io::readBitmap("ephemeral:x.sgi")), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path("ephemeral:x.sgi"))));
}

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
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"full.jpg", "full.png", "full.sgi", "full.tif"}));
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
