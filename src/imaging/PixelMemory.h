#pragma once
// Memory for pixels. Large blocks are aligned to 2 MB and offered to the kernel for transparent
// huge pages: a 24-megapixel buffer then costs a few hundred page faults instead of a hundred
// thousand, which on a picture-sized render is a large share of the time.
//
// Every block is counted, so that renders can keep their intermediates within bounds and the
// bounds can be checked.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace imaging {

// `bytes` of memory, zero-filled when `zero` is set. Throws std::bad_alloc.
std::shared_ptr<uint8_t[]> allocatePixelMemory(size_t bytes, bool zero);

// Bytes of pixel memory alive now, and the most alive at once since the last reset.
size_t pixelMemoryInUse();
size_t pixelMemoryPeak();
void resetPixelMemoryPeak();

// How many bytes of pixels one picture may take here: an eighth of the physical memory, so that
// the picture, its result and the work between them fit together. Tests may lower it
// (0 restores the machine's own).
size_t pictureMemoryBudget();
void setPictureMemoryBudget(size_t bytes);

}  // namespace imaging
