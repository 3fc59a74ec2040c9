// Favourites through the controller: adding, clicking with undo, removing, the highlighted
// button, keeping them across runs, and stored lists the program no longer fully understands.

#include <QApplication>
#include <QColor>
#include <QDebug>
#include <QEnterEvent>
#include <QTimer>
#include <array>
#include <cmath>

#include "app/PrototypeFamily.h"
#include "favourites/DocPageControl.h"
#include "favourites/FavouritesList.h"
#include "imaging/Log.h"
#include "support/FavouritesRig.h"

using app::Mode;
using favourites::Favourite;
using favourites::onlyTextClosedButton;

namespace {

class FavouritesTest : public apprig::FavouritesRig {
  protected:
    void SetUp() override {
        FavouritesRig::SetUp();
        usePicture(apprig::distinctPixels(160, 100));
        previousSink = imaging::setLogSink(
            [this](const std::string& m) { logged << QString::fromStdString(m); });
    }
    void TearDown() override {
        imaging::setLogSink(previousSink);
        FavouritesRig::TearDown();
    }

    onlyTextClosedButton* button(Mode m, int i) {
        return list(m).entries().at(size_t(i)).button.data();
    }
    double radius() { return c->getCurrentFilter()->value("inputRadius").toNumber(); }
    // A new working filter, as a list row makes it.
    void useFilter(const char* name) {
        c->addFilterIndex(name, 111);
        endEvent();
    }
    void setValue(const char* key, const imaging::Value& v) {
        c->setFilterValueForKey(c->standard().workingFilter(), v, key);
        endEvent();
    }
    void click(onlyTextClosedButton* b) {
        b->click();
        endEvent();
    }
    // A stored list written as another run of the program left it.
    void store(const QString& key, const QList<favourites::StoredEntry>& entries) {
        favourites::writeStoredFavourites(prefs->settings(), key, entries);
        prefs->settings().sync();
        c.reset();
        start();
    }

