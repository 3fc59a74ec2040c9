// What the information panel reads from a file: Qt's header readers, Exiv2, ImageMagick's
// header reader and the JPEG and PNG header walk. It takes files by name, so each input is
// written to one scratch file first. Then what a save keeps of the file's metadata, written
// into a small PNG as a save would.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <QBuffer>
#include <QImage>

#include "foundation/ImageMetadata.h"
#include "foundation/PictureMetadata.h"
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

    const auto kept = foundation::PictureMetadata::readData(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (kept) {
        static const QByteArray png = [] {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImage picture(4, 3, QImage::Format_RGB32);
            picture.fill(0xff808080);
            picture.save(&buffer, "PNG");
            return bytes;
        }();
        QByteArray file = png;
        kept->writeInto(file, {4, 3, 72, 72});
    }
    return 0;
}
