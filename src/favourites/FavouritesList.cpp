#include "favourites/FavouritesList.h"

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "favourites/DocPageControl.h"
#include "foundation/Archive.h"
#include "foundation/Resources.h"
#include "imaging/Log.h"

namespace favourites {

namespace {

void logFavourite(const QString& key, const QString& what) {
    imaging::log(QStringLiteral("favourites %1: %2").arg(key, what).toStdString());
}

double unit(double x) {
    return std::isfinite(x) ? std::clamp(x, 0.0, 1.0) : 0.0;
}

// An effect's settings as its read: takes them: colours as the controls hold them, and no number
// that a 32-bit setting could not hold.
effects::EffectSettings effectSettings(const QVariantMap& stored, const QString& where) {
    effects::EffectSettings d;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        const QVariant& v = it.value();
        if (v.typeId() == qMetaTypeId<imaging::Color>()) {
            const auto c = v.value<imaging::Color>();
            d.insert(it.key(), QColor::fromRgbF(unit(c.r), unit(c.g), unit(c.b), unit(c.a)));
        } else if (v.typeId() == QMetaType::Double &&
                   !(std::abs(v.toDouble()) <= double(FLT_MAX))) {
            logFavourite(where,
                         QStringLiteral("setting %1 is out of range; left out").arg(it.key()));
        } else {
            d.insert(it.key(), v);
        }
    }
    return d;
}

}  // namespace

// ---------------------------------------------------------------- stored form

std::optional<QList<StoredEntry>> readStoredFavourites(QSettings& settings, const QString& key) {
    if (!settings.childGroups().contains(key)) {
        if (settings.contains(key)) logFavourite(key, QStringLiteral("not a list; ignored"));
        return std::nullopt;
    }
    settings.beginGroup(key);
    // Entries are the numbered groups, in order. The stored count is not trusted: a damaged
    // count must not cost the entries it no longer covers, nor make the reader loop for ever.
    std::vector<int> numbers;
    for (const QString& g : settings.childGroups()) {
        bool ok = false;
        const int i = g.toInt(&ok);
        if (ok && i >= 1 && i <= kMaxStoredFavourites && QString::number(i) == g)
            numbers.push_back(i);
    }
    if (numbers.empty() && !settings.contains(QStringLiteral("size"))) {
        settings.endGroup();
        logFavourite(key, QStringLiteral("not a list; ignored"));
        return std::nullopt;
    }
    std::sort(numbers.begin(), numbers.end());
    QList<StoredEntry> out;
    for (int i : numbers) {
        const QString where = QStringLiteral("%1/%2").arg(key).arg(i);
        settings.beginGroup(QString::number(i));
        StoredEntry entry;
        for (const QString& k : settings.childKeys()) {
            const QVariant raw = settings.value(k);
            if (raw.typeId() != QMetaType::QByteArray) {
                logFavourite(where, QStringLiteral("%1 is not archive data; skipped").arg(k));
                continue;
            }
            QString why;
            const std::optional<QVariant> object =
                foundation::archive::unarchiveObjectWithData(raw.toByteArray(), &why);
            if (!object) {
                logFavourite(where, QStringLiteral("%1 unreadable (%2); skipped").arg(k, why));
                continue;
            }
            entry.insert(k, *object);
        }
        settings.endGroup();
        if (entry.isEmpty())
            logFavourite(where, QStringLiteral("nothing readable; left out"));
        else
            out << entry;
    }
    settings.endGroup();
    return out;
}

void writeStoredFavourites(QSettings& settings, const QString& key,
                           const QList<StoredEntry>& list) {
    settings.remove(key);
    settings.beginWriteArray(key, int(list.size()));
    for (int i = 0; i < list.size(); ++i) {
        settings.setArrayIndex(i);
        const StoredEntry& entry = list[i];
        for (auto it = entry.cbegin(); it != entry.cend(); ++it) {
            QString why;
            const QByteArray data =
                foundation::archive::archivedDataWithRootObject(it.value(), &why);
            if (data.isEmpty())
                logFavourite(
                    QStringLiteral("%1/%2").arg(key).arg(i + 1),
                    QStringLiteral("%1 cannot be archived (%2); skipped").arg(it.key(), why));
            else
                settings.setValue(it.key(), data);
        }
    }
    settings.endArray();
}

QImage placeholderThumbnail() {
    QImage img(kThumbnailSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(70, 70, 74));
    QPainter p(&img);
    p.setPen(QColor(170, 170, 170));
    p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("?"));
    return img;
}

// ---------------------------------------------------------------- the list

