#pragma once
// The hub of the program: it holds the document (the picture), one effect family per mode and
// the save flow, knows the current mode, answers the menus, keeps the window title, and asks
// before quitting. Family-specific work is the families' (EffectFamily.h); the controller's
// operations of the standard family forward to it.
//
// The class is split over Controller.cpp (document, modes, menus, lifecycle), Controller3D.cpp
// and ControllerCustom.cpp (the 3D and custom families' operations) and
// ControllerTableDelegates.cpp (the rows of the 3D and custom effect lists).

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "app/Document.h"
#include "app/EffectFamily.h"
#include "app/HelpBook.h"
#include "app/SaveFlow.h"
#include "app/StandardFamily.h"
#include "app/Texts.h"
#include "effects/EffectHost.h"
#include "favourites/onlyTextClosedButton.h"
#include "foundation/OpenPanel.h"
#include "imaging/Filter.h"
#include "imaging/Image.h"

class QAction;
class QMenu;
class QTreeView;

namespace foundation {
class Preferences;
class SavePanel;
class UndoManager;
}  // namespace foundation
namespace chrome {
class AboutPanel;
class BaseColoredButton;
class ZoomCanvas;
}  // namespace chrome
namespace effects {
class BaseEffect;
}

namespace app {

class MainWindow;
class ImageInfo;
class ResizePanel;
class PrototypeFamily;
class ThreeDFamily;
class CustomFamily;

class Controller : public QObject,
                   public effects::EffectHost,
                   public favourites::FavouritesController {
    Q_OBJECT

  public:
    enum class TerminateReply { Now, Cancel };
    using SaveOutcome = SaveFlow::SaveOutcome;

    explicit Controller(foundation::Preferences& prefs, QObject* parent = nullptr);
    ~Controller() override;

    // A picture file to open at start instead of the default picture (from the command line);
    // one that cannot be read is reported over the default picture once the window is up.
    void setStartFile(const QString& path) { m_startFile = path; }
    // Builds the main window, gives the families their views and runs awakeFromNib.
    void loadWindow();
    void awakeFromNib();
    MainWindow* window() const { return m_window; }

    // --- parts
    Document& document() { return m_document; }
    const Document& document() const { return m_document; }
    EffectFamily& family(Mode m) const;
    StandardFamily& standard() const { return *m_standard; }
    ThreeDFamily& threeD() const { return *m_threeD; }
    CustomFamily& custom() const { return *m_custom; }
    SaveFlow& saveFlow() { return m_save; }
    ImageInfo* infoPanel() const { return m_infoPanel; }
    ResizePanel* resizePanel() const { return m_resizePanel; }
    chrome::AboutPanel* aboutWindow() const { return itsAboutWindow; }

    // --- accessors
    static Controller* mainController() { return s_cntrl; }
    QString getFilePath() const { return m_document.filePath(); }
    QMenu* contextMenu() const override;
    imaging::Filter* getCurrentFilter() const { return m_standard->workingFilter().get(); }
    imaging::Image backImage() const override { return m_document.picture(); }
    effects::BaseEffect* getCurrent3DEffect() const;
    effects::BaseEffect* getCurrentCustomEffect() const;
    Mode filerMode() const;
    foundation::UndoManager* undoManager() const override;
    bool wasChanged() const { return m_document.wasChanged(); }
    void setWasChanged(bool changed) { m_document.setWasChanged(changed); }
    bool isTerminating() const { return m_terminating; }
    static bool exitAppPending() { return s_exit_app; }
    static void setExitAppPending(bool pending) { s_exit_app = pending; }

    // --- actions
    void changeFilterMode(chrome::BaseColoredButton* sender);
    void selectMenuMode(QAction* sender);
    void escapeEffect() { clearAllAndUpdate(); }
    void undo();
    void redo();
    void saveImg() { m_save.saveImg(); }
    void saveImgAs() { m_save.runSavePanel(); }
    void runAbout();
    void displayHelp();
    void zoomChanged();
    // Open the panel when it is closed, close it when it is open.
    void showInfoPanel();
    void showResizePanel();

    // --- rendering
    // The picture's extent; the zero rectangle when there is none.
    imaging::Rect getBgImageExtent() const { return m_document.extent(); }
    // The picture as a platform image at its full size (null without picture), with the
    // flipped flag as the image's text "flipped" ("1" or "0").
    QImage getImage(bool flipped) const override;
    // A platform image of an engine picture: its extent at one pixel per unit. Null for no
    // picture, an infinite or empty extent, or one beyond the size limit.
    static QImage imageFromCIImage(const imaging::Image& image);
    imaging::Image coreImageResultForRect(const QRectF& rect) const {
        return m_standard->coreImageResultForRect(rect);
    }
    imaging::Image coreImageResult(bool = false) const { return m_standard->coreImageResult(); }
    // The current mode's result (what Copy and Save take): the filter's result, the 3D frame,
    // the generator's picture, or the plain picture. Null without any.
    QImage getEffectedImage() const;
    // getEffectedImage as straight 8-bit RGBA for the clipboard and the file writers, rendered
    // off the event loop's thread; null without a result. The resolution is not used.
    imaging::Bitmap createObjectImage(float resolution) const;
    // The picture as a packed RGBA bitmap (straight alpha, rows top to bottom) for textures.
    imaging::Bitmap getCGImage() const override;
    bool hasMissingImage() const { return m_standard->hasMissingImage(); }
    // The Apply action (the field applyBtn is its button): makes the current mode's result the
    // picture, undoably, and drops the working effect.
    void applyBtnAction();

    // --- opening and importing
    static QStringList openPanelNameFilters() {
        return foundation::OpenPanel::pictureNameFilters();
    }
    void openImg();
    void openImgPanelDidEnd(int returnCode, const QStringList& files) {
        if (returnCode == foundation::OpenPanel::kOK && !files.isEmpty())
            openDocument(files.first());
    }
    // A file dropped on a canvas is opened as from the open panel.
    bool openDroppedFile(const QString& path) { return openDocument(path); }
    // Opens a picture file in place of the picture. A file that is not a picture is refused
    // with an alert. Over unsaved changes the quit question comes first: "Save..." saves and
    // then opens, "Cancel" opens nothing. False when nothing was or will be opened.
    bool openDocument(const QString& path);
    // Makes `image` the picture and brings the canvases, the zoom and the effects up to date.
    void setBackgroundImage(const imaging::Image& image) { m_document.setPicture(image); }
    void paste() { m_document.paste(); }
    // Makes `image` the picture again and registers the opposite step.
    void undoPaste(const imaging::Image& image) { m_document.undoPaste(image); }
    void copy();

    // --- parameter edits, picture edits and undo
    void setFilterValueForKey(const std::shared_ptr<imaging::Filter>& filter,
                              const imaging::Value& value, const QString& key) {
        m_standard->setFilterValueForKey(filter, value, key);
    }
    void setDictValueForKey(const std::shared_ptr<QVariantMap>& dict, const QVariant& value,
                            const QString& key) {
        m_standard->setDictValueForKey(dict, value, key);
    }
    void setActionNameForFilterKey(const imaging::Filter* filter, const QString& key) {
        m_standard->setActionNameForFilterKey(filter, key);
    }
    static QString actionNameForFilterKey(const imaging::Filter* filter, const QString& key) {
        return StandardFamily::actionNameForFilterKey(filter, key);
    }
    static QString unInterCap1(const QString& s);
    void flipVert() { flipImage(true); }
    void flipHorizont() { flipImage(false); }
    void rotateLeft() { rotateImage(true); }
    void rotateRight() { rotateImage(false); }
    void flipImage(bool vertical) { m_document.flipImage(vertical); }
    void rotateImage(bool left) { m_document.rotateImage(left); }
    void resizeImageHeight(float width, float height) {
        m_document.resizeImageHeight(width, height);
    }
    // The current mode's zooming canvas; nothing in the 3D mode.
    chrome::ZoomCanvas* zoomCanvas() const;
    // Moves the zoom slider to show zoom z.
    void setZoom(double z);
    static double sliderValueForZoom(double z);
    static double zoomForSliderValue(double s);
    void updateView();
    void updateLayout();
    void updateMainBtnState();
    void adjustViewsAndTabs();
    void clearAll() { family(filerMode()).clearAll(); }
    void clearAllAndUpdate();

    // --- the standard family's operations
    void addFilterIndex(const QString& name, int tag) { m_standard->addFilterIndex(name, tag); }
    void updateFilterControls(int tag) { m_standard->updateFilterControls(tag); }
    void clearControls() { m_standard->clearControls(); }
    bool isControlsPresent() const { return m_standard->isControlsPresent(); }
    void outlineViewSelectionDidChange_CIF(QTreeView* outlineView) {
        m_standard->selectionChanged(outlineView);
    }

    void setFilePath(const QString& path) { m_document.setFilePath(path); }
    void updateWinTitle();
    QString windowTitleForPath(const QString& path) const;
    // -43 when the guide is missing from the resources.
    int registerMyHelpBook() const { return help::pagePath().isEmpty() ? -43 : 0; }

    // --- saving (SaveFlow)
    void runSavePanel() { m_save.runSavePanel(); }
    SaveOutcome saveExistFile() { return m_save.saveExistFile(); }
    void initExportFormats() { m_save.initExportFormats(); }
    bool simplySaveResolutionPath(int formatIndex, double resolution, const QString& path) {
        return m_save.simplySaveResolutionPath(formatIndex, resolution, path);
    }
    bool createPDFFileResolution(const QString& path, double resolution) {
        return m_save.createPDFFileResolution(path, resolution);
    }

    // --- favourites (ControllerFavourites.cpp and the 3D and custom files)
    void addFavorites() { addFavoritesOf(Mode::Standard); }
    void addFavorites3D();
    void addFavoritesCustom();
    // The add button and menu item: the current mode's.
    void addFavoritesOfCurrentMode() { addFavoritesOf(filerMode()); }
    void removeFavorites(favourites::onlyTextClosedButton* button);
    void removeFavorites3D(favourites::onlyTextClosedButton* button);
    void removeFavoritesCustom(favourites::onlyTextClosedButton* button);
    // A favourite's close box: the favourite of the current mode's list.
    void removeFavoriteOfCurrentMode(favourites::onlyTextClosedButton* button) override;
    void filterChanged(favourites::onlyTextClosedButton* button);
    void filterChanged3D(favourites::onlyTextClosedButton* button);
    void filterChangedCustom(favourites::onlyTextClosedButton* button);
    void readFavoritesCI();
    void readFavorites3D();
    void readFavoritesCustom();
    void readFavorites();
    // Writes the lists changed since they were read or written, atomically: a write that fails
    // leaves the stored lists as they were, is logged, said in an alert while the window is
    // open, and is tried again at the next write. False then.
    bool saveFavorites();

    // --- selection in the effect lists
    void outlineViewSelectionDidChange(QTreeView* outlineView);
    void outlineViewSelectionDidChange_3D(effects::BaseEffect* item);
    void outlineViewSelectionDidChange_Custom(effects::BaseEffect* item);

    // --- list data of the 3D and custom lists (an item is a prototype, or nothing)
    int outlineViewNumberOfChildrenOfItem(const QTreeView* outlineView,
                                          const effects::BaseEffect* item) const;
    effects::BaseEffect* outlineViewChildOfItem(const QTreeView* outlineView, int index,
                                                const effects::BaseEffect* item) const;
    // Column "0": the marker image or nothing; other columns: the row's name.
    QVariant outlineViewObjectValueForTableColumnByItem(const QTreeView* outlineView,
                                                        const QString& column,
                                                        const effects::BaseEffect* item) const;
    bool outlineViewIsItemExpandable(const QTreeView*, const effects::BaseEffect*) const {
        return false;
    }
    bool outlineViewShouldEditTableColumnItem(const QTreeView*, const QString&,
                                              const effects::BaseEffect*) const {
        return false;
    }

    // --- menus
    bool validateMenuItem(QAction* item);
    // Enables every menu item as validateMenuItem says.
    void validateAllMenuItems();

    // --- window and application delegate
    bool windowShouldClose();
    void windowWillClose();
    void windowDidResize();
    void windowDidUpdate();
    TerminateReply applicationShouldTerminate();
    void applicationWillTerminate();
    void applicationDidFinishLaunching();
    void applicationDidBecomeActive();
    // The Quit command: asks applicationShouldTerminate and quits when allowed.
    void terminate();
    // Keys reaching the window (none that a menu, dialog or text field took): they are
    // swallowed, and pressing Escape drops the working effect.
    bool keyDown(int key);
    bool keyUp(int key);

    // --- test hooks
    // Replaces what quitting does once allowed (default: leave the event loop).
    void setQuitHandler(std::function<void()> handler) { m_quitHandler = std::move(handler); }
    // Replaces how a help page or link is opened (default: the desktop's browser).
    static void setUrlOpener(std::function<bool(const QString& path)> opener) {
        help::setUrlOpener(std::move(opener));
    }

  private:
    void addFavoritesOf(Mode m);
    // The canvases, the zoom and the effects follow a new picture.
    void pictureChanged(Document::Change how);
    // The family whose list this is; nothing for the standard list or another view.
    PrototypeFamily* listFamily(const QTreeView* outlineView) const;
    // The current mode's result as an engine picture (the plain picture without an effect).
    imaging::Image effectedPicture() const;

    foundation::Preferences& m_prefs;
    MainWindow* m_window = nullptr;
    Document m_document;
    SaveFlow m_save;
    std::unique_ptr<StandardFamily> m_standard;
    std::unique_ptr<ThreeDFamily> m_threeD;
    std::unique_ptr<CustomFamily> m_custom;
    chrome::AboutPanel* itsAboutWindow = nullptr;
    ImageInfo* m_infoPanel = nullptr;
    ResizePanel* m_resizePanel = nullptr;
    bool needsUpdate = false;
    bool m_terminating = false;
    bool m_inSliderUpdate = false;
    QString m_startFile;
    // Why the start file could not be read; empty when it was, or when there is none.
    QString m_startFileProblem;
    std::function<void()> m_quitHandler;

    static Controller* s_cntrl;
    static bool s_exit_app;
};

}  // namespace app
