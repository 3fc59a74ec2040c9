// The standard family through the controller: the catalogue and the choice of a filter, the
// panel's rows editing through the undoable setter (and undo rebuilding the panel), the
// defaults a new filter gets, and the missing-image test.

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include "support/AppRig.h"
#include "workbench/ColorWell.h"
#include "workbench/DataSource.h"
#include "workbench/DovOdovoImageView.h"
#include "workbench/FilterView.h"
#include "workbench/FloatSlider.h"
#include "workbench/ParameterView.h"
#include "workbench/TestFilters.h"

using app::Controller;
using apprig::solid;
using namespace imaging::kit;
using workbench::DataSource;
using workbench::ParameterView;

namespace {

class FilterWorkbenchTest : public apprig::AppRig {
  protected:
    void SetUp() override {
        AppRig::SetUp();
        usePicture(solid(120, 80, Qt::red));
    }
    int undoSteps() {
        int n = 0;
        while (undo().canUndo()) {
            undo().undo();
            ++n;
        }
        return n;
    }
    // Makes `f` current and builds its panel as a rebuild does.
    void show(std::shared_ptr<imaging::Filter> f) {
        c->clearControls();
        c->standard().setCurrentFilter(std::move(f));
        c->updateFilterControls(111);
    }
    std::vector<ParameterView*> rows() const {
        std::vector<ParameterView*> r;
        for (auto* panel : w->placeCntrlView()->findChildren<workbench::FilterView*>())
            for (QObject* o : panel->children())
                if (auto* row = qobject_cast<ParameterView*>(o)) r.push_back(row);
        return r;
    }
    ParameterView* row(const std::string& key) const {
        for (ParameterView* r : rows())
            if (r->getKey() == key) return r;
        return nullptr;
    }
    // Selects the catalogue row of `className` in category `category`.
    void choose(const QString& category, const QString& className) {
        DataSource* ds = c->standard().catalogue();
        for (int ci = 0; ci < int(ds->categories().size()); ++ci) {
            if (ds->categories()[size_t(ci)].name != category) continue;
            const auto& entries = ds->categories()[size_t(ci)].entries;
            for (int e = 0; e < int(entries.size()); ++e)
                if (entries[size_t(e)].className == className) {
                    w->listView()->setCurrentIndex(ds->indexForItem({ci, e}, 0));
                    return;
                }
        }
        FAIL() << "no " << className.toStdString() << " in " << category.toStdString();
    }
};

}  // namespace

// ---------------------------------------------------------------- the catalogue

