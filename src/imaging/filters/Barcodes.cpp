#include "imaging/filters/Barcodes.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "imaging/NodeKinds.h"

namespace imaging::barcode {

namespace {

using Symbol = std::unique_ptr<zint_symbol, void (*)(zint_symbol*)>;

Symbol newSymbol(int symbology) {
    Symbol s(ZBarcode_Create(), ZBarcode_Delete);
    if (s) {
        s->symbology = symbology;
        s->input_mode = DATA_MODE;  // the message's bytes as they are
    }
    return s;
}

Modules encoded(zint_symbol* s, std::string_view message) {
    if (!s || message.empty() || message.size() > 8192) return {};
    const int status = ZBarcode_Encode(s, reinterpret_cast<const unsigned char*>(message.data()),
                                       int(message.size()));
    if (status >= ZINT_ERROR || s->rows <= 0 || s->width <= 0 || s->rows > 200 || s->width > 1152)
        return {};
    Modules m;
    m.width = s->width;
    m.height = s->rows;
    m.dark.resize(size_t(m.width) * size_t(m.height));
    // libzint packs each row's modules as bits, the first module in the lowest bit.
    for (int r = 0; r < m.height; ++r)
        for (int c = 0; c < m.width; ++c)
            m.dark[size_t(r) * size_t(m.width) + size_t(c)] =
                (s->encoded_data[r][c >> 3] >> (c & 7)) & 1;
    return m;
}

}  // namespace

Modules qrCode(std::string_view message, int level) {
    Symbol s = newSymbol(BARCODE_QRCODE);
    if (s) s->option_1 = std::clamp(level, 0, 3) + 1;
    return encoded(s.get(), message);
}

Modules aztecCode(std::string_view message, double percent, int layers, bool compact) {
    // libzint's levels are 10, 23, 36 and 50 per cent; its sizes 1 to 4 compact, 5 to 36 full.
    auto attempt = [&](int size) {
        Symbol s = newSymbol(BARCODE_AZTEC);
        if (!s) return Modules{};
        if (size > 0) {
            s->option_2 = size;
        } else {
            const double levels[] = {10, 23, 36, 50};
            int best = 0;
            for (int i = 1; i < 4; ++i)
                if (std::abs(levels[i] - percent) < std::abs(levels[best] - percent)) best = i;
            s->option_1 = best + 1;
        }
        return encoded(s.get(), message);
    };
    if (layers > 0) return attempt(compact ? std::min(layers, 4) : 4 + std::min(layers, 32));
    if (compact)
        for (int size = 1; size <= 4; ++size)
            if (Modules m = attempt(size); !m.isEmpty()) return m;
    return attempt(0);
}

Modules code128(std::string_view message) {
    Symbol s = newSymbol(BARCODE_CODE128);
    Modules m = encoded(s.get(), message);
    if (m.height > 1) m.height = 1, m.dark.resize(size_t(m.width));  // the bars' single row
    return m;
}

Image moduleImage(const Modules& m, double quiet, double cellHeight) {
    if (m.isEmpty() || !(cellHeight > 0)) return {};
    quiet = std::clamp(quiet, 0.0, 1e4);
    const int w = m.width, h = m.height;
    // Dark modules summed from the bottom-left corner: sat[j][i] covers columns < i, rows < j
    // counted from the bottom.
    auto sat = std::make_shared<std::vector<float>>(size_t(w + 1) * size_t(h + 1), 0.f);
    auto S = [w](std::vector<float>& t, int i, int j) -> float& {
        return t[size_t(j) * size_t(w + 1) + size_t(i)];
    };
    for (int j = 1; j <= h; ++j)
        for (int i = 1; i <= w; ++i)
            S(*sat, i, j) = S(*sat, i - 1, j) + S(*sat, i, j - 1) - S(*sat, i - 1, j - 1) +
                            float(m.at(i - 1, h - j));
    const Rect extent{0, 0, w + 2 * quiet, h * cellHeight + 2 * quiet};
    return generator(
        [sat, w, h, quiet, cellHeight, S](Point p, float pixel) {
            // The dark area below and left of a point in module units: the table is exact at
            // corners and bilinear within a module.
            auto F = [&](double u, double v) {
                u = std::clamp(u, 0.0, double(w));
                v = std::clamp(v, 0.0, double(h));
                const int i = std::min(int(u), w - 1), j = std::min(int(v), h - 1);
                const double fu = u - i, fv = v - j;
                auto& t = *sat;
                const double a = S(t, i, j), b = S(t, i + 1, j), c = S(t, i, j + 1),
                             d = S(t, i + 1, j + 1);
                return a + (b - a) * fu + (c - a) * fv + (d - b - c + a) * fu * fv;
            };
            const double half = 0.5 * pixel;
            const double u0 = p.x - half - quiet, u1 = p.x + half - quiet;
            const double v0 = (p.y - half - quiet) / cellHeight,
                         v1 = (p.y + half - quiet) / cellHeight;
            const double dark =
                (F(u1, v1) - F(u0, v1) - F(u1, v0) + F(u0, v0)) / ((u1 - u0) * (v1 - v0));
            const float g = 1 - float(std::clamp(dark, 0.0, 1.0));
            return Px{g, g, g, 1};
        },
        extent);
}

}  // namespace imaging::barcode
