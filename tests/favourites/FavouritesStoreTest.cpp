#include <gtest/gtest.h>

#include <QColor>
#include <QSettings>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <memory>

#include "favourites/DocPageControl.h"
#include "favourites/FavouritesList.h"
#include "foundation/Archive.h"
#include "imaging/Log.h"

using namespace favourites;

namespace {

const QString kKey = QStringLiteral("EffectsFavorites");

QImage thumb(int seed) {
    QImage img(kThumbnailSize, QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixelColor(x, y,
                              QColor((x * 6 + seed * 40) % 256, y * 9 % 256, seed * 70 % 256));
    return img;
}

// Values compared as what they show: pictures by their pixels.
bool same(const QVariant& a, const QVariant& b) {
    if (a.typeId() == QMetaType::QImage && b.typeId() == QMetaType::QImage)
        return a.value<QImage>().convertToFormat(QImage::Format_ARGB32) ==
               b.value<QImage>().convertToFormat(QImage::Format_ARGB32);
    return a == b;
}

QList<StoredEntry> standardStore() {
    QList<StoredEntry> list;
    for (int i = 0; i < 4; ++i)
        list << StoredEntry{
            {kButtonImageKey, thumb(i)},
            {kClassKey, QStringLiteral("CIGaussianBlur")},
            {kToolTipNameKey, QStringLiteral("Gaussian Blur %1").arg(i)},
            {"inputRadius", 5.0 * (i + 1)},
            {"inputCenter", QVariant::fromValue(imaging::Vector{i * 10.0, 7})},
            {"inputColor", QVariant::fromValue(imaging::Color{0.5, 0.25, i * 0.1, 1})}};
    return list;
}

// An effect of its own for the lists that keep effects.
class ProbeEffect : public effects::BaseEffect {
  public:
    QString className() const override { return QStringLiteral("ProbeEffect"); }
    effects::EffectSettings save() const override {
        effects::EffectSettings d = BaseEffect::save();
        d.insert("level", level);
        d.insert("colour", colour);
        return d;
    }
    void read(const effects::EffectSettings& d) override {
        BaseEffect::read(d);
        if (d.contains("level")) level = d.value("level").toDouble();
        if (d.contains("colour")) colour = d.value("colour").value<QColor>();
    }
    std::unique_ptr<BaseEffect> mycopy() const override {
        auto c = BaseEffect::mycopy();
        static_cast<ProbeEffect*>(c.get())->level = level;
        static_cast<ProbeEffect*>(c.get())->colour = colour;
        return c;
    }
    double level = 1;
    QColor colour = Qt::red;

  protected:
    std::unique_ptr<BaseEffect> newInstance() const override {
        return std::make_unique<ProbeEffect>();
    }
};

class Store : public ::testing::Test {
  protected:
    void SetUp() override {
        DocPageControl::setManualAnimation(true);
        settings = std::make_unique<QSettings>(dir.filePath("prefs.ini"), QSettings::IniFormat);
        bar.resize(600, 74);
        previousSink = imaging::setLogSink(
            [this](const std::string& m) { logged << QString::fromStdString(m); });
    }
    void TearDown() override {
        imaging::setLogSink(previousSink);
        DocPageControl::setManualAnimation(false);
    }
    // The settings as another run of the program finds them on disk.
    std::unique_ptr<QSettings> reopened() {
        settings->sync();
        return std::make_unique<QSettings>(dir.filePath("prefs.ini"), QSettings::IniFormat);
    }
    FavouritesList::PrototypeLookup lookup() {
        return [this](const QString& name) -> const effects::BaseEffect* {
            return name == prototype.className() ? &prototype : nullptr;
        };
    }

    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    DocPageControl bar;
    ProbeEffect prototype;
    QStringList logged;
    imaging::LogSink previousSink;
};

}  // namespace

TEST_F(Store, AListComesBackInOrderWithTheStoredKeysAndStructure) {
    const QList<StoredEntry> list = standardStore();
    writeStoredFavourites(*settings, kKey, list);
    auto disk = reopened();
    // One array; every value the archive of one object.
    EXPECT_EQ(disk->value(kKey + "/size").toInt(), 4);
    const QVariant raw = disk->value(kKey + "/2/inputRadius");
    ASSERT_EQ(raw.typeId(), QMetaType::QByteArray);
    EXPECT_EQ(foundation::archive::unarchiveObjectWithData(raw.toByteArray()).value(), 10.0);

    const std::optional<QList<StoredEntry>> back = readStoredFavourites(*disk, kKey);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ((*back)[i].keys(), list[i].keys());
        for (const QString& k : list[i].keys())
            EXPECT_TRUE(same((*back)[i].value(k), list[i].value(k))) << i << " " << k.toStdString();
    }