TEST(DataSourceTest, CategoriesMergeKeepDuplicatesAndStayInTheirOrder) {
    imaging::FilterRegistry registry;
    auto add = [&](const std::string& name, std::vector<std::string> cats,
                   std::vector<imaging::Attribute> inputs) {
        ASSERT_TRUE(registry.registerFilter(*testfilters::describe(name, inputs, cats)));
    };
    add("ZSharpBlur", {imaging::kCICategorySharpen, imaging::kCICategoryBlur},
        {ImageInput(), Center()});
    add("ABlur", {imaging::kCICategoryBlur}, {ImageInput(), Offset("inputOffset", 1, 1)});
    add("Tint", {imaging::kCICategoryColorAdjustment}, {ImageInput(), Transform()});
    add("Mono", {imaging::kCICategoryColorEffect}, {ImageInput()});
    add("Lattice", {imaging::kCICategoryTileEffect},
        {ImageInput(), Rectangle("inputR", 0, 0, 1, 1)});
    add("Nothing", {imaging::kCICategoryTileEffect}, {});

    DataSource ds(registry);
    auto listed = [&](size_t cat) {
        QStringList n;
        for (const auto& e : ds.categories()[cat].entries) n << e.className;
        return n;
    };
    QStringList categories;
    for (const auto& cat : ds.categories()) categories << cat.name;
    EXPECT_EQ(categories, QStringList({"Focus", "Color", "Tile"}));  // empty ones left out
    // Sharpen's names, then Blur's (a filter in both is listed twice); effects before
    // adjustments; a filter without inputs is left out.
    EXPECT_EQ(listed(0), QStringList({"ZSharpBlur", "ABlur", "ZSharpBlur"}));
    EXPECT_EQ(listed(1), QStringList({"Mono", "Tint"}));
    EXPECT_EQ(listed(2), QStringList({"Lattice"}));
    EXPECT_EQ(ds.categories()[0].entries[0].name, "ZSharpBlur Display");

    // The outline's questions agree with each other.
    EXPECT_EQ(ds.outlineViewNumberOfChildrenOfItem({}), 3);
    const DataSource::Item focusItem = ds.outlineViewChildOfItem(0, {});
    EXPECT_TRUE(ds.outlineViewIsItemExpandable(focusItem));
    EXPECT_EQ(ds.outlineViewNumberOfChildrenOfItem(focusItem), 3);
    EXPECT_EQ(ds.outlineViewObjectValueForTableColumnByItem("1", focusItem).toString(), "Focus");
    const DataSource::Item second = ds.outlineViewChildOfItem(1, focusItem);
    EXPECT_FALSE(ds.outlineViewIsItemExpandable(second));
    EXPECT_FALSE(ds.outlineViewIsItemExpandable({}));
    EXPECT_EQ(ds.outlineViewObjectValueForTableColumnByItem("1", second).toString(),
              "ABlur Display");
    EXPECT_FALSE(ds.outlineViewShouldEditTableColumnItem("1", second));
    EXPECT_TRUE(ds.outlineViewChildOfItem(7, {}).isRoot());

    // Markers for positions, rectangles and transforms; none for an offset or a category.
    for (const auto& [cat, entry, shown] :
         {std::tuple{0, 0, true}, {0, 1, false}, {1, 1, true}, {1, 0, false}, {2, 0, true}})
        EXPECT_EQ(!ds.outlineViewObjectValueForTableColumnByItem("0", {cat, entry}).isNull(), shown)
            << cat << "/" << entry;
    EXPECT_TRUE(ds.outlineViewObjectValueForTableColumnByItem("0", focusItem).isNull());
    EXPECT_FALSE(ds.isControlsPresent(QStringLiteral("NoSuchFilter")));

    // The same through the model the list view reads.
    const QModelIndex focusRow = ds.index(0, 1);
    EXPECT_EQ(focusRow.data().toString(), "Focus");
    EXPECT_TRUE(ds.hasChildren(ds.index(0, 0)));
    EXPECT_EQ(ds.rowCount(ds.index(0, 0)), 3);
    const QModelIndex child = ds.index(1, 1, ds.index(0, 0));
    EXPECT_EQ(child.data().toString(), "ABlur Display");
    EXPECT_EQ(ds.parent(child).row(), 0);
    EXPECT_FALSE(ds.index(0, 0, ds.index(0, 0)).data(Qt::DecorationRole).isNull());
}

TEST_F(FilterWorkbenchTest, TheStandardListIsTheRegistrysCatalogue) {
    ASSERT_TRUE(c->standard().catalogue());
    EXPECT_EQ(w->listView()->model(), c->standard().catalogue());
    // The fixed order, less the categories no filter of the registry belongs to.
    const auto& reg = imaging::FilterRegistry::shared();
    const std::vector<std::pair<QString, std::vector<const char*>>> order = {
        {"Geometry", {imaging::kCICategoryGeometryAdjustment}},
        {"Distortion", {imaging::kCICategoryDistortionEffect}},
        {"Halftone", {imaging::kCICategoryHalftoneEffect}},
        {"Focus", {imaging::kCICategorySharpen, imaging::kCICategoryBlur}},
        {"Stylize", {imaging::kCICategoryStylize}},
        {"Gradient", {imaging::kCICategoryGradient}},
        {"Color", {imaging::kCICategoryColorEffect, imaging::kCICategoryColorAdjustment}},
        {"Tile", {imaging::kCICategoryTileEffect}},
        {"Generator", {imaging::kCICategoryGenerator}}};
    QStringList expected, names;
    size_t total = 0, listed = 0;
    for (const auto& [name, cats] : order) {
        size_t n = 0;
        for (const char* cat : cats) n += reg.filterNamesInCategory(cat).size();
        if (n) expected << name;
        total += n;
    }
    for (const auto& cat : c->standard().catalogue()->categories()) {
        names << cat.name;
        listed += cat.entries.size();
    }
    EXPECT_EQ(names, expected);
    EXPECT_GE(names.size(), 8);
    EXPECT_EQ(listed, total);  // every filter of every category, duplicates included
}

