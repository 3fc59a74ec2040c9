#include "foundation/PdfWriter.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <QIODevice>

namespace foundation {

namespace {

cairo_status_t writeToDevice(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<QIODevice*>(closure);
    return out->write(reinterpret_cast<const char*>(data), qint64(length)) == qint64(length)
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

bool fail(QString* error, const QString& message) {
    if (error) *error = message;
    return false;
}

QString cairoMessage(cairo_status_t status) {
    return QString::fromUtf8(cairo_status_to_string(status));
}

}  // namespace

bool writePDFImage(const QImage& source, QIODevice& out, QString* error) {
    if (source.isNull()) return fail(error, QStringLiteral("There is no picture to write."));
    // cairo's ARGB32 is Qt's premultiplied ARGB32 (native-endian words); opaque pictures go in
    // as RGB24 so that the document carries no soft mask.
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return fail(error, QStringLiteral("There is not enough memory to write the picture."));

    const int w = image.width(), h = image.height();
    cairo_surface_t* picture = cairo_image_surface_create_for_data(
        const_cast<uchar*>(image.constBits()), alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, w,
        h, int(image.bytesPerLine()));
    cairo_surface_t* pdf = cairo_pdf_surface_create_for_stream(writeToDevice, &out, w, h);
    cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_CREATOR, "Deverav");

    cairo_t* cr = cairo_create(pdf);
    cairo_save(cr);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_show_page(cr);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);

    cairo_surface_finish(pdf);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(pdf);
    cairo_surface_destroy(pdf);
    cairo_surface_destroy(picture);
    if (status != CAIRO_STATUS_SUCCESS)
        return fail(error, QStringLiteral("The PDF document could not be written (%1).")
                               .arg(cairoMessage(status)));
    return true;
}

}  // namespace foundation
