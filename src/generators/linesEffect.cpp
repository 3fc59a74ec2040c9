#include "generators/linesEffect.h"

#include <QPainter>
#include <QPainterPath>
#include <QSlider>

#include "generators/GeneratorRandom.h"
#include "workbench/FloatSlider.h"

namespace generators {

linesEffect::linesEffect() {
    m_startPT = {-11000, -11000};
}

void linesEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> linesEffect::newInstance() const {
    return std::make_unique<linesEffect>();
}

void linesEffect::devideLines(QPainter& p, const QRectF& rect) {
    if (!isPlaced(m_startPT)) {
        const QSize s = pictureSize();
        m_startPT = QPointF(s.width() / 2.0, s.height() / 2.0);
    }
    const double w = rect.width(), h = rect.height();
    const QPointF from(m_imageZoom * m_startPT.x(), m_imageZoom * m_startPT.y());
    QPen pen;
    pen.setWidthF(m_lineWidth);
    // Closed two-point paths: the ends are joins, not caps.
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    for (int k = 0; k < m_linesCount; ++k) {
        pen.setColor(randomColor());
        const double y = std::trunc(randomUnit() * h);
        const double x = std::trunc(randomUnit() * w);
        QPainterPath path(from);
        path.lineTo(x, y);
        path.closeSubpath();
        p.strokePath(path, pen);
    }
}

void linesEffect::changeLinesCount(QSlider* sender) {
    changeSetting(m_linesCount, sender->value(), sender, false, true,
                  &linesEffect::setchangeLinesCountSender);
}

void linesEffect::setchangeLinesCountSender(int count, QWidget* sender) {
    changeSetting(m_linesCount, count, sender, true, true, &linesEffect::setchangeLinesCountSender);
}

void linesEffect::changeLineWidth(workbench::FloatSlider* sender) {
    changeSetting(m_lineWidth, sender->floatValue(), sender, false, true,
                  &linesEffect::setchangeLineWidthSender);
}

void linesEffect::setchangeLineWidthSender(float width, QWidget* sender) {
    changeSetting(m_lineWidth, width, sender, true, true, &linesEffect::setchangeLineWidthSender);
}

void linesEffect::buildControls(QWidget* host) {
    buildFrameControls(host, QStringLiteral("Objects opacity:"));
    addLabel(host, QStringLiteral("Lines count:"), 122);
    addIntSlider(host, 122, kMinLines, kMaxLines, m_linesCount, false,
                 [this](QSlider* s) { changeLinesCount(s); });
    addLabel(host, QStringLiteral("Line width:"), 102);
    addFloatSlider(host, 102, kMinWidth, kMaxWidth, m_lineWidth, false,
                   [this](workbench::FloatSlider* s) { changeLineWidth(s); });
    addGenerateButton(host, 55);
}

effects::EffectSettings linesEffect::save() const {
    effects::EffectSettings d = GeneratorFrame::save();
    d.insert(kLinesCountKey, m_linesCount);
    d.insert(kLineWidthKey, m_lineWidth);
    return d;
}

void linesEffect::read(const effects::EffectSettings& d) {
    if (d.isEmpty()) return;
    GeneratorFrame::read(d);
    readInt(d, kLinesCountKey, m_linesCount, 0, kMaxLines);
    readFloat(d, kLineWidthKey, m_lineWidth, 0, kMaxWidth);
}

std::unique_ptr<effects::BaseEffect> linesEffect::mycopy() const {
    auto copy = GeneratorFrame::mycopy();
    auto* c = static_cast<linesEffect*>(copy.get());
    c->setLinesCount(m_linesCount);
    c->setStartPoint(m_startPT);
    c->setLineWidth(m_lineWidth);
    c->setMZoom(m_imageZoom);
    return copy;
}

}  // namespace generators