TEST_F(FilterWorkbenchTest, ChoosingAFilterBuildsItsPanelWithFreshDefaults) {
    chrome::BaseColoredButton fav;
    fav.setState(1);
    c->standard().highlightedFavourite = &fav;
    c->setWasChanged(false);
    choose("Focus", "CIGaussianBlur");
    ASSERT_TRUE(c->getCurrentFilter());
    EXPECT_EQ(c->getCurrentFilter()->name(), "CIGaussianBlur");
    EXPECT_TRUE(c->wasChanged());
    EXPECT_EQ(fav.state(), 0);
    EXPECT_FALSE(c->standard().highlightedFavourite);
    EXPECT_FALSE(c->isControlsPresent());
    ParameterView* radius = row("inputRadius");
    ASSERT_TRUE(radius);
    EXPECT_TRUE(w->applyBtn()->isEnabled());

    // Settings do not survive choosing another filter and coming back.
    c->getCurrentFilter()->setValue("inputRadius", 33.0);
    choose("Distortion", "CITwirlDistortion");
    EXPECT_TRUE(c->isControlsPresent());
    choose("Focus", "CIGaussianBlur");
    EXPECT_EQ(c->getCurrentFilter()->value("inputRadius").toNumber(),
              c->getCurrentFilter()->attribute("inputRadius")->defaultValue.toNumber());
}

TEST_F(FilterWorkbenchTest, ACategoryRowOnlyOpensOrClosesAndKeepsTheFilter) {
    choose("Focus", "CIGaussianBlur");
    const imaging::Filter* blur = c->getCurrentFilter();
    ASSERT_TRUE(blur);
    const QModelIndex blurRow = w->listView()->selectionModel()->selectedRows().value(0);
    const QModelIndex geometry = c->standard().catalogue()->index(0, 0);
    ASSERT_FALSE(w->listView()->isExpanded(geometry));
    w->listView()->setCurrentIndex(geometry);
    EXPECT_TRUE(w->listView()->isExpanded(geometry));
    w->listView()->setCurrentIndex(geometry);
    EXPECT_FALSE(w->listView()->isExpanded(geometry));
    EXPECT_EQ(c->getCurrentFilter(), blur);
    EXPECT_FALSE(rows().empty());
    EXPECT_EQ(w->listView()->selectionModel()->selectedRows(), QModelIndexList{blurRow});
    EXPECT_FALSE(undo().canUndo());
}

// ---------------------------------------------------------------- rows and undo

TEST_F(FilterWorkbenchTest, ASliderEditIsNamedUndoneAndThePanelShowsTheRestoredValue) {
    auto f = testfilters::make("Probe", {ImageInput(), Scalar("inputAmount", 1).limits(0, 10)});
    show(f);
    ParameterView* r = row("inputAmount");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->getReadout()->text(), "1.00");
    r->getSlider()->setValue(5000);  // as a drag to the middle
    EXPECT_EQ(f->value("inputAmount").toNumber(), 5.0);
    EXPECT_EQ(r->getReadout()->text(), "5.00");
    EXPECT_EQ(undo().undoActionName(), "Change to Probe Display Amount");
    endEvent();

    // The same value again sends nothing.
    r->sliderChanged();
    endEvent();
    c->undo();
    EXPECT_EQ(f->value("inputAmount").toNumber(), 1.0);
    EXPECT_FALSE(undo().canUndo());
    QCoreApplication::processEvents();
    ASSERT_TRUE(row("inputAmount"));
    EXPECT_EQ(row("inputAmount")->getReadout()->text(), "1.00");
    c->redo();
    QCoreApplication::processEvents();
    EXPECT_EQ(row("inputAmount")->getReadout()->text(), "5.00");
}

