// How fast the custom canvas follows the generators on a 24-megapixel picture and a 1280 x 800
// canvas at fitted zoom, through the application's controller and window:
//   Drag/...           a placement drag: one mouse-move event to the finished canvas frame;
//   Repaint/...        a repaint with nothing changed;
//   Generate/...       the "Generate" button to the finished canvas frame;
//   Mask/change        another mask chosen to the finished canvas frame;
//   Compose/...        the composed full-size picture that Copy, Apply and Save take; for the
//                      simple objects, of a set of shapes just generated (the generation itself
//                      is not timed).
// Reported: the median, the 90th percentile and the worst iteration of the wall time, and the
// CPU time of the whole process (all threads) per iteration, which a machine shared with other
// work does not inflate.
//
//   build/bench/generators_bench [--benchmark_filter=Drag]

#include <benchmark/benchmark.h>

#include "BenchApp.h"
#include "BenchPicture.h"
#include "BenchTimes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "app/Controller.h"
#include "app/CustomFamily.h"
#include "app/MainWindow.h"
#include "chrome/BaseColoredButton.h"
#include "generators/customEffImageView.h"
#include "generators/flareEffect.h"
#include "generators/hilbertLinesEffect.h"
#include "generators/linesEffect.h"
#include "generators/maskEffect.h"
#include "generators/patMorphingEffect.h"
#include "generators/patchWorkEffect.h"
#include "generators/plasmaEffect.h"
#include "generators/simpleEffects.h"

using generators::customEffImageView;
using generators::GeneratedEffect;

namespace {

using bench::kPictureHeight;
using bench::kPictureWidth;

struct Session : bench::App {
    customEffImageView* canvas = nullptr;
    bool presented = false;
};

Session* s_session = nullptr;

// Paints the canvas now, then lets the picture's renderer finish if the picture layer needs a
// frame.
void finishFrame(Session& s) {
    s.canvas->repaint();
    while (!s.canvas->frameIsFinished()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        s.canvas->repaint();
    }
}

GeneratedEffect* select(Session& s, effects::BaseEffect* prototype) {
    s.c->custom().select(prototype);
    auto* g = dynamic_cast<GeneratedEffect*>(s.c->custom().workingEffect());
    s.canvas->resizeViewBoundCenter(true, 3);
    finishFrame(s);
    return g;
}

template <class Step>
void measure(benchmark::State& state, Step step) {
    Session& s = *s_session;
    std::vector<double> ms;
    int k = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        step(k++);
        finishFrame(s);
        const double elapsed = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1e3);
    }
    bench::reportTimes(state, ms);
}

