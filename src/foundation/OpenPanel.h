#pragma once
// The open panel: a file chooser run window-modal on a window, like a sheet, that reports its
// end to a handler. Tests answer it through a responder instead of a person.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace foundation {

// What the user reads when a chosen file is not a picture the program reads.
inline const QString kCouldntOpenFile = QStringLiteral("Couldn't open file.");

class OpenPanel {
  public:
    // Return codes of the end handler, as the platform's panels give them.
    static constexpr int kCancel = 0, kOK = 1;

    struct Request {
        QStringList nameFilters;  // "Pictures (*.png *.jpg)", ...
        bool allowsMultipleSelection = false;
        bool canChooseDirectories = false;
        bool canChooseFiles = true;
    };
    using DidEnd = std::function<void(int returnCode, const QStringList& files)>;

    // Shows the panel on `window` and calls `didEnd` once it is closed (after this returns,
    // unless a responder answers at once).
    static void beginSheetForWindow(QWidget* window, const Request& request, DidEnd didEnd);

    // The file types the panel offers beyond the readable extensions, as pictures have long
    // been typed (four-character type codes, blanks included).
    static const QStringList& typeCodes();
    // Name filters for pictures: every picture the program reads, then all files.
    static QStringList pictureNameFilters();

    // Test hook: while set, the panel is not shown; the responder's list of files is the answer
    // (an empty list cancels).
    using Responder = std::function<QStringList(const Request&)>;
    static void setResponder(Responder responder);
};

}  // namespace foundation
