#include "imaging/io/TiffCodec.h"

#include <tiffio.h>

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/Error.h"
#include "imaging/io/ColorProfile.h"

namespace imaging::io {

namespace {

// libtiff reading from memory; mapping hands it the bytes themselves, so uncompressed strips
// are not copied.
struct Source {
    const char* data;
    toff_t size, pos = 0;
};

tsize_t readProc(thandle_t h, tdata_t buf, tsize_t n) {
    auto* s = static_cast<Source*>(h);
    const toff_t left = s->pos < s->size ? s->size - s->pos : 0;
    const toff_t count = std::min<toff_t>(toff_t(n), left);
    std::memcpy(buf, s->data + s->pos, count);
    s->pos += count;
    return tsize_t(count);
}
tsize_t writeProc(thandle_t, tdata_t, tsize_t) {
    return 0;
}

// libtiff writing into a device.
tsize_t deviceRead(thandle_t, tdata_t, tsize_t) {
    return 0;
}
tsize_t deviceWrite(thandle_t h, tdata_t buf, tsize_t n) {
    return tsize_t(static_cast<QIODevice*>(h)->write(static_cast<const char*>(buf), qint64(n)));
}
toff_t deviceSeek(thandle_t h, toff_t off, int whence) {
    auto* d = static_cast<QIODevice*>(h);
    const qint64 base = whence == SEEK_CUR ? d->pos() : whence == SEEK_END ? d->size() : 0;
    if (!d->seek(base + qint64(off))) return toff_t(-1);
    return toff_t(d->pos());
}
toff_t deviceSize(thandle_t h) {
    return toff_t(static_cast<QIODevice*>(h)->size());
}
int noMap(thandle_t, tdata_t*, toff_t*) {
    return 0;
}
toff_t seekProc(thandle_t h, toff_t off, int whence) {
    auto* s = static_cast<Source*>(h);
    const toff_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->size : 0;
    s->pos = base + off;
    return s->pos;
}
int closeProc(thandle_t) {
    return 0;
}
toff_t sizeProc(thandle_t h) {
    return static_cast<Source*>(h)->size;
}
int mapProc(thandle_t h, tdata_t* base, toff_t* size) {
    auto* s = static_cast<Source*>(h);
    *base = const_cast<char*>(s->data);
    *size = s->size;
    return 1;
}
void unmapProc(thandle_t, tdata_t, toff_t) {}

}  // namespace

using TiffPtr = std::unique_ptr<TIFF, void (*)(TIFF*)>;

TiffPtr openForReading(Source& src) {
    return TiffPtr(TIFFClientOpen("memory", "r", &src, readProc, writeProc, seekProc, closeProc,
                                  sizeProc, mapProc, unmapProc),
                   TIFFClose);
}

bool looksLikeTiff(const QByteArray& bytes) {
    // Four bytes each: a literal would stop at the zero byte.
    return bytes.startsWith(QByteArrayView("II*\0", 4)) ||
           bytes.startsWith(QByteArrayView("MM\0*", 4));
}

TiffResult readTiffDirect(const QByteArray& bytes, Bitmap& out, std::string& detail,
                          const std::function<void(size_t, size_t)>& done) {
    if (!looksLikeTiff(bytes)) return TiffResult::NotHandled;
    Source src{bytes.constData(), toff_t(bytes.size())};
    TiffPtr tif = openForReading(src);
    if (!tif) return TiffResult::NotHandled;  // let the general readers say what is wrong
    uint32_t w = 0, h = 0;
    uint16_t bits = 0, spp = 0, photometric = 0, planar = PLANARCONFIG_CONTIG;
    uint16_t orientation = ORIENTATION_TOPLEFT, extraCount = 0, *extra = nullptr;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric)) return TiffResult::NotHandled;
    const bool straightAlpha = spp == 4 && extraCount == 1 && extra[0] == EXTRASAMPLE_UNASSALPHA;
    if (bits != 8 || photometric != PHOTOMETRIC_RGB || planar != PLANARCONFIG_CONTIG ||
        orientation != ORIENTATION_TOPLEFT || TIFFIsTiled(tif.get()) ||
        !(spp == 3 || straightAlpha))
        return TiffResult::NotHandled;
    checkPictureSize(w, h);
    if (TIFFScanlineSize(tif.get()) != tmsize_t(w) * spp) return TiffResult::NotHandled;

    Bitmap b(int(w), int(h), PixelFormat::RGBA8);
    std::vector<uint8_t> line(spp == 3 ? size_t(w) * 3 : 0);
    // A large file is not held in memory beside its picture: each strip is let go once read.
    auto finished = [&](uint32_t strip) {
        if (done && strip < TIFFNumberOfStrips(tif.get()))
            done(size_t(TIFFGetStrileOffset(tif.get(), strip)),
                 size_t(TIFFGetStrileByteCount(tif.get(), strip)));
    };
    uint32_t strip = 0;
    for (uint32_t y = 0; y < h; ++y) {
        if (const uint32_t s = TIFFComputeStrip(tif.get(), y, 0); s != strip) {
            finished(strip);
            strip = s;
        }
        uint8_t* row = b.row(int(y));
        if (TIFFReadScanline(tif.get(), spp == 4 ? row : line.data(), y) < 0) {
            detail = "row " + std::to_string(y) + " of " + std::to_string(h) + " cannot be read";
            return TiffResult::Damaged;
        }
        if (spp == 3)
            for (uint32_t x = 0; x < w; ++x) {
                row[4 * x] = line[3 * x], row[4 * x + 1] = line[3 * x + 1];
                row[4 * x + 2] = line[3 * x + 2], row[4 * x + 3] = 255;
            }
    }
    finished(strip);
    out = std::move(b);
    return TiffResult::Read;
}

