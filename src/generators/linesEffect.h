#pragma once
// A fan of lines in random colours from a start point placed with the mouse to random points of
// the picture, drawn on a reduced image (shorter side at most 200) so that it can follow the
// mouse.

#include "generators/GeneratorFrame.h"

namespace generators {

class linesEffect : public GeneratorFrame {
  public:
    static inline const QString kClassName = QStringLiteral("linesEffect");
    static inline const QString kName = QStringLiteral("Lines Effect");
    static inline const QString kTips = QStringLiteral("Lines Effect Generator");
    static inline const QString kLinesCountKey = QStringLiteral("linesCount");
    static inline const QString kLineWidthKey = QStringLiteral("lineWidth");
    static constexpr int kDrawingLimit = 200;
    static constexpr int kMinLines = 20, kMaxLines = 2000;
    static constexpr float kMinWidth = 0.5f, kMaxWidth = 50;

    linesEffect();
    // Gives a prototype its list name and tips; a new object has the prototype's defaults.
    void awakeFromNib();

    QString className() const override { return kClassName; }
    bool isMousing() const override { return true; }

    int linesCount() const { return m_linesCount; }
    float lineWidth() const { return m_lineWidth; }
    float imageZoom() const { return m_imageZoom; }
    void setLinesCount(int n) { m_linesCount = n; }
    void setLineWidth(float w) { m_lineWidth = w; }
    void setMZoom(float z) { m_imageZoom = z; }

    void changeLinesCount(QSlider* sender);
    void setchangeLinesCountSender(int count, QWidget* sender);
    void changeLineWidth(workbench::FloatSlider* sender);
    void setchangeLineWidthSender(float width, QWidget* sender);

    void drawMyself(QPainter& p, const QRectF& rect) override { devideLines(p, rect); }
    void devideLines(QPainter& p, const QRectF& rect);

    effects::EffectSettings save() const override;
    void read(const effects::EffectSettings& d) override;
    std::unique_ptr<effects::BaseEffect> mycopy() const override;

  protected:
    QSize drawingSize(QSize picture) override {
        return reducedSize(picture, kDrawingLimit, m_imageZoom);
    }
    void buildControls(QWidget* host) override;
    std::unique_ptr<effects::BaseEffect> newInstance() const override;

  private:
    int m_linesCount = 500;
    float m_lineWidth = 1.0f;
    float m_imageZoom = 1.0f;
};

}  // namespace generators
