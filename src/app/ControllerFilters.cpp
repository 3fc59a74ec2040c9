// The standard family's side of the controller: the filter catalogue and the choice of a
// filter, the parameter panel's building and clearing, the defaults a new filter gets and the
// pictures that ship for them, and the missing-image test.

#include <QAbstractButton>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeView>
#include <QWidget>
#include <cmath>
#include <numbers>

#include "app/Controller.h"
#include "chrome/BaseColoredButton.h"
#include "imaging/FilterRegistry.h"
#include "imaging/Log.h"
#include "imaging/io/ImageIO.h"
#include "workbench/DataSource.h"
#include "workbench/FilterView.h"
#include "workbench/MyImageView.h"

namespace app {

namespace {

const std::string kImage = "inputImage";
const std::string kBackgroundImage = "inputBackgroundImage";

// A default picture, read on first use; nothing (and a log line) when it cannot be read, so
// that the next use tries again.
const imaging::Image& loadOnce(imaging::Image& field, const QString& path) {
    if (field.isNull() && !path.isEmpty()) {
        try {
            field = imaging::io::readImage(path.toStdString());
        } catch (const std::exception& e) {
            imaging::log("default filter picture unreadable: " + path.toStdString() + ": " +
                         e.what());
        }
    }
    return field;
}

}  // namespace

// ---------------------------------------------------------------- the catalogue

void Controller::installFilterCatalogue() {
    if (!listView) return;
    QAbstractItemModel* old = listView->model();
    filterCatalogue = new workbench::DataSource(imaging::FilterRegistry::shared(), listView);
    listView->setModel(filterCatalogue);
    if (old && old != filterCatalogue && old->parent() == listView) old->deleteLater();
    // Markers in a narrow first column, the tree of names beside them.
    listView->setRootIsDecorated(true);
    listView->setItemsExpandable(true);
    listView->setExpandsOnDoubleClick(false);
    listView->setTreePosition(1);
    listView->header()->setStretchLastSection(true);
    listView->setColumnWidth(0, 26);
    connect(listView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { outlineViewSelectionDidChange(listView); });
}

void Controller::outlineViewSelectionDidChange_CIF(QTreeView* outlineView) {
    if (!outlineView || !filterCatalogue || outlineView->model() != filterCatalogue) return;
    const QModelIndexList rows = outlineView->selectionModel()
                                     ? outlineView->selectionModel()->selectedRows()
                                     : QModelIndexList();
    if (rows.isEmpty()) {
        clearAll();
        return;
    }
    const workbench::DataSource::Item item = filterCatalogue->itemForIndex(rows.first());
    if (const workbench::DataSource::Entry* entry = filterCatalogue->entry(item)) {
        if (entry->className.isEmpty()) return;
        const QString name = entry->className;
        clearControls();
        addFilterIndex(name, 111);
        updateView();
        switchOff(m_selectes_FavBtn);
        m_wasChanged = true;
        return;
    }
    if (filterCatalogue->outlineViewIsItemExpandable(item)) {
        const QModelIndex row = filterCatalogue->indexForItem(item, 0);
        outlineView->setExpanded(row, !outlineView->isExpanded(row));
    }
    clearAll();
}

bool Controller::isControlsPresent() const {
    return workbench::DataSource::isControlsPresent(currentFilter.get());
}

// ---------------------------------------------------------------- the parameter panel

void Controller::addFilterIndex(const QString& name, int tag) {
    std::shared_ptr<imaging::Filter> f =
        imaging::FilterRegistry::shared().filterWithName(name.toStdString());
    if (f) f->setDefaults();
    currentFilter = f;
    if (f) {
        _setupAllImageInputsToNotNil(f.get());
        setAutomaticDefaults(f.get());
    }
    updateFilterControls(tag);
    updateMainBtnState();
}

void Controller::updateFilterControls(int tag) {
    if (!placeCntrlView || !currentFilter) return;
    // Rows that do not fit are not cut off: the controls area grows and scrolls instead.
    const int needed = workbench::FilterView::neededHeight(*currentFilter, placeCntrlView->width());
    placeCntrlView->setMinimumHeight(needed);
    if (placeCntrlView->height() < needed) placeCntrlView->resize(placeCntrlView->width(), needed);
    auto* panel = new workbench::FilterView(
        QRect(0, 0, placeCntrlView->width(), placeCntrlView->height()), placeCntrlView);
    panel->setFilter(currentFilter);
    panel->show();
    panel->setMaster(this);
    panel->setTag(tag);
    panel->buildRows();
}

void Controller::clearControls() {
    if (!placeCntrlView) return;
    const auto children = placeCntrlView->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) delete w;
    placeCntrlView->setMinimumHeight(0);
}

void Controller::changeControlsStyle(QWidget* view) {
    if (!view) return;
    for (QWidget* child : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        changeControlsStyle(child);
    if (view->autoFillBackground() && view->palette().color(QPalette::Window) == Qt::white) {
        QPalette p = view->palette();
        p.setColor(QPalette::Window, Qt::lightGray);
        view->setPalette(p);
    }
    // Rounded push buttons become square ones.
    if (auto* button = qobject_cast<QPushButton*>(view);
        button && !button->isFlat() && button->property("bezelStyle").toInt() != 8) {
        button->setProperty("bezelStyle", 8);
        button->setStyleSheet(button->styleSheet() +
                              QStringLiteral("QPushButton{border-radius:0}"));
    }
    imaging::log("class=" + std::string(view->metaObject()->className()));
}

// ---------------------------------------------------------------- defaults

const imaging::Image& Controller::defaultTexture() {
    return loadOnce(texture, texturepath);
}
const imaging::Image& Controller::defaultShadingEMap() {
    return loadOnce(shadingemap, shadingemappath);
}
const imaging::Image& Controller::defaultAlphaEMap() {
    return loadOnce(alphaemap, alphaemappath);
}
const imaging::Image& Controller::defaultRamp() {
    return loadOnce(ramp, ramppath);
}
const imaging::Image& Controller::defaultMask() {
    return loadOnce(mask, maskpath);
}

void Controller::_setupAllImageInputsToNotNil(imaging::Filter* filter) const {
    if (!filter) return;
    for (const imaging::Attribute& a : filter->attributes())
        if (a.isImage()) filter->setValue(a.key, backgroundImage);
}

void Controller::setAutomaticDefaults(imaging::Filter* filter) {
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
        imaging::Rect r = getBgImageExtent();
        if (r.width <= 0 && ciView) r = {0, 0, double(ciView->width()), double(ciView->height())};
        filter->setValue("inputCenter", imaging::Vector{r.x + r.width * 0.5, r.y + r.height * 0.5});
    } else if (n == "CIGaussianGradient" || n == "CILinearGradient" || n == "CIRadialGradient" ||
               n == "CIStripesGenerator" || n == "CICheckerboardGenerator") {
        filter->setValue("inputColor0", white);
        filter->setValue("inputColor1", black);
    } else if (n == "CIConstantColorGenerator") {
        filter->setValue("inputColor", orange);
    }
}

bool Controller::filterHasMissingImage(const imaging::Filter* filter) {
    if (!filter) return false;
    // The skipped input is the one the rendering feeds with the picture.
    const std::string& fed =
        workbench::FilterView::isCompositingFilter(*filter) ? kBackgroundImage : kImage;
    for (const imaging::Attribute& a : filter->attributes())
        if (a.isImage() && a.key != fed && filter->value(a.key).toImage().isNull()) return true;
    return false;
}

}  // namespace app
