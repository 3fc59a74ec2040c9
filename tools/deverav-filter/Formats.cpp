#include "Formats.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "UsageError.h"
#include "foundation/GraphicsExporter.h"
#include "imaging/Error.h"
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

void writeThroughExporter(const imaging::Bitmap& bitmap, const std::string& path, double dpi) {
    const std::string name = imaging::io::fileNameOf(path);
    const size_t dot = name.rfind('.');
    const QString ext =
        dot == std::string::npos ? QString() : QString::fromLocal8Bit(name.substr(dot + 1));
    const foundation::OSType code = GraphicsExporter::subtypeForExtension(ext);
    std::unique_ptr<GraphicsExporter> exporter = GraphicsExporter::open(code);
    if (!exporter)
        throw UsageError("no writable format has the extension \"" + ext.toStdString() +
                         "\" (see deverav-filter formats)");
    if (bitmap.isNull()) throw imaging::Error("There is no picture to write.");
    if (bitmap.format() == imaging::PixelFormat::RGBAF)
        throw imaging::Error("Float bitmaps must be encoded before writing.");
    const QImage image = imaging::io::qImageFromBitmap(bitmap);
    exporter->setInputImage(image);
    // The name's own bytes: one that is not valid UTF-8 is written as given.
    exporter->setNativeOutputFile(QByteArray::fromStdString(path));
    exporter->setResolution(dpi, dpi);
    if (!exporter->doExport()) throw imaging::Error(exporter->errorString().toStdString());
}

}  // namespace tool
