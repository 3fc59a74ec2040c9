#include "app/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/Controller.h"
#include "app/EffectListModel.h"
#include "app/Texts.h"
#include "chrome/BaseColoredButton.h"
#include "chrome/BaseColoredTextButton.h"
#include "chrome/Skin.h"
#include "favourites/DocPageControl.h"
#include "foundation/Resources.h"
#include "generators/customEffImageView.h"
#include "threed/MyOGLView.h"
#include "workbench/MyImageView.h"

namespace app {

namespace {

using foundation::Resources;

constexpr int kLeftPaneWidth = 320;
constexpr int kControlsMinWidth = 300, kControlsMinHeight = 240;
constexpr int kFavouritesHeight = 74;

QTreeView* makeList(const QString& name) {
    auto* v = new QTreeView;
    v->setObjectName(name);
    v->setHeaderHidden(true);
    v->setRootIsDecorated(false);
    v->setUniformRowHeights(true);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setFrameShape(QFrame::NoFrame);
    v->setIconSize(QSize(16, 16));
    v->setAlternatingRowColors(true);
    return v;
}

// A controls host under an effect list: at least 300 × 240 points, growing with the window.
QWidget* makeControlsArea(const QString& name, QWidget** host) {
    auto* scroll = new QScrollArea;
    scroll->setObjectName(name + QStringLiteral("Scroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumSize(kControlsMinWidth, kControlsMinHeight);
    auto* inner = new QWidget;
    inner->setObjectName(name);
    inner->setAutoFillBackground(true);
    QPalette p = inner->palette();
    p.setColor(QPalette::Window, chrome::panelGrey());
    inner->setPalette(p);
    scroll->setWidget(inner);
    *host = inner;
    return scroll;
}

QLabel* sectionTitle(const QString& text) {
    auto* l = new QLabel(text);
    QFont f = l->font();
    f.setPixelSize(11);
    f.setBold(true);
    f.setCapitalization(QFont::AllUppercase);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    l->setFont(f);
    l->setContentsMargins(6, 6, 0, 2);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0x9a, 0x9a, 0x9a));
    l->setPalette(p);
    return l;
}

chrome::BaseColoredButton* makeModeButton(const QString& image, const QString& tip) {
    auto* b = new chrome::BaseColoredButton;
    b->setImage(Resources::imageNamed(image + QStringLiteral("_off")));
    b->setAlternateImage(Resources::imageNamed(image + QStringLiteral("_on")));
    b->setFixedSize(100, 44);
    b->setToolTip(tip);
    return b;
}

chrome::BaseColoredTextButton* makeToolButton(const QString& title, const QString& tip) {
    auto* b = new chrome::BaseColoredTextButton;
    b->setText(title);
    b->setToolTip(tip);
    b->setImage(Resources::imageNamed(QStringLiteral("off_96")));
    b->setAlternateImage(Resources::imageNamed(QStringLiteral("on_96")));
    b->setFixedSize(84, 30);
    return b;
}

QScrollArea* canvasScroll(QWidget* canvas, const QString& name) {
    auto* s = new QScrollArea;
    s->setObjectName(name);
    s->setWidgetResizable(false);
    s->setFrameShape(QFrame::NoFrame);
    s->setAlignment(Qt::AlignCenter);
    s->setBackgroundRole(QPalette::Dark);
    s->setWidget(canvas);
    return s;
}

}  // namespace

MainWindow::MainWindow(Controller* controller) : m_controller(controller) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(kAppTitle);
    setPalette(chrome::darkPalette());
    setAutoFillBackground(true);
    const QImage icon = Resources::imageNamed(QStringLiteral("app"));
    if (!icon.isNull()) setWindowIcon(QPixmap::fromImage(icon));

    buildMenus();

