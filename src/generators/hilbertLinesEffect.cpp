#include "generators/hilbertLinesEffect.h"

#include <QPainter>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "generators/GeneratorRandom.h"
#include "workbench/FloatSlider.h"

namespace generators {

hilbertLinesEffect::hilbertLinesEffect() {
    m_opacity = 70;
}

void hilbertLinesEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> hilbertLinesEffect::newInstance() const {
    return std::make_unique<hilbertLinesEffect>();
}

void hilbertLinesEffect::drawHilbertRect(QPainter& p, const QRectF& rect) {
    const double w = rect.width(), h = rect.height();
    dist = int(std::max(w, h) + 1000.0);
    const float side = float(dist);
    for (int i = 0; i < m_level; ++i) dist /= 2;
    goToXY(float((w - side) * 0.5 + dist / 2), float((h - side) * 0.5 + dist / 2));
    m_penStart = pen();
    m_segments = 0;
    p.save();
    m_painter = &p;
    m_pen = QPen();
    m_pen.setWidthF(m_lineWidth);
    hilbertU(m_level);
    m_painter = nullptr;
    p.restore();
}

void hilbertLinesEffect::goToXY(float toX, float toY) {
    x = toX;
    y = toY;
}

void hilbertLinesEffect::lineRel(float dx, float dy) {
    // Every segment is a stroke of its own, so that translucent joints blend. The curve's
    // segments run along the axes, where the stroke (square caps) is a rectangle: filled as one,
    // which is many times faster on a large picture.
    const double w = m_pen.widthF();
    if ((dx == 0 || dy == 0) && w > 0) {
        const double x0 = std::min(x, x + dx), y0 = std::min(y, y + dy);
        m_painter->fillRect(QRectF(x0 - w / 2, y0 - w / 2, std::abs(dx) + w, std::abs(dy) + w),
                            m_pen.color());
    } else {
        m_painter->setPen(m_pen);
        m_painter->drawLine(QPointF(x, y), QPointF(x + dx, y + dy));
    }
    x += dx;
    y += dy;
    ++m_segments;
}

bool hilbertLinesEffect::newColour(int n) {
    if (n < 1) return false;
    m_pen.setColor(randomColor());
    return true;
}

void hilbertLinesEffect::hilbertU(int n) {
    if (!newColour(n)) return;
    const float d = float(dist);
    hilbertD(n - 1);
    lineRel(0, d);
    hilbertU(n - 1);
    lineRel(d, 0);
    hilbertU(n - 1);
    lineRel(0, -d);
    hilbertC(n - 1);
}

void hilbertLinesEffect::hilbertA(int n) {
    if (!newColour(n)) return;
    const float d = float(dist);
    hilbertC(n - 1);
    lineRel(0, -d);
    hilbertA(n - 1);
    lineRel(-d, 0);
    hilbertA(n - 1);
    lineRel(0, d);
    hilbertD(n - 1);
}

void hilbertLinesEffect::hilbertC(int n) {
    if (!newColour(n)) return;
    const float d = float(dist);
    hilbertA(n - 1);
    lineRel(-d, 0);
    hilbertC(n - 1);
    lineRel(0, -d);
    hilbertC(n - 1);
    lineRel(d, 0);
    hilbertU(n - 1);
}

void hilbertLinesEffect::hilbertD(int n) {
    if (!newColour(n)) return;
    const float d = float(dist);
    hilbertU(n - 1);
    lineRel(d, 0);
    hilbertD(n - 1);
    lineRel(0, d);
    hilbertD(n - 1);
    lineRel(-d, 0);
    hilbertA(n - 1);
}

void hilbertLinesEffect::changeLinesLevel(QSlider* sender) {
    changeSetting(m_level, sender->value(), sender, false, true,
                  &hilbertLinesEffect::setchangeLinesLevelSender);
}

void hilbertLinesEffect::setchangeLinesLevelSender(int level, QWidget* sender) {
    changeSetting(m_level, level, sender, true, true,
                  &hilbertLinesEffect::setchangeLinesLevelSender);
}

void hilbertLinesEffect::changeLineWidth(workbench::FloatSlider* sender) {
    changeSetting(m_lineWidth, sender->floatValue(), sender, false, true,
                  &hilbertLinesEffect::setchangeLineWidthSender);
}

void hilbertLinesEffect::setchangeLineWidthSender(float width, QWidget* sender) {
    changeSetting(m_lineWidth, width, sender, true, true,
                  &hilbertLinesEffect::setchangeLineWidthSender);
}

void hilbertLinesEffect::buildControls(QWidget* host) {
    buildFrameControls(host, QStringLiteral("Objects opacity:"));
    addLabel(host, QStringLiteral("Lines level:"), 122);
    addIntSlider(host, 122, kMinLevel, kMaxLevel, m_level, false,
                 [this](QSlider* s) { changeLinesLevel(s); });
    addLabel(host, QStringLiteral("Line width:"), 102);
    addFloatSlider(host, 102, kMinWidth, kMaxWidth, m_lineWidth, false,
                   [this](workbench::FloatSlider* s) { changeLineWidth(s); });
    addGenerateButton(host, 55);
}

effects::EffectSettings hilbertLinesEffect::save() const {
    effects::EffectSettings d = GeneratorFrame::save();
    d.insert(kLevelKey, m_level);
    d.insert(kLineWidthKey, m_lineWidth);
    return d;
}

void hilbertLinesEffect::read(const effects::EffectSettings& d) {
    if (d.isEmpty()) return;
    GeneratorFrame::read(d);
    // Each level quadruples the work: a stored level beyond the slider's would not finish.
    readInt(d, kLevelKey, m_level, 0, kMaxLevel);
    readFloat(d, kLineWidthKey, m_lineWidth, 0, kMaxWidth);
}

std::unique_ptr<effects::BaseEffect> hilbertLinesEffect::mycopy() const {
    auto copy = GeneratorFrame::mycopy();
    auto* c = static_cast<hilbertLinesEffect*>(copy.get());
    c->setLinesLevel(m_level);
    c->setLineWidth(m_lineWidth);
    return copy;
}

}  // namespace generators
