#pragma once
// The standard canvas: the standard mode's result (the picture, or the working filter's output
// over it) at the canvas's zoom, with a cross-hair handle on every position, rectangle corner,
// 3D position and transform origin of the working filter while the mouse is over it. A press
// anywhere takes the nearest handle, which then follows the mouse; every drag event is one
// undoable edit.

#include <QString>
#include <string>
#include <vector>

#include "chrome/ZoomCanvas.h"
#include "imaging/Filter.h"
#include "workbench/FilterEditing.h"

namespace workbench {

class MyImageView : public chrome::ZoomCanvas {
    Q_OBJECT

  public:
    // What a handle moves (parmMode).
    enum HandleMode {
        kNoHandle = 0,
        kPosition = 1,
        kRectTopLeft = 2,
        kRectBottomLeft = 3,
        kRectTopRight = 4,
        kRectBottomRight = 5,
        kTransformOrigin = 8,
        kPosition3 = 10,
    };

    struct Handle {
        std::string key;
        int mode = kNoHandle;
        imaging::Point at;
    };

    // A handle's figure in picture units: a circle of radius `r` around the centre of the pixel
    // holding the point, and arms reaching `arm` from it. Both shrink as the zoom grows, so the
    // handle keeps its size on screen.
    struct HandleShape {
        double cx = 0, cy = 0, r = 0, arm = 0;
    };

    explicit MyImageView(QWidget* parent = nullptr);

    // Source of the picture, the working filter and the edits.
    FilterEditing* controller = nullptr;

    // The handle kind of an input: kPosition, kRectTopLeft (for any rectangle),
    // kTransformOrigin, kPosition3 or kNoHandle (the catalogue marks the filters with any,
    // DataSource::isControlsPresent).
    static int handleKind(const imaging::Attribute& a);
    // The filter's handles in input-key order. A rectangle gives its corners bottom-left,
    // bottom-right, top-left, top-right for drawing, or top-right, top-left, bottom-right,
    // bottom-left for picking.
    static std::vector<Handle> handles(const imaging::Filter* filter, bool pickingOrder);
    // The handle nearest to p; the first met wins a tie. Mode kNoHandle for none.
    static Handle nearestHandle(const imaging::Filter* filter, imaging::Point p);
    static HandleShape handleShape(imaging::Point at, double zoom);
    // The rectangle (x, y, w, h) with the corner `corner` moved to p. When the corner crosses the
    // opposite edge the sides swap and `corner` becomes its mirror, so the corner under the mouse
    // stays held and the size never becomes negative.
    static imaging::Rect movedRectangleCorner(const imaging::Rect& r, int& corner,
                                              imaging::Point p);
    // The value a drag of the handle `mode` to p gives a parameter whose value is `current`.
    static imaging::Value draggedValue(const imaging::Value& current, int& mode, imaging::Point p);

    // Mouse handling in picture coordinates.
    void mouseEntered();
    void mouseExited();
    void mouseDown(imaging::Point p);
    void mouseDragged(imaging::Point p);
    void mouseUp();

    bool movingNow = false;
    bool displayingPoints = false;
    int parmIndex = -1;
    QString parmKey;
    int parmMode = kNoHandle;

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void drawOverlay(QPainter& p) override;
    ContentKey contentKey(const imaging::Image& shown) const override;

  private:
    void drawPoint(QPainter& p, imaging::Point at) const;
    // The working filter with the inputs the canvas feeds it (the picture, its own extent):
    // where the handles are.
    std::shared_ptr<const imaging::Filter> shownFilter() const;
};

}  // namespace workbench
