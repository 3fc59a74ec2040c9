#include "app/CustomFamily.h"

#include "app/Controller.h"
#include "foundation/ImageBridge.h"
#include "generators/Generators.h"
#include "generators/customEffImageView.h"

namespace app {

CustomFamily::CustomFamily(Controller& controller)
    : PrototypeFamily(Mode::Custom, controller, generators::generatorPrototypes()) {}

generators::customEffImageView* CustomFamily::canvas() const {
    return static_cast<generators::customEffImageView*>(views().canvas);
}

void CustomFamily::setViews(const FamilyViews& views) {
    PrototypeFamily::setViews(views);
    if (canvas()) canvas()->setGeneratorSource([this] { return workingEffect(); });
}

std::optional<imaging::Image> CustomFamily::result() {
    if (!workingEffect()) return std::nullopt;
    return foundation::imageFromQImage(workingEffect()->getDrawImage());
}

void CustomFamily::pictureChanged() {
    const imaging::Rect e = m_controller.getBgImageExtent();
    if (workingEffect() && !e.isEmpty() && !e.isInfinite()) workingEffect()->reloadImage();
}

void CustomFamily::entered() {
    if (!canvas()) return;
    canvas()->setZoom(canvas()->getZoom());
    m_controller.setZoom(canvas()->getZoom());
}

}  // namespace app
