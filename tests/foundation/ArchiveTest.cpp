#include <gtest/gtest.h>

#include <QBuffer>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QColor>
#include <QImage>

#include "foundation/Archive.h"
#include "support/PictureFiles.h"

using namespace foundation::archive;

namespace {

std::optional<QVariant> roundTrip(const QVariant& v) {
    QString why;
    const QByteArray data = archivedDataWithRootObject(v, &why);
    EXPECT_FALSE(data.isEmpty()) << why.toStdString();
    return unarchiveObjectWithData(data, &why);
}

// An archive around any CBOR object, as a newer or a hostile writer might make it.
QByteArray archiveOf(const QCborValue& object, qint64 version = kVersion) {
    return QCborValue(QCborKnownTags::Signature, QCborArray{version, object}).toCbor();
}

}  // namespace

TEST(Archive, EveryKindComesBackAsItWent) {
    const QImage img = testfiles::gradient(40, 25, QImage::Format_RGBA8888);
    QVariantMap settings{{"Name", "Lines"},
                         {"count", 12},
                         {"width", 2.5},
                         {"on", true},
                         {"raw", QByteArray("\x00\xff", 2)},
                         {"list", QVariantList{1, "two", 3.5}}};
    QVariantMap root{{"settings", settings},
                     {"vector", QVariant::fromValue(imaging::Vector{1.5, -2, 3, 4})},
                     {"colour", QVariant::fromValue(imaging::Color{0.1, 0.2, 0.3, 0.4})},
                     {"transform", QVariant::fromValue(imaging::AffineTransform{1, 2, 3, 4, 5, 6})},
                     {"image", img}};
    const std::optional<QVariant> back = roundTrip(root);
    ASSERT_TRUE(back);
    const QVariantMap m = back->toMap();
    const QVariantMap s = m.value("settings").toMap();
    EXPECT_EQ(s.value("Name").toString(), "Lines");
    // Whole numbers and fractions stay apart.
    EXPECT_EQ(s.value("count").typeId(), QMetaType::LongLong);
    EXPECT_EQ(s.value("count").toInt(), 12);
    EXPECT_EQ(s.value("width").typeId(), QMetaType::Double);
    EXPECT_EQ(s.value("width").toDouble(), 2.5);
    EXPECT_EQ(s.value("on").typeId(), QMetaType::Bool);
    EXPECT_EQ(s.value("raw").toByteArray(), QByteArray("\x00\xff", 2));
    EXPECT_EQ(s.value("list").toList(), (QVariantList{qint64(1), "two", 3.5}));
    EXPECT_EQ(m.value("vector").value<imaging::Vector>(), (imaging::Vector{1.5, -2, 3, 4}));
    EXPECT_EQ(m.value("colour").value<imaging::Color>(), (imaging::Color{0.1, 0.2, 0.3, 0.4}));
    EXPECT_EQ(m.value("transform").value<imaging::AffineTransform>(),
              (imaging::AffineTransform{1, 2, 3, 4, 5, 6}));
    // Pixels exactly, translucency included.
    EXPECT_EQ(m.value("image").value<QImage>().convertToFormat(QImage::Format_RGBA8888), img);

    // A platform colour is kept as its components.
    const std::optional<QVariant> colour = roundTrip(QColor::fromRgbF(1, 0.5f, 0, 0.25f));
    ASSERT_TRUE(colour);
    const auto c = colour->value<imaging::Color>();
    EXPECT_NEAR(c.g, 0.5, 1e-4);
    EXPECT_NEAR(c.a, 0.25, 1e-4);
}

