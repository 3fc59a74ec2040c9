#pragma once
// Renders a canvas's frames on a worker thread, so that the event loop never waits for the
// engine. The newest request wins: one that arrives while another waits replaces it; a preview
// being rendered is finished (so that frames keep coming while a handle or a slider is dragged),
// while a full-resolution refinement being rendered is cancelled.

#include <QImage>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "imaging/Context.h"
#include "imaging/Image.h"

namespace foundation {

class CanvasRenderer : public QObject {
    Q_OBJECT

  public:
    struct Request {
        imaging::Image image;
        imaging::IRect pixels;  // scaled pixels wanted (y up)
        double scale = 1;       // scaled pixels per picture unit
        // Computed at one pixel per picture unit and averaged down to `scale`, rather than with
        // the engine's reduced-resolution rendering.
        bool refine = false;
        quint64 tag = 0;  // the caller's name for what the image shows
    };

    struct Frame {
        quint64 serial = 0;  // the request's serial: later requests have larger ones
        quint64 tag = 0;
        imaging::IRect pixels;
        double scale = 1;
        bool refined = false;
        QImage image;       // premultiplied, rows top to bottom; null when the render failed
        std::string error;  // why it failed
        double renderMs = 0;
    };

    explicit CanvasRenderer(QObject* parent = nullptr);
    ~CanvasRenderer() override;

    // Called on this object's thread with each finished frame (cancelled ones are dropped).
    void setFrameHandler(std::function<void(const Frame&)> handler) {
        m_handler = std::move(handler);
    }

    // Queues a request and returns its serial.
    quint64 request(Request r);
    // Drops the waiting request and stops the one being rendered.
    void cancelAll();
    // A request waits or is being rendered.
    bool busy() const;

    // The pixels at `scale` as averages of the picture computed at full resolution, each the
    // mean over the picture area it covers. Rendered in bands, so that a large picture never
    // needs a full-resolution buffer of its whole visible part. Throws Cancelled when cancelled.
    static imaging::Buffer renderRefined(const imaging::Image& image, const imaging::IRect& pixels,
                                         double scale, const imaging::RenderOptions& options = {});

  private:
    void run();
    Frame renderFrame(const Request& r, quint64 serial);

    std::function<void(const Frame&)> m_handler;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<std::pair<Request, quint64>> m_pending;
    bool m_running = false;
    bool m_runningRefine = false;
    bool m_stop = false;
    quint64 m_serial = 0;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

}  // namespace foundation
