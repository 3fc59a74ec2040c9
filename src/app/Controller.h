#pragma once
// The hub of the program: owns the picture, knows the current mode (standard filters, 3D
// effects, custom generators), keeps each mode's working effect, answers the menus, keeps the
// window title and the document-changed flag, and asks before quitting.
//
// The class is split over Controller.cpp (document state, modes, menus, lifecycle),
// Controller3D.cpp and ControllerCustom.cpp (the 3D and custom families) and
// ControllerTableDelegates.cpp (the rows of the 3D and custom effect lists).

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>

#include "imaging/Filter.h"
#include "imaging/Image.h"

class QAction;
class QMenu;
class QSlider;
class QStackedWidget;
class QTreeView;
class QWidget;
class QAbstractButton;
class QModelIndex;

namespace foundation {
class Preferences;
class SaveAccessoryView;
class SavePanel;
class UndoManager;
}  // namespace foundation
namespace chrome {
class AboutPanel;
class BaseColoredButton;
}  // namespace chrome
namespace effects {
class BaseEffect;
}
namespace threed {
class EvalEffect;
class MyOGLView;
class ObjectEffect;
}  // namespace threed
namespace generators {
class customEffImageView;
class flareEffect;
class hilbertLinesEffect;
class linesEffect;
class patchWorkEffect;
class patMorphingEffect;
class plasmaEffect;
class simpleEffects;
}  // namespace generators
namespace workbench {
class DataSource;
class MyImageView;
}  // namespace workbench
namespace favourites {
class DocPageControl;
}

namespace app {

class MainWindow;
class EffectListModel;
class ImageInfo;
class ResizePanel;

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
inline const QString kSaveFailedMessage = QStringLiteral("Couldn't save file.");
inline const QString kSaveFailedText = QStringLiteral("File I/O error occured.");
inline const QString kCouldntOpenFile = QStringLiteral("Couldn't open file.");
inline const QString kCouldntPaste = QStringLiteral("Couldn't paste the picture.");
inline const QString kCouldntChangePicture = QStringLiteral("Couldn't change the picture.");
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
}  // namespace act

class Controller : public QObject {
    Q_OBJECT

  public:
    enum class TerminateReply { Now, Cancel };

    explicit Controller(foundation::Preferences& prefs, QObject* parent = nullptr);
    ~Controller() override;

    // Builds the main window, connects the fields to its views and runs awakeFromNib.
    void loadWindow();
    void awakeFromNib();
    MainWindow* window() const { return m_window; }

    // --- accessors
    static Controller* mainController();
    QString getFilePath() const { return _filePath; }
    QMenu* contextMenu() const { return contentMenuOutlet; }
    imaging::Filter* getCurrentFilter() const { return currentFilter.get(); }
    // The working filter as shared with the undo history.
    const std::shared_ptr<imaging::Filter>& currentFilterRef() const { return currentFilter; }
    // Makes `filter` the working standard filter (nothing for none); the list selection and the
    // favourites end here.
    void setCurrentFilter(std::shared_ptr<imaging::Filter> filter);
    imaging::Image backImage() const { return backgroundImage; }
    effects::BaseEffect* getCurrent3DEffect() const { return current3DEffect.get(); }
    effects::BaseEffect* getCurrentCustomEffect() const { return currentCustomEffect.get(); }
    int filerMode() const;
    foundation::UndoManager* undoManager() const;
    bool wasChanged() const { return m_wasChanged; }
    static bool exitAppPending() { return s_exit_app; }
    static void setExitAppPending(bool pending) { s_exit_app = pending; }

    // The default filter pictures' paths, kept at start-up.
    QString texturePath() const { return texturepath; }
    QString shadingEmapPath() const { return shadingemappath; }
    QString alphaEmapPath() const { return alphaemappath; }
    QString rampPath() const { return ramppath; }
    QString maskPath() const { return maskpath; }
    // The default filter pictures, read on first use (nothing when unreadable).
    const imaging::Image& defaultTexture();
    const imaging::Image& defaultShadingEMap();
    const imaging::Image& defaultAlphaEMap();
    const imaging::Image& defaultRamp();
    const imaging::Image& defaultMask();

