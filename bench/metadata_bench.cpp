// Reading a picture file's information (the information panel, deverav-filter info) against
// decoding its pixels, on 24-megapixel files: the panel reads headers and metadata only.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include "foundation/ImageMetadata.h"
#include "support/PictureFiles.h"

namespace {

const QString& picture(const char* format) {
    static QString jpeg, png;
    QString& path = QByteArray(format) == "JPEG" ? jpeg : png;
    if (path.isEmpty()) {
        path = QDir::temp().filePath(QStringLiteral("deverav-bench-24mp.") +
                                     QString::fromLatin1(format).toLower());
        if (QByteArray(format) == "JPEG")
            testfiles::writeCameraJpeg(path, 6000, 4000);
        else
            testfiles::gradient(6000, 4000).save(path, format);
    }
    return path;
}

void ReadInformation(benchmark::State& state, const char* format) {
    const QString path = picture(format);
    for (auto _ : state) {
        const foundation::ImageFileInfo info = foundation::ImageMetadata::read(path);
        if (!info.readable) state.SkipWithError("unreadable");
        benchmark::DoNotOptimize(info.properties.size());
    }
}

void DecodePixels(benchmark::State& state, const char* format) {
    const QString path = picture(format);
    QImageReader::setAllocationLimit(0);
    for (auto _ : state) {
        QImage img;
        if (!QImageReader(path).read(&img)) state.SkipWithError("unreadable");
        benchmark::DoNotOptimize(img.constBits());
    }
}

BENCHMARK_CAPTURE(ReadInformation, jpeg_24mp, "JPEG")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodePixels, jpeg_24mp, "JPEG")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadInformation, png_24mp, "PNG")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodePixels, png_24mp, "PNG")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
