// oneTBB before Qt: Qt's `emit` macro breaks a TBB header.
#include <tbb/parallel_for.h>

#include "Formats.h"

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "UsageError.h"
#include "foundation/GraphicsExporter.h"
#include "imaging/Error.h"
#include "imaging/filters/ColorMath.h"
#include "imaging/io/QtBitmap.h"
#include "imaging/io/SafeFile.h"

namespace tool {

using foundation::GraphicsExporter;

std::string formatsText() {
    std::string out;
    for (foundation::OSType code : GraphicsExporter::availableSubtypes()) {
        const GraphicsExporter::Format& f = *GraphicsExporter::formatFor(code);
        char line[160];
        std::snprintf(line, sizeof line, "%-4s  %-5s  %s\n",
                      foundation::fourCharString(code).toStdString().c_str(),
                      f.name.toStdString().c_str(),
                      f.extensions.join(QLatin1Char(' ')).toStdString().c_str());
        out += line;
    }
    return out;
}

double takeDpiOption(std::vector<std::string>& args) {
    const auto it = std::find(args.begin(), args.end(), "--dpi");
    if (it == args.end()) return 0;
    if (it + 1 == args.end()) throw UsageError("--dpi needs a number of dots per inch");
    const std::string value = *(it + 1);
    char* end = nullptr;
    const double dpi = std::strtod(value.c_str(), &end);
    if (end == value.c_str() || *end != '\0' || !std::isfinite(dpi) || dpi < 1 || dpi > 65535)
        throw UsageError("--dpi takes a number from 1 to 65535, not \"" + value + "\"");
    args.erase(it, it + 2);
    return dpi;
}

int takeQualityOption(std::vector<std::string>& args) {
    const auto it = std::find(args.begin(), args.end(), "--quality");
    if (it == args.end()) return -1;
    if (it + 1 == args.end()) throw UsageError("--quality needs a number from 0 to 100");
    const std::string value = *(it + 1);
    char* end = nullptr;
    const long quality = std::strtol(value.c_str(), &end, 10);
    if (end == value.c_str() || *end != '\0' || quality < 0 || quality > 100)
        throw UsageError("--quality takes a whole number from 0 to 100, not \"" + value + "\"");
    args.erase(it, it + 2);
    return int(quality);
}

namespace {

// The extension of a file name given as bytes (not necessarily UTF-8).
QString extensionOf(const std::string& path) {
    const std::string name = imaging::io::fileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? QString() : QString::fromLocal8Bit(name.substr(dot + 1));
}

}  // namespace

bool holdsSixteenBits(const std::string& path) {
    const QString ext = extensionOf(path).toLower();
    return ext == "png" || ext == "tif" || ext == "tiff" || ext == "psd";
}

namespace {

// Engine floats as straight 16-bit sRGB-encoded (or, with no colour management, as they are).
QImage sixteenBitImage(const imaging::Bitmap& floats, imaging::WorkingSpace space) {
    using imaging::Px;
    QImage out(floats.width(), floats.height(), QImage::Format_RGBA64);
    if (out.isNull()) throw imaging::Error("There is not enough memory to write the picture.");
    tbb::parallel_for(0, floats.height(), [&](int y) {
        const Px* src = reinterpret_cast<const Px*>(floats.row(y));
        auto* dst = reinterpret_cast<uint16_t*>(out.scanLine(y));
        for (int x = 0; x < floats.width(); ++x, dst += 4) {
            const float a = std::clamp(src[x][3], 0.f, 1.f);
            Px s = a > 0 ? imaging::clamp01(src[x] / a) : Px{0, 0, 0, 0};
            if (space == imaging::WorkingSpace::Linear) s = imaging::cmath::encode(s);
            s[3] = a;
            for (int c = 0; c < 4; ++c)
                dst[c] = uint16_t(std::lround(std::clamp(s[c], 0.f, 1.f) * 65535.f));
        }
    });
    return out;
}

}  // namespace

namespace {

// The exporter the path's extension names, writing to that path with the options asked for.
std::unique_ptr<GraphicsExporter> exporterFor(const std::string& path,
                                              const WriteOptions& options) {
    const QString ext = extensionOf(path);
    const foundation::OSType code = GraphicsExporter::subtypeForExtension(ext);
    std::unique_ptr<GraphicsExporter> exporter = GraphicsExporter::open(code);
    if (!exporter)
        throw UsageError("no writable format has the extension \"" + ext.toStdString() +
                         "\" (see deverav-filter formats)");
    if (options.quality >= 0 && !exporter->format().hasQuality)
        throw UsageError("--quality applies to formats with a quality (JPEG), not to " +
                         exporter->format().name.toStdString());
    // The name's own bytes: one that is not valid UTF-8 is written as given.
    exporter->setNativeOutputFile(QByteArray::fromStdString(path));
    exporter->setResolution(options.dpi, options.dpi);
    exporter->setQuality(options.quality);
    exporter->setMetadata(options.metadata);
    return exporter;
}

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

std::string writeThroughExporter(const imaging::Bitmap& bitmap, const std::string& path,
                                 const WriteOptions& options) {
    std::unique_ptr<GraphicsExporter> exporter = exporterFor(path, options);
    if (bitmap.isNull()) throw imaging::Error("There is no picture to write.");
    const bool deep = bitmap.format() == imaging::PixelFormat::RGBAF;
    if (deep && !holdsSixteenBits(path))
        throw UsageError("16 bits per channel are written as PNG, TIFF or PSD only");
    const QImage image =
        deep ? sixteenBitImage(bitmap, options.space) : imaging::io::qImageFromBitmap(bitmap);
    exporter->setInputImage(image);
    if (!exporter->doExport()) throw imaging::Error(exporter->errorString().toStdString());
    return exporter->warningString().toStdString();
}

WriteTimes renderToFile(imaging::Image image, const imaging::Rect& region, double scale,
                        const imaging::RenderOptions& options, int depth, const std::string& path,
                        WriteOptions write) {
    using imaging::PixelFormat;
    const imaging::Context context;
    const imaging::IRect size = imaging::Context::pixelRect(region, scale);
    WriteTimes times{0, 0, size.width(), size.height(), {}};
    std::unique_ptr<GraphicsExporter> exporter = exporterFor(path, write);
    if (depth == 8 && exporter->writesRows() && !size.isEmpty() && image) {
        // The strips renderBitmap would render, so that the pixels are the same.
        const std::vector<int> starts = context.stripStarts(image, region, scale, options);
        const auto t0 = std::chrono::steady_clock::now();
        const bool written =
            exporter->exportRows(size.width(), size.height(), [&](int first, QString&) {
                const auto r0 = std::chrono::steady_clock::now();
                const auto next = std::upper_bound(starts.begin(), starts.end(), first);
                const int end = next == starts.end() ? size.height() : *next;
                QImage strip = imaging::io::qImageFromBitmap(context.renderRows(
                    image, region, scale, first, end - first, PixelFormat::RGBA8, options));
                times.renderMs += msSince(r0);
                return strip;
            });
        times.writeMs = msSince(t0) - times.renderMs;
        if (!written) throw imaging::Error(exporter->errorString().toStdString());
        times.warning = exporter->warningString().toStdString();
        return times;
    }
    auto t0 = std::chrono::steady_clock::now();
    imaging::Bitmap out = context.renderBitmap(
        image, region, scale, depth == 16 ? PixelFormat::RGBAF : PixelFormat::RGBA8, options);
    times.renderMs = msSince(t0);
    if (out.isNull()) throw imaging::Error("The result is empty in the region asked for.");
    image = imaging::Image();  // the picture is no longer needed while the result is written
    t0 = std::chrono::steady_clock::now();
    write.space = options.workingSpace;
    times.warning = writeThroughExporter(out, path, write);
    times.writeMs = msSince(t0);
    return times;
}

}  // namespace tool
