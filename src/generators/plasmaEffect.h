#pragma once
// A colour plasma: per channel, sums of moving sine waves across and down, passed through a
// brightness ramp. Computed with table look-ups on at most 600 x 600 pixels and stretched over
// the picture; every generation draws new wave phases.

#include <array>

#include "generators/GeneratorFrame.h"

namespace generators {

class plasmaEffect : public GeneratorFrame {
  public:
    static inline const QString kClassName = QStringLiteral("plasmaEffect");
    static inline const QString kName = QStringLiteral("Plasma Effect");
    static inline const QString kTips = QStringLiteral("Plasma Effect Generator");
    static constexpr int kMaxSide = 600;
    static constexpr int kWaveSize = 5200, kWavesUsed = 2000, kLumaSize = 1024;

    plasmaEffect();
    // Gives a prototype its list name and tips; a new object has the prototype's defaults.
    void awakeFromNib();

    QString className() const override { return kClassName; }

    void drawMyself(QPainter& p, const QRectF& rect) override { drawPlazma(p, rect); }
    // New random phases, and the tables.
    void setupPlazma();
    // Moves the phases on and paints the plasma (side at most 600) scaled into the rectangle.
    void drawPlazma(QPainter& p, const QRectF& rect);
    // The plasma bitmap: side x side pixels, light grey where no channel was written.
    QImage plazmaBitmap(int side);
    void makeImageEffect() override;

    // Brightness ramp, 0 to 255.
    int luma(int i) const { return m_luma[i]; }
    int wave(int i) const { return m_wave[i]; }
    int wave2(int i) const { return m_wave2[i]; }
    // Phase of a channel (0 red, 1 green, 2 blue) along an axis (0 across, 1 down) in a table
    // (0 wave, 1 wave2).
    int phase(int channel, int axis, int table) const { return pos[channel][axis][table]; }

    std::unique_ptr<effects::BaseEffect> mycopy() const override;

  protected:
    // The plasma's own square; drawPlazma stretches it over the picture.
    QSize drawingSize(QSize picture) override;
    void buildControls(QWidget* host) override;
    std::unique_ptr<effects::BaseEffect> newInstance() const override;

  private:
    std::array<int, kWaveSize> m_wave{}, m_wave2{};
    std::array<int, kLumaSize> m_luma{};
    int pos[3][2][2] = {};
    // Per coordinate and channel: the sums across (0) and down (1).
    int cWaves[1300][3][2] = {};
};

}  // namespace generators
