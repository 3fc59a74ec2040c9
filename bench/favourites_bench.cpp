// What favourites cost: start-up with 100 favourites in each family against none, reading the
// three lists again, and adding a favourite of a 24-megapixel picture (its thumbnail rendered
// small). Through the real controller, offscreen; wall time.
//
//   build/bench/favourites_bench [--benchmark_filter=Add]

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QColor>
#include <QTemporaryDir>
#include <ctime>

#include "app/Controller.h"
#include "app/CustomFamily.h"
#include "app/MainWindow.h"
#include "app/ThreeDFamily.h"
#include "favourites/DocPageControl.h"
#include "favourites/FavouritesList.h"
#include "foundation/Preferences.h"
#include "foundation/Resources.h"
#include "imaging/Log.h"

namespace {

constexpr int kPerFamily = 100;
constexpr int kPictureWidth = 6000, kPictureHeight = 4000;

QImage thumbnail(int seed) {
    QImage img(favourites::kThumbnailSize, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixelColor(x, y, QColor((x * 7 + seed) % 256, (y * 11 + seed * 3) % 256, 128));
    return img;
}

// Preferences holding 100 favourites in each family, as the program writes them.
void writeStore(const QString& path) {
    foundation::Preferences prefs(path);
    QList<favourites::StoredEntry> standard, threeD, custom;
    const char* generators[] = {"simpleEffects",    "linesEffect", "hilbertLinesEffect",
                                "patchWorkEffect",  "flareEffect", "plasmaEffect",
                                "patMorphingEffect"};
    for (int i = 0; i < kPerFamily; ++i) {
        standard << favourites::StoredEntry{{"ButtonImage", thumbnail(i)},
                                            {"class", "CIGaussianBlur"},
                                            {"ToolTipName", "Gaussian Blur"},
                                            {"inputRadius", 1.0 + i}};
        auto effect = [&](const char* cls) {
            return favourites::StoredEntry{
                {"ButtonImage", thumbnail(i + 1000)},
                {"ToolTipName", cls},
                {"classObj", QVariantMap{{"class", cls},
                                         {"Name", cls},
                                         {"Tips", cls},
                                         {"startPT.x", 10.0 * i},
                                         {"startPT.y", 5.0 * i},
                                         {"opacity", 50.0},
                                         {"bgColor", QColor(20, 40, i, 255)}}}};
        };
        threeD << effect(i % 2 ? "ObjectEffect" : "EvalEffect");
        custom << effect(generators[i % 7]);
    }
    favourites::writeStoredFavourites(prefs.settings(), "EffectsFavorites", standard);
    favourites::writeStoredFavourites(prefs.settings(), "3DEffectsFavorites", threeD);
    favourites::writeStoredFavourites(prefs.settings(), "CustomEffectsFavorites", custom);
    prefs.settings().sync();
}

QTemporaryDir* s_dir = nullptr;

// The process's CPU time over all threads (the engine renders on several).
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The whole start: preferences read from disk, the window built, the default picture, the
// favourites.
void BM_StartUp(benchmark::State& state) {
    const QString path = s_dir->filePath(state.range(0) ? "store.ini" : "empty.ini");
    size_t read = 0;
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuSeconds();
        foundation::Preferences prefs(path);
        app::Controller c(prefs);
        c.setQuitHandler([] {});
        c.loadWindow();
        read = c.standard().favourites().entries().size() +
               c.threeD().favourites().entries().size() + c.custom().favourites().entries().size();
        cpu += cpuSeconds() - c0;
        state.PauseTiming();
        c.window()->hide();
        state.ResumeTiming();
    }
    if (read != size_t(state.range(0)) * 3) state.SkipWithError("favourites not read");
    state.counters["favourites"] = double(read);
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3 / double(state.iterations()));
}

// Reading the three lists anew: parsing the file, unarchiving, effects restored, buttons made
// and placed (the lists read before are replaced).
void BM_ReadFavourites(benchmark::State& state) {
    foundation::Preferences prefs(s_dir->filePath("empty.ini"));
    app::Controller c(prefs);
    c.setQuitHandler([] {});
    c.loadWindow();
    for (auto _ : state) {
        foundation::Preferences store(s_dir->filePath("store.ini"));
        c.standard().readFavourites(store.settings());
        c.threeD().readFavourites(store.settings());
        c.custom().readFavourites(store.settings());
    }
    if (c.custom().favourites().entries().size() != kPerFamily) state.SkipWithError("not read");
}

imaging::Image bigPicture(int seed) {
    imaging::Bitmap b(kPictureWidth, kPictureHeight, imaging::PixelFormat::RGBA8);
    for (int y = 0; y < kPictureHeight; ++y) {
        uint8_t* row = b.row(y);
        for (int x = 0; x < kPictureWidth; ++x) {
            row[4 * x + 0] = uint8_t((x * 255) / kPictureWidth + seed);
            row[4 * x + 1] = uint8_t((y * 255) / kPictureHeight);
            row[4 * x + 2] = uint8_t(((x / 40 + y / 40) % 2) * 160 + (x * y) % 64);
            row[4 * x + 3] = 255;
        }
    }
    return imaging::Image::fromBitmap(b);
}

// Adding a favourite of a Gaussian blur over a 24-megapixel picture. `fresh`: each add is the
// first on a newly opened picture (nothing of it rendered before); otherwise the same picture.
void BM_AddFavourite(benchmark::State& state, bool fresh) {
    foundation::Preferences prefs(s_dir->filePath("add.ini"));
    app::Controller c(prefs);
    c.setQuitHandler([] {});
    c.loadWindow();
    c.window()->show();
    c.setBackgroundImage(bigPicture(0));
    int seed = 1;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (fresh) c.setBackgroundImage(bigPicture(seed++));
        c.addFilterIndex("CIGaussianBlur", 111);
        state.ResumeTiming();
        const double c0 = cpuSeconds();
        c.addFavorites();
        cpu += cpuSeconds() - c0;
        state.PauseTiming();
        auto& list = c.standard().favourites();
        if (list.entries().size() != 1) state.SkipWithError("no favourite added");
        c.removeFavorites(list.entries().front().button);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3 / double(state.iterations()));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    foundation::Resources::setSearchFolders({QStringLiteral(DEVERAV_BENCH_RESOURCES)});
    imaging::setLogSink([](const std::string&) {});
    favourites::DocPageControl::setManualAnimation(true);

    QTemporaryDir dir;
    s_dir = &dir;
    writeStore(dir.filePath("store.ini"));
    // The first start of the process loads fonts, styles and resources: not what is measured.
    {
        foundation::Preferences warm(dir.filePath("store.ini"));
        app::Controller c(warm);
        c.loadWindow();
    }

    benchmark::RegisterBenchmark("StartUp/none", BM_StartUp)
        ->Arg(0)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    benchmark::RegisterBenchmark("StartUp/100each", BM_StartUp)
        ->Arg(kPerFamily)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ReadFavourites/100each", BM_ReadFavourites)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    benchmark::RegisterBenchmark("AddFavourite/24MP/new picture",
                                 [](benchmark::State& s) { BM_AddFavourite(s, true); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    benchmark::RegisterBenchmark("AddFavourite/24MP/same picture",
                                 [](benchmark::State& s) { BM_AddFavourite(s, false); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
