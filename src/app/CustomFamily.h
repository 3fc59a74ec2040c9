#pragma once
// The generators: a random picture laid over the picture or over a plain colour. The result is
// the working generator's composed picture.

#include "app/PrototypeFamily.h"

namespace generators {
class customEffImageView;
}

namespace app {

class CustomFamily : public PrototypeFamily {
  public:
    explicit CustomFamily(Controller& controller);

    generators::customEffImageView* canvas() const;

    // The marker shows on the generators placed with the mouse.
    bool showsMarker(const effects::BaseEffect& row) const override { return row.isMousing(); }
    std::optional<imaging::Image> result() override;
    // The working generator takes a new picture that has pixels.
    void pictureChanged() override;
    // The canvas is refitted, and the zoom slider follows it.
    void entered() override;
    QString favouritesKey() const override { return QStringLiteral("CustomEffectsFavorites"); }

  protected:
    // Undo after a click returns to the favourite highlighted before it.
    bool undoesFavouriteClicks() const override { return true; }
};

}  // namespace app
