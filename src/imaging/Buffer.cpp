#include "imaging/Buffer.h"

#include <cstring>

#include "imaging/PixelMemory.h"

namespace imaging {

Buffer::Buffer(const IRect& rect, bool zero) : rect_(rect), stride_(rect.width()) {
    size_t n = size_t(rect.area());
    if (n == 0) {
        rect_ = {};
        return;
    }
    auto bytes = allocatePixelMemory(n * sizeof(Px), zero);
    storage_ = std::shared_ptr<Px[]>(bytes, reinterpret_cast<Px*>(bytes.get()));
    base_ = storage_.get();
}

void Buffer::fill(Px value) {
    fill(rect_, value);
}

void Buffer::fill(const IRect& area, Px value) {
    IRect a = area.intersected(rect_);
    for (int y = a.y0; y < a.y1; ++y) {
        Px* r = row(y);
        for (int x = a.x0; x < a.x1; ++x) r[x] = value;
    }
}

void Buffer::copyFrom(const Buffer& src) {
    IRect a = rect_.intersected(src.rect());
    if (a.isEmpty()) return;
    for (int y = a.y0; y < a.y1; ++y)
        std::memcpy(row(y) + a.x0, src.row(y) + a.x0, size_t(a.width()) * sizeof(Px));
}

}  // namespace imaging