    auto* central = new QWidget;
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(buildLeftPane());
    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::VLine);
    rule->setFixedWidth(1);
    rule->setAutoFillBackground(true);
    QPalette rp = rule->palette();
    rp.setColor(QPalette::Window, QColor(0x22, 0x22, 0x24));
    rule->setPalette(rp);
    row->addWidget(rule);
    row->addWidget(buildRightPane(), 1);
    setCentralWidget(central);
    setMinimumSize(800, 560);

    connect(&m_undo, &foundation::UndoManager::changed, controller,
            [controller] { controller->validateAllMenuItems(); });
}

QAction* MainWindow::makeAction(const QString& name, const QString& title,
                                const QKeySequence& key) {
    auto* a = new QAction(title, this);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    m_actions.insert(name, a);
    return a;
}

void MainWindow::restoreFrame(const std::optional<QRect>& saved) {
    // First start: most of the screen, all of a small one.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const double share = avail.width() > 1400 ? 0.9 : 1.0;
    QRect frame(0, 0, int(avail.width() * share), int(avail.height() * share));
    frame.setSize(frame.size().expandedTo(minimumSize()));
    frame.moveCenter(avail.center());
    if (saved) {
        bool reachable = false;
        for (const QScreen* s : QGuiApplication::screens()) {
            const QRect both = s->availableGeometry().intersected(*saved);
            if (both.width() >= 100 && both.height() >= 100) reachable = true;
        }
        if (reachable) frame = QRect(saved->topLeft(), saved->size().expandedTo(minimumSize()));
    }
    setGeometry(frame);
    // Laid out now, so that a picture is fitted to the canvases' real size.
    if (QLayout* l = layout()) l->activate();
    for (QWidget* w : findChildren<QWidget*>())
        if (w->layout()) w->layout()->activate();
}

QRect MainWindow::frameToSave() const {
    return isMaximized() || isFullScreen() ? normalGeometry() : geometry();
}

FamilyViews MainWindow::familyViews(Mode m) const {
    QWidget* canvases[3] = {m_ciView, m_openGLView, m_customEffectsView};
    const int i = int(m);
    return {m_lists[i], m_controlsHosts[i], canvases[i], m_favouriteBars[i]};
}

QList<QAction*> MainWindow::modeActions() const {
    return {m_modeActions[0], m_modeActions[1], m_modeActions[2]};
}

QMenu* MainWindow::menuNamed(const QString& title) const {
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == title) return a->menu();
    return nullptr;
}

