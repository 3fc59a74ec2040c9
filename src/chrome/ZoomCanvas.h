#pragma once
// A canvas inside a scroll area that shows a picture at a zoom factor. Its bounds are in picture
// units (y up, the picture's lower-left corner at the origin); a picture smaller than the visible
// area is centred in it with equal margins. The wheel zooms in steps, and one dropped picture
// file can replace the picture. The zoom commands (zoomIn, ...) step the zoom from the keyboard;
// dragging with the middle button, or with Space held over the canvas, pans. Above 200 % the
// picture's pixels are shown enlarged, sharp.
//
// Only the visible part is rendered, on a worker thread: below 100 % first with the engine's
// reduced-resolution rendering, then, once nothing has changed for a moment, at full resolution
// averaged down to the screen. Until a frame arrives the last one stays on screen, so that
// drawing never waits for the engine.

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "chrome/PanKeys.h"
#include "chrome/Zoomable.h"
#include "foundation/CanvasRenderer.h"
#include "imaging/Image.h"
#include "imaging/Value.h"

class QMenu;
class QScrollArea;

namespace chrome {

class DropHighlight;

class ZoomCanvas : public QWidget, public Zoomable, public PanTarget {
    Q_OBJECT

  public:
    // Quiet time after which a coarse frame is followed by one at screen resolution, and a
    // reduced view by one computed at full resolution.
    static constexpr int kRestMs = 250;
    // Render time a frame may take while settings change; slower filters are shown coarser
    // (down to this fraction of the screen resolution) until the mouse rests.
    static constexpr double kInteractiveBudgetMs = 30;
    static constexpr double kCoarsestFraction = 0.25;

    using ImageSource = std::function<imaging::Image()>;

    explicit ZoomCanvas(QWidget* parent = nullptr);
    ~ZoomCanvas() override;

    // What the canvas shows, and the picture it is fitted to.
    void setImageSource(ImageSource shown, ImageSource picture);
    // The menu a right click pops up (nothing for none).
    void setContextMenuSource(std::function<QMenu*()> source) { m_menuSource = std::move(source); }
    // Called with the path of a picture file dropped on the canvas; answers whether it was taken.
    void setFileDropHandler(std::function<bool(const QString& path)> handler) {
        m_fileDrop = std::move(handler);
        setAcceptDrops(bool(m_fileDrop));
    }

    double getZoom() const { return zoom; }
    // Clamped to 0.1 … 10; refits the canvas.
    void setZoom(double z);
    // The zoom at which the whole picture fits the scroll view's frame less a scroll bar's
    // width each way (the fit a new picture gets); nothing without a picture.
    std::optional<double> fittingZoom() const;

    // The zoom commands: a wheel step in or out about the middle of the visible area, 100 %,
    // and the fitting zoom. Each tells zoomStepped.
    void zoomIn() override;
    void zoomOut() override;
    void zoomToActualSize() override;
    void zoomToFit() override;

    // Whether a drag pans the view: the middle button is down, or Space is held over the canvas.
    bool isPanning() const { return m_pan.active(); }
    static bool spaceHeld();

    // Refits size, bounds and scroll position to the picture and the zoom. `force` refits even
    // when nothing changed. Mode 0 keeps the scroll position; 1 and 3 keep the picture point in
    // the middle of the visible area there, 3 zooming about the mouse when a wheel step asked
    // for it; 2 centres the mouse position.
    void resizeViewBoundCenter(bool force, int mode);

    // The canvas's bounds in picture units, y up: the picture and the margins around it.
    imaging::Rect bounds() const { return m_bounds; }
    // Minus the bounds origin: the margins by which a small picture is centred.
    double viewTransformOffsetX() const { return -m_bounds.x; }
    double viewTransformOffsetY() const { return -m_bounds.y; }
    // Between widget positions (y down) and picture coordinates (y up).
    imaging::Point pictureFromWidget(const QPointF& p) const;
    QPointF widgetFromPicture(imaging::Point p) const;
    // The part of the canvas the scroll area shows, in widget coordinates.
    QRect visibleWidgetRect() const;

    // The scroll area around the canvas, if any.
    QScrollArea* enclosingScrollView() const;
    // The size the canvas is fitted to (empty without a picture).
    virtual QSizeF fitSize() const;

