#include "imaging/Log.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "imaging/Error.h"
#include "imaging/PixelMemory.h"

namespace imaging {

namespace {
std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}
LogSink& sink() {
    static LogSink s;
    return s;
}
}  // namespace

void log(const std::string& message) {
    std::lock_guard lock(sinkMutex());
    if (sink()) {
        sink()(message);
    } else {
        std::fprintf(stderr, "deverav: %s\n", message.c_str());
    }
}

LogSink setLogSink(LogSink s) {
    std::lock_guard lock(sinkMutex());
    LogSink old = std::move(sink());
    sink() = std::move(s);
    return old;
}

void checkPictureSize(long long width, long long height) {
    if (width <= 0 || height <= 0) throw Error("The picture has no pixels.");
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        throw Error("The picture is too large (" + size + "); the limit is " +
                    std::to_string(kMaxPixels / 1000000) + " megapixels and " +
                    std::to_string(kMaxSide) + " pixels on a side.");
    // Four bytes a pixel once decoded.
    const long long budget = (long long)(pictureMemoryBudget() / 4);
    if (width * height > budget)
        throw Error("The picture is too large for this machine's memory (" + size +
                    "); the limit here is " + std::to_string(budget / 1000000) + " megapixels.");
}

void checkBitmapSize(long long width, long long height, size_t bytesPerPixel) {
    if (width <= 0 || height <= 0) throw Error("The picture has no pixels.");
    // Results may pass the side limit a little (a blur's fringes); their memory is what counts.
    const long long most = std::min<long long>(kMaxPixels * 4, (long long)pictureMemoryBudget());
    if (width > (1 << 30) || height > (1 << 30) || width * height * (long long)bytesPerPixel > most)
        throw Error("The area to render is too large (" + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels).");
}

}  // namespace imaging
