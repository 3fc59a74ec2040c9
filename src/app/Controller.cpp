#include "app/Controller.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QSlider>
#include <QStackedWidget>
#include <QTreeView>
#include <QUrl>

#include "app/CustomFamily.h"
#include "app/HelpBook.h"
#include "app/ImageInfo.h"
#include "app/MainWindow.h"
#include "app/ResizePanel.h"
#include "app/ThreeDFamily.h"
#include "chrome/AboutPanel.h"
#include "chrome/BaseColoredButton.h"
#include "chrome/ColorPanel.h"
#include "chrome/KesAlert.h"
#include "foundation/Labels.h"
#include "foundation/NativeName.h"
#include "foundation/OpenPanel.h"
#include "foundation/Pasteboard.h"
#include "foundation/Preferences.h"
#include "foundation/Resources.h"
#include "foundation/UndoManager.h"
#include "generators/customEffImageView.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/io/ImageIO.h"
#include "imaging/io/QtBitmap.h"
#include "threed/MyOGLView.h"
#include "workbench/MyImageView.h"

#ifndef DEVERAV_VERSION
#define DEVERAV_VERSION "0"
#endif

namespace app {

using foundation::Resources;

Controller* Controller::s_cntrl = nullptr;
bool Controller::s_exit_app = false;

Controller::Controller(foundation::Preferences& prefs, QObject* parent)
    : QObject(parent),
      m_prefs(prefs),
      m_save(*this),
      m_standard(std::make_unique<StandardFamily>(*this)),
      m_threeD(std::make_unique<ThreeDFamily>(*this)),
      m_custom(std::make_unique<CustomFamily>(*this)) {
    m_quitHandler = [] {
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };
    connect(&m_document, &Document::pictureChanged, this, &Controller::pictureChanged);
    connect(&m_document, &Document::filePathChanged, this, [this](const QString& path) {
        if (m_infoPanel)
            m_infoPanel->setMyURLLater(path.isEmpty() ? QUrl()
                                                      : foundation::NativeName::toUrl(path));
        updateWinTitle();
    });
    connect(&m_document, &Document::changedStateChanged, this, [this](bool changed) {
        if (m_window) m_window->setWindowModified(changed);
    });
}

Controller::~Controller() {
    if (s_cntrl == this) s_cntrl = nullptr;
    if (EffectHost::shared() == this) setShared(nullptr);
    // The working effects may hold widgets of the window: they go first.
    m_custom.reset();
    m_threeD.reset();
    m_standard.reset();
    delete m_window;
}

EffectFamily& Controller::family(Mode m) const {
    if (m == Mode::ThreeD) return *m_threeD;
    if (m == Mode::Custom) return *m_custom;
    return *m_standard;
}

void Controller::loadWindow() {
    if (m_window) return;
    m_window = new MainWindow(this);
    m_document.setWindow(m_window);
    m_document.setUndoManager(&m_window->undoManagerObject());
    for (Mode m : kModes) family(m).setViews(m_window->familyViews(m));
    itsAboutWindow = new chrome::AboutPanel(QStringLiteral(DEVERAV_VERSION), m_window);
    itsAboutWindow->setLinkHandler([this] {
        if (itsAboutWindow) itsAboutWindow->hide();
        displayHelp();
    });
    m_infoPanel = new ImageInfo(this, m_window);
    m_resizePanel = new ResizePanel(this, m_window);
    setShared(this);

    m_window->ciView()->controller = m_standard.get();

    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState s) {
                    if (s == Qt::ApplicationActive) applicationDidBecomeActive();
                });
        // The paste button follows the clipboard while the program is active too.
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                [this] { updateMainBtnState(); });
        // Every way out keeps the favourites, not only closing the window.
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { saveFavorites(); });
    }

    // The window has its size before the default picture is fitted into it.
    m_window->restoreFrame(m_prefs.frameOnScreens(kFrameName));
    awakeFromNib();
}

void Controller::awakeFromNib() {
    // The picture the program was started with, else the default picture, fitted to the
    // standard canvas.
    imaging::Image picture;
    if (!m_startFile.isEmpty()) {
        try {
            picture = imaging::io::readImage(foundation::NativeName::toStdString(m_startFile));
        } catch (const std::exception& e) {
            // Reported once the window is up.
            m_startFileProblem = QString::fromStdString(e.what());
        }
    }
    const bool startFileOpened = bool(picture);
    const QString mainImg =
        Resources::pathForResource(QStringLiteral("main_img"), QStringLiteral("jpg"));
    if (!picture && !mainImg.isEmpty()) {
        try {
            picture = imaging::io::readImage(mainImg.toStdString());
        } catch (const std::exception& e) {
            imaging::log(std::string("default picture unreadable: ") + e.what());
        }
    } else if (!picture) {
        imaging::log("default picture main_img.jpg missing from the resources");
    }
    setBackgroundImage(picture);
    m_standard->findDefaultImages();
    // The catalogue is built after the plug-ins, so that it lists their filters too.
    imaging::FilterRegistry::shared().loadAllPlugIns();
    m_standard->installFilterCatalogue();
    chrome::ColorPanel::setShowsAlpha(true);
    initExportFormats();
    readFavorites();
    // No effect is selected in any list.
    for (Mode m : kModes)
        if (QTreeView* v = family(m).views().list; v && v->selectionModel())
            v->selectionModel()->clearSelection();
    s_cntrl = this;
    if (startFileOpened)
        m_document.open(m_startFile, picture);
    else
        setFilePath(QString());
    adjustViewsAndTabs();
    updateMainBtnState();
}