    QStringList logged;
    imaging::LogSink previousSink;
};

// A favourite's stored thumbnail of one colour.
QImage thumbnail(QColor c) {
    QImage t(40, 25, QImage::Format_ARGB32);
    t.fill(c);
    return t;
}

QImage opaque(const QImage& img) {
    return img.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

TEST_F(FavouritesTest, AddingKeepsTheWorkingFilterWithItsSettingsAndChangesNothingElse) {
    // Nothing to add without a working effect; the button and the menu item say so.
    c->updateMainBtnState();
    EXPECT_FALSE(w->addFavouriteBtn()->isEnabled());
    EXPECT_FALSE(c->validateMenuItem(action(app::act::addFavorites)));
    c->addFavorites();
    EXPECT_TRUE(list(Mode::Standard).isEmpty());

    useFilter("CIGaussianBlur");
    setValue("inputRadius", 20.0);
    c->setWasChanged(false);
    EXPECT_TRUE(w->addFavouriteBtn()->isEnabled());
    w->addFavouriteBtn()->click();
    ASSERT_EQ(list(Mode::Standard).entries().size(), 1u);
    const Favourite& f = list(Mode::Standard).entries()[0];
    EXPECT_EQ(f.values.value("class").toString(), "CIGaussianBlur");
    EXPECT_EQ(f.values.value("ToolTipName").toString(), "Gaussian Blur");
    EXPECT_EQ(f.button->toolTip(), "Gaussian Blur");
    EXPECT_EQ(f.values.value("inputRadius").toDouble(), 20.0);
    // The picture is fed again on a click: it is not kept.
    EXPECT_FALSE(f.values.contains("inputImage"));
    EXPECT_EQ(f.button->getBackImage().size(), QSize(40, 25));
    EXPECT_EQ(f.button->state(), 0);
    EXPECT_FALSE(c->standard().highlightedFavourite);
    EXPECT_FALSE(c->wasChanged());
    EXPECT_EQ(w->familyViews(Mode::Standard).favouritesBar->items(),
              QList<QWidget*>{f.button.data()});
    // The working filter stays as it was.
    EXPECT_EQ(radius(), 20.0);
}

TEST_F(FavouritesTest, AClickBringsBackTheSettingsAndUndoTheFilterItReplaced) {
    useFilter("CIGaussianBlur");
    setValue("inputRadius", 20.0);
    c->addFavorites();
    setValue("inputRadius", 5.0);
    imaging::Filter* changed = c->getCurrentFilter();
    c->setWasChanged(false);

    click(button(Mode::Standard, 0));
    EXPECT_EQ(radius(), 20.0);
    EXPECT_NE(c->getCurrentFilter(), changed);
    EXPECT_EQ(c->standard().highlightedFavourite, button(Mode::Standard, 0));
    EXPECT_EQ(button(Mode::Standard, 0)->state(), 1);
    EXPECT_TRUE(c->wasChanged());

    c->undo();
    EXPECT_EQ(c->getCurrentFilter(), changed);
    EXPECT_EQ(radius(), 5.0);
    EXPECT_FALSE(c->wasChanged());
    EXPECT_FALSE(c->standard().highlightedFavourite);
    EXPECT_EQ(button(Mode::Standard, 0)->state(), 0);
    c->redo();
    EXPECT_EQ(radius(), 20.0);
    EXPECT_EQ(c->standard().highlightedFavourite, button(Mode::Standard, 0));

    // A second click drops the effect and leaves nothing highlighted.
    click(button(Mode::Standard, 0));
    EXPECT_FALSE(c->getCurrentFilter());
    EXPECT_FALSE(c->standard().highlightedFavourite);
    EXPECT_EQ(button(Mode::Standard, 0)->state(), 0);
    EXPECT_FALSE(w->applyBtn()->isEnabled());
}

TEST_F(FavouritesTest, RemovingTheHighlightedFavouriteDropsTheEffectAnotherKeepsIt) {
    useFilter("CIGaussianBlur");
    c->addFavorites();
    useFilter("CIBoxBlur");
    c->addFavorites();
    useFilter("CIDiscBlur");
    c->addFavorites();
    click(button(Mode::Standard, 0));
    onlyTextClosedButton* highlighted = button(Mode::Standard, 0);
    onlyTextClosedButton* other = button(Mode::Standard, 1);

    // The close box shows under the mouse and reports to the current mode.
    QEnterEvent enter({5, 5}, {5, 5}, {5, 5});
    QApplication::sendEvent(other, &enter);
    ASSERT_FALSE(other->closeButton()->isHidden());
    other->closeButton()->click();
    ASSERT_EQ(list(Mode::Standard).entries().size(), 2u);
    EXPECT_EQ(c->getCurrentFilter()->name(), "CIGaussianBlur");
    EXPECT_EQ(c->standard().highlightedFavourite, highlighted);
    // The later favourite moved into the gap.
    EXPECT_EQ(button(Mode::Standard, 1)->x(), favourites::DocPageControl::kPitch);

    highlighted->closeButton()->click();
    EXPECT_FALSE(c->getCurrentFilter());
    EXPECT_FALSE(c->standard().highlightedFavourite);
    ASSERT_EQ(list(Mode::Standard).entries().size(), 1u);
    EXPECT_EQ(list(Mode::Standard).entries()[0].values.value("class"), "CIDiscBlur");
    // The removals are kept for the next run.
    restart();
    EXPECT_EQ(list(Mode::Standard).entries().size(), 1u);
}

TEST_F(FavouritesTest, QuittingAndStartingAgainBringsThemBackInOrder) {
    const std::vector<std::pair<const char*, double>> made{
        {"CIGaussianBlur", 3}, {"CIBoxBlur", 7}, {"CIDiscBlur", 12}};
    std::vector<QImage> thumbnails;
    for (const auto& [name, r] : made) {
        useFilter(name);
        setValue("inputRadius", r);
        c->addFavorites();
        thumbnails.push_back(list(Mode::Standard).entries().back().button->getBackImage());
    }
    // Raw data inputs (a code's message) are settings too.
    useFilter("CIQRCodeGenerator");
    setValue("inputMessage", imaging::Data::fromText("kept across runs"));
    c->addFavorites();
    restart();
    ASSERT_EQ(list(Mode::Standard).entries().size(), made.size() + 1);
    click(button(Mode::Standard, int(made.size())));
    EXPECT_EQ(c->getCurrentFilter()->value("inputMessage").toData().text(), "kept across runs");
    for (size_t i = 0; i < made.size(); ++i) {
        onlyTextClosedButton* b = button(Mode::Standard, int(i));
        EXPECT_EQ(b->x(), int(i) * favourites::DocPageControl::kPitch);
        EXPECT_EQ(opaque(b->getBackImage()), opaque(thumbnails[i]));
        EXPECT_EQ(b->toolTip().isEmpty(), false);
        click(b);
        EXPECT_EQ(c->getCurrentFilter()->name(), made[i].first);
        EXPECT_EQ(radius(), made[i].second);
    }

    // Closing the window is another way out that keeps them.
    useFilter("CIGaussianBlur");
    c->addFavorites();
    c->setWasChanged(false);
    w->close();
    c.reset();
    prefs = std::make_unique<foundation::Preferences>(dir.filePath("prefs.ini"));
    start();
    EXPECT_EQ(list(Mode::Standard).entries().size(), made.size() + 2);
}

TEST_F(FavouritesTest, PictureInputsAreNotKeptAndOtherPicturesAtMostFourMegapixels) {
    useFilter("CIGlassDistortion");
    QImage texture(2100, 2000, QImage::Format_RGB32);
    texture.fill(Qt::darkCyan);
    setValue("inputTexture", foundation::imageFromQImage(texture));
    c->addFavorites();
    const Favourite& f = list(Mode::Standard).entries()[0];
    EXPECT_FALSE(f.values.contains("inputImage"));
    const QImage kept = f.values.value("inputTexture").value<QImage>();
    EXPECT_LE(qint64(kept.width()) * kept.height(), 4'000'000);
    EXPECT_GT(qint64(kept.width()) * kept.height(), 3'900'000);
    EXPECT_NEAR(double(kept.width()) / kept.height(), 1.05, 0.01);

    restart();
    // The picture of this run is fed to the restored filter.
    usePicture(apprig::solid(90, 60, Qt::green));
    click(button(Mode::Standard, 0));
    EXPECT_EQ(c->getCurrentFilter()->value("inputImage").toImage(), c->backImage());
    EXPECT_EQ(c->getCurrentFilter()->value("inputTexture").toImage().extent().width, kept.width());
}

TEST_F(FavouritesTest, StoredValuesPassTheSameSettersAsTheControls) {
    const QImage t = thumbnail(Qt::blue);
    store("EffectsFavorites",
          {{{"class", "CIGaussianBlur"}, {"ButtonImage", t}, {"inputRadius", 1e300}},
           {{"class", "CIGaussianBlur"}, {"inputRadius", std::nan("")}},
           {{"class", "CIGaussianBlur"}, {"inputRadius", "twenty"}},
           {{"class", "CIGaussianBlur"}, {"inputRadius", -4.0}}});
    ASSERT_EQ(list(Mode::Standard).entries().size(), 4u);
    click(button(Mode::Standard, 0));
    std::shared_ptr<imaging::Filter> typed = apprig::makeFilter("CIGaussianBlur");
    typed->setValue("inputRadius", 1e300);
    EXPECT_EQ(radius(), typed->value("inputRadius").toNumber());
    // Refused values leave the filter's own.
    click(button(Mode::Standard, 1));
    EXPECT_EQ(radius(), 10);
    click(button(Mode::Standard, 2));
    EXPECT_EQ(radius(), 10);
    click(button(Mode::Standard, 3));
    EXPECT_EQ(radius(), 0);
}

TEST_F(FavouritesTest, AFavouriteOfAFilterNoLongerInstalledStaysAndAClickOnlySaysWhy) {
    const QImage t = thumbnail(Qt::yellow);
    store("EffectsFavorites", {{{"class", "CIGoneWithThePlugIn"},
                                {"ToolTipName", "Gone"},
                                {"ButtonImage", t},
                                {"inputWidth", 3.0}}});
    ASSERT_EQ(list(Mode::Standard).entries().size(), 1u);
    onlyTextClosedButton* gone = button(Mode::Standard, 0);
    EXPECT_EQ(opaque(gone->getBackImage()), opaque(t));
    useFilter("CIBoxBlur");
    imaging::Filter* working = c->getCurrentFilter();
    c->setWasChanged(false);
    logged.clear();
    click(gone);
    EXPECT_EQ(c->getCurrentFilter(), working);
    EXPECT_FALSE(c->standard().highlightedFavourite);
    EXPECT_EQ(gone->state(), 0);
    EXPECT_FALSE(c->wasChanged());
    ASSERT_FALSE(logged.isEmpty());
    EXPECT_TRUE(logged.join("\n").contains("CIGoneWithThePlugIn"));

    // Written back as it was when the list changes.
    c->addFavorites();
    restart();
    ASSERT_EQ(list(Mode::Standard).entries().size(), 2u);
    EXPECT_EQ(list(Mode::Standard).entries()[0].values.value("inputWidth").toDouble(), 3.0);
}

TEST_F(FavouritesTest, ACustomClickUndoesBackToThePreviousFavourite) {
    auto settings = [](const char* cls, const char* name) {
        return QVariantMap{{"class", cls}, {"Name", name}, {"Tips", name}};
    };
    const QImage t = thumbnail(Qt::white);
    store("CustomEffectsFavorites",
          {{{"classObj", settings("linesEffect", "First")}, {"ButtonImage", t}},
           {{"classObj", settings("hilbertLinesEffect", "Second")}, {"ButtonImage", t}},
           {{"classObj", settings("noSuchGenerator", "Third")}, {"ButtonImage", t}}});
    switchTo(Mode::Custom);
    endEvent();
    ASSERT_EQ(list(Mode::Custom).entries().size(), 3u);

    click(button(Mode::Custom, 0));
    ASSERT_TRUE(c->getCurrentCustomEffect());
    EXPECT_EQ(c->getCurrentCustomEffect()->className(), "linesEffect");
    EXPECT_EQ(c->getCurrentCustomEffect()->name(), "First");
    // The working effect is a copy, never the favourite's own.
    EXPECT_NE(c->getCurrentCustomEffect(), list(Mode::Custom).entries()[0].effect.get());
    click(button(Mode::Custom, 1));
    EXPECT_EQ(c->getCurrentCustomEffect()->className(), "hilbertLinesEffect");
    // An unknown generator: nothing happens.
    click(button(Mode::Custom, 2));
    EXPECT_EQ(c->getCurrentCustomEffect()->className(), "hilbertLinesEffect");

    c->undo();
    ASSERT_TRUE(c->getCurrentCustomEffect());
    EXPECT_EQ(c->getCurrentCustomEffect()->name(), "First");
    EXPECT_EQ(c->custom().highlightedFavourite, button(Mode::Custom, 0));
    c->undo();
    EXPECT_FALSE(c->getCurrentCustomEffect());
    EXPECT_FALSE(c->custom().highlightedFavourite);
}

TEST_F(FavouritesTest, AFailedWriteSaysSoAndKeepsTheFavouritesToWriteAgain) {
    c.reset();
    writeFile("blocker", "a file where the preferences folder should be");
    prefs = std::make_unique<foundation::Preferences>(dir.filePath("blocker/prefs.ini"));
    start();
    useFilter("CIGaussianBlur");
    c->addFavorites();
    alerts.clear();
    EXPECT_FALSE(c->saveFavorites());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0], app::kCouldntSaveFavourites);
    EXPECT_TRUE(alertTexts[0].contains("blocker/prefs.ini"));
    EXPECT_TRUE(list(Mode::Standard).isDirty());
    EXPECT_EQ(list(Mode::Standard).entries().size(), 1u);
}

