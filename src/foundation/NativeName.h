#pragma once
// File names as the file system holds them are bytes; Qt's strings are Unicode. Names that are
// not valid UTF-8 (made on systems with other encodings) would come back from QFile::decodeName
// with U+FFFD and no longer name their file. Here each byte that is not part of valid UTF-8 is
// carried as one private-use character (U+EF80 + byte - 0x80) that maps back to the same byte,
// so a path survives QString, QUrl and the file panels and still names the same file.
//
// Valid UTF-8 decodes as usual, except the characters U+EF80..U+EFFF themselves, whose bytes
// are carried one by one like invalid ones: that keeps native -> QString -> native exact for
// every byte string.

#include <QByteArray>
#include <QString>
#include <string>

class QUrl;

namespace foundation {

class NativeName {
  public:
    static QString fromNative(QByteArrayView bytes);
    static QByteArray toNative(QStringView path);
    static std::string toStdString(QStringView path) { return toNative(path).toStdString(); }
    // A path as Qt's own file classes hand it out (their strings are the names' UTF-8, so a
    // character in the escape range there is that character, not a carried byte).
    static QString fromQt(QStringView path);

    // Whether the path carries bytes that are not UTF-8 (so Qt's own file classes miss it).
    static bool hasEscapes(QStringView path);
    // The path as a person reads it: each carried byte shown as "\xE9".
    static QString displayName(QStringView path);
    // The path a person typed in that form; a "\xE9" that would not be shown so (a byte that is
    // part of valid UTF-8, lower-case digits) stays as typed.
    static QString fromDisplayName(QStringView shown);

    // The local path of a file:// URL, its percent-encoded bytes kept; empty for other URLs.
    static QString fromUrl(const QUrl& url);
    static QUrl toUrl(const QString& path);

    // Whether the file exists and is not a folder; size and time for listings.
    struct Status {
        bool exists = false;
        bool isDir = false;
        qint64 size = 0;
        qint64 modifiedMSecs = 0;
    };
    static Status status(QStringView path);
    static bool isFile(QStringView path) {
        const Status s = status(path);
        return s.exists && !s.isDir;
    }

    static constexpr char16_t kEscapeBase = 0xEF00;  // byte b (0x80..0xFF) -> kEscapeBase + b
};

}  // namespace foundation
