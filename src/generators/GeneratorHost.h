#pragma once
// What the generators and the custom canvas need from the application: the picture, the undo
// history and the working generator. Everything they ask of the application goes through here,
// so that it is wired in one place.

#include <QImage>

#include "imaging/Image.h"

namespace effects {
class BaseEffect;
}
namespace foundation {
class UndoManager;
}

namespace generators {

class GeneratorHost {
  public:
    virtual ~GeneratorHost() = default;

    // The picture as a platform image (rows top to bottom); null without picture.
    virtual QImage pictureImage() const = 0;
    // The picture as the engine holds it; null without picture.
    virtual imaging::Image picture() const = 0;
    // Null while there is no window (start-up).
    virtual foundation::UndoManager* undoManager() const = 0;
    // The custom family's working generator, if any.
    virtual effects::BaseEffect* currentCustomEffect() const = 0;

    // The host in use: the one set, else the application's controller; null when neither
    // exists (start-up, or a test without one).
    static GeneratorHost* current();
    // Replaces the application's controller as host (tests); null restores it.
    static void setCurrent(GeneratorHost* host);
};

}  // namespace generators
