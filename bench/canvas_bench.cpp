// How fast the standard canvas follows a parameter change: the time from an edit (a handle
// dragged, or a slider moved) to a finished canvas frame, on a 1280 x 800 canvas fitted to a
// 24-megapixel picture, for the filters of the side-by-side set and every filter with a handle.
// Each iteration is one edit through the controller, as a drag event makes it, followed by the
// event loop until the canvas has drawn a frame of the new settings; edits follow each other
// without pause, as in a drag. Reported: the median, the 90th percentile and the worst edit.
//   Edit/...    frames at screen resolution (the canvas's coarser frames for slow filters off);
//   Drag/...    what a drag shows: the first frame of the new settings, coarser than the screen
//               when the filter cannot keep up at screen resolution (`scale` is the median
//               fraction of screen resolution);
//   Refine/...  the frame computed at full resolution that follows once the mouse rests (the
//               quiet time before it is included).
//
//   build/bench/canvas_bench [--benchmark_filter=Edit/CIGaussianBlur]

#include <benchmark/benchmark.h>

#include "BenchApp.h"
#include "BenchPicture.h"
#include "BenchTimes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollArea>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/Controller.h"
#include "app/MainWindow.h"
#include "imaging/FilterRegistry.h"
#include "workbench/DataSource.h"
#include "workbench/MyImageView.h"

using imaging::Value;
using workbench::MyImageView;

