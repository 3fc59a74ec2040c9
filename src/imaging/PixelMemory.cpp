#include "imaging/PixelMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace imaging {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kLarge = size_t(8) << 20;  // below this the ordinary heap does as well

std::atomic<size_t> inUse{0}, peak{0}, budgetOverride{0};

void count(size_t bytes) {
    const size_t now = inUse.fetch_add(bytes) + bytes;
    size_t p = peak.load();
    while (now > p && !peak.compare_exchange_weak(p, now)) {
    }
}
}  // namespace

std::shared_ptr<uint8_t[]> allocatePixelMemory(size_t bytes, bool zero) {
    if (bytes < kLarge) {
        uint8_t* p = zero ? new uint8_t[bytes]() : new uint8_t[bytes];
        count(bytes);
        return std::shared_ptr<uint8_t[]>(p, [bytes](uint8_t* q) {
            delete[] q;
            inUse -= bytes;
        });
    }
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p) throw std::bad_alloc();
    // Advice only: without huge pages the memory works the same.
    madvise(p, rounded, MADV_HUGEPAGE);
    if (zero) std::memset(p, 0, bytes);
    count(bytes);
    return std::shared_ptr<uint8_t[]>(static_cast<uint8_t*>(p), [bytes](uint8_t* q) {
        std::free(q);
        inUse -= bytes;
    });
}

size_t pixelMemoryInUse() {
    return inUse.load();
}

size_t pixelMemoryPeak() {
    return peak.load();
}

void resetPixelMemoryPeak() {
    peak.store(inUse.load());
}

size_t pictureMemoryBudget() {
    if (size_t b = budgetOverride.load()) return b;
    static const size_t machine = [] {
        const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
        // Unknown: assume a small machine rather than none.
        if (pages <= 0 || size <= 0) return size_t(512) << 20;
        return size_t(pages) * size_t(size) / 8;
    }();
    return machine;
}

void setPictureMemoryBudget(size_t bytes) {
    budgetOverride.store(bytes);
}

}  // namespace imaging
