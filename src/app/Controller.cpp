#include "app/Controller.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHash>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeView>
#include <QUrl>
#include <cmath>

#include "app/EffectListModel.h"
#include "app/ImageInfo.h"
#include "app/MainWindow.h"
#include "app/ResizePanel.h"
#include "chrome/AboutPanel.h"
#include "chrome/BaseColoredButton.h"
#include "chrome/ColorPanel.h"
#include "chrome/KesAlert.h"
#include "effects/BaseEffect.h"
#include "favourites/DocPageControl.h"
#include "foundation/ImageBridge.h"
#include "foundation/Labels.h"
#include "foundation/OpenPanel.h"
#include "foundation/Pasteboard.h"
#include "foundation/Preferences.h"
#include "foundation/Progress.h"
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
#include "imaging/Error.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/NodeKinds.h"
#include "imaging/Resample.h"
#include "imaging/io/ImageIO.h"
#include "imaging/io/QtBitmap.h"
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
    m_pending = {act::saveImgAs, act::showResizePanel, act::showInfoPanel, act::saveImg};
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
    infoPanel = new ImageInfo(this, m_window);
    resizePanel = new ResizePanel(this, m_window);
    // The resize panel always knows the size of the latest picture.
    connect(this, &Controller::backgroundImageChanged, resizePanel, [this] {
        const imaging::Rect r = getBgImageExtent();
        resizePanel->setWHH(r.width, r.height);
    });
    setActionAvailable(act::showInfoPanel, true);
    setActionAvailable(act::showResizePanel, true);

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
    ciView->controller = this;
    auto popUp = [this](const QPoint& at) {
        if (contentMenuOutlet) contentMenuOutlet->popup(at);
    };
    auto menu = [this] { return contextMenu(); };
    ciView->setContextMenuSource(menu);
    auto drop = [this](const QString& path) { return openDroppedFile(path); };
    ciView->setFileDropHandler(drop);
    customEffectsView->setFileDropHandler(drop);
    customEffectsView->setContextMenuSource(menu);
    openGLView->setContextMenuHandler(popUp);
    // The zoom slider follows wheel steps on the canvases.
    for (chrome::ZoomCanvas* canvas : {static_cast<chrome::ZoomCanvas*>(ciView),
                                       static_cast<chrome::ZoomCanvas*>(customEffectsView)})
        connect(canvas, &chrome::ZoomCanvas::zoomStepped, this, [this](double z) { setZoom(z); });

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
    if (const auto saved = m_prefs.frameOnScreens(kFrameName)) {
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
    installFilterCatalogue();

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

// ---------------------------------------------------------------- rendering

namespace {

const std::string kInputImage = "inputImage";
const std::string kInputBackgroundImage = "inputBackgroundImage";
const std::string kInputExtent = "inputExtent";

// Results wider and higher than this many times the picture (generators, tiles) are cut to it.
constexpr double kCropFactor = 1.3;

bool isDrawable(const imaging::Image& image) {
    return image && !image.extent().isInfinite() && !image.extent().isEmpty();
}

// Memory a picture keeps alive once held in memory: four bytes a pixel.
qint64 pictureBytes(const imaging::Image& image) {
    if (!isDrawable(image)) return 0;
    const imaging::Rect e = image.extent();
    return qint64(std::ceil(e.width)) * qint64(std::ceil(e.height)) * 4;
}

imaging::Image movedToOrigin(const imaging::Image& image) {
    if (!image) return {};
    const imaging::Rect e = image.extent();
    if (e.isInfinite()) return image;
    return image.imageByApplyingTransform(imaging::AffineTransform::translation(-e.x, -e.y));
}

// Quarter turns as exact matrices, so that the extent stays on whole pixels.
imaging::AffineTransform quarterTurn(bool left) {
    // Left: (x, y) -> (-y, x), counter-clockwise with y up. Right: (x, y) -> (y, -x).
    return left ? imaging::AffineTransform{0, 1, -1, 0, 0, 0}
                : imaging::AffineTransform{0, -1, 1, 0, 0, 0};
}

QByteArray toByteArray(const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

}  // namespace

imaging::Rect Controller::getBgImageExtent() const {
    return backgroundImage ? backgroundImage.extent() : imaging::Rect{};
}

QImage Controller::imageFromCIImage(const imaging::Image& image) {
    if (!isDrawable(image)) return {};
    return foundation::renderQImage(image, imaging::IRect::cover(image.extent(), 1.0), 1.0);
}

QImage Controller::getImage(bool flipped) const {
    QImage img = imageFromCIImage(backgroundImage);
    if (!img.isNull()) img.setText(QStringLiteral("flipped"), flipped ? "1" : "0");
    return img;
}

imaging::Image Controller::coreImageResultForRect(const QRectF& rect) const {
    imaging::Filter* f = currentFilter.get();
    const imaging::Image& picture = backgroundImage;
    if (!f) return picture;

    bool hasExtent = false, hasImage = false, hasBackground = false;
    for (const imaging::Attribute& a : f->attributes()) {
        if (a.key == kInputExtent && a.className == imaging::kClassVector) hasExtent = true;
        if (a.key == kInputImage) hasImage = true;
        if (a.key == kInputBackgroundImage) hasBackground = true;
    }
    // Compositing filters get the picture as their background; their other image is the one the
    // panel set.
    if (hasImage && picture)
        f->setValue(hasBackground ? kInputBackgroundImage : kInputImage, picture);
    if (hasExtent) f->setValue(kInputExtent, imaging::Vector{0, 0, rect.width(), rect.height()});

    imaging::Image out = f->outputImage();
    if (out && picture) {
        const imaging::Rect oe = out.extent(), pe = picture.extent();
        // Somewhat larger results (blur fringes) stay whole.
        if (oe.width > kCropFactor * pe.width && oe.height > kCropFactor * pe.height)
            out = imaging::crop(out, pe);
    }
    // A filter without an image input is a generator drawn over the picture.
    if (!hasImage && picture) return out ? imaging::sourceOver(out, picture) : picture;
    return out;
}

imaging::Image Controller::coreImageResult(bool) const {
    if (hasMissingImage()) return {};
    // The canvas's bounds, in picture units.
    QRectF bounds;
    if (ciView) {
        const imaging::Rect b = ciView->bounds();
        bounds = QRectF(b.x, b.y, b.width, b.height);
    }
    return coreImageResultForRect(bounds);
}

QImage Controller::getEffectedImage() const {
    switch (filerMode()) {
        case 0:
            if (currentFilter) {
                const imaging::Image result = coreImageResult(false);
                if (result) return imageFromCIImage(result);
            }
            break;
        case 1:
            if (current3DEffect && openGLView) {
                QImage shot = openGLView->ogl_shot();
                if (!shot.isNull()) {
                    shot.setText(QStringLiteral("flipped"), "1");
                    return shot;
                }
            }
            break;
        case 2:
            if (currentCustomEffect) return currentCustomEffect->getDrawImage().copy();
            break;
    }
    return getImage(false);
}

imaging::Bitmap Controller::createObjectImage(float) const {
    return imaging::io::bitmapFromQImage(getEffectedImage());
}

imaging::Bitmap Controller::getCGImage() const {
    try {
        return imaging::io::bitmapFromQImage(getImage(true));
    } catch (const std::exception& e) {
        imaging::log(std::string("picture for the texture: ") + e.what());
        return {};
    }
}

imaging::Image Controller::flattened(const imaging::Image& image, const QString& label) {
    if (!image) return {};
    const imaging::Rect e = image.extent();
    if (e.isInfinite() || e.isEmpty()) {
        chrome::KesAlert::Alert_OKMsgText(
            m_window, kCouldntChangePicture,
            QStringLiteral("The result has no bounds: it would be a picture without end."));
        return {};
    }
    imaging::Bitmap bitmap;
    try {
        const bool done =
            foundation::runWithProgress(m_window, label, [&](const std::atomic<bool>& cancel) {
                imaging::RenderOptions options;
                options.cancel = &cancel;
                bitmap = imaging::Context().renderBitmap(image, e, 1.0, imaging::PixelFormat::RGBA8,
                                                         options);
            });
        if (!done) return {};
    } catch (const imaging::Cancelled&) {
        return {};
    } catch (const std::exception& ex) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntChangePicture,
                                          QString::fromStdString(ex.what()));
        return {};
    }
    return imaging::Image::fromBitmap(bitmap, {std::floor(e.x), std::floor(e.y)});
}