    // --- actions
    void changeFilterMode(chrome::BaseColoredButton* sender);
    void selectMenuMode(QAction* sender);
    void escapeEffect();
    void undo();
    void redo();
    void saveImg();
    void saveImgAs();
    void runAbout();
    void displayHelp();
    void zoomChanged();
    // Open the panel when it is closed, close it when it is open.
    void showInfoPanel();
    void showResizePanel();

    // --- rendering
    // The picture's extent; the zero rectangle when there is none.
    imaging::Rect getBgImageExtent() const;
    // The picture as a platform image (rendered at its full size; null without picture). The
    // flipped flag is kept as the image's text "flipped" ("1" or "0") for code that draws into
    // it with y down or y up.
    QImage getImage(bool flipped) const;
    // A platform image of an engine picture: its extent rendered at one pixel per unit. Null for
    // no picture, an infinite or empty extent, or one beyond the size limit.
    static QImage imageFromCIImage(const imaging::Image& image);
    // The standard mode's result for a view rectangle: the picture fed into the working filter
    // (as background for compositing filters), a generator's output laid over the picture, and
    // results far larger than the picture cropped to it.
    imaging::Image coreImageResultForRect(const QRectF& rect) const;
    // coreImageResultForRect with the standard canvas's bounds; nothing when the filter lacks an
    // image of its own.
    imaging::Image coreImageResult(bool unused = false) const;
    // The current mode's result (what Copy and Save take): the filter's result, the 3D frame,
    // the generator's picture, or the plain picture. Null without any.
    QImage getEffectedImage() const;
    // getEffectedImage as a straight-alpha sRGB bitmap for the file writers; null without a
    // result. The resolution is not used.
    imaging::Bitmap createObjectImage(float resolution) const;
    // The picture as a packed RGBA bitmap (straight alpha, rows top to bottom) for textures;
    // null on failure.
    imaging::Bitmap getCGImage() const;
    // Whether an image input that needs a picture of its own has none.
    static bool filterHasMissingImage(const imaging::Filter* filter);
    bool hasMissingImage() const { return filterHasMissingImage(currentFilter.get()); }
    // The Apply action (the field applyBtn is its button): makes the current mode's result the
    // picture, undoably, and drops the working effect.
    void applyBtnAction();

    // --- opening and importing
    // The file types the open panel offers beyond the readable extensions, as the program has
    // always listed them (four-character type codes, blanks included).
    static const QStringList& openPanelTypeCodes();
    // The open panel's name filters: every picture the program reads, then all files.
    static QStringList openPanelNameFilters();
    void openImg();
    void openImgPanelDidEnd(int returnCode, const QStringList& files);
    // A file dropped on a canvas: undoable like Paste, and names the window after the file. A
    // file that is not a picture is refused with an alert; false then.
    bool openDroppedFile(const QString& path);
    void setBackgroundImage(const imaging::Image& image);
    void paste();
    // Makes `image` the picture again and registers the opposite step.
    void undoPaste(const imaging::Image& image);
    void copy();

