#include "imaging/PixelMemory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace imaging {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kLarge = size_t(8) << 20;  // below this the ordinary heap does as well
}  // namespace

std::shared_ptr<uint8_t[]> allocatePixelMemory(size_t bytes, bool zero) {
    if (bytes < kLarge) {
        return zero ? std::shared_ptr<uint8_t[]>(new uint8_t[bytes]())
                    : std::shared_ptr<uint8_t[]>(new uint8_t[bytes]);
    }
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p) throw std::bad_alloc();
    // Advice only: without huge pages the memory works the same.
    madvise(p, rounded, MADV_HUGEPAGE);
    if (zero) std::memset(p, 0, bytes);
    return std::shared_ptr<uint8_t[]>(static_cast<uint8_t*>(p), [](uint8_t* q) { std::free(q); });
}

}  // namespace imaging
