#pragma once
// Blotches of colour: a small square bitmap of random colours (at most 200 pixels a side) whose
// pixels are copied millions of times onto near neighbours, so that patches grow, stretched
// over the whole picture.

#include "generators/GeneratorFrame.h"

namespace generators {

class patchWorkEffect : public GeneratorFrame {
  public:
    static inline const QString kClassName = QStringLiteral("patchWorkEffect");
    static inline const QString kName = QStringLiteral("Patch Works");
    static inline const QString kTips = QStringLiteral("Patch Works Effect Generator");
    static inline const QString kLevelKey = QStringLiteral("level");
    static inline const QString kLineWidthKey = QStringLiteral("lineWidth");
    static constexpr int kMaxSide = 200;

    patchWorkEffect();
    // Gives a prototype its list name and tips; a new object has the prototype's defaults.
    void awakeFromNib();

    QString className() const override { return kClassName; }

    // Stored, copied and undoable, though the drawing does not use them.
    int level() const { return m_level; }
    float lineWidth() const { return m_lineWidth; }
    void setLinesLevel(int level) { m_level = level; }
    void setLineWidth(float w) { m_lineWidth = w; }
    void changeLinesLevel(QSlider* sender);
    void setchangeLinesLevelSender(int level, QWidget* sender);
    void changeLineWidth(workbench::FloatSlider* sender);
    void setchangeLineWidthSender(float width, QWidget* sender);

    void drawMyself(QPainter& p, const QRectF& rect) override { drawPatchwork(p, rect); }
    // Makes the bitmap for the rectangle's size and draws it stretched over the rectangle.
    void drawPatchwork(QPainter& p, const QRectF& rect);
    // The side of the bitmap for a picture of `size`: its shorter side, at most 200.
    static int bitmapSide(QSizeF size);
    // A side x side bitmap: blue, noise, then smeared.
    static QImage patchworkBitmap(int side);
    // Every pixel but the first of an opaque 32-bit RGB bitmap gets a random colour.
    static void addNoise(QImage& bitmap);
    // Copies pixels onto neighbours up to two rows down and two columns right, side - 1 times
    // per pass, for 7000 to 20000 passes; nothing outside the bitmap is read or written.
    static void smear(QImage& bitmap);

    effects::EffectSettings save() const override;
    void read(const effects::EffectSettings& d) override;
    std::unique_ptr<effects::BaseEffect> mycopy() const override;

  protected:
    // The bitmap's own square; the layers stretch it over the picture.
    QSize drawingSize(QSize picture) override;
    void buildControls(QWidget* host) override;
    std::unique_ptr<effects::BaseEffect> newInstance() const override;

  private:
    int m_level = 7;
    float m_lineWidth = 7.5f;
};

}  // namespace generators