TEST_F(FavouritesTest, AnApplicationQuitFromElsewhereKeepsThemToo) {
    useFilter("CIGaussianBlur");
    c->addFavorites();
    c->setWasChanged(false);
    // The session ending, say: the event loop ends without the window being closed.
    w->hide();
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
    QApplication::exec();
    foundation::Preferences disk(dir.filePath("prefs.ini"));
    const auto stored = favourites::readStoredFavourites(disk.settings(), "EffectsFavorites");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->size(), 1);
}

namespace {

// Every setting of `d` moved off its default: numbers shifted, switches flipped, colours
// changed; or, with `absurd`, numbers beyond any range.
QVariantMap perturbed(const QVariantMap& d, bool absurd) {
    QVariantMap out = d;
    int i = 0;
    for (auto it = out.begin(); it != out.end(); ++it, ++i) {
        if (it.key() == "class") continue;
        const int t = it.value().typeId();
        if (t == QMetaType::Bool) {
            it.value() = !it.value().toBool();
        } else if (t == QMetaType::QColor) {
            it.value() = QColor::fromRgbF(0.25f, 0.5f, 0.75f, 0.5f);
        } else if (t == QMetaType::QString) {
            if (it.key() == "Name") it.value() = QStringLiteral("Kept %1").arg(i);
        } else if (it.value().canConvert<double>() && t != QMetaType::QString) {
            const double v = it.value().toDouble();
            if (absurd)
                it.value() = std::array{1e300, -1e300, std::nan(""), 9e18}[size_t(i) % 4];
            else if (t == QMetaType::Double || t == QMetaType::Float)
                it.value() = v * 0.75 + 0.125;
            else
                it.value() = it.value().toLongLong() + 1;
        }
    }
    return out;
}

std::string text(const QVariantMap& d) {
    QString out;
    QDebug(&out) << d;
    return out.toStdString();
}

bool allFinite(const QVariantMap& d) {
    for (const QVariant& v : d)
        if ((v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) &&
            !std::isfinite(v.toDouble()))
            return false;
    return true;
}

}  // namespace

