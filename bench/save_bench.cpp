// Saving a 24-megapixel picture through the graphics exporters.
//
//   save_bench [benchmark flags]   in-process: the exporter alone (from the premultiplied RGBA
//                                  picture the application holds to a finished file) per format
//   save_bench save IN OUT [DPI]   reads IN with the program's reader and writes OUT through the
//                                  exporter its extension names: the command bench/compare-save
//                                  times next to `vips copy` and `convert`

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/GraphicsExporter.h"
#include "imaging/io/ImageIO.h"

using foundation::GraphicsExporter;

namespace {

// Smooth colour with fine grain, like a photograph: it compresses as photographs do.
QImage photoLike(int w, int h) {
    QImage img(w, h, QImage::Format_RGBA8888_Premultiplied);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        uchar* p = img.scanLine(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double u = double(x) / w, v = double(y) / h;
            const int r = int(128 + 100 * std::sin(6.0 * u + 2.0 * v)) + grain;
            const int g = int(128 + 90 * std::cos(5.0 * v - 3.0 * u * v)) + grain;
            const int b = int(120 + 80 * std::sin(9.0 * (u + v))) + grain;
            p[4 * x] = uchar(std::clamp(r, 0, 255));
            p[4 * x + 1] = uchar(std::clamp(g, 0, 255));
            p[4 * x + 2] = uchar(std::clamp(b, 0, 255));
            p[4 * x + 3] = 255;
        }
    }
    return img;
}

const QImage& picture24MP() {
    static const QImage img = photoLike(6000, 4000);
    return img;
}

bool exportTo(const QImage& image, const QString& path, double dpi, QString* error) {
    const auto code = GraphicsExporter::subtypeForExtension(QFileInfo(path).suffix());
    std::unique_ptr<GraphicsExporter> x = GraphicsExporter::open(code);
    if (!x) {
        *error = QStringLiteral("no exporter for ") + path;
        return false;
    }
    x->setInputImage(image);
    x->setOutputFile(path);
    x->setResolution(dpi, dpi);
    if (x->doExport()) return true;
    *error = x->errorString();
    return false;
}

void BM_Save24MP(benchmark::State& state, const char* extension) {
    const QImage& img = picture24MP();
    const QString dir = QDir::tempPath();
    const QString path = dir + QStringLiteral("/deverav-save-bench.") + extension;
    QString error;
    for (auto _ : state) {
        if (!exportTo(img, path, 300, &error)) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
    state.counters["Mpix/s"] = benchmark::Counter(double(img.width()) * img.height() / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
    QFile::remove(path);
}

BENCHMARK_CAPTURE(BM_Save24MP, JPEG, "jpeg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Save24MP, PNG, "png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Save24MP, TIFF, "tiff")->Unit(benchmark::kMillisecond)->UseRealTime();

int saveCommand(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: save_bench save IN OUT [DPI]\n");
        return 2;
    }
    try {
        const imaging::Bitmap b = imaging::io::readBitmap(argv[2]);
        const QImage img(b.data(), b.width(), b.height(), qsizetype(b.bytesPerRow()),
                         QImage::Format_RGBA8888);
        QString error;
        if (!exportTo(img, QString::fromLocal8Bit(argv[3]), argc == 5 ? std::atof(argv[4]) : 300,
                      &error)) {
            std::fprintf(stderr, "save_bench: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "save_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "save") == 0) return saveCommand(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
