#pragma once
// The one picture the application edits: its pixels, the file it came from, whether it has
// unsaved changes, and the undoable edits of the picture as a whole (flip, turn, resize, paste,
// a dropped file, Apply). Work on a whole picture that can take long runs off the event loop's
// thread, with a progress panel.
//
// Views follow the picture through pictureChanged; the changed state lives here alone. It is
// counted as desktop documents count it: every step recorded in the undo history counts as a
// change done, its undo as undone, its redo as redone, and the document has changes while that
// count is away from where the last open or save left it. A change that cannot be undone (a new
// working effect) leaves changes until the next open or save.

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

#include "imaging/Bitmap.h"
#include "imaging/Image.h"

class QWidget;

namespace foundation {
class PictureMetadata;
class UndoManager;
}  // namespace foundation

namespace app {

class Document : public QObject {
    Q_OBJECT

  public:
    // How a picture change came about: set outright, replacing the picture undoably (paste, a
    // drop, Apply, their undo), or turned a quarter.
    enum class Change { Set, Replaced, Turned };

    explicit Document(QObject* parent = nullptr);

    // Where alerts and progress panels appear, and the history edits register with (and whose
    // steps count as changes).
    void setWindow(QWidget* window);
    void setUndoManager(foundation::UndoManager* undo);

    const imaging::Image& picture() const { return m_picture; }
    // The picture's extent; the zero rectangle without a picture.
    imaging::Rect extent() const;
    // Replaces the picture, recording nothing.
    void setPicture(const imaging::Image& picture, Change how = Change::Set);

    const QString& filePath() const { return m_filePath; }
    void setFilePath(const QString& path);
    // What the picture's file recorded (camera data, ...), written again when it is saved:
    // taken from an opened or dropped file, kept through edits and Apply, none for a pasted
    // picture (undoing the paste brings the old one back). Nothing for none.
    const std::shared_ptr<const foundation::PictureMetadata>& metadata() const {
        return m_metadata;
    }

    bool wasChanged() const { return !m_savedAt || *m_savedAt != m_changeCount; }
    // true: a change that no undo can take back; false: what is shown now is what was saved.
    void setWasChanged(bool changed);

    // --- undoable edits (none does anything without a picture)
    // Mirrors the picture top to bottom (vertical) or left to right.
    void flipImage(bool vertical);
    // Turns the picture a quarter turn to the left (counter-clockwise) or to the right.
    void rotateImage(bool left);
    // Scales the picture to width x height pixels (rounded, at least 1).
    void resizeImageHeight(float width, float height);
    // Makes `picture` (with the metadata of its file, if any) the picture, recording the old
    // one as the undo step.
    void undoPaste(const imaging::Image& picture,
                   std::shared_ptr<const foundation::PictureMetadata> metadata = {});
    // The clipboard's picture, undoably; damaged data is refused with an alert.
    void paste();
    // Makes `picture`, read from `path`, the document: the file's name and picture, no changes,
    // and an empty history (opening cannot be undone, and no step of the previous picture may
    // come back under this file's name).
    void open(const QString& path, const imaging::Image& picture);
    // An effect's result becomes the picture, undoably.
    void apply(const imaging::Image& result);
    // Puts `result` on the clipboard as TIFF and PNG; false when there was nothing to copy or
    // it could not be done (the user has been told why).
    bool copy(const imaging::Image& result) const;

    // --- rendering whole pictures
    // `image` rendered into memory, so that edits never stack up into ever deeper graphs.
    // Nothing when cancelled or refused (the user has been told why).
    imaging::Image flattened(const imaging::Image& image, const QString& label) const;
    // `image` as straight 8-bit RGBA in one pass, for the clipboard and the file writers:
    // nothing for no image, when cancelled (cancelled() tells) or when it cannot be done
    // (lastError() says why). A picture already held that way is handed out as it is.
    imaging::Bitmap exportBitmap(const imaging::Image& image, const QString& label) const;
    bool cancelled() const { return m_cancelled; }
    QString lastError() const { return m_error; }
    // The same on the calling thread, without a panel (for views drawing, for textures).
    static imaging::Bitmap exportPixels(const imaging::Image& image,
                                        const std::atomic<bool>* cancel = nullptr);

    // Reads a picture file; alerts and returns nothing when it cannot be read.
    imaging::Image readPictureFile(const QString& path) const;

  Q_SIGNALS:
    void pictureChanged(app::Document::Change how);
    void filePathChanged(const QString& path);
    // wasChanged() turned.
    void changedStateChanged(bool changed);

  private:
    void registerReplacement();
    // Runs `count` on the change count and reports a turn of the changed state.
    template <typename F>
    void recount(F count);

    imaging::Image m_picture;
    std::shared_ptr<const foundation::PictureMetadata> m_metadata;
    QString m_filePath;
    // Steps done minus steps undone since the last open or save, and where that count stood at
    // the last save (nothing once no undo or redo can get back there).
    int m_changeCount = 0;
    std::optional<int> m_savedAt = 0;
    QPointer<QWidget> m_window;
    foundation::UndoManager* m_undo = nullptr;
    mutable bool m_cancelled = false;
    mutable QString m_error;
};

}  // namespace app
