#include "app/StandardFamily.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollArea>
#include <QStyle>
#include <QTreeView>
#include <QWidget>
#include <cmath>
#include <numbers>
#include <utility>

#include "app/Controller.h"
#include "app/Texts.h"
#include "foundation/Labels.h"
#include "foundation/NativeName.h"
#include "foundation/Resources.h"
#include "foundation/UndoManager.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/io/ImageIO.h"
#include "workbench/DataSource.h"
#include "workbench/FilterView.h"
#include "workbench/MyImageView.h"
#include "workbench/StandardResult.h"

namespace app {

namespace {

const std::string kImage = "inputImage";
const std::string kBackgroundImage = "inputBackgroundImage";

// A default picture, read on first use; nothing (and a log line) when it cannot be read, so
// that the next use tries again.
const imaging::Image& loadOnce(imaging::Image& field, const QString& path) {
    if (field.isNull() && !path.isEmpty()) {
        try {
            field = imaging::io::readImage(foundation::NativeName::toStdString(path));
        } catch (const std::exception& e) {
            imaging::log("default filter picture unreadable: " + path.toStdString() + ": " +
                         e.what());
        }
    }
    return field;
}

}  // namespace

StandardFamily::StandardFamily(Controller& controller) : EffectFamily(Mode::Standard, controller) {}

StandardFamily::~StandardFamily() = default;

workbench::MyImageView* StandardFamily::canvas() const {
    return static_cast<workbench::MyImageView*>(views().canvas);
}

imaging::Image StandardFamily::picture() const {
    return m_controller.backImage();
}

// ---------------------------------------------------------------- the catalogue

void StandardFamily::installFilterCatalogue() {
    QTreeView* list = views().list;
    if (!list) return;
    QAbstractItemModel* old = list->model();
    m_catalogue = new workbench::DataSource(imaging::FilterRegistry::shared(), list);
    list->setModel(m_catalogue);
    if (old && old != m_catalogue && old->parent() == list) old->deleteLater();
    // Markers in a narrow first column, the tree of names beside them.
    list->setRootIsDecorated(true);
    list->setItemsExpandable(true);
    list->setExpandsOnDoubleClick(false);
    list->setTreePosition(1);
    list->header()->setStretchLastSection(true);
    list->setColumnWidth(0, 26);
    QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, &m_controller,
                     [this, list] { m_controller.outlineViewSelectionDidChange(list); });
}

void StandardFamily::selectionChanged(QTreeView* outlineView) {
    if (m_quietSelection || !outlineView || !m_catalogue || outlineView->model() != m_catalogue)
        return;
    const QModelIndexList rows = outlineView->selectionModel()
                                     ? outlineView->selectionModel()->selectedRows()
                                     : QModelIndexList();
    if (rows.isEmpty()) {
        clearAll();
        return;
    }
    const workbench::DataSource::Item item = m_catalogue->itemForIndex(rows.first());
    if (const workbench::DataSource::Entry* entry = m_catalogue->entry(item)) {
        if (entry->className.isEmpty()) return;
        const QString name = entry->className;
        clearControls();
        addFilterIndex(name, 111);
        m_row = rows.first();
        updateView();
        switchOffFavourite();
        m_controller.document().setWasChanged(true);
        return;
    }
    // A category row only opens or closes: the selection goes back to the working filter's row.
    if (m_catalogue->outlineViewIsItemExpandable(item)) {
        const QModelIndex row = m_catalogue->indexForItem(item, 0);
        outlineView->setExpanded(row, !outlineView->isExpanded(row));
    }
    selectListRow(m_filter ? QModelIndex(m_row) : QModelIndex());
}

void StandardFamily::retire() {
    if (const std::shared_ptr<imaging::Filter> old = m_historyFilter.lock())
        if (auto* um = m_controller.undoManager()) um->removeAllActionsWithTarget(old.get());
    m_historyFilter.reset();
    m_row = QModelIndex();
}

void StandardFamily::setCurrentFilter(std::shared_ptr<imaging::Filter> filter) {
    retire();
    m_filter = std::move(filter);
    m_historyFilter = m_filter;
    m_controller.updateMainBtnState();
    updateView();
}

bool StandardFamily::isControlsPresent() const {
    return workbench::DataSource::isControlsPresent(m_filter.get());
}

std::optional<double> StandardFamily::fittingZoom() const {
    return canvas() ? canvas()->fittingZoom() : std::nullopt;
}

void StandardFamily::clearAll() {
    clearControls();
    const std::shared_ptr<imaging::Filter> dropped = std::exchange(m_filter, nullptr);
    const QModelIndex row = std::exchange(m_row, QModelIndex());
    switchOffFavourite();
    deselectList();
    // The dropped filter stays in the history, which can bring it back.
    if (auto* um = m_controller.undoManager(); um && dropped)
        um->registerUndoWithTarget(
            dropped.get(),
            [this, dropped, row = QPersistentModelIndex(row)] { restore(dropped, row); });
}

