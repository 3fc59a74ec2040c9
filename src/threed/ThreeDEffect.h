#pragma once
// What the two 3D effects share: the picture held as a texture and taken anew from the document
// when it changes, the first-draw set-up, turning with the mouse (undoably), and the style of
// their controls.

#include <QPointF>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "effects/BaseEffect.h"

class QLabel;
class QWidget;

namespace threed {

class GeometrySink;

class ThreeDEffect : public effects::BaseEffect {
  public:
    // Mouse points are in the canvas's coordinates, y measured up from its bottom edge; the
    // effects measure y down from 544 as the canvas always has.
    static constexpr float kMouseTop = 544;
    // The height of the box the controls' frames are given in (y measured up from its bottom).
    static constexpr int kControlsHeight = 220;

    // The effect's own GL set-up, then the picture.
    void initEffect() override;
    // Sets up once, makes sure of the picture, then renders the frame into the current context.
    void draw() override;
    void clearEffect() override;
    // Drops the texture and takes the picture anew.
    void reloadImage() override;
    // Takes the document's picture as a texture unless one is held. Needs the canvas's context
    // to be current (the canvas's drawing calls it); elsewhere it leaves the work to the next
    // draw.
    void loadImage() override;
    // Drops the texture.
    void clearFilter();

    // Turning: a press records the angles to undo to; each drag step adds the mouse movement.
    void mouseDown(QPointF point) override;
    void mouseDragged(QPointF point) override;
    void mouseUp(QPointF point) override;
    // Sets the two mouse angles, undoably, and redraws.
    void setPositionUNDO(float horizontal, float vertical);
    bool isTracking() const { return gTrackball; }

    // The mouse rotation: [0] horizontal, [1] vertical, in half degrees; [2], [3] only kept.
    const std::array<float, 4>& rotation() const { return rotationField(); }
    void setRotation(const std::array<float, 4>& rotation) { rotationField() = rotation; }

  protected:
    // evalInit or objectsInit.
    virtual void setUpGL() = 0;
    // The frame: clear, then the effect's drawing.
    virtual void render() = 0;
    virtual std::array<float, 4>& rotationField() = 0;
    const std::array<float, 4>& rotationField() const {
        return const_cast<ThreeDEffect*>(this)->rotationField();
    }

    // Settings values: a stored number (storedNumber) that the type can hold replaces `out`.
    static void readFloat(const effects::EffectSettings& d, const QString& key, float& out);
    static void readInt(const effects::EffectSettings& d, const QString& key, int32_t& out);
    // Writes and reads the rotation as "<prefix>0" to "<prefix>3".
    void saveRotation(effects::EffectSettings& d, const QString& prefix) const;
    void readRotation(const effects::EffectSettings& d, const QString& prefix);

    // Asks the canvas to redraw ("UpdateOpenGLView").
    static void postUpdateOpenGLView();

    // Builds the controls inside a guard: a failure is logged and ends the building.
    void buildControls(const std::function<void(QWidget* host)>& rows);
    // A row label: white, small, right-aligned, at a y-up frame in the host.
    static QLabel* addLabel(QWidget* host, const QString& text, const QRect& frame);
    // Places a control at a y-up frame in the host, kept at the top left as the labels are.
    static void place(QWidget* host, QWidget* control, const QRect& frame);

  private:
    QPointF m_lastPoint;
};

}  // namespace threed
