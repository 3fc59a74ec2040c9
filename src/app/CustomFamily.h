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
    // The canvas draws the working generator.
    void setViews(const FamilyViews& views) override;

    // The marker shows on the generators placed with the mouse.
    bool showsMarker(const effects::BaseEffect& row) const override { return row.isMousing(); }
    // The working generator's composed picture at full size; a null image, with the reason in
    // resultProblem(), when it made none. Shapes still to be drawn at full size are drawn with
    // progress shown; a null image when the user cancelled that.
    std::optional<imaging::Image> result() override;
    QString resultProblem() const override { return m_problem; }
    bool resultCancelled() const override { return m_cancelled; }
    // A generator that made no picture keeps the working generator and says why; a cancelled
    // one keeps it in silence.
    std::optional<imaging::Image> resultForApply() override;
    // The working generator takes a new picture that has pixels.
    void pictureChanged() override;
    // The canvas is refitted, and the zoom slider follows it.
    void entered() override;
    QString favouritesKey() const override { return QStringLiteral("CustomEffectsFavorites"); }

  protected:
    // Undo after a click returns to the favourite highlighted before it.
    bool undoesFavouriteClicks() const override { return true; }

  private:
    QString m_problem;
    bool m_cancelled = false;
};

}  // namespace app
