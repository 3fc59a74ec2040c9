#include "app/ImageInfo.h"

#include <QAction>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "chrome/Skin.h"
#include "foundation/NativeName.h"

namespace app {

using foundation::ImageMetadata;
using foundation::PropertyNode;

namespace {

void fileStamp(const QString& path, QDateTime& modified, qint64& size) {
    const foundation::NativeName::Status file = foundation::NativeName::status(path);
    modified = file.exists ? QDateTime::fromMSecsSinceEpoch(file.modifiedMSecs) : QDateTime();
    size = file.exists ? file.size : -1;
}

QStandardItem* cell(const QString& text) {
    auto* item = new QStandardItem(text);
    // Rows are shown, never selected or edited.
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

void addRows(QStandardItem* parent, const std::vector<PropertyNode>& nodes) {
    for (const PropertyNode& n : nodes) {
        QList<QStandardItem*> row{cell(n.key), cell(n.val)};
        row[1]->setToolTip(n.val);
        addRows(row[0], n.children);
        parent->appendRow(row);
    }
}

}  // namespace

ImageInfo::ImageInfo(Controller* c, QWidget* parent) : QDialog(parent), controller(c) {
    setObjectName(QStringLiteral("infoPanel"));
    setWindowTitle(kTitle);
    setWindowFlag(Qt::Tool);
    setModal(false);
    setPalette(chrome::darkPalette());
    setAutoFillBackground(true);

    mFilePath = new QLineEdit;
    mFilePath->setObjectName(QStringLiteral("mFilePath"));
    mFilePath->setReadOnly(true);
    mFilePath->setFrame(false);
    mFileType = new QLabel;
    mFileType->setObjectName(QStringLiteral("mFileType"));
    mFileType->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mFileSize = new QLabel;
    mFileSize->setObjectName(QStringLiteral("mFileSize"));
    mFileSize->setTextInteractionFlags(Qt::TextSelectableByMouse);

    mTree = new QStandardItemModel(0, 2, this);
    mTree->setHorizontalHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    mOView = new QTreeView;
    mOView->setObjectName(QStringLiteral("mOView"));
    mOView->setModel(mTree);
    mOView->setSelectionMode(QAbstractItemView::NoSelection);
    mOView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mOView->setFocusPolicy(Qt::NoFocus);
    mOView->setAlternatingRowColors(true);
    mOView->setUniformRowHeights(true);
    mOView->header()->setStretchLastSection(true);
    mOView->setColumnWidth(0, 200);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    form->addRow(QStringLiteral("Path:"), mFilePath);
    form->addRow(QStringLiteral("Type:"), mFileType);
    form->addRow(QStringLiteral("Size:"), mFileSize);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(12, 12, 12, 12);
    col->addLayout(form);
    col->addWidget(mOView, 1);
    resize(460, 540);

    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] { setMyURL(m_pendingUrl); });

    mFilePath->setText(kNotAvailable);
    mFileType->setText(kNotAvailable);
    mFileSize->setText(kNotAvailable);
}

void ImageInfo::setMyURLLater(const QUrl& url) {
    m_pendingUrl = url;
    if (!m_delay.isActive()) m_delay.start();
}

void ImageInfo::setMyURL(const QUrl& url) {
    const QString path = url.isEmpty() ? QString() : foundation::NativeName::fromUrl(url);
    QDateTime modified;
    qint64 size = -1;
    if (!path.isEmpty()) fileStamp(path, modified, size);
    if (url == mUrl && modified == m_modified && size == m_size) return;
    mUrl = url;
    m_modified = modified;
    m_size = size;

    mTree->removeRows(0, mTree->rowCount());
    if (url.isEmpty()) {
        mFilePath->setText(kNotAvailable);
        mFileType->setText(kNotAvailable);
        mFileSize->setText(kNotAvailable);
        return;
    }
    mFilePath->setText(foundation::NativeName::displayName(path));
    mFilePath->setCursorPosition(0);
    ++m_filesRead;
    const foundation::ImageFileInfo info = ImageMetadata::read(path);
    if (!info.readable) {
        mFileType->setText(kNotAvailable);
        mFileSize->setText(kNotAvailable);
        return;
    }
    showTree(propTree(info.properties));
    mFileType->setText(QStringLiteral("%1\n%2").arg(info.typeName, info.typeIdentifier));
    mFileSize->setText(fileSizeText(info.fileSize));
}

QString ImageInfo::fileSizeText(qint64 bytes) {
    // One way of writing numbers, whatever the desktop's language.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QString exact = bytes == 1 ? QStringLiteral("1 byte")
                                     : QStringLiteral("%1 bytes").arg(english.toString(bytes));
    if (bytes < 1000) return exact;
    static const char* const units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double v = double(bytes) / 1000;
    int unit = 0;
    // A size that would round up to 1000 is shown in the next unit.
    while (v >= 999.95 && unit < 5) {
        v /= 1000;
        ++unit;
    }
    return QStringLiteral("%1 %2 (%3)")
        .arg(english.toString(v, 'f', 1), QLatin1String(units[unit]), exact);
}

void ImageInfo::showTree(const std::vector<PropertyNode>& nodes) {
    addRows(mTree->invisibleRootItem(), nodes);
    mOView->clearSelection();
    mOView->expandAll();
}

void ImageInfo::makeKeyAndOrderFront() {
    show();
    raise();
    activateWindow();
}

void ImageInfo::performClose() {
    close();
}

bool ImageInfo::validateMenuItem(QAction* item) {
    if (!item) return false;
    item->setCheckable(true);
    item->setChecked(isVisible());
    return true;
}

}  // namespace app
