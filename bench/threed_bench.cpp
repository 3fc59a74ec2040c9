// How fast the 3D canvas follows the mouse and takes a new picture: on a 1280 x 800 canvas with
// a 24-megapixel picture, the time from a mouse-drag event to the finished frame on screen,
// for the surface and each of the seven solids; and the time from a new picture to its first
// frame (the picture rendered at the size the canvas can show, uploaded, its levels built by
// the GL, drawn). "Before" is what each flat-view repaint used to cost: the whole picture
// rendered and its levels built in software by GLU.
//
// Needs a display with OpenGL (run-all starts Xvfb when there is none; Mesa's llvmpipe).
//   build/bench/threed_bench [--benchmark_filter=Drag/Sphere]

#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "BenchPicture.h"
#include "BenchTimes.h"
#include "foundation/ImageBridge.h"
#include "foundation/UndoManager.h"
#include "imaging/Log.h"
#include "threed/EvalEffect.h"
#include "threed/MyOGLView.h"
#include "threed/ObjectEffect.h"
#include "threed/TestHost.h"

namespace {

using bench::kPictureHeight;
using bench::kPictureWidth;
using bench::picture;
constexpr int kCanvasWidth = 1280, kCanvasHeight = 800;

struct Session {
    threed::test::TestHost app;
    effects::BaseEffect* effect = nullptr;
    threed::MyOGLView view;
    bool swapped = false;
};

Session* s_session = nullptr;

void waitForFrame(Session& s) {
    while (!s.swapped) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    s.swapped = false;
}

void redrawAndWait(Session& s) {
    s.swapped = false;
    s.view.surface()->update();
    waitForFrame(s);
}

// CPU time of the whole process, llvmpipe's render threads included: with other jobs on the
// cores the wall times are mostly waiting, this is the work a step costs.
double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void report(benchmark::State& state, const std::vector<double>& ms,
            const std::vector<double>& cpuMs) {
    bench::reportTimes(state, ms);
    state.counters["cpu_median_ms"] = bench::percentile(cpuMs, 0.5);
}

void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// One drag event after another, each followed by its frame on screen; the canvas zoomed in by
// `zoom` (the scene then covers the whole canvas).
void BM_Drag(benchmark::State& state, effects::BaseEffect* effect, double zoom = 1.0) {
    Session& s = *s_session;
    s.effect = effect;
    s.view.setZoom(zoom);
    redrawAndWait(s);  // the first frame sets the effect up and takes the picture
    QWidget* w = s.view.surface();
    QPoint at(kCanvasWidth / 2, kCanvasHeight / 2);
    send(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    std::vector<double> ms, cpuMs;
    int k = 0;
    for (auto _ : state) {
        at += QPoint((k++ / 20) % 2 ? -3 : 3, 1);
        const double cpu0 = processCpuMs();
        QElapsedTimer t;
        t.start();
        s.swapped = false;
        send(w, QEvent::MouseMove, at, Qt::LeftButton);
        waitForFrame(s);
        const double elapsed = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1e3);
        cpuMs.push_back(processCpuMs() - cpu0);
    }
    send(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
    report(state, ms, cpuMs);
    s.effect = nullptr;
    s.view.zoomToActualSize();
}

// A new picture, as after opening or applying, to its first frame.
void BM_FirstFrame(benchmark::State& state, effects::BaseEffect* effect) {
    Session& s = *s_session;
    s.effect = effect;
    redrawAndWait(s);
    std::vector<double> ms, cpuMs;
    int seed = 2;
    for (auto _ : state) {
        const imaging::Image next = picture(seed++);
        const double cpu0 = processCpuMs();
        QElapsedTimer t;
        t.start();
        s.app.picture = next;
        if (effect) effect->reloadImage();
        redrawAndWait(s);
        const double elapsed = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1e3);
        cpuMs.push_back(processCpuMs() - cpu0);
    }
    report(state, ms, cpuMs);
    s.effect = nullptr;
}

// What the flat view used to do on every repaint: the whole picture rendered, then its levels
// built by GLU in software from the full-size pixels.
void BM_BeforeFullSizeRepaint(benchmark::State& state) {
    Session& s = *s_session;
    std::vector<double> ms, cpuMs;
    for (auto _ : state) {
        const double cpu0 = processCpuMs();
        QElapsedTimer t;
        t.start();
        const imaging::Rect e = s.app.picture.extent();
        const QImage full =
            foundation::renderQImage(s.app.picture, imaging::IRect::cover(e, 1.0), 1.0);
        s.view.surface()->makeCurrent();
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, full.width(), full.height(), GL_RGBA, GL_UNSIGNED_BYTE,
                          full.constBits());
        glFinish();
        glDeleteTextures(1, &name);
        s.view.surface()->doneCurrent();
        const double elapsed = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1e3);
        cpuMs.push_back(processCpuMs() - cpu0);
    }
    report(state, ms, cpuMs);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    imaging::setLogSink([](const std::string&) {});

    Session s;
    s_session = &s;
    if (!s.view.surface()) {
        std::fprintf(stderr, "threed_bench: this platform has no OpenGL for widgets\n");
        return 1;
    }
    s.view.setImageSource([&s] { return s.app.picture; });
    s.view.setEffectSource([&s] { return s.effect; });
    QObject::connect(s.view.surface(), &QOpenGLWidget::frameSwapped, [&s] { s.swapped = true; });
    s.view.setFixedSize(kCanvasWidth, kCanvasHeight);
    s.view.show();
    s.app.picture = picture(0);
    redrawAndWait(s);
    s.view.surface()->makeCurrent();
    std::printf("canvas %d x %d, picture %d x %d, %s\n", s.view.surface()->width(),
                s.view.surface()->height(), kPictureWidth, kPictureHeight,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    s.view.surface()->doneCurrent();

    threed::EvalEffect surface;
    surface.awakeFromNib();
    std::vector<std::unique_ptr<threed::ObjectEffect>> solids;
    benchmark::RegisterBenchmark("Drag/Surface",
                                 [&](benchmark::State& st) { BM_Drag(st, &surface); })
        ->UseManualTime()
        ->Iterations(40)
        ->Unit(benchmark::kMillisecond);
    for (int type = 0; type < threed::ObjectEffect::ShapeCount; ++type) {
        solids.push_back(std::make_unique<threed::ObjectEffect>());
        threed::ObjectEffect* solid = solids.back().get();
        solid->setObjectMode(type);
        // Turned so that every shape shows faces, the open and flat ones too.
        solid->setRotation({40, 120, 0, 0});
        benchmark::RegisterBenchmark(
            ("Drag/" + threed::ObjectEffect::objectTypeTitles()[type].toStdString()).c_str(),
            [solid](benchmark::State& st) { BM_Drag(st, solid); })
            ->UseManualTime()
            ->Iterations(40)
            ->Unit(benchmark::kMillisecond);
    }
    // Zoomed to 300 %: the scene square, 2400 pixels a side, covers the whole canvas.
    benchmark::RegisterBenchmark("Drag/Zoomed300/Surface",
                                 [&](benchmark::State& st) { BM_Drag(st, &surface, 3.0); })
        ->UseManualTime()
        ->Iterations(40)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(
        "Drag/Zoomed300/Sphere",
        [&](benchmark::State& st) { BM_Drag(st, solids[threed::ObjectEffect::Sphere].get(), 3.0); })
        ->UseManualTime()
        ->Iterations(40)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FirstFrame/Flat",
                                 [](benchmark::State& st) { BM_FirstFrame(st, nullptr); })
        ->UseManualTime()
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FirstFrame/Surface",
                                 [&](benchmark::State& st) { BM_FirstFrame(st, &surface); })
        ->UseManualTime()
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FirstFrame/Sphere",
                                 [&](benchmark::State& st) {
                                     BM_FirstFrame(st, solids[threed::ObjectEffect::Sphere].get());
                                 })
        ->UseManualTime()
        ->Iterations(5)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Before/FullSizeRepaint", BM_BeforeFullSizeRepaint)
        ->UseManualTime()
        ->Iterations(2)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