    // --- parameter edits, picture edits and undo
    // Sets a filter input and registers the old value as the undo step.
    void setFilterValueForKey(const std::shared_ptr<imaging::Filter>& filter,
                              const imaging::Value& value, const QString& key);
    // The same for an entry of a dictionary (text parameters).
    void setDictValueForKey(const std::shared_ptr<QVariantMap>& dict, const QVariant& value,
                            const QString& key);
    // Names the last undo step "Change to <filter> <label>".
    void setActionNameForFilterKey(const imaging::Filter* filter, const QString& key);
    static QString actionNameForFilterKey(const imaging::Filter* filter, const QString& key);
    static QString unInterCap1(const QString& s);
    void flipVert() { flipImage(true); }
    void flipHorizont() { flipImage(false); }
    void rotateLeft() { rotateImage(true); }
    void rotateRight() { rotateImage(false); }
    // Mirrors the picture top to bottom (vertical) or left to right.
    void flipImage(bool vertical);
    // Turns the picture a quarter turn to the left (counter-clockwise) or to the right.
    void rotateImage(bool left);
    // Scales the picture to width x height pixels (rounded, at least 1).
    void resizeImageHeight(float width, float height);
    // Moves the zoom slider to show zoom z.
    void setZoom(double z);
    static double sliderValueForZoom(double z);
    static double zoomForSliderValue(double s);
    void updateView();
    void updateLayout();
    void updateMainBtnState();
    void adjustViewsAndTabs();
    void clearAll();
    // Drops a family's working effect (its undo actions, controls and cached pictures) and
    // switches off that family's highlighted favourite.
    void retireEffect(std::unique_ptr<effects::BaseEffect>& effect,
                      QPointer<chrome::BaseColoredButton>& favourite);
    static void switchOff(QPointer<chrome::BaseColoredButton>& favourite);
    void clearAllAndUpdate();
    // --- the standard filters (ControllerFilters.cpp)
    // Builds the filter catalogue as the standard list's rows.
    void installFilterCatalogue();
    // Makes the named filter current with its defaults and builds its panel.
    void addFilterIndex(const QString& name, int tag);
    void updateFilterControls(int tag);
    void clearControls();
    void changeControlsStyle(QWidget* view);
    // Whether the current filter has parameters edited by handles on the canvas.
    bool isControlsPresent() const;
    // Every image input gets the picture.
    void _setupAllImageInputsToNotNil(imaging::Filter* filter) const;
    // The per-filter defaults: textures, shading pictures, ramps, masks, colours, centres.
    void setAutomaticDefaults(imaging::Filter* filter);
    void setFilePath(const QString& path);
    void updateWinTitle();
    QString windowTitleForPath(const QString& path) const;
    int registerMyHelpBook();

    // --- saving (ControllerSave.cpp)
    enum class SaveOutcome {
        Saved,     // written, or nothing to write
        Declined,  // the panel or the replace question was cancelled
        Failed,    // nothing written; the reason is in lastSaveError()
    };
    void runSavePanel();
    void savePanelDidEndReturnCodeContextInfo(foundation::SavePanel& panel, int returnCode,
                                              void* contextInfo = nullptr);
    // Rewrites the picture's own file in the format its extension names.
    SaveOutcome saveExistFile();
    // Fills the save panel's format pop-up with the formats this system can write.
    void initExportFormats();
    // Raster file of the current result; true on success and when there is nothing to write.
    bool simplySaveResolutionPath(int formatIndex, double resolution, const QString& path);
    // One-page PDF of the current result (the resolution plays no part).
    bool createPDFFileResolution(const QString& path, double resolution);
    int formatType() const { return format_type; }
    QString lastSaveError() const { return m_saveError; }

    // --- selection in the effect lists
    void outlineViewSelectionDidChange(QTreeView* outlineView);
    void outlineViewSelectionDidChange_CIF(QTreeView* outlineView);
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
    // Enables every menu item as validateMenuItem says and as far as its feature exists.
    void validateAllMenuItems();
    // Whether a menu item's or button's behaviour exists yet.
    bool isActionAvailable(const QString& action) const { return !m_pending.contains(action); }
    void setActionAvailable(const QString& action, bool available);

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
    // Keys reaching the window: presses are swallowed, releasing Escape drops the working effect.
    bool keyDown(int key);
    bool keyUp(int key);

    // --- test hooks
    // Replaces what quitting does once allowed (default: leave the event loop).
    void setQuitHandler(std::function<void()> handler) { m_quitHandler = std::move(handler); }
    // Replaces how a help page or link is opened (default: the desktop's browser).
    static void setUrlOpener(std::function<bool(const QString& path)> opener);
    void setWasChanged(bool changed) { m_wasChanged = changed; }
    chrome::AboutPanel* aboutWindow() const { return itsAboutWindow; }

