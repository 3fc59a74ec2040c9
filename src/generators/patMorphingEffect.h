#pragma once
// A rosette: a ring of stroked ellipses, rotated copies of one ellipse about a centre placed
// with the mouse. The ellipse's height and its offset from the centre follow four spring-damped
// values that all rosettes share; each "Generate" gives them new targets and moves them one step
// towards them, so that repeated presses change the shape smoothly.

#include "generators/GeneratorFrame.h"

namespace generators {

// A value pulled towards a target by a spring and slowed by damping, one step at a time.
struct ValueMorpher {
    float value = 0;
    float velocity = 0;
    float acceleration = 0;  // the force of the last step
    float force = 0;         // accumulated for the next step
    float mass = 1;          // not used by the step
    float damping = 0;
    float strength = 0;
    bool hasTarget = false;
    float target = 0;

    void update();
    void setTarget(float t) {
        target = t;
        hasTarget = true;
    }
    void noTarget() { hasTarget = false; }
};

class patMorphingEffect : public GeneratorFrame {
  public:
    static inline const QString kClassName = QStringLiteral("patMorphingEffect");
    static inline const QString kName = QStringLiteral("Pattern Morphing");
    static inline const QString kTips = QStringLiteral("Pattern Morphing Effect Generator");
    static inline const QString kCountKey = QStringLiteral("count");
    static inline const QString kPatColorKey = QStringLiteral("patColor");
    static inline const QString kLineWidthKey = QStringLiteral("lineWidth");
    static inline const QString kProportionKey = QStringLiteral("proportion");
    static constexpr int kMinCount = 4, kMaxCount = 60;
    static constexpr float kMinWidth = 1, kMaxWidth = 30;
    static constexpr double kMinProportion = 0.1, kMaxProportion = 1;

    // Shared by every rosette: the ellipse's height, its offset across and up from the centre,
    // and one more that moves along without being drawn.
    static inline ValueMorpher interMarkInside, interMarkOutside, interGapX, interGapY;

    patMorphingEffect();
    // Gives a prototype its list name and tips; a new object has the prototype's defaults.
    void awakeFromNib();

    QString className() const override { return kClassName; }
    bool isMousing() const override { return true; }

    int patCount() const { return m_count; }
    QColor patColor() const { return m_patColor; }
    float lineWidth() const { return m_lineWidth; }
    float proportion() const { return m_proportion; }
    // Plain setters used by copies.
    void setPatCount(int n) { m_count = n; }
    void setPatColor(const QColor& c) { m_patColor = c; }
    void setLineWidth(float w) { m_lineWidth = w; }
    void setProportin(float p) { m_proportion = p; }

    // The morphers at rest at random values.
    static void setupPatMorphing();
    // New random targets, and one step towards them.
    static void updateValues();

    void changePatCount(QSlider* sender);
    void setchangePatCountSender(int count, QWidget* sender);
    void changePatColor(workbench::ColorWell* sender);
    void setchangePatColorSender(QColor color, QWidget* sender);
    void changeLineWidth(workbench::FloatSlider* sender);
    void setchangeLineWidthSender(float width, QWidget* sender);
    void changeProportion(workbench::FloatSlider* sender);
    void setchangeProportionSender(float proportion, QWidget* sender);
    // "Generate": the morphers move one step, then the rosette is drawn anew.
    void regenerate() override;

    // Places an unplaced centre at the middle of the rectangle, then draws the rosette.
    void drawMyself(QPainter& p, const QRectF& rect) override;
    void drawMorphingPattern(QPainter& p, const QRectF& rect);
    // The ring of ellipses around (x, y).
    void drawPatterns(double x, double y, QPainter& p);

    effects::EffectSettings save() const override;
    void read(const effects::EffectSettings& d) override;
    // Copies the settings and the centre; the shared morphers start afresh.
    std::unique_ptr<effects::BaseEffect> mycopy() const override;

  protected:
    // Clears only where the last rosette was drawn when the image still holds it: a rosette
    // covers little of a large picture, and it is redrawn on every drag event.
    void clearForDrawing(QImage& image, bool reused) override;
    void buildControls(QWidget* host) override;
    std::unique_ptr<effects::BaseEffect> newInstance() const override;

  private:
    QColor m_patColor = QColor::fromRgbF(0.2f, 1, 0.2f, 1);
    int m_count = 30;
    float m_lineWidth = 10;
    float m_proportion = 0.5f;
    // Where the last rosette was drawn, in the drawing image's pixels.
    QRect m_drawn;
};

}  // namespace generators