// Whatever settings each effect of the two families keeps, a favourite brings them back: read
// from the store, written again, read in the next run and clicked. Absurd numbers in a store
// are dropped or clamped by the effect's own reading, never kept as they are.
TEST_F(FavouritesTest, EveryThreeDAndCustomEffectComesBackWithItsSettings) {
    const QImage t = thumbnail(Qt::gray);
    for (Mode m : {Mode::ThreeD, Mode::Custom}) {
        const QString key = c->family(m).favouritesKey();
        const auto& protos = static_cast<app::PrototypeFamily&>(c->family(m)).prototypes();
        ASSERT_FALSE(protos.empty());
        QList<favourites::StoredEntry> stored;
        std::vector<QVariantMap> expected;
        QStringList classes;
        for (const auto& p : protos) {
            classes << p->className();
            const QVariantMap changed = perturbed(p->mycopy()->save(), false);
            // What the effect makes of the changed settings is what must come back.
            auto probe = p->mycopy();
            probe->read(changed);
            expected.push_back(probe->save());
            stored << favourites::StoredEntry{{"classObj", changed}, {"ButtonImage", t}};
            stored << favourites::StoredEntry{{"classObj", perturbed(p->save(), true)},
                                              {"ButtonImage", t}};
        }
        store(key, stored);
        list(m).markDirty();
        restart();
        switchTo(m);
        endEvent();
        ASSERT_EQ(list(m).entries().size(), size_t(stored.size()));
        for (qsizetype i = 0; i < classes.size(); ++i) {
            const QString& cls = classes[i];
            click(button(m, int(2 * i)));
            auto* working = static_cast<app::PrototypeFamily&>(c->family(m)).workingEffect();
            ASSERT_TRUE(working) << cls.toStdString();
            EXPECT_EQ(text(working->save()), text(expected[size_t(i)])) << cls.toStdString();
            click(button(m, int(2 * i + 1)));
            working = static_cast<app::PrototypeFamily&>(c->family(m)).workingEffect();
            ASSERT_TRUE(working) << cls.toStdString();
            EXPECT_EQ(working->className(), cls);
            EXPECT_TRUE(allFinite(working->save())) << cls.toStdString();
        }
    }
}