Mode Controller::filerMode() const {
    if (!m_window) return Mode::Standard;
    if (m_window->threeDBtn()->state()) return Mode::ThreeD;
    if (m_window->customBtn()->state()) return Mode::Custom;
    return Mode::Standard;
}

foundation::UndoManager* Controller::undoManager() const {
    return m_window ? &m_window->undoManagerObject() : nullptr;
}

QMenu* Controller::contextMenu() const {
    return m_window ? m_window->contextMenu() : nullptr;
}

// ---------------------------------------------------------------- modes

void Controller::changeFilterMode(chrome::BaseColoredButton* sender) {
    if (!sender || !m_window) return;
    chrome::BaseColoredButton* previous = m_window->modeButton(filerMode());
    if (previous == sender) previous = m_window->standardBtn();
    for (Mode m : kModes) m_window->modeButton(m)->setState(m_window->modeButton(m) == sender);
    if (foundation::UndoManager* um = undoManager()) {
        um->removeAllActionsWithTarget(this);
        um->removeAllActionsWithTarget(&m_document);
        for (Mode m : kModes)
            if (const void* target = family(m).undoTarget()) um->removeAllActionsWithTarget(target);
    }
    adjustViewsAndTabs();
    if (foundation::UndoManager* um = undoManager())
        um->registerUndoWithTarget(this, [this, previous] { changeFilterMode(previous); });
    updateMainBtnState();
}

void Controller::selectMenuMode(QAction* sender) {
    const int tag = sender ? sender->data().toInt() : 0;
    if (tag >= 1 && tag <= 3 && m_window) changeFilterMode(m_window->modeButton(Mode(tag - 1)));
}

void Controller::adjustViewsAndTabs() {
    const Mode m = filerMode();
    m_window->filterTabView()->setCurrentIndex(int(m));
    m_window->favoritesTabView()->setCurrentIndex(int(m));
    m_window->zoomSlider()->setEnabled(m != Mode::ThreeD);
    m_window->openGLView()->setVisible(m == Mode::ThreeD);
    m_window->mainTabView()->setCurrentIndex(int(m));
    if (m == Mode::Standard)
        setZoom(m_window->ciView()->getZoom());
    else
        family(m).entered();
}

// ---------------------------------------------------------------- picture, results, zoom

void Controller::pictureChanged(Document::Change how) {
    if (!m_window) return;
    if (const std::optional<double> z = m_standard->fittingZoom()) {
        setZoom(*z);
        m_window->ciView()->setZoom(*z);
        // The custom canvas is fitted too, so that the custom mode opens on the whole picture.
        custom().canvas()->setZoom(*z);
    }
    custom().pictureChanged();
    threeD().pictureChanged();
    const imaging::Rect r = getBgImageExtent();
    m_resizePanel->setWHH(r.width, r.height);
    updateView();
    // Paste, drops and their undo refit the current mode's canvas; a turn refits the custom one.
    if (how == Document::Change::Replaced) {
        if (chrome::ZoomCanvas* canvas = zoomCanvas()) canvas->setZoom(canvas->getZoom());
    } else if (how == Document::Change::Turned) {
        custom().canvas()->setZoom(custom().canvas()->getZoom());
    }
}

QImage Controller::imageFromCIImage(const imaging::Image& image) {
    try {
        return imaging::io::qImageFromBitmap(Document::exportPixels(image));
    } catch (const std::exception& e) {
        imaging::log(std::string("render failed: ") + e.what());
        return {};
    }
}

QImage Controller::getImage(bool flipped) const {
    QImage img = imageFromCIImage(backImage());
    if (!img.isNull()) img.setText(QStringLiteral("flipped"), flipped ? "1" : "0");
    return img;
}

imaging::Bitmap Controller::getCGImage() const {
    try {
        return Document::exportPixels(backImage());
    } catch (const std::exception& e) {
        imaging::log(std::string("picture for the texture: ") + e.what());
        return {};
    }
}

imaging::Image Controller::effectedPicture() const {
    return family(filerMode()).result().value_or(backImage());
}

imaging::Bitmap Controller::createObjectImage(float) const {
    return m_document.exportBitmap(effectedPicture(), QStringLiteral("Preparing the picture…"));
}

QImage Controller::getEffectedImage() const {
    return imaging::io::qImageFromBitmap(createObjectImage(0));
}

