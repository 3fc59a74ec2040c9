#pragma once
// The standard filters: the filter catalogue as the list, the working filter with its
// generated parameter panel, the defaults a new filter gets (and the pictures shipped for
// them), and the result: the filter fed with the picture and drawn over it. The panel's rows
// and the canvas edit the working filter through this family (FilterEditing).

#include <QPersistentModelIndex>
#include <QRectF>
#include <QVariantMap>
#include <memory>

#include "app/EffectFamily.h"
#include "imaging/Filter.h"
#include "workbench/FilterEditing.h"

namespace workbench {
class DataSource;
class MyImageView;
}  // namespace workbench

namespace app {

class StandardFamily : public EffectFamily, public workbench::FilterEditing {
  public:
    explicit StandardFamily(Controller& controller);
    ~StandardFamily() override;

    workbench::MyImageView* canvas() const;
    QWidget* placeCntrlView() const { return views().controlsHost; }
    workbench::DataSource* catalogue() const { return m_catalogue; }

    // --- the catalogue and the working filter
    // Builds the filter catalogue as the list's rows (after the plug-ins are loaded).
    void installFilterCatalogue();
    // The list's selection: a filter row makes a new working filter; a category row opens or
    // closes and leaves the working filter as it is; no row drops it.
    void selectionChanged(QTreeView* list) override;
    // Makes `filter` the working filter (nothing for none), with no panel of its own. The
    // history's steps of the filter it replaces go.
    void setCurrentFilter(std::shared_ptr<imaging::Filter> filter);
    // Makes the named filter working, with its defaults, and builds its panel; as above, the
    // history's steps of the filter it replaces go.
    void addFilterIndex(const QString& name, int tag);
    void updateFilterControls(int tag);
    void clearControls();
    // Whether the working filter has inputs edited with handles on the canvas.
    bool isControlsPresent() const;

    // The zoom at which the whole picture fills the canvas's visible area; nothing when there
    // is no picture to fit (the fit would divide by zero).
    std::optional<double> fittingZoom() const;

    bool hasWorkingEffect() const override { return bool(m_filter); }
    void clearAll() override;
    const void* undoTarget() const override { return m_historyFilter.lock().get(); }

    // --- defaults
    // Every image input gets the picture.
    void _setupAllImageInputsToNotNil(imaging::Filter* filter) const;
    // The per-filter defaults: textures, shading pictures, ramps, masks, colours, centres.
    void setAutomaticDefaults(imaging::Filter* filter);
    // The shipped pictures' paths, kept at start-up, and the pictures, read on first use
    // (nothing when unreadable).
    void findDefaultImages();
    QString texturePath() const { return texturepath; }
    QString shadingEmapPath() const { return shadingemappath; }
    QString alphaEmapPath() const { return alphaemappath; }
    QString rampPath() const { return ramppath; }
    QString maskPath() const { return maskpath; }
    const imaging::Image& defaultTexture();
    const imaging::Image& defaultShadingEMap();
    const imaging::Image& defaultAlphaEMap();
    const imaging::Image& defaultRamp();
    const imaging::Image& defaultMask();
    // Whether an image input that needs a picture of its own has none.
    static bool filterHasMissingImage(const imaging::Filter* filter);
    bool hasMissingImage() const { return filterHasMissingImage(m_filter.get()); }

    // --- results
    // The result for a view rectangle (only its size counts); the working filter is not
    // changed.
    imaging::Image coreImageResultForRect(const QRectF& rect) const;
    // The result for the canvas's bounds; nothing when the filter lacks an image of its own.
    imaging::Image coreImageResult() const;
    std::optional<imaging::Image> result() override;
    // Rendered at the origin, fringes included, with a progress panel.
    std::optional<imaging::Image> resultForApply() override;
    QString favouritesKey() const override { return QStringLiteral("EffectsFavorites"); }

    // --- edits
    const std::shared_ptr<imaging::Filter>& workingFilter() const override { return m_filter; }
    imaging::Image picture() const override;
    void setFilterValueForKey(const std::shared_ptr<imaging::Filter>& filter,
                              const imaging::Value& value, const QString& key) override;
    // The same for an entry of a dictionary (text parameters).
    void setDictValueForKey(const std::shared_ptr<QVariantMap>& dict, const QVariant& value,
                            const QString& key);
    void setActionNameForFilterKey(const imaging::Filter* filter, const QString& key) override;
    static QString actionNameForFilterKey(const imaging::Filter* filter, const QString& key);
    void updateView() override;

  private:
    // Removes the history's steps of the filter they concern before another filter is made.
    void retire();
    // Brings back a dropped filter with its list row.
    void restore(const std::shared_ptr<imaging::Filter>& filter, const QModelIndex& row);

    std::shared_ptr<imaging::Filter> m_filter;
    // The filter the history's steps change: the working one, or the one last dropped.
    std::weak_ptr<imaging::Filter> m_historyFilter;
    // The working filter's list row.
    QPersistentModelIndex m_row;
    workbench::DataSource* m_catalogue = nullptr;
    imaging::Image texture, shadingemap, alphaemap, ramp, mask;
    QString texturepath, shadingemappath, alphaemappath, ramppath, maskpath;
};

}  // namespace app