void BM_Drag(benchmark::State& state, effects::BaseEffect* prototype) {
    Session& s = *s_session;
    select(s, prototype);
    const QPointF start = s.canvas->widgetFromPicture({kPictureWidth / 2.0, kPictureHeight / 2.0});
    QMouseEvent down(QEvent::MouseButtonPress, start, s.canvas->mapToGlobal(start), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(s.canvas, &down);
    measure(state, [&](int k) {
        const QPointF at = start + QPointF(3 * (k % 50), 2 * (k % 30));
        QMouseEvent move(QEvent::MouseMove, at, s.canvas->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(s.canvas, &move);
    });
    QMouseEvent up(QEvent::MouseButtonRelease, start, s.canvas->mapToGlobal(start), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(s.canvas, &up);
}

void BM_Repaint(benchmark::State& state, effects::BaseEffect* prototype) {
    Session& s = *s_session;
    select(s, prototype);
    measure(state, [](int) {});
}

void BM_Generate(benchmark::State& state, effects::BaseEffect* prototype) {
    Session& s = *s_session;
    GeneratedEffect* g = select(s, prototype);
    measure(state, [g](int) { g->regenerate(); });
}

void BM_MaskChange(benchmark::State& state, effects::BaseEffect* prototype) {
    Session& s = *s_session;
    auto* g = static_cast<generators::maskEffect*>(select(s, prototype));
    QList<QAbstractButton*> grid = g->popupButton()->menu()->findChildren<QAbstractButton*>();
    measure(state, [&](int k) {
        QAbstractButton* b = grid[(k + 1) % grid.size()];
        g->maskSelected(b);
    });
}

// The composed full-size picture; with `fresh`, of a new set of shapes each time (the
// generation itself not timed).
void BM_Compose(benchmark::State& state, effects::BaseEffect* prototype, bool fresh) {
    Session& s = *s_session;
    GeneratedEffect* g = select(s, prototype);
    std::vector<double> ms;
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            g->regenerate();
            finishFrame(s);
            state.ResumeTiming();
        }
        QElapsedTimer t;
        t.start();
        const QImage full = g->getDrawImage();
        benchmark::DoNotOptimize(full.constBits());
        const double elapsed = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1e3);
    }
    bench::reportTimes(state, ms);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Session s;
    s_session = &s;
    s.start();
    s.canvas = s.c->window()->customEffectsView();
    QScrollArea* scroll = s.canvas->enclosingScrollView();
    s.showWithCanvas(scroll);
    s.c->changeFilterMode(s.c->window()->customBtn());
    QCoreApplication::processEvents();
    s.c->setBackgroundImage(bench::picture());
    finishFrame(s);
    std::printf("canvas %d x %d, picture %d x %d, zoom %.4f\n", scroll->viewport()->width(),
                scroll->viewport()->height(), kPictureWidth, kPictureHeight, s.canvas->getZoom());

    const app::CustomFamily& custom = s.c->custom();
    const std::pair<const char*, effects::BaseEffect*> generators[] = {
        {"linesEffect", custom.prototypeNamed(generators::linesEffect::kClassName)},
        {"hilbertLinesEffect", custom.prototypeNamed(generators::hilbertLinesEffect::kClassName)},
        {"plasmaEffect", custom.prototypeNamed(generators::plasmaEffect::kClassName)},
        {"maskEffect", custom.prototypeNamed(generators::maskEffect::kClassName)}};
    effects::BaseEffect* mask = generators[3].second;

    auto reg = [](const std::string& name, auto fn, int iterations) {
        benchmark::RegisterBenchmark(name.c_str(), fn)
            ->UseManualTime()
            ->MeasureProcessCPUTime()
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond);
    };
    for (const QString& name :
         {generators::linesEffect::kClassName, generators::flareEffect::kClassName,
          generators::patMorphingEffect::kClassName}) {
        effects::BaseEffect* proto = custom.prototypeNamed(name);
        reg(
            "Drag/" + name.toStdString(), [proto](benchmark::State& st) { BM_Drag(st, proto); },
            60);
    }
    for (const auto& [name, proto] : generators)
        reg(
            std::string("Repaint/") + name,
            [p = proto](benchmark::State& st) { BM_Repaint(st, p); }, 30);
    for (const auto& [name, proto] : generators)
        if (proto != mask)
            reg(
                std::string("Generate/") + name,
                [p = proto](benchmark::State& st) { BM_Generate(st, p); }, 10);
    // The other generators, the simple objects in each of their kinds at the largest count.
    for (const QString& name :
         {generators::patchWorkEffect::kClassName, generators::flareEffect::kClassName,
          generators::patMorphingEffect::kClassName}) {
        effects::BaseEffect* proto = custom.prototypeNamed(name);
        reg(
            "Generate/" + name.toStdString(),
            [proto](benchmark::State& st) { BM_Generate(st, proto); }, 10);
    }
    auto* simple = static_cast<generators::simpleEffects*>(
        custom.prototypeNamed(generators::simpleEffects::kClassName));
    for (int type = 0; type < int(generators::simpleEffects::kObjectTypes.size()); ++type)
        for (const bool compose : {false, true})
            reg(
                std::string(compose ? "Compose" : "Generate") + "/simpleEffects/" +
                    generators::simpleEffects::kObjectTypes[type].toStdString() + "@200",
                [simple, type, compose](benchmark::State& st) {
                    // The prototype is restored afterwards: later selections start from
                    // defaults.
                    const effects::EffectSettings defaults = simple->save();
                    simple->setObjectMode(type);
                    simple->seObjectCount(generators::simpleEffects::kMaxCount);
                    if (compose)
                        BM_Compose(st, simple, true);
                    else
                        BM_Generate(st, simple);
                    simple->read(defaults);
                },
                3);
    reg(
        "Mask/change", [mask](benchmark::State& st) { BM_MaskChange(st, mask); }, 10);
    for (const auto& [name, proto] : generators)
        reg(
            std::string("Compose/") + name,
            [p = proto](benchmark::State& st) { BM_Compose(st, p, false); }, 5);

    benchmark::RunSpecifiedBenchmarks();
    s.c->custom().select(nullptr);
    benchmark::Shutdown();
    return 0;
}
