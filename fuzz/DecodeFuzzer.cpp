// Pictures from memory: every reader (the direct TIFF path, Qt's readers, the ImageMagick
// coders allowed) with colour profiles, orientation and the size checks. Refusals are expected;
// crashes, hangs, leaks and undefined behaviour are what this looks for.

#include <cstddef>
#include <cstdint>

#include "imaging/Error.h"
#include "imaging/io/ImageIO.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        imaging::io::decodeBitmap(data, size);
    } catch (const imaging::Error&) {
    }
    return 0;
}
