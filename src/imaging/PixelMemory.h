#pragma once
// Memory for pixels. Large blocks are aligned to 2 MB and offered to the kernel for transparent
// huge pages: a 24-megapixel buffer then costs a few hundred page faults instead of a hundred
// thousand, which on a picture-sized render is a large share of the time.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace imaging {

// `bytes` of memory, zero-filled when `zero` is set. Throws std::bad_alloc.
std::shared_ptr<uint8_t[]> allocatePixelMemory(size_t bytes, bool zero);

}  // namespace imaging
