#include "app/Controller.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeView>
#include <QUrl>

#include "app/EffectListModel.h"
#include "app/MainWindow.h"
#include "chrome/AboutPanel.h"
#include "chrome/BaseColoredButton.h"
#include "chrome/ColorPanel.h"
#include "chrome/KesAlert.h"
#include "effects/BaseEffect.h"
#include "favourites/DocPageControl.h"
#include "foundation/Pasteboard.h"
#include "foundation/Preferences.h"
#include "foundation/Resources.h"
#include "foundation/SavePanel.h"
#include "foundation/UndoManager.h"
#include "generators/customEffImageView.h"
#include "generators/flareEffect.h"
#include "generators/hilbertLinesEffect.h"
#include "generators/linesEffect.h"
#include "generators/patMorphingEffect.h"
#include "generators/patchWorkEffect.h"
#include "generators/plasmaEffect.h"
#include "generators/simpleEffects.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/io/ImageIO.h"
#include "threed/EvalEffect.h"
#include "threed/MyOGLView.h"
#include "threed/ObjectEffect.h"
#include "workbench/MyImageView.h"

#ifndef DEVERAV_VERSION
#define DEVERAV_VERSION "0"
#endif

namespace app {

using foundation::Resources;

Controller* Controller::s_cntrl = nullptr;
bool Controller::s_exit_app = false;

namespace {
// The name the main window's frame is saved under.
const QString kFrameName = QStringLiteral("Deverav");

std::function<bool(const QString&)>& urlOpener() {
    static std::function<bool(const QString&)> opener = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return opener;
}
}  // namespace

Controller::Controller(foundation::Preferences& prefs, QObject* parent)
    : QObject(parent), m_prefs(prefs) {
    // Menu items and buttons whose behaviour comes with later parts of the program.
    m_pending = {act::openImg,         act::saveImgAs,     act::copy,        act::paste,
                 act::flipVert,        act::flipHorizont,  act::rotateRight, act::rotateLeft,
                 act::showResizePanel, act::showInfoPanel, act::applyBtn,    act::saveImg};
    m_quitHandler = [] {
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };
}

Controller::~Controller() {
    if (s_cntrl == this) s_cntrl = nullptr;
    // The effects may hold widgets of the window; drop them first.
    current3DEffect.reset();
    currentCustomEffect.reset();
    delete m_window;
    delete saveObjectOutlet;
}

Controller* Controller::mainController() {
    return s_cntrl;
}

void Controller::setUrlOpener(std::function<bool(const QString&)> opener) {
    urlOpener() = opener ? std::move(opener) : [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
}

void Controller::createPrototypes() {
    eval3DEffect = std::make_unique<threed::EvalEffect>();
    object3DEffect = std::make_unique<threed::ObjectEffect>();
    m_simpleEffect = std::make_unique<generators::simpleEffects>();
    m_lineEffect = std::make_unique<generators::linesEffect>();
    m_hilbertEffect = std::make_unique<generators::hilbertLinesEffect>();
    m_patchWorkEffect = std::make_unique<generators::patchWorkEffect>();
    m_flareEffect = std::make_unique<generators::flareEffect>();
    m_plasmaEffect = std::make_unique<generators::plasmaEffect>();
    m_pMorphingEffect = std::make_unique<generators::patMorphingEffect>();
    eval3DEffect->awakeFromNib();
    object3DEffect->awakeFromNib();
    m_simpleEffect->awakeFromNib();
    m_lineEffect->awakeFromNib();
    m_hilbertEffect->awakeFromNib();
    m_patchWorkEffect->awakeFromNib();
    m_flareEffect->awakeFromNib();
    m_plasmaEffect->awakeFromNib();
    m_pMorphingEffect->awakeFromNib();
}

void Controller::loadWindow() {
    if (m_window) return;
    createPrototypes();
    m_window = new MainWindow(this);
    itsAboutWindow = new chrome::AboutPanel(QStringLiteral(DEVERAV_VERSION), m_window);
    // Lent to each save panel; outlives the window, which may still hold a panel.
    saveObjectOutlet = new foundation::SaveAccessoryView;
    itsAboutWindow->setLinkHandler([this] {
        if (itsAboutWindow) itsAboutWindow->hide();
        displayHelp();
    });

    for (effects::BaseEffect* e : {static_cast<effects::BaseEffect*>(eval3DEffect.get()),
                                   static_cast<effects::BaseEffect*>(object3DEffect.get())})
        e->setTopControlsView(topControls3DView);
    for (effects::BaseEffect* e : std::initializer_list<effects::BaseEffect*>{
             m_simpleEffect.get(), m_lineEffect.get(), m_hilbertEffect.get(),
             m_patchWorkEffect.get(), m_flareEffect.get(), m_plasmaEffect.get(),
             m_pMorphingEffect.get()})
        e->setTopControlsView(topControlsCustomView);

    auto picture = [this] { return backgroundImage; };
    ciView->setImageSource([this] { return coreImageResult(false); }, picture);
    customEffectsView->setImageSource(picture, picture);
    openGLView->setImageSource(picture);
    auto popUp = [this](const QPoint& at) {
        if (contentMenuOutlet) contentMenuOutlet->popup(at);
    };
    ciView->setContextMenuHandler(popUp);
    customEffectsView->setContextMenuHandler(popUp);
    openGLView->setContextMenuHandler(popUp);

    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState s) {
                    if (s == Qt::ApplicationActive) applicationDidBecomeActive();
                });
        // The paste button follows the clipboard while the program is active too.
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                [this] { updateMainBtnState(); });
    }

    // The window has its size before the default picture is fitted into it.
    restoreWindowFrame();
    awakeFromNib();
}

