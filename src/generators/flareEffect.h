#pragma once
// A flare: a star of bright spikes of random direction and length around a centre placed with
// the mouse, white on black, computed pixel by pixel on a reduced image (shorter side at most
// 150) that is stretched over the picture, so that it can follow the mouse.

#include <vector>

#include "generators/GeneratorFrame.h"

namespace generators {

class flareEffect : public GeneratorFrame {
  public:
    static inline const QString kClassName = QStringLiteral("flareEffect");
    static inline const QString kName = QStringLiteral("Flare Effect");
    static inline const QString kTips = QStringLiteral("Flare Effect Generator");
    static inline const QString kLinesCountKey = QStringLiteral("linesCount");
    static inline const QString kLineWidthKey = QStringLiteral("lineWidth");
    static constexpr int kDrawingLimit = 150;
    static constexpr int kMinSpikes = 6, kMaxSpikes = 60;

    flareEffect();
    // Gives a prototype its list name and tips; a new object has the prototype's defaults.
    void awakeFromNib();

    QString className() const override { return kClassName; }
    bool isMousing() const override { return true; }

    int linesCount() const { return m_linesCount; }
    float lineWidth() const { return m_lineWidth; }
    float imageZoom() const { return m_imageZoom; }
    // Plain setters used by copies.
    void setLinesCount(int n) { m_linesCount = n; }
    void setLineWidth(float w) { m_lineWidth = w; }
    void setMZoom(float z) { m_imageZoom = z; }

    void changeLinesCount(QSlider* sender);
    void setchangeLinesCountSender(int count, QWidget* sender);
    // Stored, copied and undoable, though the drawing does not use it.
    void changeLineWidth(workbench::FloatSlider* sender);
    void setchangeLineWidthSender(float width, QWidget* sender);

    // Places an unplaced centre at the picture's centre, then draws the flare.
    void drawMyself(QPainter& p, const QRectF& rect) override;
    // New random spikes, then every pixel of the drawing image; fewer than two spikes draw
    // nothing.
    void drawFlare(QPainter& p, const QRectF& rect);

    // The spikes of the last drawing: angles (radians, ascending) and lengths (pixels), and the
    // centre in drawing-image pixels.
    const std::vector<double>& spikeAngles() const { return m_angles; }
    const std::vector<double>& spikeLengths() const { return m_lengths; }
    QPoint drawingCentre() const { return {centerx, centery}; }
    // The spike whose sector holds the pixel: the last one whose angle lies below the pixel's
    // direction from the centre, the last of all when there is none.
    int find_spike_index(int px, int py) const;
    // 1 on the spike's line through the centre, falling to 0 at 16 pixels from it.
    double distance_point_spike(double angle, int px, int py) const;
    // The flare's reach in the pixel's direction: the lengths of the two spikes around it
    // interpolated by angle.
    double maxvectorlen(int px, int py, double a1, double a2, double l1, double l2) const;

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
    // A spike's line through the centre: its direction and that direction's length.
    struct SpikeLine {
        double dx, dy, length;
    };

    // The pixel's direction from the centre, in [0, 2 pi).
    double directionOf(int px, int py) const;
    // find_spike_index, distance_point_spike and maxvectorlen, from a direction or line that
    // the drawing works out once.
    int spikeIndexFor(double theta) const;
    SpikeLine spikeLine(double angle) const;
    double nearness(const SpikeLine& line, int px, int py) const;
    static double reachAt(double theta, double a1, double a2, double l1, double l2);

    int m_linesCount = 30;
    float m_lineWidth = 1.0f;
    float m_imageZoom = 1.0f;
    // While drawing.
    int centerx = 0, centery = 0;
    std::vector<double> m_angles, m_lengths;
};

}  // namespace generators
