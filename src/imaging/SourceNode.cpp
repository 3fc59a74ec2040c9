// Pictures held in memory, with a pyramid of half-size levels for rendering below full scale.

#include <array>
#include <cstring>
#include <mutex>

#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include "imaging/ColorTables.h"
#include "imaging/Error.h"
#include "imaging/NodeKinds.h"
#include "imaging/SourceNode.h"
#include "imaging/WorkingSpace.h"

namespace imaging {

namespace {

// How the pixels of one level become working values.
struct Decoder {
    const float* table;  // for bytes
    bool encodeFloats;   // float pixels are linear: encoded for a render without colour management
};
Decoder decoderFor(WorkingSpace space, size_t level) {
    const bool none = space == WorkingSpace::None;
    // Reduced float levels are built in the space they serve; only the picture itself is linear.
    return {none ? byteUnitTable() : srgbDecodeTable(), none && level == 0};
}

Px encodedFloat(Px p) {
    Px s = unpremultiply(p);
    for (int c = 0; c < 3; ++c) s[c] = linearToSrgb(std::max(s[c], 0.f));
    return premultiply(s);
}

// Reads a pixel of a level at y-up coordinates.
inline Px fetch(const Bitmap& b, int x, int yUp, const Decoder& d) {
    const uint8_t* row = b.row(b.height() - 1 - yUp);
    if (b.format() == PixelFormat::RGBAF) {
        const Px p = reinterpret_cast<const Px*>(row)[x];
        return d.encodeFloats ? encodedFloat(p) : p;
    }
    return decodeRGBA8(row + 4 * size_t(x), d.table);
}

inline void store(Bitmap& b, int x, int yUp, Px p, WorkingSpace space) {
    uint8_t* row = b.row(b.height() - 1 - yUp);
    if (b.format() == PixelFormat::RGBAF) {
        reinterpret_cast<Px*>(row)[x] = p;
    } else if (space == WorkingSpace::None) {
        storeRGBA8(p, row + 4 * size_t(x), false);
    } else {
        encodeRGBA8(p, row + 4 * size_t(x));
    }
}

Bitmap toStraight(const Bitmap& in) {
    if (in.format() != PixelFormat::RGBA8Premultiplied) return in;
    Bitmap out(in.width(), in.height(), PixelFormat::RGBA8);
    for (int y = 0; y < in.height(); ++y) {
        const uint8_t* s = in.row(y);
        uint8_t* d = out.row(y);
        for (int x = 0; x < in.width(); ++x, s += 4, d += 4) {
            unsigned a = s[3];
            d[3] = uint8_t(a);
            for (int c = 0; c < 3; ++c)
                d[c] = a == 0 ? 0 : uint8_t(std::min(255u, (s[c] * 255u + a / 2) / a));
        }
    }
    return out;
}

}  // namespace

struct SourceNode::Storage {
    explicit Storage(Bitmap b) : base(std::move(b)) {
        int w = base.width(), h = base.height();
        size_t n = 0;
        while (w > 1 || h > 1) {
            w = (w + 1) / 2, h = (h + 1) / 2;
            ++n;
        }
        for (auto& l : levels) l.resize(n);
        for (auto& f : flags) f = std::make_unique<std::once_flag[]>(n + 1);
    }

    // Level 0 is the picture itself; level k is the 2x2 average of level k - 1, taken in the
    // working space (each space keeps its own reduced levels).
    const Bitmap& level(size_t k, WorkingSpace space) const {
        if (k == 0) return base;
        const size_t si = size_t(space);
        std::call_once(flags[si][k], [&] {
            const Bitmap& prev = level(k - 1, space);
            const Decoder d = decoderFor(space, k - 1);
            Bitmap next((prev.width() + 1) / 2, (prev.height() + 1) / 2, prev.format());
            // Isolated so that a waiting thread never picks up a render task that needs this level.
            tbb::this_task_arena::isolate([&] {
                tbb::parallel_for(0, next.height(), [&](int y) {
                    for (int x = 0; x < next.width(); ++x) {
                        Px sum{0, 0, 0, 0};
                        int n = 0;
                        for (int dy = 0; dy < 2; ++dy)
                            for (int dx = 0; dx < 2; ++dx) {
                                int sx = 2 * x + dx, sy = 2 * y + dy;
                                if (sx < prev.width() && sy < prev.height()) {
                                    sum += fetch(prev, sx, sy, d);
                                    ++n;
                                }
                            }
                        store(next, x, y, sum / float(n), space);
                    }
                });
            });
            levels[si][k - 1] = std::move(next);
        });
        return levels[si][k - 1];
    }
    size_t levelCount() const { return levels[0].size() + 1; }