namespace {

using bench::kPictureHeight;
using bench::kPictureWidth;
using bench::picture;

// The filters measured side by side with other libraries.
const char* const kBenchmarkSet[] = {"CIGaussianBlur", "CIColorControls", "CIAffineTransform",
                                     "CITwirlDistortion", "CISourceOverCompositing"};

struct Session : bench::App {
    imaging::Image overlay;
    bool presented = false, painted = false;
};

Session* s_session = nullptr;

// Runs the event loop until the canvas has drawn a frame of the current settings.
void waitForFrame(Session& s) {
    s.presented = false;
    s.c->window()->ciView()->update();
    while (!s.presented) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The same for a frame of any resolution.
void waitForAnyFrame(Session& s) {
    s.painted = false;
    s.c->window()->ciView()->update();
    while (!s.painted) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void waitForRefinedFrame(Session& s) {
    waitForFrame(s);
    while (!s.c->window()->ciView()->frameIsRefined()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        s.c->window()->ciView()->update();
    }
}

// One edit of the filter: the k-th value of a back-and-forth drag of its first handle, of its
// first slider, or, for a compositing filter without either, another foreground picture.
struct Edit {
    QString key;
    std::function<Value(int k)> value;
};

Edit editFor(const imaging::Filter& f, Session& s) {
    for (const MyImageView::Handle& h : MyImageView::handles(&f, false)) {
        // The controller sets the extent to the canvas's size on every frame.
        if (h.key == "inputExtent") continue;
        const Value start = f.value(h.key);
        const int mode = h.mode;
        // Around the middle of the picture (some defaults lie at the ends of the plane, where
        // a few pixels more or less change nothing).
        return {QString::fromStdString(h.key), [start, mode](int k) {
                    int m = mode;
                    const imaging::Point p{kPictureWidth / 2.0 + 25.0 * (k % 8),
                                           kPictureHeight / 2.0 + 15.0 * (k % 5)};
                    return MyImageView::draggedValue(start, m, p);
                }};
    }
    for (const imaging::Attribute& a : f.attributes()) {
        if (!a.isNumber() || !a.sliderMin || !a.sliderMax ||
            a.type == imaging::kCIAttributeTypeBoolean)
            continue;
        const double lo = *a.sliderMin, hi = *a.sliderMax;
        return {QString::fromStdString(a.key),
                [lo, hi](int k) { return Value(lo + (hi - lo) * (0.35 + 0.03 * (k % 10))); }};
    }
    // A compositing filter's foreground (its other image inputs the controller sets).
    if (!f.attribute("inputBackgroundImage")) return {};
    const imaging::Image a = s.overlay, b = s.c->backImage();
    return {QStringLiteral("inputImage"), [a, b](int k) { return Value(k % 2 ? a : b); }};
}

std::shared_ptr<imaging::Filter> prepare(const std::string& name, Session& s) {
    std::shared_ptr<imaging::Filter> f = imaging::FilterRegistry::shared().filterWithName(name);
    if (!f) return nullptr;
    f->setDefaults();
    for (const imaging::Attribute& a : f->attributes())
        if (a.isImage() && a.key != "inputBackgroundImage") f->setValue(a.key, s.overlay);
    if (name == "CIAffineTransform") {
        const double r = 30 * 3.14159265358979 / 180;
        f->setValue("inputTransform",
                    imaging::AffineTransform{std::cos(r), std::sin(r), -std::sin(r), std::cos(r),
                                             kPictureWidth / 2.0, kPictureHeight / 2.0});
    }
    return f;
}

void BM_Edit(benchmark::State& state, const std::string& name, bool drag) {
    Session& s = *s_session;
    const std::shared_ptr<imaging::Filter> f = prepare(name, s);
    if (!f) {
        state.SkipWithError(("no filter " + name).c_str());
        return;
    }
    MyImageView* view = s.c->window()->ciView();
    view->setInteractiveBudget(drag ? chrome::ZoomCanvas::kInteractiveBudgetMs : 0);
    s.c->standard().setCurrentFilter(f);
    waitForFrame(s);  // the first frame of the filter is not an edit
    const Edit edit = editFor(*f, s);
    if (edit.key.isEmpty()) {
        state.SkipWithError("no edit on the canvas changes this filter");
        s.c->standard().setCurrentFilter(nullptr);
        return;
    }
    std::vector<double> ms, scale;
    int k = 1;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        s.c->setFilterValueForKey(f, edit.value(k++), edit.key);
        drag ? waitForAnyFrame(s) : waitForFrame(s);
        const double elapsed = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        ms.push_back(elapsed * 1e3);
        scale.push_back(view->frameScale() / view->getZoom());
    }
    bench::reportTimes(state, ms);
    if (drag) state.counters["scale"] = bench::percentile(scale, 0.5);
    s.c->standard().setCurrentFilter(nullptr);
    view->setInteractiveBudget(chrome::ZoomCanvas::kInteractiveBudgetMs);
}

void BM_Refine(benchmark::State& state, const std::string& name) {
    Session& s = *s_session;
    const std::shared_ptr<imaging::Filter> f = prepare(name, s);
    if (!f) {
        state.SkipWithError(("no filter " + name).c_str());
        return;
    }
    s.c->standard().setCurrentFilter(f);
    waitForRefinedFrame(s);
    const Edit edit = editFor(*f, s);
    if (edit.key.isEmpty()) {
        state.SkipWithError("no edit on the canvas changes this filter");
        s.c->standard().setCurrentFilter(nullptr);
        return;
    }
    int k = 1;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        s.c->setFilterValueForKey(f, edit.value(k++), edit.key);
        waitForRefinedFrame(s);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
    }
    s.c->standard().setCurrentFilter(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Session s;
    s_session = &s;
    s.start();
    QScrollArea* scroll = s.c->window()->ciView()->enclosingScrollView();
    s.showWithCanvas(scroll);
    QCoreApplication::processEvents();
    s.overlay = bench::picture(1);
    s.c->setBackgroundImage(bench::picture(0));
    QObject::connect(s.c->window()->ciView(), &MyImageView::framePresented,
                     [&s] { s.presented = true; });
    QObject::connect(s.c->window()->ciView(), &MyImageView::framePainted,
                     [&s] { s.painted = true; });
    waitForFrame(s);
    std::printf("canvas %d x %d, picture %d x %d, zoom %.4f\n", scroll->viewport()->width(),
                scroll->viewport()->height(), kPictureWidth, kPictureHeight,
                s.c->window()->ciView()->getZoom());

    std::vector<std::string> names(std::begin(kBenchmarkSet), std::end(kBenchmarkSet));
    for (const std::string& n : imaging::FilterRegistry::shared().allFilterNames()) {
        const auto f = imaging::FilterRegistry::shared().filterWithName(n);
        if (workbench::DataSource::isControlsPresent(f.get()) &&
            std::find(names.begin(), names.end(), n) == names.end())
            names.push_back(n);
    }
    for (const bool drag : {false, true})
        for (const std::string& n : names)
            benchmark::RegisterBenchmark(((drag ? "Drag/" : "Edit/") + n).c_str(),
                                         [n, drag](benchmark::State& st) { BM_Edit(st, n, drag); })
                ->UseManualTime()
                ->Iterations(15)
                ->Unit(benchmark::kMillisecond);
    for (const char* n : kBenchmarkSet)
        benchmark::RegisterBenchmark((std::string("Refine/") + n).c_str(),
                                     [n](benchmark::State& st) { BM_Refine(st, n); })
            ->UseManualTime()
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    s.c.reset();
    return 0;
}
