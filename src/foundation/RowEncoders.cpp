#include "foundation/RowEncoders.h"

#include <jerror.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <QColorSpace>
#include <QIODevice>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "imaging/io/TiffCodec.h"

namespace foundation {

RowEncoder::~RowEncoder() = default;

namespace {

// ---------------------------------------------------------------------------------- TIFF

class TiffRows final : public RowEncoder {
  public:
    TiffRows(QIODevice& out, const Layout& layout)
        : m_layout(layout), m_tiff(imaging::io::openTiffForWriting(out, "wB")) {}
    ~TiffRows() override {
        if (m_tiff) TIFFClose(m_tiff);
    }

    bool start() {
        TIFF* t = m_tiff;
        if (!t) return fail();
        const Layout& l = m_layout;
        bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(l.width)) &&
                  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(l.height)) &&
                  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        // Whole dots per centimetre are stored as such, anything else in dots per inch.
        if (l.dotsPerMeterX % 100 == 0 && l.dotsPerMeterY % 100 == 0) {
            ok = ok && TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER) &&
                 TIFFSetField(t, TIFFTAG_XRESOLUTION, l.dotsPerMeterX / 100.0) &&
                 TIFFSetField(t, TIFFTAG_YRESOLUTION, l.dotsPerMeterY / 100.0);
        } else {
            ok = ok && TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
                 TIFFSetField(t, TIFFTAG_XRESOLUTION, double(float(inches(l.dotsPerMeterX)))) &&
                 TIFFSetField(t, TIFFTAG_YRESOLUTION, double(float(inches(l.dotsPerMeterY))));
        }
        ok = ok && TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        if (!l.iccProfile.isEmpty())
            ok = ok && TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(l.iccProfile.size()),
                                    l.iccProfile.constData());
        ok = ok && TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
             TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
             TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, l.alpha ? 4 : 3) &&
             TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        if (l.alpha) {
            const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            ok = ok && TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        // Strips of about 4 MB.
        const int64_t scan = std::max<int64_t>(1, TIFFScanlineSize(t));
        const auto wanted = uint32_t(std::clamp<int64_t>((4 << 20) / scan, 1, UINT32_MAX));
        return (ok && TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, wanted))) ||
               fail();
    }

    bool writeRows(const QImage& rows) override {
        for (int y = 0; y < rows.height(); ++y, ++m_row)
            if (TIFFWriteScanline(m_tiff, const_cast<uchar*>(rows.constScanLine(y)),
                                  uint32_t(m_row), 0) != 1)
                return fail();
        return true;
    }

    bool finish() override {
        // Closing writes the last strip and the directory; their failure is the file's.
        const bool ok = TIFFFlush(m_tiff) == 1;
        TIFFClose(m_tiff);
        m_tiff = nullptr;
        return ok || fail();
    }

  private:
    static int inches(int dotsPerMeter) { return qRound(dotsPerMeter * 0.0254); }
    bool fail() {
        if (m_error.isEmpty())
            m_error = QStringLiteral("The picture could not be written as TIFF.");
        return false;
    }

    Layout m_layout;
    TIFF* m_tiff;
    int m_row = 0;
};

// ----------------------------------------------------------------------------------- PNG

class PngRows final : public RowEncoder {
  public:
    PngRows(QIODevice& out, const Layout& layout) : m_out(out), m_layout(layout) {}
    ~PngRows() override {
        if (m_png) png_destroy_write_struct(&m_png, &m_info);
    }