    // Through a list with its bar: buttons in order with their thumbnails and tool tips.
    FavouritesList favourites(kKey);
    favourites.setBar(&bar, nullptr, {});
    ASSERT_TRUE(favourites.read(*disk));
    ASSERT_EQ(favourites.entries().size(), 4u);
    const QList<QWidget*> items = bar.items();
    for (int i = 0; i < 4; ++i) {
        const Favourite& f = favourites.entries()[size_t(i)];
        EXPECT_EQ(items[i], f.button.data());
        EXPECT_EQ(f.button->toolTip(), QStringLiteral("Gaussian Blur %1").arg(i));
        EXPECT_TRUE(same(f.button->getBackImage(), thumb(i)));
        EXPECT_EQ(f.values.value("inputRadius").toDouble(), 5.0 * (i + 1));
    }
    EXPECT_FALSE(favourites.isDirty());
    // A removal is a change to write back.
    EXPECT_TRUE(favourites.remove(favourites.entries()[1].button));
    EXPECT_TRUE(favourites.isDirty());
    EXPECT_EQ(bar.pageCount(), 3);
}

TEST_F(Store, EffectsAreRestoredOnACopyOfTheirPrototypeAndUnknownOnesAreKept) {
    ProbeEffect mine;
    mine.level = 7;
    mine.colour = QColor(10, 200, 30, 128);
    mine.setName("Probe");
    mine.setTips("Probe tips");
    effects::EffectSettings odd = mine.save();
    odd.insert(effects::kEffectClass, "GoneEffect");
    odd.insert("level", 3);
    effects::EffectSettings absurd = mine.save();
    absurd.insert("level", std::numeric_limits<double>::quiet_NaN());
    absurd.insert("startPT.x", 1e300);
    writeStoredFavourites(*settings, "3DEffectsFavorites",
                          {{{kClassObjKey, mine.save()}, {kToolTipNameKey, "Probe tips"}},
                           {{kClassObjKey, odd}, {kButtonImageKey, thumb(1)}},
                           {{kClassObjKey, absurd}}});
    auto disk = reopened();
    {
        FavouritesList list("3DEffectsFavorites", lookup());
        list.setBar(&bar, nullptr, {});
        ASSERT_TRUE(list.read(*disk));
        ASSERT_EQ(list.entries().size(), 3u);
        auto* restored = dynamic_cast<ProbeEffect*>(list.entries()[0].effect.get());
        ASSERT_TRUE(restored);
        EXPECT_NE(restored, &prototype);
        EXPECT_EQ(restored->level, 7);
        EXPECT_EQ(restored->colour.rgba(), mine.colour.rgba());
        EXPECT_EQ(restored->name(), "Probe");
        // A class this program lacks: no effect, but its settings stay as stored.
        EXPECT_FALSE(list.entries()[1].effect);
        EXPECT_EQ(list.entries()[1].values.value(kClassObjKey).toMap().value("level").toInt(), 3);
        // Numbers no setting can hold are left out; the rest is read.
        auto* clamped = dynamic_cast<ProbeEffect*>(list.entries()[2].effect.get());
        ASSERT_TRUE(clamped);
        EXPECT_EQ(clamped->level, 1);
        EXPECT_TRUE(std::isfinite(clamped->startPoint().x()));
        EXPECT_EQ(clamped->colour.rgba(), mine.colour.rgba());
        // Every favourite can be clicked and removed, its thumbnail lost or not.
        EXPECT_EQ(list.entries()[0].button->getBackImage(), placeholderThumbnail());
        list.markDirty();
        list.write(*disk);
    }
    auto again = reopened();
    const std::optional<QList<StoredEntry>> back =
        readStoredFavourites(*again, "3DEffectsFavorites");
    ASSERT_TRUE(back);
    EXPECT_EQ((*back)[1].value(kClassObjKey).toMap().value(effects::kEffectClass), "GoneEffect");
    EXPECT_EQ((*back)[1].value(kClassObjKey).toMap().value("level"), qint64(3));
}

