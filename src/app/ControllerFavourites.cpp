// The controller's favourites operations: the standard family's, and reading and writing all
// three lists.

#include <QSettings>

#include "app/Controller.h"
#include "app/CustomFamily.h"
#include "app/MainWindow.h"
#include "app/ThreeDFamily.h"
#include "chrome/KesAlert.h"
#include "favourites/FavouritesList.h"
#include "foundation/Preferences.h"
#include "imaging/Log.h"

namespace app {

void Controller::addFavoritesOf(Mode m) {
    family(m).addFavourite();
    updateMainBtnState();
}

void Controller::removeFavorites(favourites::onlyTextClosedButton* button) {
    m_standard->removeFavourite(button);
}

void Controller::removeFavoriteOfCurrentMode(favourites::onlyTextClosedButton* button) {
    switch (filerMode()) {
        case Mode::Standard:
            removeFavorites(button);
            break;
        case Mode::ThreeD:
            removeFavorites3D(button);
            break;
        case Mode::Custom:
            removeFavoritesCustom(button);
            break;
    }
}

void Controller::filterChanged(favourites::onlyTextClosedButton* button) {
    m_standard->favouriteClicked(button);
}

void Controller::readFavoritesCI() {
    m_standard->readFavourites(m_prefs.settings());
}

void Controller::readFavorites() {
    readFavoritesCI();
    readFavorites3D();
    readFavoritesCustom();
}

bool Controller::saveFavorites() {
    QSettings& prefs = m_prefs.settings();
    // A settings object of its own, so that its status tells about this write alone.
    QSettings settings(prefs.fileName(), prefs.format());
    std::vector<favourites::FavouritesList*> written;
    for (Mode m : kModes) {
        favourites::FavouritesList& list = family(m).favourites();
        if (!list.isDirty()) continue;
        list.write(settings);
        written.push_back(&list);
    }
    if (written.empty()) return true;
    // The file is replaced whole, only once it is complete.
    settings.sync();
    if (settings.status() != QSettings::AccessError) return true;
    for (favourites::FavouritesList* list : written) list->markDirty();
    imaging::log("favourites not written: " + settings.fileName().toStdString() +
                 " cannot be replaced");
    if (m_window && m_window->isVisible())
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntSaveFavourites,
                                          kCouldntSaveFavouritesText.arg(settings.fileName()));
    return false;
}

}  // namespace app
