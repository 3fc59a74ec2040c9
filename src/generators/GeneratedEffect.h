#pragma once
// The base of the effects of the custom family (the generators and the mask effect): each makes
// a picture of its own (the generated picture) for the current picture, and lays it over the
// picture, a background colour or nothing. The custom canvas paints those layers for the area it
// shows at its zoom; getDrawImage composes them at the picture's full size for Copy, Apply, Save
// and thumbnails. Both paint through paintLayersAbovePicture, so that they agree pixel for pixel.
//
// Also shared here: taking the picture from the application, the lazy first generation, the
// undoable settings pattern (every action registers its partner with the old value, so that undo
// and redo work), placement of the start point with the mouse, and the parts of a controls
// panel.

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QSize>
#include <functional>
#include <memory>

#include "effects/BaseEffect.h"

class QCheckBox;
class QLabel;
class QPainter;
class QSlider;

namespace chrome {
class BaseColoredTextButton;
}
namespace workbench {
class ColorWell;
class FloatSlider;
}  // namespace workbench

namespace generators {

class GeneratedEffect : public effects::BaseEffect {
  public:
    // Generated pictures and compositions without a picture have this size.
    static constexpr QSize kNoPictureSize{726, 544};
    // A start point with a coordinate below this has not been placed yet.
    static constexpr double kUnplaced = -10000;
    // The height the controls panels are laid out for; they keep to the host's top.
    static constexpr int kPanelHeight = 230;

    // What the canvas shows and getDrawImage composes, bottom to top: the picture (when
    // `picture`), `background` filled over the picture's rectangle, then `generated` stretched
    // over that rectangle at `opacity`. Without a generated picture the plain picture alone.
    struct Layers {
        bool picture = true;
        QColor background = Qt::transparent;
        QImage generated;
        double opacity = 1;
        // The composed picture's size.
        QSize size;
    };

    ~GeneratedEffect() override;

    // Runs the first generation if it has not run yet (initEffect once).
    void prepare();
    Layers layers() const;
    // The composed picture at full size; the plain picture while nothing is generated.
    QImage getDrawImage() override;

    void initEffect() override;
    void clearEffect() override;
    void reloadImage() override;
    void loadImage() override;
    // Drops the picture taken from the application.
    void clearFilter();
    // A new generated picture (nothing when it cannot be made).
    virtual void makeImageEffect() = 0;
    // The "Generate" button: a new random picture, without undo.
    virtual void regenerate();
    // Builds the controls into the controls host; a failure ends the building and is logged.
    void setUpControlsView() final;

    // Placement of the start point with the mouse, for the generators that answer isMousing:
    // a press records the undo step back to where it was, each drag moves it and draws anew,
    // the release records a second step and moves it to the release point.
    void mouseDown(QPointF p) override;
    void mouseDragged(QPointF p) override;
    void mouseUp(QPointF p) override;
    void setPositionUNDO(QPointF p);
    void setStartPoint(QPointF p) { m_startPT = p; }
    static bool isPlaced(QPointF p) { return p.x() >= kUnplaced && p.y() >= kUnplaced; }

    const QImage& effectImage() const { return m_effectImage; }
    // Why the last generation or composition failed (not enough memory), for the user; empty
    // when they succeeded.
    QString problem() const;
    // The size generation works for: the picture's, or kNoPictureSize without one.
    QSize pictureSize() const;

  protected:
    GeneratedEffect();

    // The layers above the picture while a generated picture exists.
    virtual Layers overLayers() const = 0;
    virtual void buildControls(QWidget* host) = 0;

    // An image of `size` and `format` for a new drawing, its pixels undefined: `old`'s buffer
    // when nothing else shares it (touching fresh memory costs more than filling it), else a
    // new one; null when there is no memory. `old` is empty afterwards.
    static QImage takeBuffer(QImage& old, QSize size, QImage::Format format);

    // Records whether a generation of a picture of `size` succeeded.
    void noteGeneration(bool made, QSize size);
    static QString noMemoryFor(QSize size);

    // Asks the custom canvas to redraw.
    static void postUpdate();

    // The pattern of every undoable setting: register the partner with the current value and
    // the control, store the value, show it in the control when undoing or redoing, draw anew
    // when the setting changes the generated shapes, and redraw the canvas.
    template <class Self, class T>
    void changeSetting(T& field, T value, QWidget* control, bool fromPartner, bool regenerates,
                       void (Self::*partner)(T, QWidget*)) {
        Self* self = static_cast<Self*>(this);
        registerUndo([self, partner, old = field, c = QPointer<QWidget>(control)] {
            (self->*partner)(old, c.data());
        });
        field = value;
        if (fromPartner) showValue(control, value);
        if (regenerates) makeImageEffect();
        postUpdate();
    }
    static void showValue(QWidget* control, float value);
    static void showValue(QWidget* control, int value);
    static void showValue(QWidget* control, bool value);
    static void showValue(QWidget* control, const QColor& value);

    // Parts of a controls panel at y-up frames: a label at (10, y) and controls at x = 140.
    // Controls call `action` when the user changes them; a slider that is not continuous only
    // when it is let go.
    QLabel* addLabel(QWidget* host, const QString& text, int y);
    workbench::ColorWell* addColorWell(QWidget* host, int y, const QColor& color,
                                       std::function<void(workbench::ColorWell*)> action);
    QCheckBox* addCheckBox(QWidget* host, int y, bool on, std::function<void(QCheckBox*)> action);
    workbench::FloatSlider* addFloatSlider(QWidget* host, int y, double min, double max,
                                           double value, bool continuous,
                                           std::function<void(workbench::FloatSlider*)> action);
    QSlider* addIntSlider(QWidget* host, int y, int min, int max, int value, bool continuous,
                          std::function<void(QSlider*)> action);
    // The "Generate" button, centred across the host.
    chrome::BaseColoredTextButton* addGenerateButton(QWidget* host, int y);
    // Places a child of the controls host by its y-up frame in the panel (kPanelHeight high,
    // at the host's top).
    static void placeInPanel(QWidget* host, QWidget* child, QRect frame, int mask);
    // The bordered view behind a panel's controls.
    void addBorderView(QWidget* host);
    // What the controls' connections live on: they end with the effect.
    QObject* receiver() const { return m_receiver.get(); }

    QImage m_effectImage;
    bool m_mouseMoved = false;

  private:
    std::unique_ptr<QObject> m_receiver;
    QString m_generationProblem, m_compositionProblem;
};

// Paints the layers above the picture into `target`, the picture's rectangle in the painter's
// coordinates: the background colour, then `generated` (the layers' generated picture or a
// reduced copy of it) stretched over the rectangle at the layers' opacity.
void paintLayersAbovePicture(QPainter& p, const GeneratedEffect::Layers& layers,
                             const QRectF& target, const QImage& generated);

}  // namespace generators