TEST_F(FilterWorkbenchTest, UndoInATextFieldIsTheProgramsUndo) {
    auto f = testfilters::make("Probe", {ImageInput(), Scalar("inputAmount", 1).limits(0, 10)});
    show(f);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    auto type = [&](const char* text, bool commit) {
        QLineEdit* field = row("inputAmount")->getReadout();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        if (commit) QTest::keyClick(field, Qt::Key_Return);
        endEvent();
        return field;
    };
    auto ctrlZ = [&](QLineEdit* field) {
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();  // the panel is rebuilt, the field loses focus
        endEvent();
    };

    // A value already sent is taken back from the picture, not only from the field.
    ctrlZ(type("7", true));
    EXPECT_EQ(f->value("inputAmount").toNumber(), 1.0);
    EXPECT_EQ(row("inputAmount")->getReadout()->text(), "1.00");
    EXPECT_EQ(undo().undoCount(), 0);

    // A value still being typed is committed and undone: the picture keeps the old one, and
    // Redo brings the typed one.
    ctrlZ(type("4", false));
    EXPECT_EQ(f->value("inputAmount").toNumber(), 1.0);
    EXPECT_EQ(undo().undoCount(), 0);
    c->redo();
    EXPECT_EQ(f->value("inputAmount").toNumber(), 4.0);
}

TEST_F(FilterWorkbenchTest, TypedValuesAreNotClampedToTheSlider) {
    auto f = testfilters::make(
        "Probe", {ImageInput(), Scalar("inputAmount", 10).range(0, 1000).slider(0, 100),
                  Angle("inputAngle", 0.7853982).limits(-4, 4)});
    show(f);
    ParameterView* amount = row("inputAmount");
    amount->getReadout()->setText("500");
    amount->readoutTextFieldChanged();
    EXPECT_EQ(f->value("inputAmount").toNumber(), 500.0);
    EXPECT_EQ(amount->getSlider()->floatValue(), 100.f);
    EXPECT_EQ(amount->getReadout()->text(), "500");  // kept as typed

    ParameterView* angle = row("inputAngle");
    EXPECT_EQ(angle->getReadout()->text(), "45.0");
    angle->getReadout()->setText("90");
    angle->readoutTextFieldChanged();
    EXPECT_EQ(f->value("inputAngle").toNumber(), double(1.5707964f));
}

TEST_F(FilterWorkbenchTest, CheckBoxAndColourWellSendTheirValues) {
    auto f = testfilters::make(
        "Probe", {ImageInput(), Boolean("inputOn", false), ColorInput("inputColor", 1, 1, 1)});
    show(f);
    ParameterView* on = row("inputOn");
    ASSERT_TRUE(on && on->getCheckBox());
    EXPECT_FALSE(on->getCheckBox()->isChecked());
    on->getCheckBox()->click();
    EXPECT_TRUE(f->value("inputOn").toBool());

    ParameterView* color = row("inputColor");
    color->getColorWell()->setColor(QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.5f));
    color->colorWellChanged();
    const imaging::Color got = f->value("inputColor").toColor();
    EXPECT_NEAR(got.g, 0.4, 1e-6);
    EXPECT_NEAR(got.a, 0.5, 1e-4);  // the chooser keeps 16 bits a component
}

TEST_F(FilterWorkbenchTest, ComponentFieldsEditOnEveryKeystrokeAndKeepTheOtherComponents) {
    auto f = testfilters::make("Probe", {ImageInput(), VectorInput("inputCurve", {0, 1, 2, 3, 4}),
                                         Offset("inputShift", 5, 6)});
    show(f);
    QLineEdit* x = row("inputCurve")->componentField(0);
    ASSERT_TRUE(x);
    EXPECT_EQ(x->text(), "0.000");
    EXPECT_FALSE(row("inputCurve")->componentField(3) == nullptr);
    x->clear();
    undo().removeAllActions();
    x->setFocus();
    QTest::keyClick(x, Qt::Key_1);
    EXPECT_EQ(f->value("inputCurve").toVector(), (imaging::Vector{1, 1, 2, 3, 4}));
    endEvent();
    QTest::keyClick(x, Qt::Key_2);
    endEvent();
    QTest::keyClick(x, Qt::Key_Return);  // the value is already sent: no step of its own
    endEvent();
    EXPECT_EQ(f->value("inputCurve").toVector(), (imaging::Vector{12, 1, 2, 3, 4}));
    EXPECT_EQ(undoSteps(), 2);

    ParameterView* shift = row("inputShift");
    EXPECT_FALSE(shift->componentField(2));
    shift->componentField(1)->setText("-2");
    shift->readoutTextFieldChangedAt(1);
    EXPECT_EQ(f->value("inputShift").toVector(), (imaging::Vector{5, -2, 0, 0}));
}