void Controller::restoreWindowFrame() {
    // First start: most of the screen, all of a small one.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const double share = avail.width() > 1400 ? 0.9 : 1.0;
    QRect frame(0, 0, int(avail.width() * share), int(avail.height() * share));
    frame.setSize(frame.size().expandedTo(m_window->minimumSize()));
    frame.moveCenter(avail.center());
    if (const auto saved = m_prefs.frame(kFrameName)) {
        // A saved frame is used only where a person can still reach the window.
        bool reachable = false;
        for (const QScreen* s : QGuiApplication::screens()) {
            const QRect both = s->availableGeometry().intersected(*saved);
            if (both.width() >= 100 && both.height() >= 100) reachable = true;
        }
        if (reachable)
            frame = QRect(saved->topLeft(), saved->size().expandedTo(m_window->minimumSize()));
    }
    m_window->setGeometry(frame);
    if (QLayout* l = m_window->layout()) l->activate();
    for (QWidget* w : m_window->findChildren<QWidget*>())
        if (w->layout()) w->layout()->activate();
}

void Controller::awakeFromNib() {
    // 1. The default picture, fitted to the standard canvas.
    const QString mainImg =
        Resources::pathForResource(QStringLiteral("main_img"), QStringLiteral("jpg"));
    imaging::Image picture;
    if (!mainImg.isEmpty()) {
        try {
            picture = imaging::io::readImage(mainImg.toStdString());
        } catch (const std::exception& e) {
            imaging::log(std::string("default picture unreadable: ") + e.what());
        }
    } else {
        imaging::log("default picture main_img.jpg missing from the resources");
    }
    setBackgroundImage(picture);

    // 2. The default filter pictures, loaded when a filter first needs them.
    const QString tiff = QStringLiteral("tiff");
    texturepath = Resources::pathForResource(QStringLiteral("smoothtexture"), tiff);
    shadingemappath = Resources::pathForResource(QStringLiteral("lightball"), tiff);
    alphaemappath = Resources::pathForResource(QStringLiteral("restrictedshine"), tiff);
    ramppath = Resources::pathForResource(QStringLiteral("colormap"), tiff);
    maskpath = Resources::pathForResource(QStringLiteral("mask"), tiff);

    // 3. Filter plug-ins. The filter catalogue is built after them, so that it lists their
    // filters too.
    imaging::FilterRegistry::shared().loadAllPlugIns();

    // 4. Colour choosers show an opacity control.
    chrome::ColorPanel::setShowsAlpha(true);

    // 5. The dark grey window at its saved frame (set by loadWindow, before the picture was
    // fitted).

    // 6. The formats the save panel offers.
    initExportFormats();
    setActionAvailable(act::saveImg, true);
    setActionAvailable(act::saveImgAs, true);

    // 8. No effect is selected in any list.
    for (QTreeView* v : {listView, filter3DOutlineView, filterCustomOutlineView}) deselectAll(v);

    // 9.
    s_cntrl = this;

    // 10.
    setFilePath(QString());
    adjustViewsAndTabs();
    updateMainBtnState();
}

void Controller::deselectAll(QTreeView* view) {
    if (view && view->selectionModel()) view->selectionModel()->clearSelection();
}

int Controller::filerMode() const {
    if (threeDBtn && threeDBtn->state()) return 1;
    if (customBtn && customBtn->state()) return 2;
    return 0;
}

