#pragma once
// Texts the user reads, and the names the menu items and buttons are known by.

#include <QString>

#include "foundation/OpenPanel.h"

namespace app {

// The name the main window's frame is saved under.
inline const QString kFrameName = QStringLiteral("Deverav");

// Texts the user reads.
inline const QString kAppTitle = QStringLiteral("Deverav");
inline const QString kSaveChangesQuestion = QStringLiteral("Do you want to save changes?");
inline const QString kSaveChangesText =
    QStringLiteral("Your changes will be lost if you choose don't save option.");
inline const QString kSavePanelTitle = QStringLiteral("Save Image As:");
inline const QString kReplaceQuestion = QStringLiteral("Do you want to replace an existing file?");
inline const QString kReplaceText = QStringLiteral(
    "A file with the same name is already exists. Replacing it will overwrite its current "
    "contents.");
// The replace question's text when the chosen format gave the typed name another extension.
inline const QString kReplaceNamedText = QStringLiteral(
    "The picture will be saved as “%1”, and a file with that name already exists. Replacing it "
    "will overwrite its current contents.");
inline const QString kSaveFailedMessage = QStringLiteral("Couldn't save file.");
inline const QString kSaveFailedText = QStringLiteral("File I/O error occured.");
using foundation::kCouldntOpenFile;
inline const QString kCouldntPaste = QStringLiteral("Couldn't paste the picture.");
inline const QString kCouldntCopy = QStringLiteral("Couldn't copy the picture.");
inline const QString kCouldntChangePicture = QStringLiteral("Couldn't change the picture.");
inline const QString kCouldntAddFavourite = QStringLiteral("Couldn't add the favourite.");
inline const QString kCouldntAddFavouriteText =
    QStringLiteral("The effect has no result to show as the favourite's thumbnail.");
inline const QString kCouldntSaveFavourites = QStringLiteral("Couldn't save the favourites.");
inline const QString kCouldntSaveFavouritesText = QStringLiteral(
    "The preferences file %1 could not be written. The favourites stored there are unchanged.");
// The undo step name of a parameter change: the filter's display name, then the label.
inline const QString kChangeToFormat = QStringLiteral("Change to %1 %2");

// The actions of menu items and buttons, by the name validateMenuItem knows them by.
namespace act {
inline const QString undo = QStringLiteral("undo:");
inline const QString redo = QStringLiteral("redo:");
inline const QString openImg = QStringLiteral("openImg:");
inline const QString saveImg = QStringLiteral("saveImg:");
inline const QString saveImgAs = QStringLiteral("saveImgAs:");
inline const QString terminate = QStringLiteral("terminate:");
inline const QString copy = QStringLiteral("copy:");
inline const QString paste = QStringLiteral("paste:");
inline const QString escapeEffect = QStringLiteral("escapeEffect:");
inline const QString flipVert = QStringLiteral("flipVert:");
inline const QString flipHorizont = QStringLiteral("flipHorizont:");
inline const QString rotateRight = QStringLiteral("rotateRight:");
inline const QString rotateLeft = QStringLiteral("rotateLeft:");
inline const QString showResizePanel = QStringLiteral("showResizePanel:");
inline const QString showInfoPanel = QStringLiteral("showInfoPanel:");
inline const QString selectMenuMode = QStringLiteral("selectMenuMode:");
inline const QString displayHelp = QStringLiteral("displayHelp:");
inline const QString runAbout = QStringLiteral("runAbout:");
inline const QString applyBtn = QStringLiteral("applyBtn:");
inline const QString zoomIn = QStringLiteral("zoomIn:");
inline const QString zoomOut = QStringLiteral("zoomOut:");
inline const QString zoomToActualSize = QStringLiteral("zoomToActualSize:");
inline const QString zoomToFit = QStringLiteral("zoomToFit:");
inline const QString addFavorites = QStringLiteral("addFavorites:");
}  // namespace act

}  // namespace app