void Controller::applyBtnAction() {
    imaging::Image next;
    switch (filerMode()) {
        case 1:
            if (current3DEffect && openGLView) next = openGLView->ogl_shot_CI();
            break;
        case 2:
            if (currentCustomEffect)
                next = foundation::imageFromQImage(currentCustomEffect->getDrawImage());
            break;
        default:
            if (currentFilter) {
                const imaging::Image result = coreImageResult(false);
                if (result) {
                    // Rendered once here, so that stacked effects never pile up into a graph
                    // that every redraw evaluates again. Cancelled or refused: nothing changes
                    // and the effect stays for another try.
                    next = flattened(movedToOrigin(result), QStringLiteral("Applying the effect…"));
                    if (!next) return;
                }
            }
            break;
    }
    if (next) {
        if (auto* um = undoManager()) {
            const imaging::Image old = backgroundImage;
            um->registerUndoWithTarget(
                this, [this, old] { undoPaste(old); }, {}, pictureBytes(old));
        }
        setBackgroundImage(next);
        m_wasChanged = true;
    }
    clearAllAndUpdate();
}

// ---------------------------------------------------------------- opening and importing

const QStringList& Controller::openPanelTypeCodes() {
    static const QStringList codes = {
        QStringLiteral("tiff"), QStringLiteral("tif "), QStringLiteral("jpeg"),
        QStringLiteral("jpg "), QStringLiteral("png "), QStringLiteral("gif "),
        QStringLiteral("TIFF"), QStringLiteral("TIF "), QStringLiteral("JPEG"),
        QStringLiteral("JPG "), QStringLiteral("PNG "), QStringLiteral("GIF "),
        QStringLiteral("sgi "), QStringLiteral("SGI "), QStringLiteral("pngf"),
        QStringLiteral("qtif"), QStringLiteral("8BPS"), QStringLiteral("BMPf"),
        QStringLiteral("MooV"), QStringLiteral("PICS"), QStringLiteral("SGI "),
        QStringLiteral("8BPS"), QStringLiteral("BMPf"), QStringLiteral("FPix"),
        QStringLiteral("GIFf"), QStringLiteral("JPEG"), QStringLiteral("PNGf"),
        QStringLiteral("PNTG"), QStringLiteral("TIFF"), QStringLiteral("TPIC"),
        QStringLiteral("qdgx"), QStringLiteral("qtif"), QStringLiteral("PICS"),
        QStringLiteral("FLC "), QStringLiteral("SWFL"), QStringLiteral("PDF ")};
    return codes;
}