void MainWindow::buildMenus() {
    Controller* c = m_controller;
    auto validateOnShow = [c](QMenu* m) {
        connect(m, &QMenu::aboutToShow, c, [c] { c->validateAllMenuItems(); });
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    validateOnShow(file);
    file->addAction(makeAction(act::openImg, QStringLiteral("Open…"), QKeySequence::Open));
    file->addSeparator();
    file->addAction(makeAction(act::saveImg, QStringLiteral("Save"), QKeySequence::Save));
    // Not every desktop binds a Save As key; the common one then.
    file->addAction(makeAction(act::saveImgAs, QStringLiteral("Save As…"),
                               QKeySequence::keyBindings(QKeySequence::SaveAs)
                                   .value(0, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S))));
    file->addSeparator();
    QAction* quit = makeAction(act::terminate, QStringLiteral("Quit"), QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    file->addAction(quit);
    connect(quit, &QAction::triggered, c, [c] { c->terminate(); });
    connect(action(act::saveImg), &QAction::triggered, c, [c] { c->saveImg(); });
    connect(action(act::saveImgAs), &QAction::triggered, c, [c] { c->saveImgAs(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    validateOnShow(edit);
    QAction* undo = makeAction(act::undo, QStringLiteral("Undo"), QKeySequence::Undo);
    QAction* redo = makeAction(act::redo, QStringLiteral("Redo"), QKeySequence::Redo);
    connect(undo, &QAction::triggered, c, [c] { c->undo(); });
    connect(redo, &QAction::triggered, c, [c] { c->redo(); });
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    edit->addAction(makeAction(act::copy, QStringLiteral("Copy"), QKeySequence::Copy));
    edit->addAction(makeAction(act::paste, QStringLiteral("Paste"), QKeySequence::Paste));
    edit->addSeparator();
    QAction* escape = makeAction(act::escapeEffect, QStringLiteral("Drop Effect\tEsc"));
    connect(escape, &QAction::triggered, c, [c] { c->escapeEffect(); });
    edit->addAction(escape);
    QAction* favourite = makeAction(act::addFavorites, QStringLiteral("Add to Favourites"),
                                    QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(favourite, &QAction::triggered, c, [c] { c->addFavoritesOfCurrentMode(); });
    edit->addAction(favourite);

    QMenu* image = menuBar()->addMenu(QStringLiteral("&Image"));
    validateOnShow(image);
    QAction* apply = makeAction(act::applyBtn, QStringLiteral("Apply"));
    apply->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(apply, &QAction::triggered, c, [c] { c->applyBtnAction(); });
    image->addAction(apply);
    image->addSeparator();
    image->addAction(makeAction(act::flipVert, QStringLiteral("Flip Vertical")));
    image->addAction(makeAction(act::flipHorizont, QStringLiteral("Flip Horizontal")));
    image->addSeparator();
    image->addAction(makeAction(act::rotateRight, QStringLiteral("Rotate Right"),
                                QKeySequence(Qt::CTRL | Qt::Key_R)));
    image->addAction(makeAction(act::rotateLeft, QStringLiteral("Rotate Left"),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)));
    image->addSeparator();
    connect(action(act::openImg), &QAction::triggered, c, [c] { c->openImg(); });
    connect(action(act::copy), &QAction::triggered, c, [c] { c->copy(); });
    connect(action(act::paste), &QAction::triggered, c, [c] { c->paste(); });
    connect(action(act::flipVert), &QAction::triggered, c, [c] { c->flipVert(); });
    connect(action(act::flipHorizont), &QAction::triggered, c, [c] { c->flipHorizont(); });
    connect(action(act::rotateRight), &QAction::triggered, c, [c] { c->rotateRight(); });
    connect(action(act::rotateLeft), &QAction::triggered, c, [c] { c->rotateLeft(); });
    image->addAction(makeAction(act::showResizePanel, QStringLiteral("Resize Image ...")));
    image->addAction(makeAction(act::showInfoPanel, QStringLiteral("Image Information ..."),
                                QKeySequence(Qt::CTRL | Qt::Key_I)));
    connect(action(act::showResizePanel), &QAction::triggered, c, [c] { c->showResizePanel(); });
    connect(action(act::showInfoPanel), &QAction::triggered, c, [c] { c->showInfoPanel(); });

    // Zoom commands for the current canvas, with the keys picture editors share.
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    validateOnShow(view);
    const struct {
        const QString& name;
        const char* title;
        QList<QKeySequence> keys;
        void (chrome::Zoomable::*command)();
    } zooms[] = {
        {act::zoomIn,
         "Zoom In",
         {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         &chrome::Zoomable::zoomIn},
        {act::zoomOut, "Zoom Out", {QKeySequence::ZoomOut}, &chrome::Zoomable::zoomOut},
        {act::zoomToActualSize,
         "Actual Size",
         {QKeySequence(Qt::CTRL | Qt::Key_0)},
         &chrome::Zoomable::zoomToActualSize},
        {act::zoomToFit,
         "Fit in Window",
         {QKeySequence(Qt::CTRL | Qt::Key_9)},
         &chrome::Zoomable::zoomToFit},
    };
    for (const auto& z : zooms) {
        QAction* a = makeAction(z.name, QString::fromLatin1(z.title));
        a->setShortcuts(z.keys);
        connect(a, &QAction::triggered, c, [c, command = z.command] {
            if (chrome::Zoomable* canvas = c->zoomTarget()) (canvas->*command)();
        });
        view->addAction(a);
    }

    QMenu* mode = menuBar()->addMenu(QStringLiteral("&Mode"));
    validateOnShow(mode);
    const QString modeTitles[3] = {QStringLiteral("Standard Effects"), QStringLiteral("3D Effects"),
                                   QStringLiteral("Custom Effects")};
    for (int i = 0; i < 3; ++i) {
        auto* a = new QAction(modeTitles[i], this);
        a->setObjectName(act::selectMenuMode);
        a->setData(i + 1);  // the tag
        a->setCheckable(true);
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)));
        connect(a, &QAction::triggered, c, [c, a] { c->selectMenuMode(a); });
        mode->addAction(a);
        m_modeActions[i] = a;
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    validateOnShow(help);
    QAction* helpItem =
        makeAction(act::displayHelp, QStringLiteral("Deverav Help"), QKeySequence::HelpContents);
    connect(helpItem, &QAction::triggered, c, [c] { c->displayHelp(); });
    help->addAction(helpItem);
    QAction* about = makeAction(act::runAbout, QStringLiteral("About Deverav"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, c, [c] { c->runAbout(); });
    help->addAction(about);

    // The canvases' context menu shares the menu bar's items.
    auto* context = new QMenu(this);
    context->setObjectName(QStringLiteral("contentMenu"));
    validateOnShow(context);
    for (const QString& n : {act::copy, act::paste}) context->addAction(action(n));
    context->addSeparator();
    for (const QString& n : {act::flipVert, act::flipHorizont, act::rotateRight, act::rotateLeft})
        context->addAction(action(n));
    context->addSeparator();
    context->addAction(action(act::escapeEffect));
    m_contextMenu = context;
}

QWidget* MainWindow::buildLeftPane() {
    Controller* c = m_controller;
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("leftPane"));
    pane->setFixedWidth(kLeftPaneWidth);
    auto* col = new QVBoxLayout(pane);
    col->setContentsMargins(0, 8, 0, 0);
    col->setSpacing(6);

    auto* modes = new QHBoxLayout;
    modes->setContentsMargins(8, 0, 8, 0);
    modes->setSpacing(0);
    m_modeButtons[0] =
        makeModeButton(QStringLiteral("standard"), QStringLiteral("Standard effects"));
    m_modeButtons[1] = makeModeButton(QStringLiteral("threeD"), QStringLiteral("3D effects"));
    m_modeButtons[2] = makeModeButton(QStringLiteral("custom"), QStringLiteral("Custom effects"));
    m_modeButtons[0]->setObjectName(QStringLiteral("standardBtn"));
    m_modeButtons[1]->setObjectName(QStringLiteral("threeDBtn"));
    m_modeButtons[2]->setObjectName(QStringLiteral("customBtn"));
    m_modeButtons[0]->setState(1);  // the window opens in the standard mode
    for (chrome::BaseColoredButton* b : {m_modeButtons[0], m_modeButtons[1], m_modeButtons[2]}) {
        modes->addWidget(b);
        connect(b, &QPushButton::clicked, c, [c, b] { c->changeFilterMode(b); });
    }
    modes->addStretch();
    col->addLayout(modes);

    m_filterTabView = new QStackedWidget;
    m_filterTabView->setObjectName(QStringLiteral("filterTabView"));
    auto addPage = [&](const QString& listTitle, QTreeView* list, const QString& controlsName,
                       QWidget** host) {
        auto* page = new QSplitter(Qt::Vertical);
        page->setChildrenCollapsible(false);
        page->setHandleWidth(5);
        auto* top = new QWidget;
        auto* topCol = new QVBoxLayout(top);
        topCol->setContentsMargins(0, 0, 0, 0);
        topCol->setSpacing(0);
        topCol->addWidget(sectionTitle(listTitle));
        topCol->addWidget(list, 1);
        list->setMinimumHeight(120);
        auto* bottom = new QWidget;
        auto* bottomCol = new QVBoxLayout(bottom);
        bottomCol->setContentsMargins(0, 0, 0, 0);
        bottomCol->setSpacing(0);
        bottomCol->addWidget(sectionTitle(QStringLiteral("Settings")));
        bottomCol->addWidget(makeControlsArea(controlsName, host), 1);
        page->addWidget(top);
        page->addWidget(bottom);
        page->setStretchFactor(0, 1);
        page->setStretchFactor(1, 1);
        m_filterTabView->addWidget(page);
    };
    m_lists[0] = makeList(QStringLiteral("listView"));
    m_lists[1] = makeList(QStringLiteral("filter3DOutlineView"));
    m_lists[2] = makeList(QStringLiteral("filterCustomOutlineView"));
    addPage(QStringLiteral("Filters"), m_lists[0], QStringLiteral("placeCntrlView"),
            &m_controlsHosts[0]);
    addPage(QStringLiteral("3D effects"), m_lists[1], QStringLiteral("topControls3DView"),
            &m_controlsHosts[1]);
    addPage(QStringLiteral("Generators"), m_lists[2], QStringLiteral("topControlsCustomView"),
            &m_controlsHosts[2]);
    col->addWidget(m_filterTabView, 1);

    m_list3DModel = new EffectListModel(c, m_lists[1]);
    m_listCustomModel = new EffectListModel(c, m_lists[2]);
    m_lists[1]->setModel(m_list3DModel);
    m_lists[2]->setModel(m_listCustomModel);
    // The standard list gets its rows from the filter catalogue once the plug-ins are loaded.
    for (QTreeView* v : {m_lists[1], m_lists[2]}) {
        v->header()->setStretchLastSection(true);
        v->setColumnWidth(0, 26);
        connect(v->selectionModel(), &QItemSelectionModel::selectionChanged, c,
                [c, v] { c->outlineViewSelectionDidChange(v); });
    }
    return pane;
}

QWidget* MainWindow::buildRightPane() {
    Controller* c = m_controller;
    auto* pane = new QWidget;
    auto* col = new QVBoxLayout(pane);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);

    // Tool strip.
    auto* strip = new QWidget;
    strip->setObjectName(QStringLiteral("toolStrip"));
    strip->setFixedHeight(46);
    auto* tools = new QHBoxLayout(strip);
    tools->setContentsMargins(10, 6, 12, 6);
    tools->setSpacing(6);
    auto* open = makeToolButton(QStringLiteral("Open"), QStringLiteral("Open a picture"));
    open->setObjectName(QStringLiteral("openBtn"));
    auto* paste = makeToolButton(QStringLiteral("Paste"), QStringLiteral("Paste a picture"));
    m_pasteBtn = paste;
    paste->setObjectName(QStringLiteral("pasteBtn"));
    auto* apply = makeToolButton(QStringLiteral("Apply"),
                                 QStringLiteral("Make the effect's result the picture"));
    apply->setObjectName(QStringLiteral("applyBtn"));
    m_applyBtn = apply;
    tools->addWidget(open);
    tools->addWidget(paste);
    tools->addSpacing(10);
    tools->addWidget(apply);
    tools->addStretch(1);
    auto* zoomLabel = new QLabel(QStringLiteral("Zoom"));
    tools->addWidget(zoomLabel);
    m_zoomSlider = new QSlider(Qt::Horizontal);
    m_zoomSlider->setObjectName(QStringLiteral("zoomSlider"));
    m_zoomSlider->setRange(0, 1000);  // 0 … 10 in hundredths
    m_zoomSlider->setFixedWidth(200);
    m_zoomSlider->setToolTip(QStringLiteral("Zoom: the middle is 100 %"));
    tools->addWidget(m_zoomSlider);
    auto* percent = new QLabel;
    percent->setObjectName(QStringLiteral("zoomPercent"));
    percent->setFixedWidth(48);
    percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tools->addWidget(percent);
    connect(m_zoomSlider, &QSlider::valueChanged, c, [c, percent](int v) {
        percent->setText(QString::number(qRound(Controller::zoomForSliderValue(v / 100.0) * 100)) +
                         QStringLiteral(" %"));
        c->zoomChanged();
    });
    m_openBtn = open;
    connect(open, &QPushButton::clicked, m_actions.value(act::openImg), &QAction::trigger);
    connect(paste, &QPushButton::clicked, c, [c] { c->paste(); });
    connect(apply, &QPushButton::clicked, c, [c] { c->applyBtnAction(); });
    col->addWidget(strip);

    // Canvases, one page per mode.
    m_mainTabView = new QStackedWidget;
    m_mainTabView->setObjectName(QStringLiteral("mainTabView"));
    m_ciView = new workbench::MyImageView;
    m_openGLView = new threed::MyOGLView;
    m_customEffectsView = new generators::customEffImageView;
    m_mainTabView->addWidget(canvasScroll(m_ciView, QStringLiteral("ciScroll")));
    m_mainTabView->addWidget(m_openGLView);
    m_mainTabView->addWidget(canvasScroll(m_customEffectsView, QStringLiteral("customScroll")));
    col->addWidget(m_mainTabView, 1);
    auto picture = [c] { return c->backImage(); };
    m_ciView->setImageSource([c] { return c->coreImageResult(); }, picture);
    m_customEffectsView->setImageSource(picture, picture);
    m_openGLView->setImageSource(picture);
    for (chrome::ZoomCanvas* canvas : {static_cast<chrome::ZoomCanvas*>(m_ciView),
                                       static_cast<chrome::ZoomCanvas*>(m_customEffectsView)}) {
        canvas->setContextMenuSource([this] { return m_contextMenu; });
        canvas->setFileDropHandler([c](const QString& path) { return c->openDroppedFile(path); });
        // The zoom slider follows wheel steps on the canvases.
        connect(canvas, &chrome::ZoomCanvas::zoomStepped, c, [c](double z) { c->setZoom(z); });
    }
    m_openGLView->setContextMenuSource([this] { return m_contextMenu; });

    // Favourites bars, one page per mode.
    m_favoritesTabView = new QStackedWidget;
    m_favoritesTabView->setObjectName(QStringLiteral("favoritesTabView"));
    m_favoritesTabView->setFixedHeight(kFavouritesHeight);
    m_favouriteBars[0] = new favourites::DocPageControl;
    m_favouriteBars[1] = new favourites::DocPageControl;
    m_favouriteBars[2] = new favourites::DocPageControl;
    for (auto* bar : {m_favouriteBars[0], m_favouriteBars[1], m_favouriteBars[2]})
        m_favoritesTabView->addWidget(bar);
    auto* favouritesRow = new QHBoxLayout;
    favouritesRow->setContentsMargins(10, 0, 0, 0);
    favouritesRow->setSpacing(4);
    auto* add =
        makeToolButton(QStringLiteral("Add"),
                       QStringLiteral("Add the effect with its settings to the favourites"));
    add->setObjectName(QStringLiteral("addFavouriteBtn"));
    m_addFavouriteBtn = add;
    connect(add, &QPushButton::clicked, action(act::addFavorites), &QAction::trigger);
    favouritesRow->addWidget(add);
    favouritesRow->addWidget(m_favoritesTabView, 1);
    col->addLayout(favouritesRow);
    return pane;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Escape in a text field belongs to the field: it never drops the effect being edited.
    const QWidget* focus = focusWidget();
    const bool textField =
        qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus) ||
        qobject_cast<const QTextEdit*>(focus) || qobject_cast<const QPlainTextEdit*>(focus);
    if ((event->key() == Qt::Key_Escape && (textField || event->isAutoRepeat())) ||
        !m_controller->keyDown(event->key()))
        QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat() || !m_controller->keyUp(event->key()))
        QMainWindow::keyReleaseEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const bool terminating = m_controller->isTerminating();
    if (!terminating && !m_controller->windowShouldClose()) {
        event->ignore();
        return;
    }
    m_controller->windowWillClose();
    if (!terminating) m_controller->applicationWillTerminate();
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_controller->windowDidResize();
}

}  // namespace app
