// deverav-filter: the filter engine, the exporters and picture information from the command
// line, for batch work, scripts and measurements.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Demo.h"
#include "FilterChain.h"
#include "FilterListing.h"
#include "Formats.h"
#include "InfoCommand.h"
#include "Printable.h"
#include "UsageError.h"
#include "imaging/Context.h"
#include "imaging/Error.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/io/ImageIO.h"

namespace {

constexpr const char* kUsage =
    "usage: deverav-filter list [--json]\n"
    "       deverav-filter render IN OUT [--filter NAME [key=value ...] ...]\n"
    "                             [--scale S] [--region x,y,w,h] [--dpi N] [--time]\n"
    "                             [--working-space linear|none] [--depth 8|16]\n"
    "       deverav-filter formats\n"
    "       deverav-filter info FILE [--json]\n"
    "       deverav-filter demo DIR\n"
    "values: numbers, vectors [x,y,...], colours rgba(r,g,b,a), images as file paths,\n"
    "        transforms as six numbers [a,b,c,d,tx,ty], data as text or @FILE\n"
    "render: each filter takes the previous result; with no filter the picture is converted.\n"
    "        Without --region the result's own extent is written (blur fringes, rotated\n"
    "        corners and backgrounds included), or the input picture's when it is infinite.\n"
    "        Filters compute in linear light; --working-space none gives them the encoded\n"
    "        values as they are. --depth 16 writes 16 bits per channel (PNG, TIFF, PSD).\n";

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

int render(std::vector<std::string> args) {
    using namespace imaging;
    const double dpi = tool::takeDpiOption(args);
    tool::RenderRequest r = tool::parseRenderArguments(args);
    if (std::filesystem::path(r.output).extension().string().size() < 2)
        throw tool::UsageError("the output \"" + r.output +
                               "\" needs a file extension to choose its format");
    if (r.depth == 16 && !tool::holdsSixteenBits(r.output))
        throw tool::UsageError("--depth 16 is written as PNG, TIFF or PSD only");
    auto t0 = std::chrono::steady_clock::now();
    Image input = io::readImage(r.input);
    const double readMs = msSince(t0);

    Image result =
        tool::applyChain(r.steps, input, [](const std::string& p) { return io::readImage(p); });
    const Rect region = r.region ? *r.region : tool::defaultRegion(result.extent(), input.extent());
    t0 = std::chrono::steady_clock::now();
    RenderOptions options;
    options.workingSpace = r.workingSpace;
    Bitmap out = Context().renderBitmap(
        result, region, r.scale, r.depth == 16 ? PixelFormat::RGBAF : PixelFormat::RGBA8, options);
    const double renderMs = msSince(t0);
    // The picture is no longer needed while the result is written.
    input = Image();
    result = Image();
    if (out.isNull()) throw Error("The result is empty in the region asked for.");
    t0 = std::chrono::steady_clock::now();
    tool::writeThroughExporter(out, r.output, dpi, r.workingSpace);
    const double writeMs = msSince(t0);
    if (r.time)
        std::printf("read %.1f ms, render %.1f ms, write %.1f ms (%d x %d)\n", readMs, renderMs,
                    writeMs, out.width(), out.height());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string cmd = args.empty() ? "" : args.front();
    if (!args.empty()) args.erase(args.begin());
    if (cmd == "info") {
        const int status = tool::info(argc, argv);
        if (status >= 0) return status;
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Filter diagnostics are for developers; the tool reports its own errors.
    imaging::setLogSink([](const std::string&) {});
    try {
        imaging::FilterRegistry::shared().loadAllPlugIns();
        if (cmd == "list") {
            if (args.size() > 1 || (args.size() == 1 && args[0] != "--json"))
                throw tool::UsageError("list takes only --json");
            auto names = imaging::FilterRegistry::shared().allFilterNames();
            std::fputs((args.empty() ? tool::listText(names) : tool::listJson(names)).c_str(),
                       stdout);
            return 0;
        }
        if (cmd == "render") return render(args);
        if (cmd == "formats") {
            if (!args.empty()) throw tool::UsageError("formats takes no arguments");
            std::fputs(tool::formatsText().c_str(), stdout);
            return 0;
        }
        if (cmd == "demo") {
            if (args.size() != 1) throw tool::UsageError("demo needs one folder");
            for (auto& f : tool::runDemo(args[0]))
                std::printf("wrote %s\n", tool::printable(f).c_str());
            return 0;
        }
        if (cmd == "help" || cmd == "--help" || cmd == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::fputs(kUsage, stderr);
        return 2;
    } catch (const tool::UsageError& e) {
        std::fprintf(stderr, "deverav-filter: %s\n", tool::printable(e.what()).c_str());
        return 2;
    } catch (const std::exception& e) {
        // Messages quote file names, which may hold anything.
        std::fprintf(stderr, "deverav-filter: %s\n", tool::printable(e.what()).c_str());
        return 1;
    }
}