QStringList Controller::openPanelNameFilters() {
    // File-type codes name formats; here files are known by their extensions.
    static const QHash<QString, QStringList> extensionsOfCode = {
        {QStringLiteral("tiff"), {QStringLiteral("tiff"), QStringLiteral("tif")}},
        {QStringLiteral("tif"), {QStringLiteral("tif")}},
        {QStringLiteral("jpeg"), {QStringLiteral("jpeg"), QStringLiteral("jpg")}},
        {QStringLiteral("jpg"), {QStringLiteral("jpg")}},
        {QStringLiteral("png"), {QStringLiteral("png")}},
        {QStringLiteral("pngf"), {QStringLiteral("png")}},
        {QStringLiteral("gif"), {QStringLiteral("gif")}},
        {QStringLiteral("giff"), {QStringLiteral("gif")}},
        {QStringLiteral("sgi"), {QStringLiteral("sgi"), QStringLiteral("rgb")}},
        {QStringLiteral("8bps"), {QStringLiteral("psd")}},
        {QStringLiteral("bmpf"), {QStringLiteral("bmp")}},
        {QStringLiteral("fpix"), {QStringLiteral("fpx")}},
        {QStringLiteral("pntg"), {QStringLiteral("pntg"), QStringLiteral("mac")}},
        {QStringLiteral("tpic"), {QStringLiteral("tga")}},
        {QStringLiteral("pics"), {QStringLiteral("pict"), QStringLiteral("pct")}},
        {QStringLiteral("qtif"), {QStringLiteral("qtif"), QStringLiteral("qti")}},
        {QStringLiteral("pdf"), {QStringLiteral("pdf")}},
    };
    QStringList readable;
    for (const std::string& ext : imaging::io::readableExtensions())
        readable << QString::fromStdString(ext).toLower();
    QStringList exts = readable;
    // Only types the readers know are offered: a file the panel invites must open.
    for (const QString& code : openPanelTypeCodes())
        for (const QString& ext : extensionsOfCode.value(code.trimmed().toLower()))
            if (readable.contains(ext) && !exts.contains(ext)) exts << ext;
    // The panel matches patterns without regard to case.
    QStringList patterns;
    for (const QString& ext : exts) patterns << QStringLiteral("*.") + ext;
    return {QStringLiteral("Pictures (%1)").arg(patterns.join(QLatin1Char(' '))),
            QStringLiteral("All files (*)")};
}

