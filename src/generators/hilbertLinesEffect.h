#pragma once
// One Hilbert curve over the picture, every segment stroked on its own in a random translucent
// colour. The curve fills a square 500 pixels wider than the picture's longer side, centred on
// the picture; its geometry depends only on the picture's size and the level.

#include <QPen>

#include "generators/GeneratorFrame.h"

namespace generators {

class hilbertLinesEffect : public GeneratorFrame {
  public:
    static inline const QString kClassName = QStringLiteral("hilbertLinesEffect");
    static inline const QString kName = QStringLiteral("Hilbert Lines");
    static inline const QString kTips = QStringLiteral("Hilbert Lines Effect Generator");
    static inline const QString kLevelKey = QStringLiteral("level");
    static inline const QString kLineWidthKey = QStringLiteral("lineWidth");
    static constexpr int kMinLevel = 3, kMaxLevel = 7;
    static constexpr float kMinWidth = 1, kMaxWidth = 15;

    hilbertLinesEffect();
    // Gives a prototype its list name and tips; a new object has the prototype's defaults.
    void awakeFromNib();

    QString className() const override { return kClassName; }

    int level() const { return m_level; }
    float lineWidth() const { return m_lineWidth; }
    void setLinesLevel(int level) { m_level = level; }
    void setLineWidth(float w) { m_lineWidth = w; }

    void changeLinesLevel(QSlider* sender);
    void setchangeLinesLevelSender(int level, QWidget* sender);
    void changeLineWidth(workbench::FloatSlider* sender);
    void setchangeLineWidthSender(float width, QWidget* sender);

    void drawMyself(QPainter& p, const QRectF& rect) override { drawHilbertRect(p, rect); }
    // Sizes and places the curve for a picture of the rectangle's size and draws it.
    void drawHilbertRect(QPainter& p, const QRectF& rect);
    // The step of the last drawing, and the pen: where it started and where it is now.
    int step() const { return dist; }
    QPointF penStart() const { return m_penStart; }
    QPointF pen() const { return {x, y}; }
    // Segments stroked by the last drawing.
    int segmentCount() const { return m_segments; }

    effects::EffectSettings save() const override;
    void read(const effects::EffectSettings& d) override;
    std::unique_ptr<effects::BaseEffect> mycopy() const override;

  protected:
    void buildControls(QWidget* host) override;
    std::unique_ptr<effects::BaseEffect> newInstance() const override;

  private:
    void goToXY(float toX, float toY);
    void lineRel(float dx, float dy);
    // A new random colour, then the curve of order n in one of its four orientations.
    void hilbertU(int n);
    void hilbertA(int n);
    void hilbertC(int n);
    void hilbertD(int n);
    bool newColour(int n);

    int m_level = 7;
    float m_lineWidth = 7.5f;
    int dist = 0;
    float x = 0, y = 0;
    QPointF m_penStart;
    int m_segments = 0;
    // While drawing.
    QPainter* m_painter = nullptr;
    QPen m_pen;
};

}  // namespace generators