QByteArray tiffProfile(const QByteArray& bytes) {
    if (!looksLikeTiff(bytes)) return {};
    Source src{bytes.constData(), toff_t(bytes.size())};
    TiffPtr tif = openForReading(src);
    uint32_t n = 0;
    void* data = nullptr;
    if (!tif || !TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &n, &data) || !data) return {};
    return QByteArray(static_cast<const char*>(data), qsizetype(n));
}

TIFF* openTiffForWriting(QIODevice& out, const char* mode) {
    return TIFFClientOpen("memory", mode, &out, deviceRead, deviceWrite, deviceSeek, closeProc,
                          deviceSize, noMap, unmapProc);
}

bool writeTiffDirect(const Bitmap& b, double dpi, QIODevice& out) {
    if (b.isNull() || b.format() != PixelFormat::RGBA8) return false;
    const uint32_t w = uint32_t(b.width()), h = uint32_t(b.height());
    bool opaque = true;
    for (uint32_t y = 0; y < h && opaque; ++y) {
        const uint8_t* p = b.row(int(y));
        for (uint32_t x = 0; x < w; ++x)
            if (p[4 * x + 3] != 255) {
                opaque = false;
                break;
            }
    }
    const uint16_t spp = opaque ? 3 : 4;
    TiffPtr tif(openTiffForWriting(out, "w"), TIFFClose);
    if (!tif) return false;
    TIFF* t = tif.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    const QByteArray& icc = srgbProfile();
    TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.constData());
    if (!opaque) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (dpi > 0) {
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, float(dpi));
        TIFFSetField(t, TIFFTAG_YRESOLUTION, float(dpi));
    }
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    std::vector<uint8_t> line(opaque ? size_t(w) * 3 : 0);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = b.row(int(y));
        if (opaque) {
            for (uint32_t x = 0; x < w; ++x) {
                line[3 * x] = row[4 * x], line[3 * x + 1] = row[4 * x + 1];
                line[3 * x + 2] = row[4 * x + 2];
            }
            row = line.data();
        }
        if (TIFFWriteScanline(t, const_cast<uint8_t*>(row), y, 0) < 0) return false;
    }
    // Writing the directory flushes the last strip; its failure is the file's.
    return TIFFWriteDirectory(t) != 0;
}

}  // namespace imaging::io
