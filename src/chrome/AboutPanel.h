#pragma once
// The about box: icon, name, version field and a link to the user guide. It closes on a click or
// key press outside its link area, or by itself after a few seconds untouched.

#include <QDialog>
#include <QRect>
#include <functional>

class QLabel;
class QEventLoop;

namespace chrome {

class AboutPanel : public QDialog {
    Q_OBJECT

  public:
    // The link area, y-up within the panel: clicks there go to the link, elsewhere they close.
    static constexpr QRect kLinkAreaYUp{20, 137, 221, 20};
    static constexpr int kWidth = 261, kHeight = 230;

    AboutPanel(const QString& version, QWidget* parent = nullptr);

    // Runs the box modally over `window` until a click or key outside the link area, or until
    // the untouched box times out: a wait of up to one tick for input; the first timeout notes
    // the time, a later one ends the run once more than three ticks have passed since then.
    void runOver(QWidget* window);
    // Tick length in milliseconds (1000; tests shorten it).
    void setTickMs(int ms) { m_tickMs = ms; }

    // The link area in Qt coordinates of the panel.
    QRect linkArea() const;
    // Called with the link when it is activated.
    void setLinkHandler(std::function<void()> handler) { m_linkHandler = std::move(handler); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  public:
    // Whether the last run ended by input rather than by the timeout.
    bool endedByInput() const { return m_done; }

  private:
    int m_tickMs = 1000;
    bool m_done = false;
    bool m_gotEvent = false;
    QLabel* m_link = nullptr;
    QEventLoop* m_loop = nullptr;
    std::function<void()> m_linkHandler;
};

}  // namespace chrome