foundation::UndoManager* Controller::undoManager() const {
    return m_window ? &m_window->undoManagerObject() : nullptr;
}

// ---------------------------------------------------------------- modes

void Controller::changeFilterMode(chrome::BaseColoredButton* sender) {
    if (!sender) return;
    chrome::BaseColoredButton* previous = standardBtn;
    if (threeDBtn->state() && threeDBtn != sender)
        previous = threeDBtn;
    else if (customBtn->state() && customBtn != sender)
        previous = customBtn;

    for (chrome::BaseColoredButton* b : {standardBtn, threeDBtn, customBtn})
        b->setState(b == sender ? 1 : 0);

    if (foundation::UndoManager* um = undoManager()) {
        um->removeAllActionsWithTarget(this);
        if (current3DEffect) um->removeAllActionsWithTarget(current3DEffect.get());
        if (currentCustomEffect) um->removeAllActionsWithTarget(currentCustomEffect.get());
    }
    adjustViewsAndTabs();
    if (foundation::UndoManager* um = undoManager())
        um->registerUndoWithTarget(this, [this, previous] { changeFilterMode(previous); });
    updateMainBtnState();
}

void Controller::selectMenuMode(QAction* sender) {
    if (!sender) return;
    switch (sender->data().toInt()) {
        case 1:
            changeFilterMode(standardBtn);
            break;
        case 2:
            changeFilterMode(threeDBtn);
            break;
        case 3:
            changeFilterMode(customBtn);
            break;
        default:
            break;
    }
}

void Controller::adjustViewsAndTabs() {
    const int m = filerMode();
    filterTabView->setCurrentIndex(m);
    favoritesTabView->setCurrentIndex(m);
    zoomSlider->setEnabled(m == 0 || m == 2);
    openGLView->setVisible(m == 1);
    mainTabView->setCurrentIndex(m);
    if (m == 1) {
        if (current3DEffect) {
            current3DEffect->reloadImage();
            current3DEffect->setUpControlsView();
        }
    } else if (m == 2) {
        customEffectsView->setZoom(customEffectsView->getZoom());
        setZoom(customEffectsView->getZoom());
    } else {
        setZoom(ciView->getZoom());
    }
}

// ---------------------------------------------------------------- picture and zoom

imaging::Image Controller::coreImageResult(bool) const {
    // Without a working filter the result is the picture itself.
    return backgroundImage;
}

void Controller::setBackgroundImage(const imaging::Image& image) {
    backgroundImage = image;
    Q_EMIT backgroundImageChanged();
    if (!image.isNull() && !image.extent().isInfinite() && !image.extent().isEmpty()) {
        const double w = image.extent().width, h = image.extent().height;
        QWidget* frame = ciView->enclosingScrollView();
        const QSize area = frame ? frame->size() : ciView->size();
        const int sw = ciView->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const double aw = std::max(1, area.width() - sw), ah = std::max(1, area.height() - sw);
        const double s = std::max(w / aw, h / ah);
        const double z = 1.0 / s;
        setZoom(z);
        ciView->setZoom(z);
        // The custom canvas is fitted too, so that the custom mode opens on the whole picture.
        customEffectsView->setZoom(z);
        if (currentCustomEffect) currentCustomEffect->reloadImage();
    }
    if (current3DEffect) current3DEffect->reloadImage();
    updateView();
}

double Controller::sliderValueForZoom(double z) {
    return z < 1 ? (z - 0.1) * 5 / 0.9 : (z - 1) * 5 / 9 + 5;
}

double Controller::zoomForSliderValue(double s) {
    return s < 5 ? s * 0.9 / 5 + 0.1 : (s - 5) * 9 / 5 + 1;
}

void Controller::setZoom(double z) {
    if (!zoomSlider) return;
    m_inSliderUpdate = true;
    zoomSlider->setValue(qRound(sliderValueForZoom(z) * 100));
    m_inSliderUpdate = false;
}

void Controller::zoomChanged() {
    if (m_inSliderUpdate || !zoomSlider) return;
    const double z = zoomForSliderValue(zoomSlider->value() / 100.0);
    const int m = filerMode();
    if (m == 0) ciView->setZoom(z);
    if (m == 2) customEffectsView->setZoom(z);
    updateView();
}

void Controller::updateView() {
    switch (filerMode()) {
        case 1:
            openGLView->update();
            break;
        case 2:
            customEffectsView->update();
            break;
        default:
            ciView->update();
            break;
    }
}

// ---------------------------------------------------------------- working effects

void Controller::clearControls() {
    if (!placeCntrlView) return;
    for (QWidget* w : placeCntrlView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) delete w;
}

