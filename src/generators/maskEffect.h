#pragma once
// Cuts the picture out through a greyscale mask chosen from 48 thumbnails: where the mask is
// dark the picture stays, where it is light the picture becomes transparent. The mask is
// stretched over the picture. The masks are the resources "t1.jpg" to "t48.jpg".

#include <QPointer>

#include "generators/GeneratedEffect.h"

class QAbstractButton;
class QMenu;
class QToolButton;

namespace generators {

class maskEffect : public GeneratedEffect {
  public:
    static inline const QString kClassName = QStringLiteral("maskEffect");
    static inline const QString kName = QStringLiteral("Mask Effect");
    static inline const QString kTips = QStringLiteral("Mask Effect");
    static inline const QString kMaskNameKey = QStringLiteral("maskImageName");
    static constexpr int kMaskCount = 48;
    // The grid in the pop-up's menu: 4 columns of 50 x 50 buttons in a 220 x 605 view, shown
    // 205 high.
    static constexpr int kGridColumns = 4, kCell = 50;
    static constexpr QSize kGridView{220, 205}, kGridDocument{220, 605};

    // Gives a prototype its list name and tips; a new object has the first mask.
    void awakeFromNib();

    QString className() const override { return kClassName; }

    QString maskName() const { return m_maskName; }
    // Plain setter used by copies.
    void setMaskName(const QString& name) { m_maskName = name; }
    // The resource name of mask k (1 to 48).
    static QString maskNameForTag(int k) { return QStringLiteral("t%1.jpg").arg(k); }
    // The mask drawn into a side x side image; null when the mask is missing.
    static QImage maskThumbnail(const QString& name, int side);

    // The picture cut out through the mask stretched over it (drawn into `buffer` when that
    // fits); null without either.
    static QImage maskedPicture(const QImage& picture, const QImage& mask, QImage buffer = {});
    void makeImageEffect() override;
    // Takes the picture premultiplied, as masking uses it: converted once per picture rather
    // than on every mask change.
    void loadImage() override;
    // A grid button was pressed: its mask (by the button's "tag") becomes current, undoably.
    void maskSelected(QAbstractButton* gridButton);
    void setuseMaskNameSender(const QString& name, QWidget* sender);
    // Puts the thumbnail grid into the menu's first item.
    void addMenuItemViews(QMenu* menu);
    QToolButton* popupButton() const;

    effects::EffectSettings save() const override;
    // Takes "maskImageName" when it names a mask resource (a plain file name).
    void read(const effects::EffectSettings& d) override;
    std::unique_ptr<effects::BaseEffect> mycopy() const override;

  protected:
    // The masked picture alone: no picture under it, no colour, full opacity.
    Layers overLayers() const override {
        Layers layers;
        layers.picture = false;
        return layers;
    }
    void buildControls(QWidget* host) override;
    std::unique_ptr<effects::BaseEffect> newInstance() const override;

  private:
    void showMaskInPopup();

    QString m_maskName = maskNameForTag(1);
    QPointer<QToolButton> m_popupBTN;
};

}  // namespace generators
