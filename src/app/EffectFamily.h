#pragma once
// An effect family, called a mode: the standard filters, the 3D effects or the generators.
// Each has its own list, controls area, canvas and favourites bar, at most one working effect
// (always the application's own copy, never a prototype), and a result that Copy, Save, Apply
// and favourite thumbnails take. The controller keeps one family per mode, reaches the current
// one through family(filerMode()) and leaves everything family-specific to it.
//
// A family provides the operations declared pure below: whether it has a working effect,
// dropping it (clearAll), answering its list's selection, and its result. It may react to a
// new picture (pictureChanged) and to the mode being entered (entered).
//
// Adding a 3D effect or a generator: write its class (a BaseEffect) in its own files, then add
// one line for its prototype to threed/ThreeDEffects.cpp or generators/Generators.cpp, at the
// row it takes in the list. The list, selection, retiring, Apply, Copy, Save and the lookup of
// a favourite's class all go through the prototypes (PrototypeFamily).

#include <QImage>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "imaging/Image.h"

class QModelIndex;
class QSettings;
class QTreeView;
class QWidget;

namespace chrome {
class BaseColoredButton;
}
namespace effects {
class BaseEffect;
}
namespace favourites {
class DocPageControl;
class FavouritesList;
class onlyTextClosedButton;
struct Favourite;
}  // namespace favourites

namespace app {

class Controller;

enum class Mode { Standard = 0, ThreeD = 1, Custom = 2 };
inline constexpr Mode kModes[] = {Mode::Standard, Mode::ThreeD, Mode::Custom};

// What the window builds for a family.
struct FamilyViews {
    QTreeView* list = nullptr;
    // Host of the working effect's controls.
    QWidget* controlsHost = nullptr;
    QWidget* canvas = nullptr;
    favourites::DocPageControl* favouritesBar = nullptr;
};

class EffectFamily {
  public:
    EffectFamily(Mode mode, Controller& controller);
    virtual ~EffectFamily();
    EffectFamily(const EffectFamily&) = delete;
    EffectFamily& operator=(const EffectFamily&) = delete;

    Mode mode() const { return m_mode; }
    const FamilyViews& views() const { return m_views; }
    virtual void setViews(const FamilyViews& views);

    // --- the working effect
    virtual bool hasWorkingEffect() const = 0;
    // Drops the working effect (its controls, its cached pictures), switches off the highlighted
    // favourite and deselects the list. Undo brings the effect back with all its values.
    virtual void clearAll() = 0;
    // The family's list has a new selection: a new working effect, or none.
    virtual void selectionChanged(QTreeView* list) = 0;
    // The target of the family's entries in the undo history: the working effect's steps, or
    // those of the effect last dropped (nothing when there are none). A new working effect
    // removes them, and so does a mode switch.
    virtual const void* undoTarget() const { return nullptr; }

    // --- results
    // The working effect's result: nothing without a working effect (the plain picture stands
    // for it), a null image when the effect yields none.
    virtual std::optional<imaging::Image> result() = 0;
    // Why the last result() was a null image, in words for the user; empty when it was not.
    virtual QString resultProblem() const { return {}; }
    // What Apply makes the picture: nothing when Apply was cancelled or refused (the effect then
    // stays for another try), a null image when there is nothing to apply.
    virtual std::optional<imaging::Image> resultForApply() {
        return result().value_or(imaging::Image());
    }

    // --- what the family follows
    // The picture was replaced.
    virtual void pictureChanged() {}
    // The window switched to this family.
    virtual void entered() {}
    // Marks the canvas for redisplay.
    void redraw();

    // --- favourites
    // The preferences key of the family's favourites list.
    virtual QString favouritesKey() const = 0;
    // The highlighted favourite button, if any.
    QPointer<chrome::BaseColoredButton> highlightedFavourite;
    void switchOffFavourite();
    // The family's favourites (FamilyFavourites.cpp), made on first need.
    favourites::FavouritesList& favourites();
    // Adds the working effect with its settings; nothing without a working effect.
    void addFavourite();
    // Removes the favourite of the button; dropping the working effect when it was highlighted.
    void removeFavourite(favourites::onlyTextClosedButton* button);
    // Makes the favourite the working effect, or drops it when it is already highlighted.
    void favouriteClicked(favourites::onlyTextClosedButton* button);
    // Reads the list from the preferences; the list stays when they hold none.
    void readFavourites(QSettings& settings);

  protected:
    // Selection changes made here rather than by the user; selectionChanged ignores them.
    void deselectList();
    void selectListRow(const QModelIndex& row);
    bool m_quietSelection = false;

    // --- what a family's favourites keep and restore
    // The working effect as a favourite: "class", "ToolTipName" and the values restored.
    virtual void fillFavourite(favourites::Favourite& entry) = 0;
    // Why a favourite cannot become the working effect; empty when it can.
    virtual QString whyNotRestorable(const favourites::Favourite& entry) const = 0;
    // Makes the favourite's effect the working effect.
    virtual void restoreFavourite(const favourites::Favourite& entry) = 0;
    // The thumbnail of the working effect's result; null when it has none.
    virtual QImage favouriteThumbnail();
    // The prototype of a stored effect class; none for families that keep no effect objects.
    virtual std::function<const effects::BaseEffect*(const QString&)> prototypeLookup() const {
        return {};
    }
    // Whether a click registers an undo step back to the previous favourite.
    virtual bool undoesFavouriteClicks() const { return false; }

    const Mode m_mode;
    Controller& m_controller;
    FamilyViews m_views;

  private:
    // Sends a favourite click through the controller's operation for the family.
    void clickThroughController(favourites::onlyTextClosedButton* button);
    // Gives the list the family's bar, and the controller for its buttons.
    void bindFavouritesBar();

    std::unique_ptr<favourites::FavouritesList> m_favourites;
};

}  // namespace app
