#pragma once
// The custom canvas: the working generator's layers (the picture, the background colour and the
// generated picture at its opacity) painted for the visible area at the canvas's zoom, or the
// plain picture when there is no generator. The picture itself comes from the zooming canvas's
// renderer and is kept while only the generator's layers change, so that a drag that draws anew
// on every mouse event repaints quickly even on a large picture. A generator kept as a drawing
// is painted for the visible area at the screen's resolution, once per set of shapes, zoom and
// scroll position: a change of opacity or background only lays it anew.
//
// Mouse presses, drags and releases go to the generator in picture coordinates; over a
// generator placed with the mouse the pointer is a pointing hand and the placement cursor marks
// the start point.

#include <QImage>
#include <functional>
#include <memory>
#include <vector>

#include "chrome/ZoomCanvas.h"
#include "generators/GeneratedEffect.h"

namespace effects {
class BaseEffect;
}

namespace generators {

class customEffImageView : public chrome::ZoomCanvas {
    Q_OBJECT

  public:
    // Fitted to this size when there is neither generator nor picture.
    static constexpr QSize kEmptySize{726, 544};

    // Redraws on "UpdateCustomView".
    explicit customEffImageView(QWidget* parent = nullptr);
    ~customEffImageView() override;

    // What the canvas shows and the picture it is fitted to; the picture is hidden where the
    // generator lays its picture over a colour alone.
    void setImageSource(ImageSource shown, ImageSource picture);
    // The size of the working generator's picture, else the picture's, else kEmptySize.
    QSizeF fitSize() const override;

    // Where the canvas finds the custom family's working effect.
    void setGeneratorSource(std::function<effects::BaseEffect*()> source) {
        m_generator = std::move(source);
        update();
    }
    // The working effect, if it is one this canvas can draw.
    GeneratedEffect* currentGenerator() const;
    bool isDrawingCursor() const { return drawCursor; }
    // Whether the canvas shows everything at the current settings and zoom: the generator's
    // layers always do; the picture under them once its frame has arrived.
    bool frameIsFinished() const { return !shownImage() || frameIsCurrent(); }
    // How often a generator's drawing has been painted for the view.
    int drawingsPainted() const { return m_drawingsPainted; }

  protected:
    void drawOverlay(QPainter& p) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    std::function<effects::BaseEffect*()> m_generator;
    // The generated picture, or a copy of it halved in size as often as keeps it at least as
    // large as it is drawn (`scale` screen pixels per pixel), so that it is never thinned out.
    const QImage& generatedForScale(const QImage& generated, double scale);
    // The layers' drawing painted for `area` (widget coordinates) of the picture's rectangle
    // `target`, at device resolution; kept for the next repaint.
    const QImage& drawingForArea(const GeneratedEffect::Layers& layers, const QRectF& target,
                                 const QRect& area);

    bool drawCursor = false;
    QImage cursorImg;
    // Halved copies of the last generated picture drawn, by level; their buffers are kept for
    // the next picture of the same size.
    qint64 m_mipKey = 0;
    int m_mipsValid = 0;
    QImage m_mipBase;
    std::vector<QImage> m_mips;
    // The last drawing painted and what for.
    struct PaintedDrawing {
        std::shared_ptr<const GeneratedEffect::Drawing> drawing;
        QRectF target;
        QRect area;
        double ratio = 0;
        QImage image;
    } m_painted;
    int m_drawingsPainted = 0;
};

}  // namespace generators
