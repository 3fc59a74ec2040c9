#include "foundation/Progress.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <exception>
#include <memory>
#include <thread>

namespace foundation {

namespace {
int s_delay = 500;
}

void setProgressDelay(int milliseconds) {
    s_delay = milliseconds < 0 ? 500 : milliseconds;
}

bool runWithProgress(QWidget* window, const QString& label, const Work& work) {
    std::atomic<bool> cancel{false};
    std::exception_ptr error;
    QEventLoop loop;
    // Shared with the worker, which may finish after a loop has been left.
    auto finished = std::make_shared<std::atomic<bool>>(false);

    std::thread worker([&, finished] {
        try {
            work(cancel);
        } catch (...) {
            error = std::current_exception();
        }
        finished->store(true);
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });

    // First only repaint and timers: nothing the user does may change the picture under the work.
    QTimer::singleShot(s_delay, &loop, [&loop] { loop.quit(); });
    if (!finished->load()) loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!finished->load()) {
        QProgressDialog panel(label, QStringLiteral("Cancel"), 0, 0, window);
        panel.setWindowModality(Qt::WindowModal);
        panel.setMinimumDuration(0);
        panel.setAutoClose(false);
        panel.setAutoReset(false);
        QObject::connect(&panel, &QProgressDialog::canceled, &panel, [&cancel, &panel] {
            cancel.store(true);
            panel.setLabelText(QStringLiteral("Stopping…"));
        });
        panel.show();
        // The panel is window-modal: the main window takes no input while it is up.
        while (!finished->load()) loop.exec();
    }
    worker.join();
    if (error) std::rethrow_exception(error);
    return !cancel.load();
}

}  // namespace foundation