TEST_F(FilterWorkbenchTest, TransformRowsTurnAndKeepTheTranslation) {
    auto f = testfilters::make("Probe", {ImageInput(), Transform()});
    f->setValue("inputTransform", imaging::AffineTransform{1, 0, 0, 1, 12, -4});
    show(f);
    ParameterView* r = row("inputTransform");
    ASSERT_TRUE(r && r->isUsingNSAffineTransform());
    EXPECT_EQ(r->transformSlider(ParameterView::kScaleField)->floatValue(), 0.f);  // log10(1)
    r->transformReadout(ParameterView::kAngleField)->setText("90");
    r->angleReadoutTextFieldChanged();
    const imaging::AffineTransform t = f->value("inputTransform").toTransform();
    EXPECT_NEAR(t.a, 0, 1e-7);
    EXPECT_FLOAT_EQ(t.b, 1);
    EXPECT_FLOAT_EQ(t.c, -1);
    EXPECT_NEAR(t.d, 0, 1e-7);
    EXPECT_EQ(t.tx, 12);
    EXPECT_EQ(t.ty, -4);

    // Rebuilt from that value, the row reads the same fields back.
    show(f);
    r = row("inputTransform");
    EXPECT_EQ(r->transformReadout(ParameterView::kAngleField)->text(), "90.0");
    EXPECT_NEAR(r->transformValue(ParameterView::kScaleField), 1, 1e-6);
    EXPECT_NEAR(r->transformValue(ParameterView::kSkewField), 0, 1e-6);

    // Scale is logarithmic: the slider at 1 is ten times.
    r->transformSlider(ParameterView::kScaleField)->setValue(7500);
    EXPECT_NEAR(f->value("inputTransform").toTransform().b, 10, 1e-5);
}

TEST_F(FilterWorkbenchTest, ImageWellsShowThumbnailsAndTakeChosenFiles) {
    auto f = testfilters::make("Probe", {ImageInput(), ImageInput("inputTexture")});
    c->standard()._setupAllImageInputsToNotNil(f.get());
    show(f);
    ParameterView* r = row("inputTexture");
    ASSERT_TRUE(r && r->getImageView());
    EXPECT_EQ(r->getImageView()->image().size(), QSize(64, 43));  // 120 × 80 picture

    const QString good = dir.filePath("tex.png");
    ASSERT_TRUE(solid(200, 100, Qt::blue).save(good));
    foundation::OpenPanel::setResponder([&](const auto&) { return QStringList{good}; });
    r->pushButtonChanged();
    EXPECT_EQ(f->value("inputTexture").toImage().extent(), (imaging::Rect{0, 0, 200, 100}));
    EXPECT_EQ(r->getImageView()->filePath(), good);
    EXPECT_EQ(r->getImageView()->image().size(), QSize(64, 32));
    EXPECT_EQ(undo().undoActionName(), "Change to Probe Display Texture");

    // A file that is not a picture: the user is told and the parameter keeps its picture.
    const imaging::Image before = f->value("inputTexture").toImage();
    const QString bad = writeFile("bad.png", "not a picture");
    r->getImageView()->concludeDragOperation({bad});
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_EQ(f->value("inputTexture").toImage(), before);
    EXPECT_FALSE(app::StandardFamily::filterHasMissingImage(f.get()));

    // Cancelling changes nothing.
    foundation::OpenPanel::setResponder([](const auto&) { return QStringList{}; });
    r->pushButtonChanged();
    EXPECT_EQ(f->value("inputTexture").toImage(), before);
}

