#pragma once
// The picture information panel: the path, type and size of the file the picture belongs to,
// and the properties of the file's first image as a fully expanded two-column tree. It follows
// the controller's file path, and describes the file on disk, not the picture in memory.

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <vector>

#include "foundation/ImageMetadata.h"

class QAction;
class QLabel;
class QLineEdit;
class QStandardItemModel;
class QTreeView;

namespace app {

class Controller;

class ImageInfo : public QDialog {
    Q_OBJECT

  public:
    static inline const QString kTitle = QStringLiteral("Image Information");
    static inline const QString kMenuTitle = QStringLiteral("Image Information ...");
    static inline const QString kNotAvailable = QStringLiteral("n/a");
    // How long a change of file waits, so that several within one event show only the last.
    static constexpr int kDelayMs = 20;

    explicit ImageInfo(Controller* controller, QWidget* parent = nullptr);

    // Shows `url` (a file URL, or empty for none) after kDelayMs; of the files told in the
    // meantime the last one is shown.
    void setMyURLLater(const QUrl& url);
    // Shows `url` now.
    void setMyURL(const QUrl& url);

    // A file size as the panel shows it: "2.3 MB (2,345,678 bytes)", with decimal units as file
    // managers count them; below a kilobyte only the bytes.
    static QString fileSizeText(qint64 bytes);

    // The rows of a property list, sorted by key.
    static std::vector<foundation::PropertyNode> propTree(
        const std::vector<foundation::ImageProperty>& properties) {
        return foundation::ImageMetadata::propTree(properties);
    }

    void makeKeyAndOrderFront();
    void performClose();
    // The menu item that opens and closes the panel shows a check mark while it is open.
    bool validateMenuItem(QAction* item);

    QUrl url() const { return mUrl; }
    // A file told is still waiting to be shown.
    bool isUpdatePending() const { return m_delay.isActive(); }
    // How many times a file has been read (a file told again unchanged is not read again).
    int filesRead() const { return m_filesRead; }

    QTreeView* mOView = nullptr;
    QLineEdit* mFilePath = nullptr;
    QLabel* mFileType = nullptr;
    QLabel* mFileSize = nullptr;
    QStandardItemModel* mTree = nullptr;
    Controller* controller = nullptr;

  private:
    void showTree(const std::vector<foundation::PropertyNode>& nodes);

    QUrl mUrl;
    // The file as it was when read: a file rewritten under the same name is read again.
    QDateTime m_modified;
    qint64 m_size = -1;
    QUrl m_pendingUrl;
    QTimer m_delay;
    int m_filesRead = 0;
};

}  // namespace app
