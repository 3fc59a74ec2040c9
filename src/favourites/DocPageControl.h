#pragma once
// A favourites bar: a one-row strip of thumbnail buttons one pitch apart that scrolls sideways,
// with back and forward arrows shown only when there is something to scroll to. This is the
// strip's frame; adding, removing and the animated scrolling come with the favourites.

#include <QWidget>

class QScrollArea;
class QToolButton;

namespace favourites {

class DocPageControl : public QWidget {
    Q_OBJECT

  public:
    // Distance between neighbouring items, in points.
    static constexpr int kPitch = 51;

    explicit DocPageControl(QWidget* parent = nullptr);

    int pageCount() const { return m_pageCount; }
    int viewPageCount() const { return view_page_count; }
    // Recomputes how many items fit and which arrows show.
    void liveResizeDone();
    void setHiddenStates();

    QScrollArea* mainPageScroller() const { return m_scroller; }
    QToolButton* prevBtn() const { return m_prev; }
    QToolButton* nextBtn() const { return m_next; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    int m_pageCount = 0;
    int current_page = 0;
    int view_page_count = 0;
    QScrollArea* m_scroller = nullptr;
    QToolButton* m_prev = nullptr;
    QToolButton* m_next = nullptr;
};

}  // namespace favourites
