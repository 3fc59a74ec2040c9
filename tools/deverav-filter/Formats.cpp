#include "Formats.h"

#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "UsageError.h"
#include "foundation/GraphicsExporter.h"
#include "imaging/Error.h"
#include "imaging/io/QtBitmap.h"

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

std::string writeThroughExporter(const imaging::Bitmap& bitmap, const std::string& path,
                                 const WriteOptions& options) {
    const QString qpath = QString::fromStdString(path);
    const QString ext = QFileInfo(qpath).suffix();
    const foundation::OSType code = GraphicsExporter::subtypeForExtension(ext);
    std::unique_ptr<GraphicsExporter> exporter = GraphicsExporter::open(code);
    if (!exporter)
        throw UsageError("no writable format has the extension \"" + ext.toStdString() +
                         "\" (see deverav-filter formats)");
    if (options.quality >= 0 && !exporter->format().hasQuality)
        throw UsageError("--quality applies to formats with a quality (JPEG), not to " +
                         exporter->format().name.toStdString());
    if (bitmap.isNull()) throw imaging::Error("There is no picture to write.");
    if (bitmap.format() == imaging::PixelFormat::RGBAF)
        throw imaging::Error("Float bitmaps must be encoded before writing.");
    const QImage image = imaging::io::qImageFromBitmap(bitmap);
    exporter->setInputImage(image);
    exporter->setOutputFile(qpath);
    exporter->setResolution(options.dpi, options.dpi);
    exporter->setQuality(options.quality);
    exporter->setMetadata(options.metadata);
    if (!exporter->doExport())
        throw imaging::Error("Could not write \"" + QFileInfo(qpath).fileName().toStdString() +
                             "\": " + exporter->errorString().toStdString());
    return exporter->warningString().toStdString();
}

}  // namespace tool