TEST_F(Store, WhatHoldsNoListLeavesTheListAsItIs) {
    FavouritesList list(kKey);
    list.setBar(&bar, nullptr, {});
    list.append({list.makeButton(thumb(0), "kept"), nullptr, {{kClassKey, "CIBoxBlur"}}});
    settings->setValue(kKey, "not a list");
    EXPECT_FALSE(list.read(*settings));
    settings->remove(kKey);
    EXPECT_FALSE(list.read(*settings));
    settings->setValue(kKey + "/unrelated", 1);
    EXPECT_FALSE(list.read(*settings));
    ASSERT_EQ(list.entries().size(), 1u);
    EXPECT_EQ(list.entries()[0].button->toolTip(), "kept");
    // An empty list is a list: it replaces.
    writeStoredFavourites(*settings, kKey, {});
    EXPECT_TRUE(list.read(*settings));
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(bar.pageCount(), 0);
}

TEST_F(Store, MutatedStoresLoseOnlyWhatWasTouched) {
    const QList<StoredEntry> valid = standardStore();
    auto reset = [&] {
        settings->clear();
        writeStoredFavourites(*settings, kKey, valid);
    };
    // Every untouched value of every entry comes back as it was.
    auto check = [&](int touchedEntry, const QString& touchedKey, const std::string& what) {
        const std::optional<QList<StoredEntry>> back = readStoredFavourites(*settings, kKey);
        ASSERT_TRUE(back) << what;
        ASSERT_EQ(back->size(), valid.size() - (touchedEntry >= 0 && touchedKey.isEmpty())) << what;
        int j = 0;
        for (int i = 0; i < valid.size(); ++i) {
            if (i == touchedEntry && touchedKey.isEmpty()) continue;
            for (const QString& k : valid[i].keys()) {
                if (i == touchedEntry && k == touchedKey) continue;
                EXPECT_TRUE(same((*back)[j].value(k), valid[i].value(k)))
                    << what << ": entry " << i << " key " << k.toStdString();
            }
            ++j;
        }
        // The same store through the list and its buttons.
        FavouritesList list(kKey, lookup());
        list.setBar(&bar, nullptr, {});
        EXPECT_TRUE(list.read(*settings)) << what;
        EXPECT_EQ(list.entries().size(), size_t(back->size())) << what;
    };

    int copies = 0;
    for (int e = 0; e < valid.size(); ++e) {
        for (const QString& k : valid[e].keys()) {
            const QString path = QStringLiteral("%1/%2/%3").arg(kKey).arg(e + 1).arg(k);
            reset();
            const QByteArray good = settings->value(path).toByteArray();
            ASSERT_FALSE(good.isEmpty());
            std::vector<std::pair<std::string, QVariant>> mutations;
            for (qsizetype at :
                 {qsizetype(0), qsizetype(1), qsizetype(3), good.size() / 2, good.size() - 1})
                for (char mask : {char(0x01), char(0x80), char(0xff)}) {
                    QByteArray b = good;
                    b[at] = char(b[at] ^ mask);
                    mutations.emplace_back("flip " + std::to_string(at), b);
                }
            for (qsizetype n : {qsizetype(0), qsizetype(1), good.size() / 2, good.size() - 1})
                mutations.emplace_back("cut to " + std::to_string(n), good.left(n));
            mutations.emplace_back("garbage", QByteArray(64, '\xfb'));
            mutations.emplace_back("text", QStringLiteral("@ByteArray(nope)"));
            mutations.emplace_back("number", 1e300);
            mutations.emplace_back("list", QVariantList{1, 2});
            // Another key's archive in its place: a value of the wrong kind.
            mutations.emplace_back(
                "swapped", settings->value(QStringLiteral("%1/%2/%3")
                                               .arg(kKey)
                                               .arg(e + 1)
                                               .arg(k == kClassKey ? kButtonImageKey : kClassKey)));
            for (const auto& [what, value] : mutations) {
                reset();
                settings->setValue(path, value);
                check(e, k, k.toStdString() + " " + what);
                ++copies;
            }
        }
    }
    // The structure around the entries.
    for (const QVariant& size : {QVariant("abc"), QVariant(-5), QVariant(1e300), QVariant(0),
                                 QVariant(99999), QVariant("nan")}) {
        reset();
        settings->setValue(kKey + "/size", size);
        check(-1, {}, "size " + size.toString().toStdString());
        ++copies;
    }
    reset();
    settings->remove(kKey + "/3");
    settings->setValue(kKey + "/3", "an entry that is no dictionary");
    check(2, {}, "entry of the wrong type");
    reset();
    settings->setValue(kKey + "/2/inputRadius/nested", 1);
    check(1, "inputRadius", "a group inside an entry");
    EXPECT_GT(copies, 400);
    EXPECT_FALSE(logged.isEmpty());
}