void Controller::updateFilterControls(int) {
    // The parameter panel of the working filter is built here once filters can be chosen.
}

void Controller::updateLayout() {
    needsUpdate = true;
    QMetaObject::invokeMethod(this, &Controller::windowDidUpdate, Qt::QueuedConnection);
}

void Controller::windowDidUpdate() {
    if (!needsUpdate) return;
    needsUpdate = false;
    clearControls();
    updateFilterControls(111);
}

void Controller::clearAll() {
    switch (filerMode()) {
        case 0:
            clearControls();
            currentFilter.reset();
            if (m_selectes_FavBtn) {
                m_selectes_FavBtn->setState(0);
                m_selectes_FavBtn = nullptr;
            }
            deselectAll(listView);
            break;
        case 1:
            if (current3DEffect) {
                if (auto* um = undoManager()) um->removeAllActionsWithTarget(current3DEffect.get());
                current3DEffect->clearEffect();
                current3DEffect.reset();
            }
            if (m_selectes_FavBtn3D) {
                m_selectes_FavBtn3D->setState(0);
                m_selectes_FavBtn3D = nullptr;
            }
            deselectAll(filter3DOutlineView);
            break;
        case 2:
            if (currentCustomEffect) {
                if (auto* um = undoManager())
                    um->removeAllActionsWithTarget(currentCustomEffect.get());
                currentCustomEffect->clearEffect();
                currentCustomEffect.reset();
            }
            if (m_selectes_FavBtnCustom) {
                m_selectes_FavBtnCustom->setState(0);
                m_selectes_FavBtnCustom = nullptr;
            }
            deselectAll(filterCustomOutlineView);
            break;
    }
}

void Controller::clearAllAndUpdate() {
    clearAll();
    updateView();
    updateMainBtnState();
}

void Controller::escapeEffect() {
    clearAllAndUpdate();
}

void Controller::updateMainBtnState() {
    if (pasteBtn)
        pasteBtn->setEnabled(foundation::Pasteboard::offersImage() &&
                             isActionAvailable(act::paste));
    if (applyBtn) {
        bool has = false;
        switch (filerMode()) {
            case 0:
                has = bool(currentFilter);
                break;
            case 1:
                has = bool(current3DEffect);
                break;
            case 2:
                has = bool(currentCustomEffect);
                break;
        }
        applyBtn->setEnabled(has && isActionAvailable(act::applyBtn));
    }
    validateAllMenuItems();
}

// ---------------------------------------------------------------- selection

void Controller::outlineViewSelectionDidChange(QTreeView* outlineView) {
    if (!outlineView) return;
    effects::BaseEffect* item = nullptr;
    const QModelIndexList rows = outlineView->selectionModel()
                                     ? outlineView->selectionModel()->selectedRows()
                                     : QModelIndexList();
    if (!rows.isEmpty()) item = outlineViewChildOfItem(outlineView, rows.first().row(), nullptr);
    switch (filerMode()) {
        case 1:
            outlineViewSelectionDidChange_3D(item);
            break;
        case 2:
            outlineViewSelectionDidChange_Custom(item);
            break;
        default:
            outlineViewSelectionDidChange_CIF(outlineView);
            break;
    }
    updateMainBtnState();
    updateView();
}

void Controller::outlineViewSelectionDidChange_CIF(QTreeView*) {
    // The standard list chooses filters once the filter catalogue is in place.
}

// ---------------------------------------------------------------- title, help, about

QString Controller::windowTitleForPath(const QString& path) const {
    if (path.isEmpty()) return kAppTitle;
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    return kAppTitle + QStringLiteral("::%1").arg(QFileInfo(p).fileName());
}

void Controller::setFilePath(const QString& path) {
    _filePath = path;
    // The information panel follows the file once it exists.
    if (m_window) m_window->setWindowTitle(windowTitleForPath(_filePath));
}

void Controller::updateWinTitle() {
    if (m_window) m_window->setWindowTitle(windowTitleForPath(_filePath));
}

int Controller::registerMyHelpBook() {
    // -43: the help page is missing from the resources.
    return Resources::pathForResource(QStringLiteral("main"), QStringLiteral("html")).isEmpty()
               ? -43
               : 0;
}

