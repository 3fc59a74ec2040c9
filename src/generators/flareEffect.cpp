#include "generators/flareEffect.h"

#include <QPainter>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "generators/UprightBitmap.h"
#include "workbench/FloatSlider.h"

namespace generators {

namespace {
constexpr double kTwoPi = 2 * M_PI;
// A centre stored far outside any picture is kept there, without overflowing pixel arithmetic.
constexpr double kFarAway = 1e6;

int pixelCoordinate(double v) {
    return int(std::clamp(v, -kFarAway, kFarAway));
}
}  // namespace

flareEffect::flareEffect() {
    m_bgColor = QColor::fromRgbF(1, 1, 1, 0);
    m_startPT = {-11000, -11000};
}

void flareEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> flareEffect::newInstance() const {
    return std::make_unique<flareEffect>();
}

void flareEffect::drawMyself(QPainter& p, const QRectF& rect) {
    if (!isPlaced(m_startPT)) {
        const QSize s = pictureSize();
        m_startPT = QPointF(s.width() / 2.0, s.height() / 2.0);
    }
    drawFlare(p, rect);
}

double flareEffect::directionOf(int px, int py) const {
    const double theta = std::atan2(double(py - centery), double(px - centerx));
    return theta < 0 ? theta + kTwoPi : theta;
}

int flareEffect::spikeIndexFor(double theta) const {
    const auto k = std::lower_bound(m_angles.begin(), m_angles.end(), theta) - m_angles.begin();
    return k == 0 ? int(m_angles.size()) - 1 : int(k) - 1;
}

flareEffect::SpikeLine flareEffect::spikeLine(double angle) const {
    const double dx = (std::cos(angle) + centerx) - centerx;
    const double dy = (std::sin(angle) + centery) - centery;
    return {dx, dy, std::hypot(dx, dy)};
}

double flareEffect::nearness(const SpikeLine& line, int px, int py) const {
    const double delta =
        std::abs(double(centery - py) * line.dx - double(centerx - px) * line.dy) / line.length;
    return 1 - std::min(1.0, delta * 0.0625);
}

double flareEffect::reachAt(double theta, double a1, double a2, double l1, double l2) {
    // The wrap from the last spike to the first.
    if (a1 > theta) theta += kTwoPi;
    if (a1 > a2) a2 += kTwoPi;
    return l1 + (l2 - l1) * (theta - a1) / (a2 - a1);
}

int flareEffect::find_spike_index(int px, int py) const {
    return spikeIndexFor(directionOf(px, py));
}

double flareEffect::distance_point_spike(double angle, int px, int py) const {
    return nearness(spikeLine(angle), px, py);
}

double flareEffect::maxvectorlen(int px, int py, double a1, double a2, double l1, double l2) const {
    return reachAt(directionOf(px, py), a1, a2, l1, l2);
}

void flareEffect::drawFlare(QPainter& p, const QRectF& rect) {
    const int w = int(rect.width()), h = int(rect.height());
    const int radius = std::min(w, h);
    centerx = pixelCoordinate(m_imageZoom * m_startPT.x());
    centery = pixelCoordinate(m_imageZoom * m_startPT.y());
    const int n = m_linesCount;
    m_angles.clear();
    m_lengths.clear();
    // One spike has no sector to share and no span to interpolate over.
    if (n < 2 || w <= 0 || h <= 0) return;
    const double sector = kTwoPi / n;
    for (int i = 0; i < n; ++i) {
        const double v1 = double(::random()) / 2147483647.0;
        m_angles.push_back(i * sector + sector * 0.5 * v1);
        const double v2 = double(::random()) / 2147483647.0;
        m_lengths.push_back(std::min(double(radius), (v2 + 0.2) * radius));
    }
    // The spikes' lines, and each pixel's direction, are worked out once rather than for every
    // use in the loop below.
    std::vector<SpikeLine> lines;
    lines.reserve(size_t(n));
    for (double a : m_angles) lines.push_back(spikeLine(a));

    QImage grey(w, h, QImage::Format_RGB32);
    if (grey.isNull()) return;
    for (int py = 0; py < h; ++py) {
        // Rows are counted from the bottom.
        auto* row = reinterpret_cast<QRgb*>(grey.scanLine(h - 1 - py));
        for (int px = 0; px < w; ++px) {
            int g = 255;
            if (px != centerx || py != centery) {
                const double theta = directionOf(px, py);
                const size_t i = size_t(spikeIndexFor(theta));
                const size_t j = i + 1 == size_t(n) ? 0 : i + 1;
                const double si = nearness(lines[i], px, py);
                const double sj = nearness(lines[j], px, py);
                const qint64 dx = qint64(centerx) - px, dy = qint64(centery) - py;
                const double r = std::sqrt(double(dx * dx + dy * dy));
                const double reach =
                    reachAt(theta, m_angles[i], m_angles[j], m_lengths[i], m_lengths[j]);
                const double f = 1 - std::min(1.0, r / reach);
                const double level = f * f * (255 * si * si + 255 * sj * sj);
                g = int(std::lround(std::min(level, 255.0)));
            }
            row[px] = qRgb(g, g, g);
        }
    }
    drawUpright(p, QRectF(rect.topLeft(), QSizeF(w, h)), grey);
}

// ---------------------------------------------------------------- settings

void flareEffect::changeLinesCount(QSlider* sender) {
    changeSetting(m_linesCount, sender->value(), sender, false, true,
                  &flareEffect::setchangeLinesCountSender);
}

void flareEffect::setchangeLinesCountSender(int count, QWidget* sender) {
    changeSetting(m_linesCount, count, sender, true, true, &flareEffect::setchangeLinesCountSender);
}

void flareEffect::changeLineWidth(workbench::FloatSlider* sender) {
    changeSetting(m_lineWidth, sender->floatValue(), sender, false, true,
                  &flareEffect::setchangeLineWidthSender);
}

void flareEffect::setchangeLineWidthSender(float width, QWidget* sender) {
    changeSetting(m_lineWidth, width, sender, true, true, &flareEffect::setchangeLineWidthSender);
}

void flareEffect::buildControls(QWidget* host) {
    buildFrameControls(host, QStringLiteral("Flare opacity:"));
    addLabel(host, QStringLiteral("Spikes count:"), 122);
    addIntSlider(host, 122, kMinSpikes, kMaxSpikes, m_linesCount, false,
                 [this](QSlider* s) { changeLinesCount(s); });
    addGenerateButton(host, 55);
}

effects::EffectSettings flareEffect::save() const {
    effects::EffectSettings d = GeneratorFrame::save();
    d.insert(kLinesCountKey, m_linesCount);
    d.insert(kLineWidthKey, m_lineWidth);
    return d;
}

void flareEffect::read(const effects::EffectSettings& d) {
    if (d.isEmpty()) return;
    GeneratorFrame::read(d);
    // Every spike is visited for every pixel: a stored count beyond the slider's is cut to it.
    readInt(d, kLinesCountKey, m_linesCount, 0, kMaxSpikes);
    readFloat(d, kLineWidthKey, m_lineWidth, -std::numeric_limits<float>::max(),
              std::numeric_limits<float>::max());
}

std::unique_ptr<effects::BaseEffect> flareEffect::mycopy() const {
    auto copy = GeneratorFrame::mycopy();
    auto* c = static_cast<flareEffect*>(copy.get());
    c->setLinesCount(m_linesCount);
    c->setStartPoint(m_startPT);
    c->setLineWidth(m_lineWidth);
    c->setMZoom(m_imageZoom);
    return copy;
}

}  // namespace generators
