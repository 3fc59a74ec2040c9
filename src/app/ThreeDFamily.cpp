#include "app/ThreeDFamily.h"

#include "threed/MyOGLView.h"
#include "threed/ThreeDEffects.h"

namespace app {

ThreeDFamily::ThreeDFamily(Controller& controller)
    : PrototypeFamily(Mode::ThreeD, controller, threed::threeDPrototypes()) {}

threed::MyOGLView* ThreeDFamily::canvas() const {
    return static_cast<threed::MyOGLView*>(views().canvas);
}

void ThreeDFamily::setViews(const FamilyViews& views) {
    PrototypeFamily::setViews(views);
    if (threed::MyOGLView* view = canvas())
        view->setEffectSource([this] { return workingEffect(); });
}

std::optional<imaging::Image> ThreeDFamily::result() {
    if (!workingEffect() || !canvas()) return std::nullopt;
    // No frame: the plain picture stands for it.
    imaging::Image frame = canvas()->ogl_shot_CI();
    if (!frame) return std::nullopt;
    return frame;
}

std::optional<imaging::Image> ThreeDFamily::resultForApply() {
    if (!workingEffect() || !canvas()) return imaging::Image();
    return canvas()->ogl_shot_CI();
}

void ThreeDFamily::pictureChanged() {
    if (workingEffect()) workingEffect()->reloadImage();
}

void ThreeDFamily::entered() {
    if (!workingEffect()) return;
    workingEffect()->reloadImage();
    workingEffect()->setUpControlsView();
}

}  // namespace app
