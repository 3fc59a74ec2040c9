// What Copy and Save cost before anything is encoded: turning the current result of a
// 24-megapixel picture into the straight 8-bit pixels the clipboard and the file writers take.
// Through the real controller, offscreen; wall time (the work runs off the event loop's thread)
// and the process's CPU time over all threads.
//
//   build/bench/export_bench [--benchmark_filter=Save]

#include <benchmark/benchmark.h>

#include "BenchApp.h"
#include "BenchPicture.h"
#include "CpuClock.h"

#include <QApplication>
#include <QTemporaryDir>

#include "app/Controller.h"
#include "app/MainWindow.h"
#include "foundation/Preferences.h"
#include "foundation/Resources.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/io/QtBitmap.h"

namespace {

using bench::cpuSeconds;
using bench::kPictureHeight;
using bench::kPictureWidth;

app::Controller* s_controller = nullptr;

// The current mode's result as Copy encodes it.
imaging::Bitmap copyPreparation() {
    return s_controller->createObjectImage(0);
}

// The same as Save hands it to the file writers.
QImage savePreparation() {
    return imaging::io::qImageFromBitmap(s_controller->createObjectImage(300));
}

void useFilter(const char* name) {
    if (!name) {
        s_controller->standard().setCurrentFilter(nullptr);
        return;
    }
    std::shared_ptr<imaging::Filter> f = imaging::FilterRegistry::shared().filterWithName(name);
    f->setDefaults();
    f->setValue("inputSaturation", 1.3);
    s_controller->standard().setCurrentFilter(f);
}

template <class Prepare>
void BM_Prepare(benchmark::State& state, const char* filter, Prepare prepare) {
    useFilter(filter);
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = cpuSeconds();
        auto out = prepare();
        cpu += cpuSeconds() - c0;
        if (out.width() != kPictureWidth) state.SkipWithError("no result");
        benchmark::DoNotOptimize(out);
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3 / double(state.iterations()));
    useFilter(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    bench::App a;
    a.start();
    app::Controller& controller = *a.c;
    controller.window()->show();
    controller.setBackgroundImage(bench::picture(0, true));
    s_controller = &controller;

    for (const char* filter : {static_cast<const char*>(nullptr), "CIColorControls"}) {
        const std::string suffix = filter ? std::string("/") + filter : "/picture";
        benchmark::RegisterBenchmark(
            ("Copy" + suffix).c_str(),
            [filter](benchmark::State& st) { BM_Prepare(st, filter, copyPreparation); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5)
            ->UseRealTime();
        benchmark::RegisterBenchmark(
            ("Save" + suffix).c_str(),
            [filter](benchmark::State& st) { BM_Prepare(st, filter, savePreparation); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
