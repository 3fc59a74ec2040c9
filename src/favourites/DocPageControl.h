#pragma once
// A favourites bar: a one-row strip of items one pitch apart that scrolls sideways, with back
// and forward arrows shown only when there is something to scroll to. Items keep their places
// in a document view that slides inside a clip view; the scroll position is how far the
// document has slid. Scrolls are animated in 0.01 s ticks; one animation runs at a time for all
// strips.

#include <QList>
#include <QPointer>
#include <QWidget>

class QLabel;
class QToolButton;

namespace favourites {

class DocPageControl : public QWidget {
    Q_OBJECT

  public:
    // Width of one item and distance between neighbours.
    static constexpr int kPitch = 51;

    explicit DocPageControl(QWidget* parent = nullptr);
    ~DocPageControl() override;

    // --- items
    // Inserts `item` after `neighbour` (turning the neighbour off and the item on), or appends
    // it when there is no neighbour; an item that lands beyond the visible end scrolls into view.
    void addItemSelected(QWidget* item, QWidget* neighbour = nullptr);
    // Removes `item` and closes the gap; returns the item now in its place, else the last item,
    // else nothing. The item is no longer a child of the strip: its owner disposes of it.
    QWidget* removeItem(QWidget* item);
    // The items in the order of their places.
    QList<QWidget*> items() const;

    // --- counts and position
    void setPageCount(int count);
    int pageCount() const { return m_pageCount; }
    // Index of the first item in view, as far as scrolling keeps it.
    int currentPage() const { return current_page; }
    int viewPageCount() const { return view_page_count; }
    int maxShownPage() const { return current_page + view_page_count; }
    double scrollPosition() const { return m_scrollX; }
    int visibleWidth() const;
    int documentWidth() const;
    QWidget* documentView() const { return m_document; }

    // Recomputes the visible count and corrects the scroll position, at once.
    void liveResizeDone();
    // Scrolls one step when item `index` is not comfortably in view.
    void adjustVisibility(int index);
    void stepPrev();
    void stepNext();
    // Scrolls forward until item `index` is in view.
    void stepNextTo(int index);
    // Scrolls to current_page.
    void scrollToPage();
    // Shows the arrows exactly when there is something to scroll to on their side.
    void setHiddenStates();

    QToolButton* prevBtn() const { return m_prev; }
    QToolButton* nextBtn() const { return m_next; }

    // --- the shared animation
    // One tick.
    static void AnimateScroller();
    static bool isAnimating();
    // While set, animations advance only through AnimateScroller, never by a timer (tests).
    static void setManualAnimation(bool manual);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void setScrollPosition(double x);
    // Slides `items` pitches forward unless the end is already in view.
    void slideForward(int items);
    // Starts the shared animation from the current position towards `toX`.
    void animateTo(double toX);
    void placeDocument(int width);
    // The item's frame with y measured upwards in the document view.
    QRect frameOf(const QWidget* item) const;

    int m_pageCount = 0;
    int current_page = 0;
    int view_page_count = 0;
    double m_scrollX = 0;
    QWidget* m_clip = nullptr;
    QWidget* m_document = nullptr;
    QLabel* m_emptyNote = nullptr;
    QToolButton* m_prev = nullptr;
    QToolButton* m_next = nullptr;
    QList<QPointer<QWidget>> m_items;
};

}  // namespace favourites
