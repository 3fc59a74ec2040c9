#pragma once
// A rectangle of engine pixels in the scaled render space, rows bottom to top (y up).
// Pixels are addressed by absolute scaled coordinates: row(y)[x].

#include <cmath>
#include <memory>

#include "imaging/Geometry.h"
#include "imaging/Pixel.h"

namespace imaging {

class Buffer {
  public:
    Buffer() = default;
    // Owning buffer; contents are left uninitialised unless `zero` is set.
    explicit Buffer(const IRect& rect, bool zero = false);
    // View onto memory owned elsewhere.
    Buffer(const IRect& rect, Px* origin, ptrdiff_t stride)
        : rect_(rect), base_(origin), stride_(stride) {}

    const IRect& rect() const { return rect_; }
    bool isEmpty() const { return rect_.isEmpty(); }
    ptrdiff_t stride() const { return stride_; }

    Px* row(int y) { return base_ + (ptrdiff_t(y) - rect_.y0) * stride_ - rect_.x0; }
    const Px* row(int y) const { return base_ + (ptrdiff_t(y) - rect_.y0) * stride_ - rect_.x0; }

    // Transparent outside the rectangle.
    Px at(int x, int y) const {
        if (x < rect_.x0 || x >= rect_.x1 || y < rect_.y0 || y >= rect_.y1) return Px{0, 0, 0, 0};
        return row(y)[x];
    }
    // The nearest pixel inside the rectangle (edge clamping).
    Px clamped(int x, int y) const {
        x = std::clamp(x, rect_.x0, rect_.x1 - 1);
        y = std::clamp(y, rect_.y0, rect_.y1 - 1);
        return row(y)[x];
    }
    // Bilinear sample at continuous scaled coordinates (pixel i spans [i, i+1), its centre at
    // i + 0.5); transparent outside the rectangle.
    Px sample(double u, double v) const;

    // A view of part of this buffer (must lie inside it).
    Buffer view(const IRect& sub) { return Buffer(sub, row(sub.y0) + sub.x0, stride_); }
    void fill(Px value);
    void fill(const IRect& area, Px value);
    // Copies the overlapping pixels of `src`.
    void copyFrom(const Buffer& src);

  private:
    IRect rect_;
    std::shared_ptr<Px[]> storage_;
    Px* base_ = nullptr;
    ptrdiff_t stride_ = 0;
};

inline Px Buffer::sample(double u, double v) const {
    double fx = u - 0.5, fy = v - 0.5;
    if (!(std::abs(fx) < 1e9 && std::abs(fy) < 1e9)) return Px{0, 0, 0, 0};
    double ix = std::floor(fx), iy = std::floor(fy);
    int x = int(ix), y = int(iy);
    float tx = float(fx - ix), ty = float(fy - iy);
    if (x >= rect_.x0 && y >= rect_.y0 && x + 1 < rect_.x1 && y + 1 < rect_.y1) {
        const Px* r0 = row(y) + x;
        const Px* r1 = row(y + 1) + x;
        Px a = r0[0] + (r0[1] - r0[0]) * tx;
        Px b = r1[0] + (r1[1] - r1[0]) * tx;
        return a + (b - a) * ty;
    }
    Px a = at(x, y) + (at(x + 1, y) - at(x, y)) * tx;
    Px b = at(x, y + 1) + (at(x + 1, y + 1) - at(x, y + 1)) * tx;
    return a + (b - a) * ty;
}

}  // namespace imaging
