#pragma once
// The frame the generators share: a background colour, whether the picture lies under the
// generated picture, and the generated picture's opacity, with their settings keys, plain
// setters for copies, undoable actions and controls; and the making of the generated picture,
// drawn y-up by the generator's drawMyself either at the picture's full size or on a reduced
// image that is stretched over the picture.
//
// A generator on this frame:
// - its members' initial values are the prototype's defaults; awakeFromNib sets name and tips;
// - drawMyself draws into the drawing image (random values through GeneratorRandom.h), or
//   record keeps the drawing to paint at the resolution it is shown at (GeneratedEffect);
//   drawingSize picks the image: the picture's size (default), reducedSize(picture, limit,
//   zoom) for drawings that follow the mouse, or a small bitmap of its own (the plasma's
//   square), which the layers stretch over the picture in every case;
// - answering isMousing with true gives it placement by mouse (GeneratedEffect);
// - save, read and mycopy call the frame's first and add its own keys and fields; each
//   undoable setting is an action and a partner that both call changeSetting;
// - buildControls calls buildFrameControls with its opacity label, adds its rows and ends
//   with addGenerateButton;
// - the controller lists its prototype; the canvas and the pipeline need nothing more.

#include "generators/GeneratedEffect.h"

class QPainter;

namespace generators {

class GeneratorFrame : public GeneratedEffect {
  public:
    static inline const QString kUseBackImageKey = QStringLiteral("useBackImage");
    static inline const QString kBgColorKey = QStringLiteral("bgColor");
    static inline const QString kOpacityKey = QStringLiteral("opacity");

    bool useBackImage() const { return m_useBackImage; }
    QColor bgColor() const { return m_bgColor; }
    float opacity() const { return m_opacity; }

    // Plain setters: no undo, no drawing, no notification.
    void setUseBackImage(bool on) { m_useBackImage = on; }
    void setBgColor(const QColor& c) { m_bgColor = c; }
    void seOpacity(float o) { m_opacity = o; }

    // Actions of the controls and their undo partners; none of them changes the shapes.
    void changeBgColor(workbench::ColorWell* sender);
    void setchangeBgColorSender(QColor color, QWidget* sender);
    void useBgImage(QCheckBox* sender);
    void setuseBgImageSender(bool on, QWidget* sender);
    void changeOpacity(workbench::FloatSlider* sender);
    void setchangeOpacitySender(float opacity, QWidget* sender);

    void makeImageEffect() override;
    // Draws the generated picture y-up into `rect` (origin 0, 0; the drawing image's size).
    virtual void drawMyself(QPainter& p, const QRectF& rect) = 0;
    // A generator whose picture is a few large vector shapes answers with what draws them into
    // `rect` (its random values drawn now), kept as its generated picture; the others with
    // nothing, and drawMyself draws their picture at once.
    virtual Drawing record(const QRectF& rect) {
        (void)rect;
        return {};
    }

    effects::EffectSettings save() const override;
    // Reads each key that is present and holds a usable value; out-of-range numbers are
    // brought into range, and nil (an empty dictionary) changes nothing.
    void read(const effects::EffectSettings& d) override;
    std::unique_ptr<effects::BaseEffect> mycopy() const override;

  protected:
    GeneratorFrame() = default;

    // The size of the image drawMyself draws into for a picture of `picture`'s size.
    virtual QSize drawingSize(QSize picture) { return picture; }
    // The reduced scheme: the shorter side at most `limit`; sets the scale in `zoom`.
    static QSize reducedSize(QSize picture, int limit, float& zoom);
    // Makes the drawing image transparent before drawMyself; `reused` when it still holds the
    // last drawing, of which a generator may clear only what it drew.
    virtual void clearForDrawing(QImage& image, bool reused) {
        (void)reused;
        image.fill(Qt::transparent);
    }

    Layers overLayers() const override;
    // The rows every generator has: "Background Color:", "Background Image:" and the opacity
    // slider under `opacityLabel`.
    void buildFrameControls(QWidget* host, const QString& opacityLabel);

    // Helpers for the generators' own keys: a value that is missing or not a number keeps the
    // field.
    static void readBool(const effects::EffectSettings& d, const QString& key, bool& field);
    static void readInt(const effects::EffectSettings& d, const QString& key, int& field, int min,
                        int max);
    static void readFloat(const effects::EffectSettings& d, const QString& key, float& field,
                          float min, float max);

    bool m_useBackImage = true;
    QColor m_bgColor = QColor::fromRgbF(1, 1, 1, 0.5);
    float m_opacity = 50;
};

}  // namespace generators