void StandardFamily::restore(const std::shared_ptr<imaging::Filter>& filter,
                             const QModelIndex& row) {
    clearControls();
    m_filter = filter;
    m_historyFilter = filter;
    m_row = row;
    selectListRow(row);
    updateFilterControls(111);
    if (auto* um = m_controller.undoManager())
        um->registerUndoWithTarget(filter.get(), [this] { clearAll(); });
    m_controller.updateMainBtnState();
    updateView();
}

// ---------------------------------------------------------------- the parameter panel

void StandardFamily::addFilterIndex(const QString& name, int tag) {
    std::shared_ptr<imaging::Filter> f =
        imaging::FilterRegistry::shared().filterWithName(name.toStdString());
    if (f) f->setDefaults();
    retire();
    m_filter = f;
    m_historyFilter = f;
    if (f) {
        m_fedPicture = picture();
        _setupAllImageInputsToNotNil(f.get());
        setAutomaticDefaults(f.get());
    }
    updateFilterControls(tag);
    m_controller.updateMainBtnState();
}

void StandardFamily::updateFilterControls(int tag) {
    QWidget* place = placeCntrlView();
    if (!place || !m_filter) return;
    // Rows that do not fit are not cut off: the controls area grows and scrolls instead.
    const int needed = workbench::FilterView::neededHeight(*m_filter, place->width());
    place->setMinimumHeight(needed);
    if (place->height() < needed) place->resize(place->width(), needed);
    auto* panel = new workbench::FilterView(QRect(0, 0, place->width(), place->height()), place);
    panel->setFilter(m_filter);
    panel->show();
    panel->setMaster(this);
    panel->setTag(tag);
    panel->buildRows();
}

void StandardFamily::clearControls() {
    QWidget* place = placeCntrlView();
    if (!place) return;
    const auto children = place->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) delete w;
    place->setMinimumHeight(0);
}

void StandardFamily::findDefaultImages() {
    using foundation::Resources;
    const QString tiff = QStringLiteral("tiff");
    texturepath = Resources::pathForResource(QStringLiteral("smoothtexture"), tiff);
    shadingemappath = Resources::pathForResource(QStringLiteral("lightball"), tiff);
    alphaemappath = Resources::pathForResource(QStringLiteral("restrictedshine"), tiff);
    ramppath = Resources::pathForResource(QStringLiteral("colormap"), tiff);
    maskpath = Resources::pathForResource(QStringLiteral("mask"), tiff);
}

// ---------------------------------------------------------------- defaults

const imaging::Image& StandardFamily::defaultTexture() {
    return loadOnce(texture, texturepath);
}
const imaging::Image& StandardFamily::defaultShadingEMap() {
    return loadOnce(shadingemap, shadingemappath);
}
const imaging::Image& StandardFamily::defaultAlphaEMap() {
    return loadOnce(alphaemap, alphaemappath);
}
const imaging::Image& StandardFamily::defaultRamp() {
    return loadOnce(ramp, ramppath);
}
const imaging::Image& StandardFamily::defaultMask() {
    return loadOnce(mask, maskpath);
}

void StandardFamily::_setupAllImageInputsToNotNil(imaging::Filter* filter) const {
    if (!filter) return;
    for (const imaging::Attribute& a : filter->attributes())
        if (a.isImage()) filter->setValue(a.key, picture());
}

void StandardFamily::setAutomaticDefaults(imaging::Filter* filter) {
    if (!filter) return;
    const std::string& n = filter->name();
    const imaging::Color white{1, 1, 1, 0.5}, black{0, 0, 0, 0.5}, orange{1, 0.5, 0, 0.5};
    if (n == "CIGlassDistortion") {
        filter->setValue("inputTexture", defaultTexture());
    } else if (n == "CIRippleTransition") {
        filter->setValue("inputShadingImage", defaultAlphaEMap());
    } else if (n == "CIPageCurlTransition") {
        filter->setValue("inputShadingImage", defaultAlphaEMap());
        filter->setValue("inputAngle", double(float(-std::numbers::pi / 4)));
    } else if (n == "CIShadedMaterial") {
        filter->setValue("inputShadingImage", defaultShadingEMap());
    } else if (n == "CIColorMap") {
        filter->setValue("inputGradientImage", defaultRamp());
    } else if (n == "CIDisintegrateWithMaskTransition") {
        filter->setValue("inputMaskImage", defaultMask());
    } else if (n == "CICircularWrap") {
        // The middle of the picture: what the fitted canvas's middle shows.
        imaging::Rect r = m_controller.getBgImageExtent();
        if (r.width <= 0 && canvas())
            r = {0, 0, double(canvas()->width()), double(canvas()->height())};
        filter->setValue("inputCenter", imaging::Vector{r.x + r.width * 0.5, r.y + r.height * 0.5});
    } else if (n == "CIGaussianGradient" || n == "CILinearGradient" || n == "CIRadialGradient" ||
               n == "CIStripesGenerator" || n == "CICheckerboardGenerator") {
        filter->setValue("inputColor0", white);
        filter->setValue("inputColor1", black);
    } else if (n == "CIConstantColorGenerator") {
        filter->setValue("inputColor", orange);
    }
    // An infinite rectangle would put its corner handles out of reach: it starts as the picture.
    const imaging::Rect extent = m_controller.getBgImageExtent();
    if (extent.isEmpty() || extent.isInfinite()) return;
    for (const imaging::Attribute& a : filter->attributes())
        if (a.type == imaging::kCIAttributeTypeRectangle &&
            filter->value(a.key).toVector().toRect().isInfinite())
            filter->setValue(a.key, imaging::Vector::rect(extent));
}

