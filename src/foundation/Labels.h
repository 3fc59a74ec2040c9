#pragma once
// Readable labels from parameter keys.

#include <QString>

namespace foundation {

// The string with a blank before every inner capital letter and every digit: "Color0" becomes
// "Color 0", "GCR" becomes "G C R", "Radius" stays "Radius".
QString unInterCap(const QString& s);

}  // namespace foundation