    Bitmap base;
    mutable std::array<std::vector<Bitmap>, 2> levels;
    std::array<std::unique_ptr<std::once_flag[]>, 2> flags;
};

SourceNode::SourceNode(std::shared_ptr<Storage> storage, Point origin)
    : Node({},
           Rect{origin.x, origin.y, double(storage->base.width()), double(storage->base.height())}),
      storage_(std::move(storage)),
      origin_(origin) {}

Image SourceNode::create(const Bitmap& bitmap, Point origin) {
    if (bitmap.isNull()) return {};
    checkPictureSize(bitmap.width(), bitmap.height());
    auto storage = std::make_shared<Storage>(toStraight(bitmap));
    return makeImage<SourceNode>(std::move(storage), origin);
}

Image SourceNode::translated(double dx, double dy) const {
    return makeImage<SourceNode>(storage_, Point{origin_.x + dx, origin_.y + dy});
}

const Bitmap& SourceNode::bitmap() const {
    return storage_->base;
}

size_t SourceNode::levelFor(double s) const {
    size_t k = 0;
    while (k + 1 < storage_->levelCount() && std::ldexp(1.0, -int(k + 1)) >= s * (1 - 1e-9)) ++k;
    return k;
}

void SourceNode::prepare(double scale) const {
    storage_->level(levelFor(scale), currentWorkingSpace());
}

void SourceNode::render(const RenderInfo& info, Buffer& out, std::span<const Buffer* const>) const {
    const IRect& r = out.rect();
    const double s = info.scale;
    const size_t k = levelFor(s);
    const WorkingSpace space = currentWorkingSpace();
    const Bitmap& lv = storage_->level(k, space);
    const Decoder d = decoderFor(space, k);
    const double ls = std::ldexp(1.0, -int(k));  // level pixels per picture unit
    const int lw = lv.width(), lh = lv.height();

    // Exact path: output pixels fall on level pixels.
    const double ox = origin_.x * s, oy = origin_.y * s;
    if (std::abs(ls - s) < 1e-12 && ox == std::floor(ox) && oy == std::floor(oy)) {
        const int dx = int(ox), dy = int(oy);
        // Columns of the level inside the output row; transparent either side.
        const int xa = std::clamp(dx, r.x0, r.x1), xb = std::clamp(dx + lw, r.x0, r.x1);
        for (int y = r.y0; y < r.y1; ++y) {
            Px* o = out.row(y);
            const int ly = y - dy;
            if (ly < 0 || ly >= lh || xa >= xb) {
                std::fill(o + r.x0, o + r.x1, Px{0, 0, 0, 0});
                continue;
            }
            std::fill(o + r.x0, o + xa, Px{0, 0, 0, 0});
            std::fill(o + xb, o + r.x1, Px{0, 0, 0, 0});
            const uint8_t* row = lv.row(lh - 1 - ly);
            if (lv.format() == PixelFormat::RGBAF && !d.encodeFloats) {
                std::memcpy(o + xa, reinterpret_cast<const Px*>(row) + (xa - dx),
                            size_t(xb - xa) * sizeof(Px));
            } else {
                for (int x = xa; x < xb; ++x) o[x] = fetch(lv, x - dx, ly, d);
            }
        }
        return;
    }

    // Bilinear path, clamped to the picture's edge pixels, weighted by how much of each output
    // pixel the picture covers.
    const Rect e = extent();
    struct Axis {
        int i0, i1;
        float t, cover;
    };
    auto axis = [&](int pix, double org, double len, int levelLen) {
        double c = (pix + 0.5) / s;  // picture units
        double u = (c - org) * ls - 0.5;
        u = std::clamp(u, 0.0, double(levelLen - 1));
        int i0 = int(std::floor(u));
        int i1 = std::min(i0 + 1, levelLen - 1);
        double lo = std::max(pix / s, org), hi = std::min((pix + 1) / s, org + len);
        float cover = float(std::clamp((hi - lo) * s, 0.0, 1.0));
        return Axis{i0, i1, float(u - i0), cover};
    };
    std::vector<Axis> cols(size_t(r.width()));
    for (int x = r.x0; x < r.x1; ++x) cols[size_t(x - r.x0)] = axis(x, e.x, e.width, lw);
    for (int y = r.y0; y < r.y1; ++y) {
        Axis ry = axis(y, e.y, e.height, lh);
        Px* o = out.row(y);
        for (int x = r.x0; x < r.x1; ++x) {
            const Axis& cx = cols[size_t(x - r.x0)];
            float cover = cx.cover * ry.cover;
            if (cover <= 0.f) {
                o[x] = Px{0, 0, 0, 0};
                continue;
            }
            Px a = fetch(lv, cx.i0, ry.i0, d), b = fetch(lv, cx.i1, ry.i0, d);
            Px c = fetch(lv, cx.i0, ry.i1, d), q = fetch(lv, cx.i1, ry.i1, d);
            Px top = a + (b - a) * cx.t, bottom = c + (q - c) * cx.t;
            o[x] = (top + (bottom - top) * ry.t) * cover;
        }
    }
}

Image Image::fromBitmap(const Bitmap& bitmap, Point origin) {
    return SourceNode::create(bitmap, origin);
}

}  // namespace imaging
