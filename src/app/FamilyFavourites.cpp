// The favourites of the effect families: adding the working effect, removing, clicking, reading
// (EffectFamily), and what each family keeps in a favourite and restores from it.

#include <QItemSelectionModel>
#include <QSettings>
#include <QSignalBlocker>
#include <QTreeView>
#include <cmath>

#include "app/Controller.h"
#include "app/CustomFamily.h"
#include "app/EffectFamily.h"
#include "app/MainWindow.h"
#include "app/PrototypeFamily.h"
#include "app/StandardFamily.h"
#include "app/Texts.h"
#include "chrome/KesAlert.h"
#include "favourites/DocPageControl.h"
#include "favourites/FavouriteValues.h"
#include "favourites/FavouritesList.h"
#include "foundation/UndoManager.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"

namespace app {

using favourites::Favourite;
using favourites::onlyTextClosedButton;

namespace {

void logFavourite(const QString& what) {
    imaging::log(QStringLiteral("favourite: %1").arg(what).toStdString());
}

onlyTextClosedButton* favouriteButton(chrome::BaseColoredButton* b) {
    return qobject_cast<onlyTextClosedButton*>(b);
}

}  // namespace

// ---------------------------------------------------------------- every family

void EffectFamily::setViews(const FamilyViews& views) {
    m_views = views;
    if (m_favourites) bindFavouritesBar();
}

favourites::FavouritesList& EffectFamily::favourites() {
    if (!m_favourites) {
        m_favourites =
            std::make_unique<favourites::FavouritesList>(favouritesKey(), prototypeLookup());
        bindFavouritesBar();
    }
    return *m_favourites;
}

void EffectFamily::bindFavouritesBar() {
    m_favourites->setBar(m_views.favouritesBar, &m_controller,
                         [this](onlyTextClosedButton* b) { clickThroughController(b); });
}

void EffectFamily::clickThroughController(onlyTextClosedButton* button) {
    switch (m_mode) {
        case Mode::Standard:
            m_controller.filterChanged(button);
            break;
        case Mode::ThreeD:
            m_controller.filterChanged3D(button);
            break;
        case Mode::Custom:
            m_controller.filterChangedCustom(button);
            break;
    }
}

QImage EffectFamily::favouriteThumbnail() {
    const std::optional<imaging::Image> r = result();
    if (!r || r->isNull()) return {};
    return favourites::thumbnailOf(*r, m_controller.getBgImageExtent());
}

void EffectFamily::addFavourite() {
    if (!hasWorkingEffect()) return;
    const QImage thumbnail = favouriteThumbnail();
    if (thumbnail.isNull()) {
        chrome::KesAlert::Alert_OKMsgText(m_controller.window(), kCouldntAddFavourite,
                                          kCouldntAddFavouriteText);
        return;
    }
    Favourite entry;
    fillFavourite(entry);
    entry.button = favourites().makeButton(
        thumbnail, entry.values.value(favourites::kToolTipNameKey).toString());
    favourites().append(std::move(entry));
}

void EffectFamily::removeFavourite(onlyTextClosedButton* button) {
    if (!button) return;
    if (!favourites().find(button)) {
        if (favourites().isEmpty()) highlightedFavourite = nullptr;
        return;
    }
    if (highlightedFavourite == button) clearAll();
    favourites().remove(button);
    redraw();
    m_controller.updateMainBtnState();
    if (favourites().isEmpty()) highlightedFavourite = nullptr;
}

void EffectFamily::favouriteClicked(onlyTextClosedButton* button) {
    const bool second = button == highlightedFavourite.data();
    const Favourite* entry = button ? favourites().find(button) : nullptr;
    if (button && !second) {
        // A favourite that cannot be restored changes nothing.
        const QString why = entry ? whyNotRestorable(*entry) : QStringLiteral("is not in the list");
        if (!why.isEmpty()) {
            logFavourite(QStringLiteral("\"%1\" %2").arg(button->toolTip(), why));
            return;
        }
    }
    if (undoesFavouriteClicks())
        if (foundation::UndoManager* um = m_controller.undoManager())
            um->registerUndoWithTarget(
                &m_controller, [this, previous = QPointer(favouriteButton(highlightedFavourite))] {
                    clickThroughController(previous);
                });
    if (!second) {
        // Quietly: the list's own reaction would drop the working effect that the restoring
        // replaces (and that its undo step brings back).
        if (QTreeView* list = m_views.list; list && list->selectionModel()) {
            const QSignalBlocker quiet(list->selectionModel());
            list->selectionModel()->clearSelection();
            list->viewport()->update();
        }
        if (!button) {
            clearAll();
        } else {
            restoreFavourite(*entry);
            switchOffFavourite();
            highlightedFavourite = button;
            if (favourites::DocPageControl* bar = m_views.favouritesBar)
                bar->adjustVisibility(
                    int(std::floor((button->x() + 17.0) / favourites::DocPageControl::kPitch)));
            // The change counts through the undo step the restoring registered.
            button->setState(1);
        }
    } else {
        clearAll();
        switchOffFavourite();
    }
    redraw();
    m_controller.updateMainBtnState();
}

void EffectFamily::readFavourites(QSettings& settings) {
    favourites().read(settings);
}

// ---------------------------------------------------------------- standard filters

void StandardFamily::fillFavourite(Favourite& entry) {
    const imaging::Filter& f = *m_filter;
    entry.values.insert(favourites::kClassKey, QString::fromStdString(f.name()));
    QString tip = QString::fromStdString(
        imaging::FilterRegistry::shared().localizedNameForFilterName(f.name()));
    if (tip.isEmpty()) tip = QString::fromStdString(f.displayName());
    if (!tip.isEmpty()) entry.values.insert(favourites::kToolTipNameKey, tip);
    for (const imaging::Attribute& a : f.attributes()) {
        const imaging::Value v = f.value(a.key);
        // The picture is fed again when the favourite is clicked; it is no setting.
        if (v.kind() == imaging::Value::Kind::Image &&
            (v.toImage() == picture() || v.toImage() == m_fedPicture))
            continue;
        const QVariant stored = favourites::storedFromValue(v);
        if (stored.isValid()) entry.values.insert(QString::fromStdString(a.key), stored);
    }
}

QString StandardFamily::whyNotRestorable(const Favourite& entry) const {
    const QString name = entry.values.value(favourites::kClassKey).toString();
    if (name.isEmpty()) return QStringLiteral("names no filter");
    if (!imaging::FilterRegistry::shared().filterWithName(name.toStdString()))
        return QStringLiteral("names the filter %1, which is not installed").arg(name);
    return {};
}

void StandardFamily::restoreFavourite(const Favourite& entry) {
    // Undo brings back the filter the click replaced, with its settings and its favourite.
    if (foundation::UndoManager* um = m_controller.undoManager())
        um->registerUndoWithTarget(
            &m_controller,
            [this, previous = m_filter, button = highlightedFavourite,
             row = QPersistentModelIndex(m_row)] { restoreWorkingFilter(previous, button, row); });
    clearControls();
    addFilterIndex(entry.values.value(favourites::kClassKey).toString(), 0);
    if (!m_filter) return;
    for (const imaging::Attribute& a : m_filter->attributes()) {
        const auto it = entry.values.constFind(QString::fromStdString(a.key));
        if (it == entry.values.constEnd()) continue;
        const imaging::Value v = favourites::valueFromStored(*it);
        // The same setter as the panel's rows: refused values change nothing, numbers are
        // clamped to the input's limits.
        if (!v.isNone()) setFilterValueForKey(m_filter, v, QString::fromStdString(a.key));
    }
    // The rows show the favourite's values, not those the filter was made with.
    clearControls();
    updateFilterControls(0);
}

void StandardFamily::restoreWorkingFilter(std::shared_ptr<imaging::Filter> filter,
                                          QPointer<chrome::BaseColoredButton> button,
                                          const QModelIndex& row) {
    if (foundation::UndoManager* um = m_controller.undoManager())
        um->registerUndoWithTarget(&m_controller,
                                   [this, current = m_filter, highlighted = highlightedFavourite,
                                    now = QPersistentModelIndex(m_row)] {
                                       restoreWorkingFilter(current, highlighted, now);
                                   });
    switchOffFavourite();
    clearControls();
    m_filter = std::move(filter);
    // Later steps of this filter go with it when another filter is made.
    m_historyFilter = m_filter;
    m_row = row;
    selectListRow(row);
    updateFilterControls(0);
    if (button) {
        button->setState(1);
        highlightedFavourite = button;
    }
    m_controller.updateMainBtnState();
    updateView();
}

// ---------------------------------------------------------------- 3D effects and generators

void PrototypeFamily::fillFavourite(Favourite& entry) {
    entry.effect = workingEffect()->mycopy();
    if (!entry.effect->tips().isEmpty())
        entry.values.insert(favourites::kToolTipNameKey, entry.effect->tips());
}

QString PrototypeFamily::whyNotRestorable(const Favourite& entry) const {
    if (entry.effect) return {};
    const QVariant stored = entry.values.value(favourites::kClassObjKey);
    if (stored.isValid())
        return QStringLiteral("is an effect of class %1, which this program does not have")
            .arg(stored.toMap().value(favourites::kClassKey).toString());
    return QStringLiteral("holds no effect");
}

void PrototypeFamily::restoreFavourite(const Favourite& entry) {
    // All the favourite's settings, not only those its class's copy carries.
    const effects::EffectSettings settings = entry.effect->save();
    select(entry.effect.get(), &settings);
}

std::function<const effects::BaseEffect*(const QString&)> PrototypeFamily::prototypeLookup() const {
    return
        [this](const QString& name) -> const effects::BaseEffect* { return prototypeNamed(name); };
}

}  // namespace app