void Controller::openImg() {
    foundation::OpenPanel::Request request;
    request.nameFilters = openPanelNameFilters();
    foundation::OpenPanel::beginSheetForWindow(m_window, request,
                                               [this](int returnCode, const QStringList& files) {
                                                   openImgPanelDidEnd(returnCode, files);
                                               });
}

imaging::Image Controller::readPictureFile(const QString& path) {
    imaging::Image picture;
    try {
        const bool done = foundation::runWithProgress(
            m_window, QStringLiteral("Opening “%1”…").arg(QFileInfo(path).fileName()),
            [&](const std::atomic<bool>&) {
                picture = imaging::io::readImage(path.toStdString());
            });
        if (!done) return {};
    } catch (const std::exception& e) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntOpenFile,
                                          QString::fromStdString(e.what()));
        return {};
    }
    return picture;
}

void Controller::openImgPanelDidEnd(int returnCode, const QStringList& files) {
    if (returnCode != foundation::OpenPanel::kOK || files.isEmpty()) return;
    const QString file = files.first();
    // Read first: a file that is not a picture leaves the picture, its title and its path.
    const imaging::Image picture = readPictureFile(file);
    if (!picture) return;
    setFilePath(file);
    setBackgroundImage(picture);
}

bool Controller::openDroppedFile(const QString& path) {
    const imaging::Image picture = readPictureFile(path);
    if (!picture) return false;
    setFilePath(path);
    undoPaste(picture);
    return true;
}

void Controller::setBackgroundImage(const imaging::Image& image) {
    backgroundImage = image;
    Q_EMIT backgroundImageChanged();
    // An empty picture has nothing to fit (the fit would divide by zero).
    if (isDrawable(image)) {
        const double w = image.extent().width, h = image.extent().height;
        QWidget* frame = ciView->enclosingScrollView();
        const QSize area = frame ? frame->size() : ciView->size();
        const int sw = ciView->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const double aw = std::max(1, area.width() - sw), ah = std::max(1, area.height() - sw);
        const double z = 1.0 / std::max(w / aw, h / ah);
        setZoom(z);
        ciView->setZoom(z);
        // The custom canvas is fitted too, so that the custom mode opens on the whole picture.
        customEffectsView->setZoom(z);
        if (currentCustomEffect) currentCustomEffect->reloadImage();
    }
    if (current3DEffect) current3DEffect->reloadImage();
    updateView();
}

void Controller::refitCanvas() {
    switch (filerMode()) {
        case 0:
            ciView->setZoom(ciView->getZoom());
            break;
        case 2:
            customEffectsView->setZoom(customEffectsView->getZoom());
            break;
        default:
            break;
    }
}

