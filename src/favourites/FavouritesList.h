#pragma once
// One family's favourites: the entries in the order they were read or added, their buttons in
// the family's bar, and their stored form in the preferences.
//
// Stored form: an array under the family's key; each entry a dictionary whose every value is
// the archive (foundation/Archive.h) of one object: "ButtonImage" the thumbnail, "classObj" the
// effect's settings (3D and custom families), every other key ("class", "ToolTipName", a
// filter's input keys) its value. Reading takes each value on its own: one that cannot be read
// is logged and skipped, the rest of the entry and of the list survive.

#include <QList>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "effects/BaseEffect.h"
#include "favourites/DocPageControl.h"
#include "favourites/onlyTextClosedButton.h"

namespace favourites {

inline const QString kButtonImageKey = QStringLiteral("ButtonImage");
inline const QString kClassObjKey = QStringLiteral("classObj");
inline const QString kClassKey = QStringLiteral("class");
inline const QString kToolTipNameKey = QStringLiteral("ToolTipName");
// Thumbnail size in points.
inline constexpr QSize kThumbnailSize{40, 25};
// More entries than this in one stored list are not read.
inline constexpr int kMaxStoredFavourites = 10000;

// One stored entry as read: stored key → object. Keys whose value could not be read are absent.
using StoredEntry = QVariantMap;

// The stored list under `key`, in order; nothing when the key is missing or holds no array.
// Entries with no readable value are left out.
std::optional<QList<StoredEntry>> readStoredFavourites(QSettings& settings, const QString& key);
// Replaces the stored list under `key`. A value that cannot be archived is logged and skipped.
void writeStoredFavourites(QSettings& settings, const QString& key, const QList<StoredEntry>& list);

// The thumbnail shown for a favourite whose own could not be read.
QImage placeholderThumbnail();

struct Favourite {
    QPointer<onlyTextClosedButton> button;
    // "class" of the 3D and custom families: the favourite's own copy of the effect.
    std::shared_ptr<effects::BaseEffect> effect;
    // Every other key: "class" (the filter name) of the standard family, "ToolTipName", a
    // filter's input values, and stored keys kept only to be written back (such as the
    // settings of an effect class this program does not know).
    QVariantMap values;
};

class FavouritesList {
  public:
    // The prototype of an effect class name; nothing for a name it does not know.
    using PrototypeLookup = std::function<const effects::BaseEffect*(const QString&)>;
    using Click = std::function<void(onlyTextClosedButton*)>;

    // `lookup` is given for the families whose favourites keep effects ("classObj").
    explicit FavouritesList(QString key, PrototypeLookup lookup = {});
    ~FavouritesList();
    FavouritesList(const FavouritesList&) = delete;
    FavouritesList& operator=(const FavouritesList&) = delete;

    // The bar the buttons go to, what their close boxes report to, and what a click does.
    void setBar(DocPageControl* bar, FavouritesController* controller, Click click);
    DocPageControl* bar() const { return m_bar; }
    const QString& key() const { return m_key; }

    const std::vector<Favourite>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.empty(); }
    // The first entry whose button is `button`; nothing for none.
    const Favourite* find(const onlyTextClosedButton* button) const;

    // A button with the thumbnail and tool tip, appended to the bar (not highlighted).
    onlyTextClosedButton* makeButton(const QImage& thumbnail, const QString& toolTip);
    void append(Favourite favourite);
    // Removes the first entry whose button is `button`, and the button from the bar; false for
    // none.
    bool remove(onlyTextClosedButton* button);

    // Replaces the list with the stored one; false, leaving the list as it is, when the
    // preferences hold no list for the key.
    bool read(QSettings& settings);
    void write(QSettings& settings);
    // Whether the list changed since it was last read or written; a write that did not reach
    // the disk marks it again.
    bool isDirty() const { return m_dirty; }
    void markDirty() { m_dirty = true; }

  private:
    Favourite entryFromStored(const StoredEntry& stored);
    void clear();

    QString m_key;
    PrototypeLookup m_lookup;
    QPointer<DocPageControl> m_bar;
    FavouritesController* m_controller = nullptr;
    Click m_click;
    std::vector<Favourite> m_entries;
    bool m_dirty = false;
};

}  // namespace favourites
