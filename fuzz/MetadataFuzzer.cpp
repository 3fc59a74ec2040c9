// What the information panel reads from a file: Qt's header readers, Exiv2, ImageMagick's
// header reader and the JPEG and PNG header walk. It takes files by name, so each input is
// written to one scratch file first.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/ImageMetadata.h"
#include "imaging/Log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        imaging::setLogSink([](const std::string&) {});
        return "/tmp/deverav-metadata-fuzz-" + std::to_string(getpid());
    }();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    foundation::ImageFileInfo info = foundation::ImageMetadata::readFile(path);
    foundation::ImageMetadata::propTree(info.properties);
    return 0;
}