    // Fields connected to the window's views.
    QWidget* placeCntrlView = nullptr;
    QSlider* zoomSlider = nullptr;
    QTreeView* listView = nullptr;
    chrome::AboutPanel* itsAboutWindow = nullptr;
    QMenu* contentMenuOutlet = nullptr;
    foundation::SaveAccessoryView* saveObjectOutlet = nullptr;
    QStackedWidget* filterTabView = nullptr;
    QStackedWidget* favoritesTabView = nullptr;
    QStackedWidget* mainTabView = nullptr;
    chrome::BaseColoredButton* standardBtn = nullptr;
    chrome::BaseColoredButton* threeDBtn = nullptr;
    chrome::BaseColoredButton* customBtn = nullptr;
    QAbstractButton* pasteBtn = nullptr;
    QAbstractButton* applyBtn = nullptr;
    threed::MyOGLView* openGLView = nullptr;
    QTreeView* filter3DOutlineView = nullptr;
    favourites::DocPageControl* m_page3DController = nullptr;
    generators::customEffImageView* customEffectsView = nullptr;
    QTreeView* filterCustomOutlineView = nullptr;
    favourites::DocPageControl* m_pageCustomController = nullptr;
    favourites::DocPageControl* m_pageController = nullptr;
    workbench::MyImageView* ciView = nullptr;
    workbench::DataSource* filterCatalogue = nullptr;
    // Hosts of the 3D effects' and the generators' controls.
    QWidget* topControls3DView = nullptr;
    QWidget* topControlsCustomView = nullptr;
    ImageInfo* infoPanel = nullptr;
    ResizePanel* resizePanel = nullptr;

    // The highlighted favourite button of each family (none until the favourites exist).
    QPointer<chrome::BaseColoredButton> m_selectes_FavBtn, m_selectes_FavBtn3D,
        m_selectes_FavBtnCustom;

    // Effect prototypes: rows of the 3D and custom lists.
    std::unique_ptr<threed::EvalEffect> eval3DEffect;
    std::unique_ptr<threed::ObjectEffect> object3DEffect;
    std::unique_ptr<generators::simpleEffects> m_simpleEffect;
    std::unique_ptr<generators::linesEffect> m_lineEffect;
    std::unique_ptr<generators::hilbertLinesEffect> m_hilbertEffect;
    std::unique_ptr<generators::patchWorkEffect> m_patchWorkEffect;
    std::unique_ptr<generators::flareEffect> m_flareEffect;
    std::unique_ptr<generators::plasmaEffect> m_plasmaEffect;
    std::unique_ptr<generators::patMorphingEffect> m_pMorphingEffect;

  Q_SIGNALS:
    // The picture changed (a new one, or none).
    void backgroundImageChanged();

  private:
    // Renders a lazy picture into memory (with a progress panel when that takes long), so that
    // edits never stack up into ever deeper graphs. Null when cancelled or refused (the user has
    // been told why).
    imaging::Image flattened(const imaging::Image& image, const QString& label);
    // Refits the current mode's canvas to the picture (paste, undo of a replacement).
    void refitCanvas();
    // Reads a picture file; shows the alert and returns nothing when it cannot be read.
    imaging::Image readPictureFile(const QString& path);

    void createPrototypes();
    void restoreWindowFrame();
    // The list view's family: 1 for the 3D list, 2 for the custom list, 0 for any other.
    int listFamily(const QTreeView* outlineView) const;
    void resetListModels();
    void deselectAll(QTreeView* view);
    // Writes the current mode's result (createObjectImage) in the format, at the resolution.
    enum class WriteResult { Written, NothingToWrite, Failed, Cancelled };
    WriteResult writeResult(int formatIndex, double resolution, const QString& path);
    SaveOutcome writeAndRecord(int formatIndex, double resolution, const QString& path);
    void finishSave(SaveOutcome outcome);
    double chosenResolution() const;

    foundation::Preferences& m_prefs;
    MainWindow* m_window = nullptr;

    std::unique_ptr<effects::BaseEffect> current3DEffect;
    std::unique_ptr<effects::BaseEffect> currentCustomEffect;
    imaging::Image backgroundImage;
    std::shared_ptr<imaging::Filter> currentFilter;
    imaging::Image texture, shadingemap, alphaemap, ramp, mask;
    QString texturepath, shadingemappath, alphaemappath, ramppath, maskpath;
    QString _filePath;
    bool m_wasChanged = false;
    bool needsUpdate = false;
    int format_type = 0;
    bool m_terminating = false;
    bool m_inSliderUpdate = false;

    QSet<QString> m_pending;
    std::function<void()> m_quitHandler;
    QString m_saveError;
    QString m_saveDirectory;

    static Controller* s_cntrl;
    static bool s_exit_app;

    friend class MainWindow;
};

}  // namespace app
