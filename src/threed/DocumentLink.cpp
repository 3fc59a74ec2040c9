#include "threed/DocumentLink.h"

#include "app/Controller.h"
#include "foundation/NotificationCenter.h"

namespace threed {

namespace {

DocumentLink controllerLink() {
    return {[] {
                app::Controller* c = app::Controller::mainController();
                return c ? c->backImage() : imaging::Image();
            },
            []() -> foundation::UndoManager* {
                app::Controller* c = app::Controller::mainController();
                return c ? c->undoManager() : nullptr;
            }};
}

DocumentLink& link() {
    static DocumentLink l = controllerLink();
    return l;
}

}  // namespace

const DocumentLink& documentLink() {
    return link();
}

void setDocumentLink(DocumentLink l) {
    const DocumentLink fallback = controllerLink();
    if (!l.picture) l.picture = fallback.picture;
    if (!l.undoManager) l.undoManager = fallback.undoManager;
    link() = std::move(l);
}

imaging::Image documentPicture() {
    return link().picture();
}

foundation::UndoManager* documentUndoManager() {
    return link().undoManager();
}

void postUpdateOpenGLView() {
    foundation::NotificationCenter::defaultCenter().postNotificationName(
        foundation::kUpdateOpenGLView);
}

}  // namespace threed