void Controller::displayHelp() {
    const QString page = Resources::pathForResource(QStringLiteral("main"), QStringLiteral("html"));
    if (page.isEmpty()) {
        chrome::KesAlert::Alert_OKMsgText(m_window,
                                          QStringLiteral("The user guide cannot be found."),
                                          QStringLiteral("Its page main.html is missing from the "
                                                         "program's resources."));
        return;
    }
    if (!urlOpener()(page))
        chrome::KesAlert::Alert_OKMsgText(m_window,
                                          QStringLiteral("The user guide cannot be opened."),
                                          QStringLiteral("No program to show web pages was found. "
                                                         "The guide is the file ") +
                                              page);
}

void Controller::runAbout() {
    if (!itsAboutWindow) return;
    itsAboutWindow->runOver(m_window);
}

// ---------------------------------------------------------------- undo

void Controller::undo() {
    if (auto* um = undoManager()) um->undo();
    updateView();
    updateLayout();
}

void Controller::redo() {
    if (auto* um = undoManager()) um->redo();
    updateView();
    updateLayout();
}

// ---------------------------------------------------------------- menus

bool Controller::validateMenuItem(QAction* item) {
    if (!item) return false;
    const QString a = item->objectName();
    foundation::UndoManager* um = undoManager();
    if (a == act::undo) return um && um->canUndo();
    if (a == act::redo) return um && um->canRedo();
    if (a == act::saveImg) return true;
    if (a == act::copy) return !backgroundImage.isNull();
    if (a == act::paste) {
        const bool offers = foundation::Pasteboard::offersImage();
        if (pasteBtn) pasteBtn->setEnabled(offers && isActionAvailable(act::paste));
        return offers;
    }
    if (a == act::escapeEffect) {
        switch (filerMode()) {
            case 0:
                return bool(currentFilter);
            case 1:
                return bool(current3DEffect);
            default:
                return bool(currentCustomEffect);
        }
    }
    if (a == act::selectMenuMode) {
        item->setChecked(item->data().toInt() - 1 == filerMode());
        return true;
    }
    return true;
}

void Controller::setActionAvailable(const QString& action, bool available) {
    if (available)
        m_pending.remove(action);
    else
        m_pending.insert(action);
    validateAllMenuItems();
}

void Controller::validateAllMenuItems() {
    if (!m_window) return;
    for (QAction* a : m_window->allActions())
        a->setEnabled(validateMenuItem(a) && isActionAvailable(a->objectName()));
    if (foundation::UndoManager* um = undoManager()) {
        m_window->action(act::undo)->setText(um->undoMenuItemTitle());
        m_window->action(act::redo)->setText(um->redoMenuItemTitle());
    }
    if (QWidget* open = m_window->openBtn()) open->setEnabled(isActionAvailable(act::openImg));
}

// ---------------------------------------------------------------- window and application

bool Controller::windowShouldClose() {
    return !m_wasChanged;
}

void Controller::windowWillClose() {
    // The favourites are written here once they exist.
}

void Controller::windowDidResize() {
    for (favourites::DocPageControl* bar :
         {m_pageController, m_page3DController, m_pageCustomController})
        if (bar) bar->liveResizeDone();
    if (ciView) ciView->resizeViewBoundCenter(true, 3);
    if (customEffectsView) customEffectsView->resizeViewBoundCenter(true, 3);
}

Controller::TerminateReply Controller::applicationShouldTerminate() {
    if (s_exit_app || !m_wasChanged) return TerminateReply::Now;
    s_exit_app = false;
    const int answer = chrome::KesAlert::Alert_DONTSAVECANCELMsgText(m_window, kSaveChangesQuestion,
                                                                     kSaveChangesText);
    if (answer == 1) {
        // Saving ends by asking to quit again, which step 1 then grants.
        s_exit_app = true;
        saveImg();
        return TerminateReply::Cancel;
    }
    if (answer == 2) return TerminateReply::Cancel;
    return TerminateReply::Now;
}

void Controller::applicationWillTerminate() {
    if (!m_window) return;
    m_prefs.saveFrame(kFrameName, m_window->isMaximized() || m_window->isFullScreen()
                                      ? m_window->normalGeometry()
                                      : m_window->geometry());
}

void Controller::applicationDidFinishLaunching() {
    updateWinTitle();
    registerMyHelpBook();
}

void Controller::applicationDidBecomeActive() {
    updateMainBtnState();
}

void Controller::terminate() {
    if (applicationShouldTerminate() != TerminateReply::Now) return;
    applicationWillTerminate();
    m_terminating = true;
    if (m_window) m_window->close();
    if (m_quitHandler) m_quitHandler();
}

bool Controller::keyDown(int) {
    return true;
}

bool Controller::keyUp(int key) {
    if (key == Qt::Key_Escape) clearAllAndUpdate();
    return true;
}

}  // namespace app
