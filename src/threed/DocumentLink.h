#pragma once
// What the 3D effects take from the document they show: its picture and its undo history.
// Kept in one place, so that the effects do not depend on who holds them; tests give their
// own.

#include <functional>

#include "imaging/Image.h"

namespace foundation {
class UndoManager;
}

namespace threed {

struct DocumentLink {
    std::function<imaging::Image()> picture;
    std::function<foundation::UndoManager*()> undoManager;
};

// The link in use: by default the main controller's picture and undo manager.
const DocumentLink& documentLink();
// Replaces the link (an empty member falls back to the default one).
void setDocumentLink(DocumentLink link);

// Shortcuts through the link in use; nothing when there is no document.
imaging::Image documentPicture();
foundation::UndoManager* documentUndoManager();
// Asks the 3D canvas to redraw ("UpdateOpenGLView").
void postUpdateOpenGLView();

}  // namespace threed
