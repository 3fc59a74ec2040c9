#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>

#include "foundation/NativeName.h"
#include "support/RawNames.h"

using foundation::NativeName;

TEST(NativeName, EveryByteStringComesBackExactly) {
    // Fragments that are hard to decode: the escape characters' own UTF-8, overlong forms,
    // surrogates, values past U+10FFFF, cut sequences and lone continuation bytes.
    const QList<QByteArray> pieces = {"a",
                                      "/",
                                      "\xC3\xA9",
                                      "\xE9",
                                      "\xEE\xBE\x80",
                                      "\xEE\xBF\xBF",
                                      "\xC0\xAF",
                                      "\xED\xA0\x80",
                                      "\xF4\x90\x80\x80",
                                      "\xF0\x9F\x98\x80",
                                      "\xF0\x9F",
                                      "\x80",
                                      "\xFF",
                                      "\xE2\x82",
                                      ".png"};
    QRandomGenerator random(18);
    for (int run = 0; run < 2000; ++run) {
        QByteArray bytes;
        const int n = random.bounded(1, 8);
        for (int k = 0; k < n; ++k) {
            if (random.bounded(2))
                bytes += pieces[random.bounded(int(pieces.size()))];
            else
                bytes += char(random.bounded(1, 256));
        }
        const QString name = NativeName::fromNative(bytes);
        ASSERT_EQ(NativeName::toNative(name), bytes) << bytes.toHex().constData();
        // Qt's file classes name valid UTF-8 by its characters, escape range included.
        if (bytes.isValidUtf8()) {
            ASSERT_EQ(NativeName::toNative(NativeName::fromQt(QString::fromUtf8(bytes))), bytes)
                << bytes.toHex().constData();
        }
        // The panels hand paths through QUrl: the escapes must survive it too.
        const QString path = QStringLiteral("/d/") + name;
        ASSERT_EQ(QUrl::fromLocalFile(path).toString(QUrl::PreferLocalFile), path);
        ASSERT_EQ(NativeName::fromUrl(NativeName::toUrl(path)), path) << bytes.toHex().constData();
    }
}

TEST(NativeName, ValidNamesAreUnchangedAndOthersReadable) {
    for (const char* valid : {"beach.png", "café.png", "写真.jpg", "😀 smile.tiff", "a b%20c"}) {
        EXPECT_EQ(NativeName::fromNative(valid), QString::fromUtf8(valid));
        EXPECT_EQ(NativeName::toNative(QString::fromUtf8(valid)), QByteArray(valid));
        EXPECT_FALSE(NativeName::hasEscapes(QString::fromUtf8(valid)));
    }
    const QString latin1 = NativeName::fromNative("/tmp/caf\xE9.png");
    EXPECT_TRUE(NativeName::hasEscapes(latin1));
    EXPECT_FALSE(latin1.contains(QChar::ReplacementCharacter));
    EXPECT_EQ(NativeName::displayName(latin1), "/tmp/caf\\xE9.png");
    EXPECT_EQ(NativeName::displayName(NativeName::fromNative("\xC3\xA9\xC3")), "é\\xC3");
    // A lone surrogate has no bytes of its own: it becomes U+FFFD rather than nothing.
    EXPECT_EQ(NativeName::toNative(QString(QChar(0xD800)) + "x"), QByteArray("\xEF\xBF\xBDx"));
}

TEST(NativeName, TheReadableFormMapsBackOnlyWhereItWasShownSo) {
    const struct {
        const char* typed;
        QByteArray bytes;
    } cases[] = {
        {"caf\\xE9.png", "caf\xE9.png"},
        {"\\xEE\\xBE\\x80\\xFF", "\xEE\xBE\x80\xFF"},  // an escape character's own bytes
        {"caf\\xe9.png", "caf\\xe9.png"},              // not how bytes are shown
        {"caf\\x41.png", "caf\\x41.png"},              // ASCII is never carried
        {"caf\\xC3\\xA9.png", "caf\\xC3\\xA9.png"},    // valid UTF-8 shows as itself
        {"caf\\\\xE9", "caf\\\xE9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NativeName::toNative(NativeName::fromDisplayName(QString::fromUtf8(c.typed))),
                  c.bytes)
            << c.typed;
}

TEST(NativeName, DroppedUrlsKeepTheirBytes) {
    // What a file manager puts on the clipboard for a Latin-1 name.
    const QUrl dropped = QUrl::fromEncoded("file:///home/ann/caf%E9%20bleu.png");
    EXPECT_EQ(NativeName::toNative(NativeName::fromUrl(dropped)),
              QByteArray("/home/ann/caf\xE9 bleu.png"));
    EXPECT_EQ(NativeName::fromUrl(QUrl::fromLocalFile("/tmp/100%.png")), "/tmp/100%.png");
    EXPECT_TRUE(NativeName::fromUrl(QUrl("https://example.invalid/a.png")).isEmpty());
}

TEST(NativeName, StatusFindsTheFileByItsBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "caf\xE9.png", "12345"));
    const QString path = dir.path() + "/" + NativeName::fromNative("caf\xE9.png");
    const NativeName::Status s = NativeName::status(path);
    EXPECT_TRUE(s.exists);
    EXPECT_FALSE(s.isDir);
    EXPECT_EQ(s.size, 5);
    EXPECT_GT(s.modifiedMSecs, 0);
    EXPECT_TRUE(NativeName::isFile(path));
    EXPECT_FALSE(NativeName::isFile(dir.path()));
    EXPECT_FALSE(NativeName::status(dir.path() + "/caf\u00E9.png").exists);
    testfiles::removeFilesByBytes(dir.path());
}
