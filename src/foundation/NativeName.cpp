#include "foundation/NativeName.h"

#include <sys/stat.h>

#include <QRegularExpression>
#include <QUrl>

namespace foundation {

namespace {

constexpr char32_t kFirstEscape = NativeName::kEscapeBase + 0x80;
constexpr char32_t kLastEscape = NativeName::kEscapeBase + 0xFF;

bool isEscape(char32_t c) {
    return c >= kFirstEscape && c <= kLastEscape;
}

// The length of the valid UTF-8 sequence at `i` (with its code point), or 0 when it is not one:
// overlong forms, surrogates and values past U+10FFFF are not valid.
int sequenceAt(QByteArrayView b, qsizetype i, char32_t& cp) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(b[k]); };
    const unsigned char lead = at(i);
    int length;
    char32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > b.size()) return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char c = at(i + k);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

void appendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

QString NativeName::fromNative(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const int length = sequenceAt(bytes, i, cp);
        if (length > 0 && !isEscape(cp)) {
            out += QString::fromUcs4(&cp, 1);
            i += length;
            continue;
        }
        // An escape character's own bytes are carried one by one, so that they come back as
        // themselves and not as the byte the character stands for.
        const int carried = length > 0 ? length : 1;
        for (int k = 0; k < carried; ++k)
            out += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i + k])));
        i += carried;
    }
    return out;
}

QByteArray NativeName::toNative(QStringView path) {
    QByteArray out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        if (isEscape(u)) {
            out += char(u - kEscapeBase);
        } else if (QChar::isHighSurrogate(u) && i + 1 < path.size() &&
                   path[i + 1].isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(u, path[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(u)) {
            appendUtf8(out, QChar::ReplacementCharacter);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

QString NativeName::fromQt(QStringView path) {
    return hasEscapes(path) ? fromNative(path.toUtf8()) : path.toString();
}

bool NativeName::hasEscapes(QStringView path) {
    for (QChar c : path)
        if (isEscape(c.unicode())) return true;
    return false;
}

QString NativeName::displayName(QStringView path) {
    QString out;
    out.reserve(path.size());
    for (QChar c : path) {
        if (isEscape(c.unicode()))
            out += QStringLiteral("\\x") + QString::number(c.unicode() - kEscapeBase, 16).toUpper();
        else
            out += c;
    }
    return out;
}

QString NativeName::fromDisplayName(QStringView shown) {
    static const QRegularExpression byte(QStringLiteral("\\\\x([89A-F][0-9A-F])"));
    const QString typed = shown.toString();
    QString path;
    qsizetype from = 0;
    for (auto it = byte.globalMatch(typed); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        path += typed.mid(from, m.capturedStart() - from);
        path += QChar(char16_t(kEscapeBase + m.captured(1).toUInt(nullptr, 16)));
        from = m.capturedEnd();
    }
    path += typed.mid(from);
    // Only what displayName would have shown: anything else is the name's own text.
    return fromNative(toNative(path)) == path ? path : typed;
}

QString NativeName::fromUrl(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    // The encoded path keeps the bytes; toLocalFile() would turn the non-UTF-8 ones into U+FFFD.
    return fromNative(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QUrl NativeName::toUrl(const QString& path) {
    if (!hasEscapes(path)) return QUrl::fromLocalFile(path);
    return QUrl::fromEncoded("file://" + toNative(path).toPercentEncoding("/"));
}

NativeName::Status NativeName::status(QStringView path) {
    Status s;
    struct stat st;
    if (path.isEmpty() || ::stat(toNative(path).constData(), &st) != 0) return s;
    s.exists = true;
    s.isDir = S_ISDIR(st.st_mode);
    s.size = st.st_size;
    s.modifiedMSecs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return s;
}

}  // namespace foundation