FavouritesList::FavouritesList(QString key, PrototypeLookup lookup)
    : m_key(std::move(key)), m_lookup(std::move(lookup)) {}

FavouritesList::~FavouritesList() {
    for (Favourite& f : m_entries) {
        if (m_bar && f.button) m_bar->removeItem(f.button);
        delete f.button.data();
    }
}

void FavouritesList::setBar(DocPageControl* bar, FavouritesController* controller, Click click) {
    m_bar = bar;
    m_controller = controller;
    m_click = std::move(click);
}

const Favourite* FavouritesList::find(const onlyTextClosedButton* button) const {
    if (!button) return nullptr;
    for (const Favourite& f : m_entries)
        if (f.button == button) return &f;
    return nullptr;
}

onlyTextClosedButton* FavouritesList::makeButton(const QImage& thumbnail, const QString& toolTip) {
    using foundation::Resources;
    auto* b = new onlyTextClosedButton;
    b->setImage(Resources::imageNamed(QStringLiteral("off_button_50")));
    b->setAlternateImage(Resources::imageNamed(QStringLiteral("on_button_50")));
    b->setState(0);
    QObject::connect(b, &QPushButton::clicked, b, [this, b] {
        if (m_click) m_click(b);
    });
    if (!toolTip.isEmpty()) b->setToolTip(toolTip);
    b->addBackImage(thumbnail);
    b->setController(m_controller);
    if (m_bar) m_bar->addItemSelected(b, nullptr);
    b->addCloseBtn();
    return b;
}

void FavouritesList::append(Favourite favourite) {
    m_entries.push_back(std::move(favourite));
    m_dirty = true;
}

bool FavouritesList::remove(onlyTextClosedButton* button) {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [button](const Favourite& f) { return f.button == button; });
    if (!button || it == m_entries.end()) return false;
    if (m_bar) m_bar->removeItem(button);
    // The close box that asked for this is still handling its click.
    button->deleteLater();
    m_entries.erase(it);
    m_dirty = true;
    return true;
}

void FavouritesList::clear() {
    for (Favourite& f : m_entries) {
        if (!f.button) continue;
        if (m_bar) m_bar->removeItem(f.button);
        f.button->deleteLater();
    }
    m_entries.clear();
}

Favourite FavouritesList::entryFromStored(const StoredEntry& stored) {
    Favourite f;
    QImage thumbnail;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        const QString& k = it.key();
        const QVariant& v = it.value();
        if (k == kButtonImageKey) {
            thumbnail = v.value<QImage>();
            if (thumbnail.isNull())
                logFavourite(m_key, QStringLiteral("a thumbnail that is no picture"));
        } else if (k == kClassObjKey && m_lookup) {
            if (v.typeId() != QMetaType::QVariantMap) {
                logFavourite(m_key,
                             QStringLiteral("effect settings that are no dictionary; skipped"));
                continue;
            }
            const QVariantMap d = v.toMap();
            const QString name = d.value(kClassKey).toString();
            const effects::BaseEffect* prototype = m_lookup(name);
            if (!prototype) {
                // Kept as stored, so that the favourite survives until the effect is back.
                f.values.insert(k, v);
                continue;
            }
            std::shared_ptr<effects::BaseEffect> effect = prototype->mycopy();
            effect->read(effectSettings(d, m_key));
            f.effect = std::move(effect);
        } else {
            f.values.insert(k, v);
        }
    }
    // A favourite whose thumbnail is lost can still be clicked and removed.
    f.button = makeButton(thumbnail.isNull() ? placeholderThumbnail() : thumbnail,
                          f.values.value(kToolTipNameKey).toString());
    return f;
}

bool FavouritesList::read(QSettings& settings) {
    const std::optional<QList<StoredEntry>> stored = readStoredFavourites(settings, m_key);
    if (!stored) return false;
    clear();
    for (const StoredEntry& e : *stored) m_entries.push_back(entryFromStored(e));
    m_dirty = false;
    return true;
}

void FavouritesList::write(QSettings& settings) {
    QList<StoredEntry> out;
    for (const Favourite& f : m_entries) {
        StoredEntry s = f.values;
        if (f.button && !f.button->getBackImage().isNull())
            s.insert(kButtonImageKey, f.button->getBackImage());
        if (f.effect) {
            const effects::EffectSettings d = f.effect->save();
            if (!d.isEmpty()) s.insert(kClassObjKey, d);
        }
        out << s;
    }
    writeStoredFavourites(settings, m_key, out);
    m_dirty = false;
}

}  // namespace favourites
