#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <stdexcept>
#include <thread>

#include "foundation/Progress.h"

namespace {
QProgressDialog* shownPanel() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible()) return d;
    return nullptr;
}
}  // namespace

TEST(Progress, LongWorkShowsAPanelWhoseCancelStopsIt) {
    foundation::setProgressDelay(30);
    QWidget window;
    window.show();
    QString label;
    int repaintsMeanwhile = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++repaintsMeanwhile; });
    ticker.start(5);
    QTimer::singleShot(0, [&] {
        // Presses Cancel once the panel is up.
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [&, poll] {
            if (QProgressDialog* d = shownPanel()) {
                label = d->labelText();
                if (auto* b = d->findChild<QPushButton*>()) b->click();
                poll->deleteLater();
            }
        });
        poll->start(10);
    });
    const bool finished = foundation::runWithProgress(&window, "Working…", [](const auto& cancel) {
        while (!cancel.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(label, "Working…");
    // The event loop ran while the work did.
    EXPECT_GT(repaintsMeanwhile, 0);
    EXPECT_EQ(shownPanel(), nullptr);
    foundation::setProgressDelay(-1);
}

TEST(Progress, ShortWorkShowsNothingAndErrorsReachTheCaller) {
    int seen = 0;
    QTimer::singleShot(0, [&] { seen += shownPanel() ? 1 : 0; });
    EXPECT_TRUE(foundation::runWithProgress(nullptr, "Quick", [](const auto&) {}));
    EXPECT_EQ(seen, 0);
    EXPECT_THROW(foundation::runWithProgress(
                     nullptr, "Failing", [](const auto&) { throw std::runtime_error("broken"); }),
                 std::runtime_error);
}
