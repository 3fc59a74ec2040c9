#include "imaging/filters/TextPicture.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "imaging/Error.h"

namespace imaging::text {

namespace {

using Surface = std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)>;
using Cairo = std::unique_ptr<cairo_t, void (*)(cairo_t*)>;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n') {
            lines.emplace_back();
        } else if (c != '\r') {
            lines.back() += c;
        }
    }
    return lines;
}

void useFont(cairo_t* cr, const std::string& name, double pixels) {
    cairo_select_font_face(cr, name.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, pixels);
}

}  // namespace

Bitmap draw(const std::string& text, const std::string& fontName, double points, double scale) {
    if (text.empty()) return {};
    const double px = std::clamp(points, 0.1, 2048.0) * std::clamp(scale, 0.01, 64.0);
    const std::vector<std::string> lines = linesOf(text);

    // Measured on a scratch surface first.
    Surface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1), cairo_surface_destroy);
    Cairo measure(cairo_create(scratch.get()), cairo_destroy);
    useFont(measure.get(), fontName, px);
    cairo_font_extents_t font;
    cairo_font_extents(measure.get(), &font);
    double widest = 0;
    for (const std::string& line : lines) {
        cairo_text_extents_t e;
        cairo_text_extents(measure.get(), line.c_str(), &e);
        widest = std::max(widest, e.x_advance);
    }
    const double w = std::ceil(widest) + 2, h = std::ceil(font.height * double(lines.size()));
    if (!(w >= 1 && h >= 1) || w > kMaxSide || h > kMaxSide || w * h > double(kMaxPixels))
        throw Error("The text would make a picture beyond the size limit.");
    const int W = int(w), H = int(h);

    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H), cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        throw Error("There is not enough memory to draw the text.");
    Cairo cr(cairo_create(surface.get()), cairo_destroy);
    useFont(cr.get(), fontName, px);
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    for (size_t i = 0; i < lines.size(); ++i) {
        cairo_move_to(cr.get(), 1, font.ascent + font.height * double(i));
        cairo_show_text(cr.get(), lines[i].c_str());
    }
    cairo_surface_flush(surface.get());

    // Cairo's premultiplied native-endian ARGB words to straight RGBA bytes. The ink is black,
    // so only coverage is carried.
    Bitmap out(W, H, PixelFormat::RGBA8);
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < H; ++y) {
        const auto* src = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
        uint8_t* dst = out.row(y);
        for (int x = 0; x < W; ++x) {
            dst[4 * x] = dst[4 * x + 1] = dst[4 * x + 2] = 0;
            dst[4 * x + 3] = uint8_t(src[x] >> 24);
        }
    }
    return out;
}

}  // namespace imaging::text