// ---------------------------------------------------------------- defaults

TEST_F(FilterWorkbenchTest, NewFiltersGetThePictureAndThePerFilterDefaults) {
    const imaging::Image picture = c->backImage();
    c->addFilterIndex("CIPageCurlTransition", 111);
    imaging::Filter* curl = c->getCurrentFilter();
    ASSERT_TRUE(curl);
    EXPECT_EQ(curl->value("inputTargetImage").toImage(), picture);
    EXPECT_EQ(curl->value("inputShadingImage").toImage(), c->standard().defaultAlphaEMap());
    EXPECT_FALSE(c->standard().defaultAlphaEMap().isNull());
    EXPECT_EQ(curl->value("inputAngle").toNumber(), double(-0.7853982f));
    EXPECT_FALSE(c->hasMissingImage());

    // The texture is read once and shared.
    c->addFilterIndex("CIGlassDistortion", 111);
    const imaging::Image first = c->getCurrentFilter()->value("inputTexture").toImage();
    c->addFilterIndex("CIGlassDistortion", 111);
    EXPECT_FALSE(first.isNull());
    EXPECT_EQ(c->getCurrentFilter()->value("inputTexture").toImage(), first);

    c->addFilterIndex("CIConstantColorGenerator", 111);
    EXPECT_EQ(c->getCurrentFilter()->value("inputColor").toColor(),
              (imaging::Color{1, 0.5, 0, 0.5}));
    c->addFilterIndex("CICheckerboardGenerator", 111);
    EXPECT_EQ(c->getCurrentFilter()->value("inputColor0").toColor(),
              (imaging::Color{1, 1, 1, 0.5}));
    EXPECT_EQ(c->getCurrentFilter()->value("inputColor1").toColor(),
              (imaging::Color{0, 0, 0, 0.5}));
    c->addFilterIndex("CICircularWrap", 111);
    EXPECT_EQ(c->getCurrentFilter()->value("inputCenter").toVector(), (imaging::Vector{60, 40}));
    c->addFilterIndex("CICrop", 111);
    EXPECT_EQ(c->getCurrentFilter()->value("inputRectangle").toVector(),
              (imaging::Vector{0, 0, 120, 80}));
    EXPECT_EQ(c->coreImageResult().extent(), (imaging::Rect{0, 0, 120, 80}));

    // A compositing filter starts with both images: nothing is missing.
    c->addFilterIndex("CISourceOverCompositing", 111);
    EXPECT_FALSE(c->hasMissingImage());
    c->getCurrentFilter()->setValue("inputBackgroundImage", imaging::Value());
    EXPECT_FALSE(c->hasMissingImage());  // the background is the picture's
    c->getCurrentFilter()->setValue("inputImage", imaging::Value());
    EXPECT_TRUE(c->hasMissingImage());

    c->clearControls();
    c->addFilterIndex("NoSuchFilter", 111);
    EXPECT_FALSE(c->getCurrentFilter());
    EXPECT_TRUE(rows().empty());
}

TEST_F(FilterWorkbenchTest, APanelTallerThanItsPlaceScrollsInsteadOfCuttingRowsOff) {
    std::vector<imaging::Attribute> inputs = {ImageInput()};
    for (int i = 0; i < 30; ++i)
        inputs.push_back(Scalar("inputS" + std::to_string(i), 0).limits(0, 1));
    auto f = testfilters::make("Tall", inputs);
    show(f);
    const int needed = workbench::FilterView::neededHeight(*f, w->placeCntrlView()->width());
    EXPECT_EQ(needed, 46 + 30 * 18 + 4);
    EXPECT_GE(w->placeCntrlView()->height(), needed);
    ASSERT_EQ(rows().size(), 30u);
    for (ParameterView* r : rows()) {
        const QRect g = r->geometry().translated(r->parentWidget()->pos());
        EXPECT_GE(g.top(), 0);
        EXPECT_LE(g.bottom(), w->placeCntrlView()->height());
    }
    c->clearControls();
    EXPECT_EQ(w->placeCntrlView()->minimumHeight(), 0);
}