    // Whether the frame on screen shows what the canvas shows now, at the current zoom, and
    // whether it has been refined to full resolution.
    bool frameIsCurrent() const;
    bool frameIsRefined() const { return frameIsCurrent() && m_frame.refined; }
    // Scaled pixels per picture unit of the frame on screen (0 for none).
    double frameScale() const { return m_frame.image.isNull() ? 0 : m_frame.scale; }
    // The render time allowed for frames while settings change; 0 always renders at screen
    // resolution.
    void setInteractiveBudget(double ms);

    // Drag and drop: accepted is exactly one local file, not a PDF, whose extension is a picture
    // type the program reads or one of the type names pictures have long been dropped with.
    static const QStringList& droppedTypeNames();
    static bool acceptsDroppedFiles(const QList<QUrl>& urls);
    // The drop highlight: the frame of the area holding the canvases (y down), inset.
    static QRect dropHighlightRect(const QRect& frame);

  Q_SIGNALS:
    // A wheel step or a zoom command changed the zoom (so that the zoom slider can follow).
    void zoomStepped(double zoom);
    // A frame of the current content was drawn: at any resolution, and at screen resolution.
    void framePainted();
    void framePresented();

  protected:
    // Panning comes before what a canvas does with the mouse itself.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Drawn over the picture, in widget coordinates.
    virtual void drawOverlay(QPainter&) {}

    // What decides the shown image, so that a redraw that changes nothing reuses the frame.
    // Frames of another `base` (another picture) are not shown while the new one renders.
    struct ContentKey {
        const void* base = nullptr;
        const void* source = nullptr;
        std::vector<imaging::Value> values;
        friend bool operator==(const ContentKey&, const ContentKey&) = default;
    };
    virtual ContentKey contentKey(const imaging::Image& shown) const;

    imaging::Image shownImage() const { return m_shown ? m_shown() : imaging::Image(); }
    imaging::Image picture() const { return m_picture ? m_picture() : imaging::Image(); }
    void mouseContentMenu(const QPoint& globalPos);

    double zoom = 1.0;
    bool dragEnter = false;

  private:
    // Width and height of the area the scroll area shows, with the scroll bars that the fitted
    // canvas will need.
    QSizeF contentViewSize() const;
    void applyPendingCentre();
    void frameArrived(const foundation::CanvasRenderer::Frame& frame);
    void restElapsed();
    double interactiveScale(double s, const imaging::IRect& want) const;
    // Asks for the frame the view needs next; tells whether the frame on screen shows the
    // current settings (`ofNow`), and at screen resolution (`current`).
    void requestFrame(const imaging::Image& shown, const imaging::IRect& want, double s,
                      bool& current, bool& ofNow);
    // The scaled pixels the visible part of the canvas shows, at `scale`.
    imaging::IRect visiblePixels(double scale) const;
    double renderScale() const;
    void showDropHighlight(bool on);
    // Sets the zoom from a command, keeping the middle of the visible area where it is.
    void zoomCommand(double z);
    bool panEvent(QEvent* event);
    // The open hand while Space is held over the canvas, the closed one while panning.
    void showPanCursor() override;

    ImageSource m_shown, m_picture;
    std::function<QMenu*()> m_menuSource;
    std::function<bool(const QString&)> m_fileDrop;

    imaging::Rect m_bounds;
    double m_layoutZoom = 1.0;
    bool m_laidOut = false;
    bool m_inLayout = false;
    // Widget position of the picture's origin.
    QPoint m_origin;
    std::optional<imaging::Point> m_pendingCentre;
    bool m_centreExpiry = false;
    std::optional<QPointF> m_wheelAnchor;
    int m_wheelAccumulated = 0;
    QPointer<QWidget> m_watchedViewport;

    foundation::CanvasRenderer m_renderer;
    foundation::CanvasRenderer::Frame m_frame;
    ContentKey m_key;
    quint64 m_version = 0;
    struct Requested {
        quint64 tag = 0;
        imaging::IRect pixels;
        double scale = 0;
        bool refine = false;
        friend bool operator==(const Requested&, const Requested&) = default;
    };
    std::optional<Requested> m_requested;
    // The frame on screen belongs to the picture from this version on.
    quint64 m_baseVersion = 0;
    bool m_resting = false;
    // Render cost of the current filter (milliseconds per pixel), known from this version on.
    double m_costPerPixel = 0;
    quint64 m_costVersion = 0;
    double m_budgetMs = kInteractiveBudgetMs;
    QTimer m_rest;
    QPointer<DropHighlight> m_highlight;

    PanDrag m_pan;
    QPoint m_panScrollFrom;
};

}  // namespace chrome