void Controller::applyBtnAction() {
    const std::optional<imaging::Image> next = family(filerMode()).resultForApply();
    // Cancelled or refused: the effect stays for another try.
    if (!next) return;
    m_document.apply(*next);
    clearAllAndUpdate();
}

double Controller::sliderValueForZoom(double z) {
    return z < 1 ? (z - 0.1) * 5 / 0.9 : (z - 1) * 5 / 9 + 5;
}

double Controller::zoomForSliderValue(double s) {
    return s < 5 ? s * 0.9 / 5 + 0.1 : (s - 5) * 9 / 5 + 1;
}

void Controller::setZoom(double z) {
    if (!m_window) return;
    m_inSliderUpdate = true;
    m_window->zoomSlider()->setValue(qRound(sliderValueForZoom(z) * 100));
    m_inSliderUpdate = false;
}

chrome::ZoomCanvas* Controller::zoomCanvas() const {
    if (!m_window || filerMode() == Mode::ThreeD) return nullptr;
    return static_cast<chrome::ZoomCanvas*>(family(filerMode()).views().canvas);
}

chrome::Zoomable* Controller::zoomTarget() const {
    if (m_window && filerMode() == Mode::ThreeD) return m_window->openGLView();
    return zoomCanvas();
}

void Controller::zoomChanged() {
    if (m_inSliderUpdate || !m_window) return;
    const double z = zoomForSliderValue(m_window->zoomSlider()->value() / 100.0);
    if (chrome::ZoomCanvas* canvas = zoomCanvas()) canvas->setZoom(z);
    updateView();
}

void Controller::updateView() {
    family(filerMode()).redraw();
}

// ---------------------------------------------------------------- opening and importing

void Controller::openImg() {
    foundation::OpenPanel::Request request;
    request.nameFilters = openPanelNameFilters();
    foundation::OpenPanel::beginSheetForWindow(
        m_window, request,
        [this](int code, const QStringList& files) { openImgPanelDidEnd(code, files); });
}

bool Controller::openDocument(const QString& path) {
    const imaging::Image picture = m_document.readPictureFile(path);
    if (!picture) return false;
    if (wasChanged()) {
        const int answer = chrome::KesAlert::Alert_DONTSAVECANCELMsgText(
            m_window, kSaveChangesQuestion, kSaveChangesText);
        if (answer == 2) return false;
        if (answer == 1) {
            m_save.saveThen([this, path, picture] { m_document.open(path, picture); });
            return true;
        }
    }
    m_document.open(path, picture);
    return true;
}

void Controller::copy() {
    const imaging::Image result = effectedPicture();
    // An effect that made no picture says why, rather than copying nothing in silence.
    const QString problem = result ? QString() : family(filerMode()).resultProblem();
    if (!problem.isEmpty()) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntCopy, problem);
        return;
    }
    if (m_document.copy(result)) updateMainBtnState();
}

// ---------------------------------------------------------------- working effects

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

void Controller::clearAllAndUpdate() {
    clearAll();
    updateView();
    updateMainBtnState();
}

void Controller::updateMainBtnState() {
    if (!m_window) return;
    m_window->pasteBtn()->setEnabled(foundation::Pasteboard::offersImage());
    m_window->applyBtn()->setEnabled(family(filerMode()).hasWorkingEffect());
    m_window->addFavouriteBtn()->setEnabled(family(filerMode()).hasWorkingEffect());
    validateAllMenuItems();
}

void Controller::outlineViewSelectionDidChange(QTreeView* outlineView) {
    if (!outlineView) return;
    family(filerMode()).selectionChanged(outlineView);
    updateMainBtnState();
    updateView();
}

// ---------------------------------------------------------------- title, help, about, panels

QString Controller::windowTitleForPath(const QString& path) const {
    if (path.isEmpty()) return kAppTitle;
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    return kAppTitle +
           QStringLiteral("::%1").arg(foundation::NativeName::displayName(QFileInfo(p).fileName()));
}

void Controller::updateWinTitle() {
    if (!m_window) return;
    // The placeholder shows the desktop's changed marker while there are unsaved changes.
    m_window->setWindowTitle(windowTitleForPath(getFilePath()) + QStringLiteral("[*]"));
    m_window->setWindowModified(wasChanged());
}

void Controller::displayHelp() {
    help::open(m_window);
}

void Controller::showInfoPanel() {
    if (!m_infoPanel) return;
    if (m_infoPanel->isVisible())
        m_infoPanel->performClose();
    else
        m_infoPanel->makeKeyAndOrderFront();
}

void Controller::showResizePanel() {
    if (!m_resizePanel) return;
    if (m_resizePanel->isVisible())
        m_resizePanel->performClose();
    else
        m_resizePanel->makeKeyAndOrderFront();
}

void Controller::runAbout() {
    if (itsAboutWindow) itsAboutWindow->runOver(m_window);
}

QString Controller::unInterCap1(const QString& s) {
    return foundation::unInterCap(s);
}

}  // namespace app
