#pragma once
// Places child widgets by y-up frames (x, y, width, height, y measured from the parent's bottom
// edge) and keeps them where their resizing flags say when the parent changes size: the
// flexible parts of each axis share the change in proportion to their sizes.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <vector>

class QWidget;

namespace workbench {

// Resizing flags.
enum Autoresizing {
    kNotSizable = 0,
    kMinXMargin = 1,  // flexible left margin
    kWidthSizable = 2,
    kMaxXMargin = 4,  // flexible right margin
    kMinYMargin = 8,  // flexible bottom margin
    kHeightSizable = 16,
    kMaxYMargin = 32,  // flexible top margin
};

class Autoresizer : public QObject {
    Q_OBJECT

  public:
    // The autoresizer of `parent`, made on first use.
    static Autoresizer* of(QWidget* parent);

    // Puts `child` (made a child of the parent if it is not one) at `frame`.
    void place(QWidget* child, const QRect& frame, int mask);
    // Changes the frame of a placed child, keeping its flags.
    void setFrame(QWidget* child, const QRect& frame);
    // The child's y-up frame; its Qt geometry read back when it was not placed here.
    QRect frame(const QWidget* child) const;
    int mask(const QWidget* child) const;

    // A frame laid out for `oldSize` as the flags move it for `newSize`.
    static QRectF resized(const QRectF& frame, int mask, QSize oldSize, QSize newSize);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit Autoresizer(QWidget* parent);
    struct Placed {
        QPointer<QWidget> child;
        QRectF frame;  // unrounded, so that many resizes do not drift
        int mask;
    };
    Placed* find(const QWidget* child);
    const Placed* find(const QWidget* child) const;
    void apply(const Placed& p) const;

    QWidget* m_parent;
    QSize m_size;
    std::vector<Placed> m_placed;
};

}  // namespace workbench
