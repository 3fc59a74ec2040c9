#include "app/CustomFamily.h"

#include "app/Controller.h"
#include "app/MainWindow.h"
#include "app/Texts.h"
#include "chrome/KesAlert.h"
#include "foundation/ImageBridge.h"
#include "foundation/Progress.h"
#include "generators/GeneratedEffect.h"
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
    m_problem.clear();
    m_cancelled = false;
    effects::BaseEffect* effect = workingEffect();
    if (!effect) return std::nullopt;
    auto* generator = dynamic_cast<generators::GeneratedEffect*>(effect);
    if (generator) {
        generator->prepare();
        // Shapes over a large picture take seconds to draw at full size.
        if (generator->needsFullDrawing() &&
            !generator->drawFullSize([this](const foundation::Work& work) {
                return foundation::runWithProgress(m_controller.window(),
                                                   QStringLiteral("Drawing the shapes…"), work);
            })) {
            m_cancelled = true;
            return imaging::Image();
        }
    }
    const QImage drawn = effect->getDrawImage();
    if (generator) m_problem = generator->problem();
    if (m_problem.isEmpty() && drawn.isNull())
        m_problem = QStringLiteral("“%1” made no picture.").arg(effect->name());
    if (!m_problem.isEmpty()) return imaging::Image();
    return foundation::imageFromQImage(drawn);
}

std::optional<imaging::Image> CustomFamily::resultForApply() {
    const std::optional<imaging::Image> r = result();
    if (m_cancelled) return std::nullopt;
    if (r && !*r && !m_problem.isEmpty()) {
        chrome::KesAlert::Alert_OKMsgText(m_controller.window(), kCouldntChangePicture, m_problem);
        return std::nullopt;
    }
    return r.value_or(imaging::Image());
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
