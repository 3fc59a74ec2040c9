#pragma once
// A canvas inside a scroll area that shows a picture at a zoom factor through the render
// context: the widget is the picture's size times the zoom, or the visible area when that is
// larger, with the picture centred in it. Only the exposed part is rendered. The standard and
// custom canvases build on it.

#include <QSize>
#include <QWidget>
#include <functional>

#include "imaging/Image.h"

class QScrollArea;

namespace chrome {

class ZoomCanvas : public QWidget {
    Q_OBJECT

  public:
    static constexpr double kMinZoom = 0.1, kMaxZoom = 10.0;

    using ImageSource = std::function<imaging::Image()>;

    explicit ZoomCanvas(QWidget* parent = nullptr);

    // What the canvas shows, and the picture it is fitted to.
    void setImageSource(ImageSource shown, ImageSource picture);
    // Called with the global position of a context-menu request.
    void setContextMenuHandler(std::function<void(const QPoint& globalPos)> handler) {
        m_contextMenu = std::move(handler);
    }

    // Called with the path of a file dropped on the canvas; answers whether it was taken.
    void setFileDropHandler(std::function<bool(const QString& path)> handler) {
        m_fileDrop = std::move(handler);
        setAcceptDrops(bool(m_fileDrop));
    }

    double getZoom() const { return zoom; }
    // Clamped to 0.1 … 10; refits the canvas.
    void setZoom(double z);
    // Refits the canvas to the picture and the zoom, keeping the middle of the visible area in
    // the middle. `force` refits even when nothing changed; `mode` 0 keeps the scroll position.
    void resizeViewBoundCenter(bool force, int mode);

    // The scroll area around the canvas, if any.
    QScrollArea* enclosingScrollView() const;
    // Size of the picture shown, in picture pixels (empty when there is none).
    QSize pictureSize() const;
    // Where the picture's top-left corner lies in the canvas (the picture is centred when it is
    // smaller than the visible area).
    QPoint pictureOrigin() const;
    QSize visibleSize() const;
    // The scaled pixels (y up, at the zoom) that a canvas rectangle shows.
    imaging::IRect pixelsForCanvasRect(const QRect& r) const;

  Q_SIGNALS:
    void zoomChanged(double zoom);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    imaging::Image shownImage() const { return m_shown ? m_shown() : imaging::Image(); }
    imaging::Image picture() const { return m_picture ? m_picture() : imaging::Image(); }

    double zoom = 1.0;
    double prev_zoom = 1.0;

  private:
    // Canvas column of scaled pixel column 0, and canvas row just below scaled pixel row 0.
    QPoint pixelOrigin() const;

    ImageSource m_shown, m_picture;
    std::function<void(const QPoint&)> m_contextMenu;
    std::function<bool(const QString&)> m_fileDrop;
};

}  // namespace chrome
