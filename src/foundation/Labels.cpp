#include "foundation/Labels.h"

namespace foundation {

QString unInterCap(const QString& s) {
    QString out = s;
    QString lower = out.toLower();
    bool changed = false;
    for (qsizetype i = 0; i < out.size();) {
        const QChar c = out.at(i);
        // Upper case is whatever lower-casing changes, so letters of every script count.
        const bool upper = i < lower.size() && c != lower.at(i);
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if ((!upper && !digit) || i == 0) {
            ++i;
            continue;
        }
        out.insert(i, QLatin1Char(' '));
        lower = out.toLower();
        changed = true;
        i += 2;
    }
    return changed ? out : s;
}

}  // namespace foundation