bool StandardFamily::filterHasMissingImage(const imaging::Filter* filter) {
    if (!filter) return false;
    // The skipped input is the one the rendering feeds with the picture.
    const std::string& fed =
        workbench::FilterView::isCompositingFilter(*filter) ? kBackgroundImage : kImage;
    for (const imaging::Attribute& a : filter->attributes())
        if (a.isImage() && a.key != fed && filter->value(a.key).toImage().isNull()) return true;
    return false;
}

// ---------------------------------------------------------------- results

imaging::Image StandardFamily::coreImageResultForRect(const QRectF& rect) const {
    return workbench::standardResult(m_filter.get(), picture(), rect.width(), rect.height());
}

imaging::Image StandardFamily::coreImageResult() const {
    if (hasMissingImage()) return {};
    // The canvas's bounds, in picture units.
    QRectF bounds;
    if (canvas()) {
        const imaging::Rect b = canvas()->bounds();
        bounds = QRectF(b.x, b.y, b.width, b.height);
    }
    return coreImageResultForRect(bounds);
}

std::optional<imaging::Image> StandardFamily::result() {
    if (!m_filter) return std::nullopt;
    imaging::Image r = coreImageResult();
    if (!r) return std::nullopt;
    return r;
}

std::optional<imaging::Image> StandardFamily::resultForApply() {
    const imaging::Image r = m_filter ? coreImageResult() : imaging::Image();
    if (!r) return imaging::Image();
    // At the origin, fringes included. Rendered once here, so that stacked effects never pile
    // up into a graph that every redraw evaluates again.
    const imaging::Rect e = r.extent();
    const imaging::Image moved =
        e.isInfinite()
            ? r
            : r.imageByApplyingTransform(imaging::AffineTransform::translation(-e.x, -e.y));
    imaging::Image next =
        m_controller.document().flattened(moved, QStringLiteral("Applying the effect…"));
    if (!next) return std::nullopt;
    return next;
}

// ---------------------------------------------------------------- edits

void StandardFamily::setFilterValueForKey(const std::shared_ptr<imaging::Filter>& filter,
                                          const imaging::Value& value, const QString& key) {
    if (!filter) return;
    const std::string k = key.toStdString();
    const imaging::Value old = filter->value(k);
    // A refused value (unknown key, wrong kind, not a number) changes nothing to undo.
    if (!filter->setValue(k, value)) return;
    // The history keeps the filter alive, as it keeps old pictures.
    if (auto* um = m_controller.undoManager())
        um->registerUndoWithTarget(
            filter.get(), [this, filter, old, key] { setFilterValueForKey(filter, old, key); });
    updateView();
}

void StandardFamily::setDictValueForKey(const std::shared_ptr<QVariantMap>& dict,
                                        const QVariant& value, const QString& key) {
    if (!dict) return;
    const QVariant old = dict->value(key);
    if (value.isValid())
        dict->insert(key, value);
    else
        dict->remove(key);
    if (auto* um = m_controller.undoManager())
        um->registerUndoWithTarget(&m_controller,
                                   [this, dict, old, key] { setDictValueForKey(dict, old, key); });
    updateView();
}

QString StandardFamily::actionNameForFilterKey(const imaging::Filter* filter, const QString& key) {
    if (!filter) return {};
    QString name = QString::fromStdString(
        imaging::FilterRegistry::shared().localizedNameForFilterName(filter->name()));
    if (name.isEmpty()) name = QString::fromStdString(filter->displayName());
    // Every key begins with "input".
    return kChangeToFormat.arg(name, foundation::unInterCap(key.mid(5)));
}

void StandardFamily::setActionNameForFilterKey(const imaging::Filter* filter, const QString& key) {
    if (auto* um = m_controller.undoManager())
        um->setActionName(actionNameForFilterKey(filter, key));
}

void StandardFamily::updateView() {
    m_controller.updateView();
}

}  // namespace app
