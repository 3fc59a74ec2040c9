#include "generators/maskEffect.h"

#include <QAbstractButton>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QWidgetAction>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "foundation/Resources.h"
#include "workbench/Autoresizer.h"

namespace generators {

namespace {
constexpr int kPopupThumb = 32, kGridThumb = 45;
}

void maskEffect::awakeFromNib() {
    setName(kName);
    setTips(kTips);
}

std::unique_ptr<effects::BaseEffect> maskEffect::newInstance() const {
    return std::make_unique<maskEffect>();
}

QImage maskEffect::maskThumbnail(const QString& name, int side) {
    const QImage mask = foundation::Resources::imageNamed(name);
    if (mask.isNull()) return {};
    return mask.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage maskEffect::maskedPicture(const QImage& picture, const QImage& mask, QImage buffer) {
    if (picture.isNull() || mask.isNull()) return {};
    // Premultiplied 32-bit pixels of either byte order scale the same in every channel.
    const QImage src = picture.format() == QImage::Format_RGBA8888_Premultiplied
                           ? picture
                           : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage grey = mask.convertToFormat(QImage::Format_Grayscale8);
    QImage out = takeBuffer(buffer, src.size(), src.format());
    if (src.isNull() || grey.isNull() || out.isNull()) return {};
    const int w = out.width(), h = out.height(), mw = grey.width(), mh = grey.height();
    // Bilinear stretch of the mask: for each picture column and row, the two mask samples and
    // the weight of the second (0 to 256).
    struct Tap {
        int i0, i1, f;
    };
    auto taps = [](int n, int m) {
        std::vector<Tap> t(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const double s = std::clamp((i + 0.5) * m / n - 0.5, 0.0, double(m - 1));
            const int i0 = int(s);
            t[size_t(i)] = {i0, std::min(i0 + 1, m - 1), int(std::lround((s - i0) * 256))};
        }
        return t;
    };
    const std::vector<Tap> cols = taps(w, mw), rows = taps(h, mh);
    std::vector<int> line(static_cast<size_t>(mw));
    for (int y = 0; y < h; ++y) {
        const Tap r = rows[size_t(y)];
        const uchar* m0 = grey.constScanLine(r.i0);
        const uchar* m1 = grey.constScanLine(r.i1);
        for (int i = 0; i < mw; ++i) line[size_t(i)] = m0[i] * (256 - r.f) + m1[i] * r.f;
        const uchar* in = src.constScanLine(y);
        uchar* px = out.scanLine(y);
        for (int x = 0; x < w; ++x, px += 4, in += 4) {
            const Tap c = cols[size_t(x)];
            const int m =
                (line[size_t(c.i0)] * (256 - c.f) + line[size_t(c.i1)] * c.f + 32768) >> 16;
            // The mask is an inverse alpha: black keeps the pixel, white clears it.
            const int keep = 255 - m;
            for (int k = 0; k < 4; ++k) {
                const int v = in[k] * keep + 128;
                px[k] = uchar((v + (v >> 8)) >> 8);
            }
        }
    }
    return out;
}

void maskEffect::loadImage() {
    GeneratedEffect::loadImage();
    if (m_image.format() == QImage::Format_RGBA8888)
        m_image.convertTo(QImage::Format_RGBA8888_Premultiplied);
}

void maskEffect::makeImageEffect() {
    const QImage mask = foundation::Resources::imageNamed(m_maskName);
    m_effectImage = maskedPicture(m_image, mask, std::exchange(m_effectImage, QImage()));
    // Without a mask or a picture the plain picture is the result; otherwise memory ran out.
    noteGeneration(!m_effectImage.isNull() || mask.isNull() || m_image.isNull(), m_image.size());
}

void maskEffect::maskSelected(QAbstractButton* gridButton) {
    const int tag = gridButton->property("tag").toInt();
    const QString old = m_maskName;
    registerUndo(
        [this, old, c = QPointer<QWidget>(gridButton)] { setuseMaskNameSender(old, c.data()); });
    m_maskName = maskNameForTag(tag);
    showMaskInPopup();
    makeImageEffect();
    postUpdate();
}

void maskEffect::setuseMaskNameSender(const QString& name, QWidget* sender) {
    const QString old = m_maskName;
    registerUndo(
        [this, old, c = QPointer<QWidget>(sender)] { setuseMaskNameSender(old, c.data()); });
    m_maskName = name;
    showMaskInPopup();
    makeImageEffect();
    postUpdate();
}

QToolButton* maskEffect::popupButton() const {
    return m_popupBTN;
}

void maskEffect::showMaskInPopup() {
    if (m_popupBTN) m_popupBTN->setIcon(QPixmap::fromImage(maskThumbnail(m_maskName, kPopupThumb)));
}

void maskEffect::buildControls(QWidget* host) {
    addBorderView(host);
    addLabel(host, QStringLiteral("Mask Images:"), 190);
    auto* popup = new QToolButton(host);
    popup->setObjectName(QStringLiteral("maskPopup"));
    popup->setPopupMode(QToolButton::InstantPopup);
    popup->setIconSize(QSize(kPopupThumb, kPopupThumb));
    popup->setArrowType(Qt::NoArrow);
    placeInPanel(host, popup, QRect(140, 177, 60, 40),
                 workbench::kMaxXMargin | workbench::kMinYMargin);
    auto* menu = new QMenu(popup);
    menu->addAction(QStringLiteral("Custom"));
    addMenuItemViews(menu);
    popup->setMenu(menu);
    m_popupBTN = popup;
    showMaskInPopup();
}

void maskEffect::addMenuItemViews(QMenu* menu) {
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("maskGrid"));
    scroll->setFixedSize(kGridView);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* document = new QWidget;
    document->setFixedSize(kGridDocument);
    for (int k = 1; k <= kMaskCount; ++k) {
        auto* b = new QToolButton(document);
        b->setProperty("tag", k);
        b->setAutoRaise(true);
        b->setIconSize(QSize(kGridThumb, kGridThumb));
        b->setIcon(QPixmap::fromImage(maskThumbnail(maskNameForTag(k), kGridThumb)));
        b->setToolTip(maskNameForTag(k));
        const int c = (k - 1) % kGridColumns, r = (k - 1) / kGridColumns;
        // Rows counted upwards from the bottom of the document.
        workbench::Autoresizer::of(document)->place(
            b, QRect(c * kCell + 5, r * kCell + 5, kCell, kCell), workbench::kNotSizable);
        QObject::connect(b, &QToolButton::clicked, receiver(), [this, b, menu] {
            menu->close();
            maskSelected(b);
        });
    }
    scroll->setWidget(document);
    // The first masks are at the bottom: show them first, once the scroll bar has its range.
    QScrollBar* bar = scroll->verticalScrollBar();
    QObject::connect(bar, &QScrollBar::rangeChanged, bar,
                     [bar](int, int max) { bar->setValue(max); });

    // The view replaces the menu's first item.
    auto* item = new QWidgetAction(menu);
    item->setDefaultWidget(scroll);
    const QList<QAction*> actions = menu->actions();
    if (!actions.isEmpty()) {
        menu->insertAction(actions.first(), item);
        menu->removeAction(actions.first());
    } else {
        menu->addAction(item);
    }
}

effects::EffectSettings maskEffect::save() const {
    effects::EffectSettings d = BaseEffect::save();
    d.insert(kMaskNameKey, m_maskName);
    return d;
}

void maskEffect::read(const effects::EffectSettings& d) {
    if (d.isEmpty()) return;
    BaseEffect::read(d);
    const auto it = d.constFind(kMaskNameKey);
    if (it == d.constEnd() || it->typeId() != QMetaType::QString) return;
    const QString name = it->toString();
    // Only a resource's own name: nothing from elsewhere on the disk.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return;
    setMaskName(name);
}

std::unique_ptr<effects::BaseEffect> maskEffect::mycopy() const {
    auto copy = BaseEffect::mycopy();
    static_cast<maskEffect*>(copy.get())->setMaskName(m_maskName);
    return copy;
}

}  // namespace generators
