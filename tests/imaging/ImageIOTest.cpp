// Reading and writing picture files and data: round trips through every kind of writer, and
// clear errors (never a crash or a huge allocation) for missing, foreign, damaged and absurd
// files.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>

#include "imaging/Error.h"
#include "imaging/Pixel.h"
#include "imaging/io/ImageIO.h"

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

// The message of the Error `f` throws; fails the test when it throws nothing or something else.
template <class F>
std::string errorOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "not an imaging::Error: " << e.what();
        return {};
    }
    ADD_FAILURE() << "no error";
    return {};
}

class ImageIO : public ::testing::Test {
  protected:
    std::string path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    QTemporaryDir dir_;
};

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
                   Case{"tga", true}, Case{"sgi", true}, Case{"psd", false}, Case{"ppm", false}}) {
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