void Controller::paste() {
    const QByteArray data = foundation::Pasteboard::pictureData();
    if (data.isEmpty()) return;
    imaging::Image picture;
    try {
        picture = imaging::io::imageWithData(std::vector<uint8_t>(data.begin(), data.end()));
    } catch (const std::exception& e) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntPaste,
                                          QString::fromStdString(e.what()));
        return;
    }
    if (!picture) return;
    undoPaste(picture);
}

void Controller::undoPaste(const imaging::Image& image) {
    if (auto* um = undoManager()) {
        const imaging::Image old = backgroundImage;
        um->registerUndoWithTarget(
            this, [this, old] { undoPaste(old); }, {}, pictureBytes(old));
    }
    setBackgroundImage(image);
    refitCanvas();
}

void Controller::copy() {
    const QImage result = getEffectedImage();
    if (result.isNull()) return;
    const imaging::Bitmap bitmap = imaging::io::bitmapFromQImage(result);
    QByteArray tiff, png;
    try {
        tiff = toByteArray(imaging::io::encodeBitmap(bitmap, "tiff"));
        png = toByteArray(imaging::io::encodeBitmap(bitmap, "png"));
    } catch (const std::exception& e) {
        chrome::KesAlert::Alert_OKMsgText(m_window, QStringLiteral("Couldn't copy the picture."),
                                          QString::fromStdString(e.what()));
        return;
    }
    foundation::Pasteboard::writePicture(result, tiff, png);
    updateMainBtnState();
}

// ---------------------------------------------------------------- edits and undo

void Controller::setCurrentFilter(std::shared_ptr<imaging::Filter> filter) {
    currentFilter = std::move(filter);
    updateMainBtnState();
    updateView();
}

void Controller::setFilterValueForKey(const std::shared_ptr<imaging::Filter>& filter,
                                      const imaging::Value& value, const QString& key) {
    if (!filter) return;
    const std::string k = key.toStdString();
    const imaging::Value old = filter->value(k);
    // A refused value (unknown key, wrong kind, not a number) changes nothing to undo.
    if (!filter->setValue(k, value)) return;
    // The history keeps the filter alive, as it keeps old pictures.
    if (auto* um = undoManager())
        um->registerUndoWithTarget(
            this, [this, filter, old, key] { setFilterValueForKey(filter, old, key); });
    updateView();
}

void Controller::setDictValueForKey(const std::shared_ptr<QVariantMap>& dict, const QVariant& value,
                                    const QString& key) {
    if (!dict) return;
    const QVariant old = dict->value(key);
    if (value.isValid())
        dict->insert(key, value);
    else
        dict->remove(key);
    if (auto* um = undoManager())
        um->registerUndoWithTarget(this,
                                   [this, dict, old, key] { setDictValueForKey(dict, old, key); });
    updateView();
}

QString Controller::actionNameForFilterKey(const imaging::Filter* filter, const QString& key) {
    if (!filter) return {};
    QString name = QString::fromStdString(
        imaging::FilterRegistry::shared().localizedNameForFilterName(filter->name()));
    if (name.isEmpty()) name = QString::fromStdString(filter->displayName());
    // Every key begins with "input".
    return kChangeToFormat.arg(name, unInterCap1(key.mid(5)));
}

void Controller::setActionNameForFilterKey(const imaging::Filter* filter, const QString& key) {
    if (auto* um = undoManager()) um->setActionName(actionNameForFilterKey(filter, key));
}

QString Controller::unInterCap1(const QString& s) {
    return foundation::unInterCap(s);
}

void Controller::flipImage(bool vertical) {
    if (!backgroundImage) return;
    imaging::Image flipped = backgroundImage.imageByApplyingTransform(
        vertical ? imaging::AffineTransform::scaling(1, -1)
                 : imaging::AffineTransform::scaling(-1, 1));
    if (!flipped) return;
    flipped = movedToOrigin(flipped);
    if (!flipped) return;
    flipped = flattened(flipped, QStringLiteral("Flipping the picture…"));
    if (!flipped) return;
    // A flip is its own inverse, and exact: undo needs no copy of the picture.
    if (auto* um = undoManager())
        um->registerUndoWithTarget(this, [this, vertical] { flipImage(vertical); });
    setBackgroundImage(flipped);
}

