#pragma once
// The 3D effects: the picture as a texture on a surface or a solid, turned with the mouse. The
// result is the frame the 3D canvas shows.

#include "app/PrototypeFamily.h"

namespace threed {
class MyOGLView;
}

namespace app {

class ThreeDFamily : public PrototypeFamily {
  public:
    explicit ThreeDFamily(Controller& controller);

    threed::MyOGLView* canvas() const;
    // The canvas draws the working effect and hands it the mouse.
    void setViews(const FamilyViews& views) override;

    bool showsMarker(const effects::BaseEffect&) const override { return true; }
    std::optional<imaging::Image> result() override;
    std::optional<imaging::Image> resultForApply() override;
    // The working effect takes the new picture.
    void pictureChanged() override;
    // The working effect takes the picture anew and builds its controls.
    void entered() override;
    QString favouritesKey() const override { return QStringLiteral("3DEffectsFavorites"); }
};

}  // namespace app
