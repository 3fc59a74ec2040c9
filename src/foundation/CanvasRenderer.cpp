#include "foundation/CanvasRenderer.h"

#include <tbb/parallel_for.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "imaging/Error.h"
#include "imaging/io/QtBitmap.h"

namespace foundation {

namespace {

// Full-resolution rows rendered at a time while refining: enough to keep the per-band set-up
// (and a blur's margins) small, few enough to keep memory modest on wide pictures.
constexpr int kBandSourceRows = 512;

// How much of each full-resolution pixel along one axis goes into each reduced pixel.
struct Taps {
    int first = 0;         // first full-resolution index read
    std::vector<float> w;  // its weight and those of the following indices
};

// For reduced pixels [i0, i1) at `scale`: the full-resolution pixels each one covers, weighted
// by the covered length. The weights of one reduced pixel sum to 1.
std::vector<Taps> tapsFor(int i0, int i1, double scale) {
    std::vector<Taps> taps(size_t(std::max(0, i1 - i0)));
    for (int i = i0; i < i1; ++i) {
        const double a = i / scale, b = (i + 1) / scale;
        Taps& t = taps[size_t(i - i0)];
        t.first = int(std::floor(a));
        const int last = int(std::ceil(b)) - 1;
        double sum = 0;
        for (int k = t.first; k <= last; ++k) {
            const double cover = std::min(b, double(k + 1)) - std::max(a, double(k));
            t.w.push_back(float(std::max(0.0, cover)));
            sum += std::max(0.0, cover);
        }
        for (float& w : t.w) w = float(w / sum);
    }
    return taps;
}

}  // namespace

CanvasRenderer::CanvasRenderer(QObject* parent) : QObject(parent) {
    m_thread = std::thread([this] { run(); });
}

CanvasRenderer::~CanvasRenderer() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_pending.reset();
        m_cancel = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

quint64 CanvasRenderer::request(Request r) {
    std::lock_guard lock(m_mutex);
    const quint64 serial = ++m_serial;
    m_pending.emplace(std::move(r), serial);
    // A refinement is only worth finishing while nothing changes.
    if (m_running && m_runningRefine) m_cancel = true;
    m_wake.notify_one();
    return serial;
}

void CanvasRenderer::cancelAll() {
    std::lock_guard lock(m_mutex);
    m_pending.reset();
    if (m_running) m_cancel = true;
}

bool CanvasRenderer::busy() const {
    std::lock_guard lock(m_mutex);
    return m_running || m_pending;
}

void CanvasRenderer::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (m_stop) return;
        auto [req, serial] = std::move(*m_pending);
        m_pending.reset();
        m_running = true;
        m_runningRefine = req.refine;
        m_cancel = false;
        lock.unlock();

        std::optional<Frame> frame;
        const auto start = std::chrono::steady_clock::now();
        try {
            frame = renderFrame(req, serial);
            frame->renderMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
        } catch (const imaging::Cancelled&) {
        } catch (const std::exception& e) {
            frame.emplace();
            frame->serial = serial;
            frame->tag = req.tag;
            frame->pixels = req.pixels;
            frame->scale = req.scale;
            frame->error = e.what();
        }
        // The picture graph may hold the last reference to large buffers: let it go here.
        req = Request();

        lock.lock();
        m_running = false;
        if (frame && !m_stop)
            QMetaObject::invokeMethod(
                this,
                [this, f = std::move(*frame)] {
                    if (m_handler) m_handler(f);
                },
                Qt::QueuedConnection);
    }
}

CanvasRenderer::Frame CanvasRenderer::renderFrame(const Request& r, quint64 serial) {
    Frame f;
    f.serial = serial;
    f.tag = r.tag;
    f.pixels = r.pixels;
    f.scale = r.scale;
    imaging::RenderOptions options;
    options.cancel = &m_cancel;
    imaging::Buffer buf;
    if (r.refine && r.scale < 1) {
        buf = renderRefined(r.image, r.pixels, r.scale, options);
        f.refined = true;
    } else {
        static const imaging::Context context;
        buf = context.render(r.image, r.pixels.toPicture(r.scale), r.scale, options);
        f.refined = r.refine;
    }
    f.pixels = buf.rect();
    f.image = imaging::io::qImageFromBitmap(
        imaging::Context::toBitmap(buf, imaging::PixelFormat::RGBA8Premultiplied));
    return f;
}

imaging::Buffer CanvasRenderer::renderRefined(const imaging::Image& image,
                                              const imaging::IRect& pixels, double scale,
                                              const imaging::RenderOptions& options) {
    static const imaging::Context context;
    if (!(scale < 1)) return context.render(image, pixels.toPicture(scale), scale, options);
    imaging::Buffer out(pixels, true);
    if (pixels.isEmpty() || !image) return out;

    const std::vector<Taps> cols = tapsFor(pixels.x0, pixels.x1, scale);
    const int sx0 = cols.front().first;
    const int sx1 = cols.back().first + int(cols.back().w.size());
    const int bandRows = std::max(1, int(kBandSourceRows * scale));
    const int width = pixels.width();

    for (int j0 = pixels.y0; j0 < pixels.y1; j0 += bandRows) {
        if (options.cancel && options.cancel->load()) throw imaging::Cancelled();
        const int j1 = std::min(pixels.y1, j0 + bandRows);
        const std::vector<Taps> rows = tapsFor(j0, j1, scale);
        const int sy0 = rows.front().first;
        const int sy1 = rows.back().first + int(rows.back().w.size());
        const imaging::Buffer src = context.render(
            image, imaging::Rect{double(sx0), double(sy0), double(sx1 - sx0), double(sy1 - sy0)},
            1.0, options);
        if (src.rect() != imaging::IRect{sx0, sy0, sx1, sy1})
            throw imaging::Error("unexpected band rectangle");

        // Across first: every full-resolution row of the band reduced to the output columns.
        std::vector<imaging::Px> across(size_t(sy1 - sy0) * size_t(width));
        tbb::parallel_for(sy0, sy1, [&](int y) {
            imaging::Px* dst = across.data() + size_t(y - sy0) * size_t(width);
            const imaging::Px* row = src.row(y);
            for (int i = 0; i < width; ++i) {
                const Taps& t = cols[size_t(i)];
                imaging::Px sum{0, 0, 0, 0};
                for (size_t k = 0; k < t.w.size(); ++k) sum += row[t.first + int(k)] * t.w[k];
                dst[i] = sum;
            }
        });
        // Then down.
        tbb::parallel_for(j0, j1, [&](int j) {
            const Taps& t = rows[size_t(j - j0)];
            imaging::Px* dst = out.row(j) + pixels.x0;
            for (int i = 0; i < width; ++i) dst[i] = imaging::Px{0, 0, 0, 0};
            for (size_t k = 0; k < t.w.size(); ++k) {
                const imaging::Px* s = across.data() + size_t(t.first + int(k) - sy0) * width;
                const float w = t.w[k];
                for (int i = 0; i < width; ++i) dst[i] += s[i] * w;
            }
        });
    }
    return out;
}

}  // namespace foundation