    bool start() {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
        if (!m_png) return fail();
        m_info = png_create_info_struct(m_png);
        if (!m_info) return fail();
        // libpng reports errors by jumping back here; nothing below owns resources.
        if (setjmp(png_jmpbuf(m_png))) return fail();
        png_set_write_fn(m_png, &m_out, onWrite, onFlush);
        const Layout& l = m_layout;
        png_set_IHDR(m_png, m_info, png_uint_32(l.width), png_uint_32(l.height), 8,
                     l.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
        if (!l.iccProfile.isEmpty()) {
            m_profileName = QColorSpace::fromIccProfile(l.iccProfile).description().toLatin1();
            if (m_profileName.isEmpty()) m_profileName = "Custom";
            png_set_iCCP(m_png, m_info, m_profileName.constData(), PNG_COMPRESSION_TYPE_BASE,
                         reinterpret_cast<png_const_bytep>(l.iccProfile.constData()),
                         png_uint_32(l.iccProfile.size()));
        }
        if (l.dotsPerMeterX > 0 || l.dotsPerMeterY > 0)
            png_set_pHYs(m_png, m_info, png_uint_32(l.dotsPerMeterX), png_uint_32(l.dotsPerMeterY),
                         PNG_RESOLUTION_METER);
        png_write_info(m_png, m_info);
        return true;
    }

    bool writeRows(const QImage& rows) override {
        if (setjmp(png_jmpbuf(m_png))) return fail();
        for (int y = 0; y < rows.height(); ++y) png_write_row(m_png, rows.constScanLine(y));
        return true;
    }

    bool finish() override {
        if (setjmp(png_jmpbuf(m_png))) return fail();
        png_write_end(m_png, m_info);
        return true;
    }

  private:
    static PngRows* self(png_structp png) { return static_cast<PngRows*>(png_get_error_ptr(png)); }
    static void onError(png_structp png, png_const_charp message) {
        PngRows* me = self(png);
        if (me->m_error.isEmpty()) me->m_error = QString::fromLatin1(message);
        png_longjmp(png, 1);
    }
    static void onWarning(png_structp, png_const_charp) {}
    static void onWrite(png_structp png, png_bytep data, png_size_t n) {
        auto* out = static_cast<QIODevice*>(png_get_io_ptr(png));
        if (out->write(reinterpret_cast<const char*>(data), qint64(n)) != qint64(n)) {
            PngRows* me = self(png);
            if (me->m_error.isEmpty()) me->m_error = out->errorString();
            png_error(png, "write failed");
        }
    }
    static void onFlush(png_structp) {}
    bool fail() {
        if (m_error.isEmpty()) m_error = QStringLiteral("The picture could not be written as PNG.");
        return false;
    }

    QIODevice& m_out;
    Layout m_layout;
    QByteArray m_profileName;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// ---------------------------------------------------------------------------------- JPEG

class JpegRows final : public RowEncoder {
  public:
    JpegRows(QIODevice& out, const Layout& layout) : m_out(out), m_layout(layout) {
        m_buffer.resize(4096);
    }
    ~JpegRows() override {
        if (m_created) jpeg_destroy_compress(&m_cinfo);
    }

    bool start() {
        m_cinfo.err = jpeg_std_error(&m_err.pub);
        m_err.pub.error_exit = onError;
        m_err.pub.output_message = [](j_common_ptr) {};
        m_err.owner = this;
        if (setjmp(m_err.jump)) return fail();
        jpeg_create_compress(&m_cinfo);
        m_created = true;
        m_dest.init_destination = initDestination;
        m_dest.empty_output_buffer = emptyBuffer;
        m_dest.term_destination = termDestination;
        m_cinfo.dest = &m_dest;
        m_cinfo.client_data = this;
        const Layout& l = m_layout;
        m_cinfo.image_width = JDIMENSION(l.width);
        m_cinfo.image_height = JDIMENSION(l.height);
        m_cinfo.input_components = 3;
        m_cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&m_cinfo);
        // The density in whichever unit states it more exactly.
        const double inchX = l.dotsPerMeterX * 2.54 / 100., inchY = l.dotsPerMeterY * 2.54 / 100.;
        const double cmX = l.dotsPerMeterX / 100., cmY = l.dotsPerMeterY / 100.;
        const double offInch = std::abs(inchX - qRound(inchX)) + std::abs(inchY - qRound(inchY));
        const double offCm = (std::abs(cmX - qRound(cmX)) + std::abs(cmY - qRound(cmY))) * 2.54;
        if (offInch < offCm) {
            m_cinfo.density_unit = 1;
            m_cinfo.X_density = UINT16(qRound(inchX));
            m_cinfo.Y_density = UINT16(qRound(inchY));
        } else {
            m_cinfo.density_unit = 2;
            m_cinfo.X_density = UINT16((l.dotsPerMeterX + 50) / 100);
            m_cinfo.Y_density = UINT16((l.dotsPerMeterY + 50) / 100);
        }
        jpeg_set_quality(&m_cinfo, l.quality >= 0 ? std::min(l.quality, 100) : 75, TRUE);
        m_cinfo.optimize_coding = FALSE;
        jpeg_start_compress(&m_cinfo, TRUE);
        writeProfile();
        return true;
    }

    bool writeRows(const QImage& rows) override {
        if (setjmp(m_err.jump)) return fail();
        for (int y = 0; y < rows.height(); ++y) {
            JSAMPROW row = const_cast<JSAMPROW>(rows.constScanLine(y));
            jpeg_write_scanlines(&m_cinfo, &row, 1);
        }
        return true;
    }

    bool finish() override {
        if (setjmp(m_err.jump)) return fail();
        jpeg_finish_compress(&m_cinfo);
        return true;
    }

  private:
    struct ErrorManager {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
        JpegRows* owner;
    };

    // The profile in APP2 markers of at most 65519 bytes each, numbered from 1.
    void writeProfile() {
        const QByteArray& icc = m_layout.iccProfile;
        if (icc.isEmpty()) return;
        constexpr int maxData = 65533 - (12 + 2);
        const int markers = int((icc.size() + maxData - 1) / maxData);
        qsizetype at = 0;
        for (int marker = 1; marker <= markers; ++marker) {
            const int n = int(std::min<qsizetype>(maxData, icc.size() - at));
            jpeg_write_m_header(&m_cinfo, JPEG_APP0 + 2, unsigned(14 + n));
            for (char c : QByteArray("ICC_PROFILE", 12)) jpeg_write_m_byte(&m_cinfo, c);
            jpeg_write_m_byte(&m_cinfo, marker);
            jpeg_write_m_byte(&m_cinfo, markers);
            for (int i = 0; i < n; ++i) jpeg_write_m_byte(&m_cinfo, icc[at + i]);
            at += n;
        }
    }

    static JpegRows* self(j_compress_ptr c) { return static_cast<JpegRows*>(c->client_data); }
    static void onError(j_common_ptr c) {
        auto* err = reinterpret_cast<ErrorManager*>(c->err);
        char text[JMSG_LENGTH_MAX];
        (*c->err->format_message)(c, text);
        if (err->owner->m_error.isEmpty()) err->owner->m_error = QString::fromLatin1(text);
        std::longjmp(err->jump, 1);
    }
    static void initDestination(j_compress_ptr c) {
        JpegRows* me = self(c);
        me->m_dest.next_output_byte = me->m_buffer.data();
        me->m_dest.free_in_buffer = me->m_buffer.size();
    }
    static boolean emptyBuffer(j_compress_ptr c) {
        JpegRows* me = self(c);
        me->flushBuffer(me->m_buffer.size());
        initDestination(c);
        return TRUE;
    }
    static void termDestination(j_compress_ptr c) {
        JpegRows* me = self(c);
        me->flushBuffer(me->m_buffer.size() - me->m_dest.free_in_buffer);
    }
    void flushBuffer(size_t n) {
        if (m_out.write(reinterpret_cast<const char*>(m_buffer.data()), qint64(n)) != qint64(n)) {
            if (m_error.isEmpty()) m_error = m_out.errorString();
            ERREXIT(&m_cinfo, JERR_FILE_WRITE);
        }
    }
    bool fail() {
        if (m_error.isEmpty())
            m_error = QStringLiteral("The picture could not be written as JPEG.");
        return false;
    }

    QIODevice& m_out;
    Layout m_layout;
    std::vector<JOCTET> m_buffer;
    jpeg_compress_struct m_cinfo{};
    ErrorManager m_err{};
    jpeg_destination_mgr m_dest{};
    bool m_created = false;
};

}  // namespace

bool hasRowEncoder(const QByteArray& writer) {
    return writer == "tiff" || writer == "png" || writer == "jpeg";
}

namespace {
template <class Encoder>
std::unique_ptr<RowEncoder> started(QIODevice& out, const RowEncoder::Layout& layout,
                                    QString& error) {
    auto e = std::make_unique<Encoder>(out, layout);
    if (e->start()) return e;
    error = e->error();
    return nullptr;
}
}  // namespace

std::unique_ptr<RowEncoder> makeRowEncoder(const QByteArray& writer, QIODevice& out,
                                           const RowEncoder::Layout& layout, QString& error) {
    if (layout.width <= 0 || layout.height <= 0) {
        error = QStringLiteral("There is no picture to write.");
        return nullptr;
    }
    if (writer == "tiff") return started<TiffRows>(out, layout, error);
    if (writer == "png") return started<PngRows>(out, layout, error);
    if (writer == "jpeg") return started<JpegRows>(out, layout, error);
    error = QStringLiteral("There is no row writer for ") + QString::fromLatin1(writer) + '.';
    return nullptr;
}

}  // namespace foundation
