#pragma once
// The user guide: a page among the program's resources, shown in the desktop's browser.

#include <QString>
#include <functional>

class QWidget;

namespace app::help {

// The guide's page; empty when it is missing from the resources.
QString pagePath();
// Opens the guide, or tells the user why it cannot be opened.
void open(QWidget* window);
// Replaces how a page is opened (default: the desktop's browser; nothing restores it).
void setUrlOpener(std::function<bool(const QString& path)> opener);

}  // namespace app::help