TEST(Archive, WhatCannotBeKeptIsRefusedWithItsReason) {
    QString why;
    EXPECT_TRUE(archivedDataWithRootObject(QVariant(), &why).isEmpty());
    EXPECT_FALSE(why.isEmpty());
    why.clear();
    EXPECT_TRUE(archivedDataWithRootObject(QVariant::fromValue(QPoint(1, 2)), &why).isEmpty());
    EXPECT_FALSE(why.isEmpty());
    // One bad value spoils the dictionary around it, not silently a part of it.
    EXPECT_TRUE(archivedDataWithRootObject(QVariantMap{{"ok", 1}, {"bad", QVariant()}}).isEmpty());
    // Beyond the pixel limit: 2001 × 2001 is just over four million.
    EXPECT_TRUE(archivedDataWithRootObject(testfiles::gradient(2001, 2001)).isEmpty());
    EXPECT_FALSE(archivedDataWithRootObject(testfiles::gradient(2000, 2000)).isEmpty());
    // Nesting up to the limit is kept, one level more is not.
    QVariant deep = 1;
    for (int i = 0; i < kMaxDepth; ++i) deep = QVariantList{deep};
    EXPECT_FALSE(archivedDataWithRootObject(deep).isEmpty());
    EXPECT_TRUE(archivedDataWithRootObject(QVariantList{deep}).isEmpty());
}

TEST(Archive, DamagedOrForeignDataIsRefusedNeverGuessed) {
    const QByteArray good = archivedDataWithRootObject(
        QVariantMap{{"a", QVariant::fromValue(imaging::Vector{1, 2})}, {"b", "text"}});
    ASSERT_TRUE(unarchiveObjectWithData(good));
    // Every truncation.
    for (int n = 0; n < good.size(); ++n)
        EXPECT_FALSE(unarchiveObjectWithData(good.left(n))) << "cut at " << n;
    EXPECT_FALSE(unarchiveObjectWithData(good + '\0'));
    // Plain CBOR without the archive's frame, and an archive of another version.
    EXPECT_FALSE(unarchiveObjectWithData(QCborValue("text").toCbor()));
    EXPECT_FALSE(unarchiveObjectWithData(archiveOf(QCborValue(1), kVersion + 1)));
    QString why;
    EXPECT_FALSE(unarchiveObjectWithData(archiveOf(QCborValue(QCborTag(9999), 1)), &why));
    EXPECT_TRUE(why.contains("tag"));
    // Tagged values of the wrong shape.
    EXPECT_FALSE(unarchiveObjectWithData(archiveOf(QCborValue(QCborTag(40101), QCborArray{1, 2}))));
    EXPECT_FALSE(unarchiveObjectWithData(archiveOf(QCborValue(QCborTag(40100), QCborArray{}))));
    EXPECT_FALSE(unarchiveObjectWithData(
        archiveOf(QCborValue(QCborTag(40102), QCborArray{1, 2, 3, 4, 5, "x"}))));
    EXPECT_FALSE(
        unarchiveObjectWithData(archiveOf(QCborValue(QCborTag(40103), QByteArray("junk")))));
    EXPECT_FALSE(unarchiveObjectWithData(archiveOf(QCborMap{{1, "key that is a number"}})));
    EXPECT_FALSE(unarchiveObjectWithData(archiveOf(QCborValue(QCborValue::Null))));
}

TEST(Archive, AnImageTooLargeIsRefusedBeforeItsPixelsAreTaken) {
    // A valid picture whose header alone says it is over the limit.
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    QImage big(2001, 2001, QImage::Format_Mono);
    big.fill(0);
    big.save(&buf, "PNG");
    QString why;
    EXPECT_FALSE(unarchiveObjectWithData(archiveOf(QCborValue(QCborTag(40103), png)), &why));
    EXPECT_TRUE(why.contains("large"));
}

TEST(Archive, AbsurdNumbersAreReadForTheSettersToClamp) {
    const QVariantList odd{std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300,
                           std::numeric_limits<double>::infinity()};
    const std::optional<QVariant> back = roundTrip(odd);
    ASSERT_TRUE(back);
    const QVariantList l = back->toList();
    ASSERT_EQ(l.size(), 4);
    EXPECT_TRUE(std::isnan(l[0].toDouble()));
    EXPECT_EQ(l[1].toDouble(), 1e300);
    EXPECT_TRUE(std::isinf(l[3].toDouble()));
}
