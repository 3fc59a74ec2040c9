#include "imaging/Log.h"

#include <cstdio>
#include <mutex>

#include "imaging/Error.h"

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
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) {
        throw Error("The picture is too large (" + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels); the limit is " +
                    std::to_string(kMaxPixels / 1000000) + " megapixels and " +
                    std::to_string(kMaxSide) + " pixels on a side.");
    }
}

}  // namespace imaging
