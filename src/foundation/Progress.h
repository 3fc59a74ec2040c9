#pragma once
// Long work without a frozen window: the work runs on a worker thread while the event loop keeps
// every window painted. User input waits meanwhile; when the work takes longer than half a
// second a window-modal progress panel with a Cancel button appears.

#include <QString>
#include <atomic>
#include <functional>

class QWidget;

namespace foundation {

using Work = std::function<void(const std::atomic<bool>& cancel)>;

// Runs `work` and returns once it has finished: true, or false when the user cancelled (the work
// then sees `cancel` turn true and should stop soon). An exception thrown by the work is thrown
// again here.
bool runWithProgress(QWidget* window, const QString& label, const Work& work);

// How long the work runs before the panel appears (tests shorten it).
void setProgressDelay(int milliseconds);

}  // namespace foundation
