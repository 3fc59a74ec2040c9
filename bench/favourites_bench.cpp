// What favourites cost: start-up with 100 favourites in each family against none, reading the
// three lists again, and adding a favourite of a 24-megapixel picture (its thumbnail rendered
// small). Through the real controller, offscreen; wall time.
//
//   build/bench/favourites_bench [--benchmark_filter=Add]

#include <benchmark/benchmark.h>

#include "BenchPicture.h"
#include "CpuClock.h"

#include <QApplication>
#include <QColor>
#include <QTemporaryDir>

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

using bench::cpuSeconds;

constexpr int kPerFamily = 100;

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

// Adding a favourite of a Gaussian blur over a 24-megapixel picture. `fresh`: each add is the
// first on a newly opened picture (nothing of it rendered before); otherwise the same picture.
void BM_AddFavourite(benchmark::State& state, bool fresh) {
    foundation::Preferences prefs(s_dir->filePath("add.ini"));
    app::Controller c(prefs);
    c.setQuitHandler([] {});
    c.loadWindow();
    c.window()->show();
    c.setBackgroundImage(bench::picture(0));
    int seed = 1;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (fresh) c.setBackgroundImage(bench::picture(seed++));
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
