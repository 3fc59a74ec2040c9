#include "generators/GeneratorHost.h"

#include "app/Controller.h"

namespace generators {

namespace {

// The application's controller as host.
class ControllerHost : public GeneratorHost {
  public:
    QImage pictureImage() const override { return c()->getImage(true); }
    imaging::Image picture() const override { return c()->backImage(); }
    foundation::UndoManager* undoManager() const override { return c()->undoManager(); }
    effects::BaseEffect* currentCustomEffect() const override {
        return c()->getCurrentCustomEffect();
    }

  private:
    static app::Controller* c() { return app::Controller::mainController(); }
};

GeneratorHost* s_host = nullptr;

}  // namespace

GeneratorHost* GeneratorHost::current() {
    if (s_host) return s_host;
    static ControllerHost controller;
    return app::Controller::mainController() ? &controller : nullptr;
}

void GeneratorHost::setCurrent(GeneratorHost* host) {
    s_host = host;
}

}  // namespace generators
