// oneTBB before Qt: Qt's `emit` keyword breaks a TBB header.
#include <tbb/parallel_for.h>

#include "imaging/io/ColorProfile.h"

#include <lcms2.h>
#include <zlib.h>

#include <QColorSpace>
#include <map>
#include <memory>

namespace imaging::io {

namespace {

struct ProfileDeleter {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformDeleter {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using ProfilePtr = std::unique_ptr<void, ProfileDeleter>;
using TransformPtr = std::unique_ptr<void, TransformDeleter>;

ProfilePtr openProfile(const QByteArray& icc) {
    if (icc.size() < 132) return nullptr;
    return ProfilePtr(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
}

// lcms2 reports problems through a process-wide handler; they are answered by return values.
void quietLcms() {
    static const bool once = [] {
        cmsSetLogErrorHandler([](cmsContext, cmsUInt32Number, const char*) {});
        return true;
    }();
    (void)once;
}

// Whole rows at a time on all cores; transforms made without the cache may be shared.
void transformRows(void* transform, const uint8_t* src, size_t srcStride, uint8_t* dst,
                   size_t dstStride, int width, int height) {
    tbb::parallel_for(0, height, [&](int y) {
        cmsDoTransform(transform, src + srcStride * size_t(y), dst + dstStride * size_t(y),
                       cmsUInt32Number(width));
    });
}

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

QByteArray jpegProfile(const QByteArray& b) {
    // APP2 "ICC_PROFILE\0" segments, numbered, before the first scan.
    std::map<int, QByteArray> parts;
    qsizetype pos = 2;
    while (pos + 4 <= b.size() && uint8_t(b[pos]) == 0xFF) {
        const int marker = uint8_t(b[pos + 1]);
        if (marker == 0xDA || marker == 0xD9) break;
        const int len = uint8_t(b[pos + 2]) << 8 | uint8_t(b[pos + 3]);
        if (len < 2 || pos + 2 + len > b.size()) break;
        if (marker == 0xE2 && len >= 16 && b.mid(pos + 4, 12) == QByteArray("ICC_PROFILE\0", 12))
            parts[uint8_t(b[pos + 16])] = b.mid(pos + 18, len - 16);
        pos += 2 + len;
    }
    QByteArray icc;
    for (auto& [n, part] : parts) icc += part;
    return icc;
}

QByteArray pngProfile(const QByteArray& b) {
    qsizetype pos = 8;
    while (pos + 12 <= b.size()) {
        const uint32_t len = be32(reinterpret_cast<const uint8_t*>(b.constData() + pos));
        const QByteArray type = b.mid(pos + 4, 4);
        if (type == "IDAT" || type == "IEND" || len > uint32_t(b.size() - pos - 12)) break;
        if (type == "iCCP") {
            const QByteArray data = b.mid(pos + 8, len);
            const qsizetype nul = data.indexOf('\0');
            if (nul < 0 || nul + 2 > data.size()) return {};
            const QByteArray deflated = data.mid(nul + 2);
            // Profiles are small; a chunk that inflates beyond 16 MB is not one.
            QByteArray out(1 << 16, Qt::Uninitialized);
            z_stream z{};
            if (inflateInit(&z) != Z_OK) return {};
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.constData()));
            z.avail_in = uInt(deflated.size());
            int status = Z_OK;
            while (status == Z_OK) {
                if (z.total_out == uLong(out.size())) {
                    if (out.size() >= (16 << 20)) break;
                    out.resize(out.size() * 2);
                }
                z.next_out = reinterpret_cast<Bytef*>(out.data() + z.total_out);
                z.avail_out = uInt(out.size() - qsizetype(z.total_out));
                status = inflate(&z, Z_NO_FLUSH);
            }
            inflateEnd(&z);
            if (status != Z_STREAM_END) return {};
            out.truncate(qsizetype(z.total_out));
            return out;
        }
        pos += 12 + qsizetype(len);
    }
    return {};
}

}  // namespace

ProfileSpace profileSpace(const QByteArray& icc) {
    quietLcms();
    ProfilePtr p = openProfile(icc);
    if (!p) return ProfileSpace::None;
    switch (cmsUInt32Number(cmsGetColorSpace(p.get()))) {
        case cmsSigRgbData:
            return ProfileSpace::RGB;
        case cmsSigGrayData:
            return ProfileSpace::Gray;
        case cmsSigCmykData:
            return ProfileSpace::CMYK;
        default:
            return ProfileSpace::Other;
    }
}

bool convertToSRGB(Bitmap& bitmap, const QByteArray& icc) {
    if (bitmap.isNull() || bitmap.format() != PixelFormat::RGBA8) return false;
    quietLcms();
    // Most photographs say sRGB: nothing to do.
    if (QColorSpace::fromIccProfile(icc) == QColorSpace(QColorSpace::SRgb)) return true;
    ProfilePtr in = openProfile(icc);
    if (!in) return false;
    // Kept as a number: a damaged profile's value need not be one of the enumeration's.
    const cmsUInt32Number space = cmsGetColorSpace(in.get());
    cmsUInt32Number inFormat;
    if (space == cmsSigRgbData)
        inFormat = TYPE_RGBA_8;
    else if (space == cmsSigGrayData)
        inFormat = COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3);
    else
        return false;
    ProfilePtr out(cmsCreate_sRGBProfile());
    // Alpha is an extra channel that the transform skips: it stays as it was.
    TransformPtr t(cmsCreateTransform(in.get(), inFormat, out.get(), TYPE_RGBA_8, INTENT_PERCEPTUAL,
                                      cmsFLAGS_NOCACHE));
    if (!t) return false;
    Bitmap converted(bitmap.width(), bitmap.height(), PixelFormat::RGBA8, false);
    transformRows(t.get(), bitmap.data(), bitmap.bytesPerRow(), converted.data(),
                  converted.bytesPerRow(), bitmap.width(), bitmap.height());
    for (int y = 0; y < bitmap.height(); ++y) {
        const uint8_t* s = bitmap.row(y);
        uint8_t* d = converted.row(y);
        for (int x = 0; x < bitmap.width(); ++x) d[4 * x + 3] = s[4 * x + 3];
    }
    bitmap = std::move(converted);
    return true;
}

Bitmap cmykToSRGB(const uint8_t* cmyk, int width, int height, int channels, const QByteArray& icc) {
    quietLcms();
    ProfilePtr in = openProfile(icc);
    if (!in || cmsGetColorSpace(in.get()) != cmsSigCmykData || (channels != 4 && channels != 5))
        return {};
    ProfilePtr out(cmsCreate_sRGBProfile());
    const cmsUInt32Number inFormat = channels == 5 ? (TYPE_CMYK_8 | EXTRA_SH(1)) : TYPE_CMYK_8;
    TransformPtr t(cmsCreateTransform(in.get(), inFormat, out.get(), TYPE_RGBA_8, INTENT_PERCEPTUAL,
                                      cmsFLAGS_NOCACHE));
    if (!t) return {};
    Bitmap b(width, height, PixelFormat::RGBA8, false);
    const size_t stride = size_t(width) * size_t(channels);
    transformRows(t.get(), cmyk, stride, b.data(), b.bytesPerRow(), width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* d = b.row(y);
        const uint8_t* s = cmyk + stride * size_t(y);
        for (int x = 0; x < width; ++x) d[4 * x + 3] = channels == 5 ? s[5 * x + 4] : 255;
    }
    return b;
}

QByteArray embeddedProfile(const QByteArray& file) {
    if (file.startsWith("\xff\xd8")) return jpegProfile(file);
    if (file.startsWith("\x89PNG\r\n\x1a\n")) return pngProfile(file);
    return {};
}

const QByteArray& srgbProfile() {
    static const QByteArray icc = QColorSpace(QColorSpace::SRgb).iccProfile();
    return icc;
}

}  // namespace imaging::io