void Controller::rotateImage(bool left) {
    if (!backgroundImage) return;
    imaging::Image turned = backgroundImage.imageByApplyingTransform(quarterTurn(left));
    if (!turned) return;
    turned = movedToOrigin(turned);
    if (!turned) return;
    turned = flattened(turned, QStringLiteral("Turning the picture…"));
    if (!turned) return;
    if (auto* um = undoManager())
        um->registerUndoWithTarget(this, [this, left] { rotateImage(!left); });
    setBackgroundImage(turned);
    customEffectsView->setZoom(customEffectsView->getZoom());
}

void Controller::resizeImageHeight(float width, float height) {
    if (!isDrawable(backgroundImage)) return;
    if (!std::isfinite(width) || !std::isfinite(height)) return;
    const int w = int(std::clamp(std::lround(width), 1L, long(imaging::kMaxSide)));
    const int h = int(std::clamp(std::lround(height), 1L, long(imaging::kMaxSide)));
    imaging::Bitmap bitmap;
    try {
        const bool done = foundation::runWithProgress(
            m_window, QStringLiteral("Resizing the picture…"),
            [&](const std::atomic<bool>& cancel) {
                imaging::RenderOptions options;
                options.cancel = &cancel;
                bitmap = imaging::resampleToBitmap(backgroundImage, w, h, options);
            });
        if (!done) return;
    } catch (const imaging::Cancelled&) {
        return;
    } catch (const std::exception& e) {
        chrome::KesAlert::Alert_OKMsgText(m_window, kCouldntChangePicture,
                                          QString::fromStdString(e.what()));
        return;
    }
    const imaging::Image resized = imaging::Image::fromBitmap(bitmap);
    if (!resized) return;
    // Undo puts the old picture back rather than scaling again, which would blur it.
    if (auto* um = undoManager()) {
        const imaging::Image old = backgroundImage;
        um->registerUndoWithTarget(
            this, [this, old] { undoPaste(old); }, {}, pictureBytes(old));
    }
    setBackgroundImage(resized);
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

void Controller::switchOff(QPointer<chrome::BaseColoredButton>& favourite) {
    if (!favourite) return;
    favourite->setState(0);
    favourite = nullptr;
}

void Controller::retireEffect(std::unique_ptr<effects::BaseEffect>& effect,
                              QPointer<chrome::BaseColoredButton>& favourite) {
    if (effect) {
        if (auto* um = undoManager()) um->removeAllActionsWithTarget(effect.get());
        effect->clearEffect();
        effect.reset();
    }
    switchOff(favourite);
}

void Controller::clearAll() {
    switch (filerMode()) {
        case 0:
            clearControls();
            currentFilter.reset();
            switchOff(m_selectes_FavBtn);
            deselectAll(listView);
            break;
        case 1:
            retireEffect(current3DEffect, m_selectes_FavBtn3D);
            deselectAll(filter3DOutlineView);
            break;
        case 2:
            retireEffect(currentCustomEffect, m_selectes_FavBtnCustom);
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

// ---------------------------------------------------------------- title, help, about

QString Controller::windowTitleForPath(const QString& path) const {
    if (path.isEmpty()) return kAppTitle;
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    return kAppTitle + QStringLiteral("::%1").arg(QFileInfo(p).fileName());
}

void Controller::setFilePath(const QString& path) {
    _filePath = path;
    if (infoPanel) infoPanel->setMyURLLater(path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path));
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

void Controller::showInfoPanel() {
    if (!infoPanel) return;
    if (infoPanel->isVisible())
        infoPanel->performClose();
    else
        infoPanel->makeKeyAndOrderFront();
}

void Controller::showResizePanel() {
    if (!resizePanel) return;
    if (resizePanel->isVisible())
        resizePanel->performClose();
    else
        resizePanel->makeKeyAndOrderFront();
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
    if (a == act::showInfoPanel) return infoPanel ? infoPanel->validateMenuItem(item) : true;
    if (a == act::showResizePanel) return resizePanel ? resizePanel->validateMenuItem(item) : true;
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
