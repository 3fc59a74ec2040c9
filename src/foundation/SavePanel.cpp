#include "foundation/SavePanel.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

#include "foundation/ExportFormats.h"
#include "foundation/FilePanelDialog.h"
#include "foundation/GraphicsExporter.h"

namespace foundation {

namespace {
SavePanel::Responder& responder() {
    static SavePanel::Responder r;
    return r;
}
}  // namespace

// ---------------------------------------------------------------- PopUpButton

void PopUpButton::addItemWithTitleTag(const QString& title, int tag) {
    addItem(title, tag);
}

int PopUpButton::selectedTag() const {
    return currentIndex() < 0 ? -1 : currentData().toInt();
}

int PopUpButton::indexOfItemWithTag(int tag) const {
    return findData(tag);
}

bool PopUpButton::selectItemWithTag(int tag) {
    const int i = indexOfItemWithTag(tag);
    if (i < 0) return false;
    setCurrentIndex(i);
    return true;
}

QList<int> PopUpButton::itemTags() const {
    QList<int> tags;
    for (int i = 0; i < count(); ++i) tags.append(itemData(i).toInt());
    return tags;
}

// ---------------------------------------------------------------- SaveAccessoryView

SaveAccessoryView::SaveAccessoryView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("saveObjectOutlet"));
    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 6, 0, 0);
    m_format = new PopUpButton(this);
    m_format->setObjectName(QStringLiteral("formatPopUp"));
    m_resolution = new PopUpButton(this);
    m_resolution->setObjectName(QStringLiteral("resolutionPopUp"));
    for (int dpi : {72, 150, 300, 600})
        m_resolution->addItemWithTitleTag(QStringLiteral("%1 dpi").arg(dpi), dpi);
    m_resolution->selectItemWithTag(kDefaultResolution);
    m_resolution->setToolTip(
        QStringLiteral("Stored in the file for printing; the picture keeps its pixels"));
    form->addRow(QStringLiteral("Format:"), m_format);
    form->addRow(QStringLiteral("Resolution:"), m_resolution);

    m_qualityRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_qualityRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_quality = new QSlider(Qt::Horizontal, m_qualityRow);
    m_quality->setObjectName(QStringLiteral("qualitySlider"));
    m_quality->setRange(0, 100);
    m_quality->setValue(GraphicsExporter::kDefaultQuality);
    m_quality->setToolTip(QStringLiteral("Higher keeps more detail and makes larger files"));
    auto* value = new QLabel(m_qualityRow);
    value->setObjectName(QStringLiteral("qualityValue"));
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("100")));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setNum(m_quality->value());
    connect(m_quality, &QSlider::valueChanged, value, qOverload<int>(&QLabel::setNum));
    row->addWidget(m_quality, 1);
    row->addWidget(value);
    form->addRow(QStringLiteral("Quality:"), m_qualityRow);
    connect(m_format, &QComboBox::currentIndexChanged, this, &SaveAccessoryView::formatChosen);
    formatChosen();
}

PopUpButton* SaveAccessoryView::viewWithTag(int tag) const {
    if (tag == kFormatPopUpTag) return m_format;
    if (tag == kResolutionPopUpTag) return m_resolution;
    return nullptr;
}

bool SaveAccessoryView::offersQuality() const {
    const int index = m_format->selectedTag();
    if (index < 0) return false;
    const GraphicsExporter::Format* f = GraphicsExporter::formatFor(subtypeForFormatIndex(index));
    return f && f->hasQuality;
}

void SaveAccessoryView::formatChosen() {
    if (auto* form = qobject_cast<QFormLayout*>(layout()))
        form->setRowVisible(m_qualityRow, offersQuality());
}

// ---------------------------------------------------------------- SavePanel

SavePanel* SavePanel::savePanel(QWidget* window) {
    return new SavePanel(window);
}

SavePanel::SavePanel(QWidget* window) : QObject(window) {
    m_dialog = new FilePanelDialog(window);
    m_dialog->setObjectName(QStringLiteral("savePanel"));
    // Qt's own dialog (FilePanelDialog), so that the accessory can live in it.
    // The caller asks about replacing once the final name (with its extension) is known.
    m_dialog->setOption(QFileDialog::DontConfirmOverwrite);
    m_dialog->setAcceptMode(QFileDialog::AcceptSave);
    m_dialog->setFileMode(QFileDialog::AnyFile);
    m_dialog->setWindowModality(Qt::WindowModal);
    connect(m_dialog, &QDialog::finished, this,
            [this](int result) { end(result == QDialog::Accepted ? kOK : kCancel); });
}

SavePanel::~SavePanel() {
    orderOut();
    delete m_dialog.data();
}

void SavePanel::setTitle(const QString& title) {
    m_dialog->setWindowTitle(title);
}

QString SavePanel::title() const {
    return m_dialog->windowTitle();
}

void SavePanel::setAccessoryView(QWidget* view) {
    if (m_accessory == view) return;
    orderOut();
    m_accessory = view;
    m_accessoryOwner = view ? view->parentWidget() : nullptr;
    if (!view) return;
    if (auto* grid = qobject_cast<QGridLayout*>(m_dialog->layout())) {
        grid->addWidget(view, grid->rowCount(), 0, 1, grid->columnCount());
    } else {
        view->setParent(m_dialog);
    }
    view->show();
}

void SavePanel::beginSheetForDirectory(const QString& directory, const QString& file,
                                       QWidget* window, EndHandler didEnd) {
    m_didEnd = std::move(didEnd);
    m_proposedName = file;
    if (!directory.isEmpty()) m_dialog->setDirectory(directory);
    if (!file.isEmpty()) m_dialog->selectFile(file);
    if (window && m_dialog->parentWidget() != window) {
        m_dialog->setParent(window, m_dialog->windowFlags());
        m_dialog->setWindowModality(Qt::WindowModal);
    }
    if (responder()) {
        end(responder()(*this));
        return;
    }
    m_dialog->open();
}

QString SavePanel::filename() const {
    if (!m_filename.isEmpty()) return m_filename;
    const QStringList chosen = m_dialog->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString SavePanel::directory() const {
    return m_dialog->directoryPath();
}

QFileDialog* SavePanel::dialog() const {
    return m_dialog;
}

void SavePanel::orderOut() {
    if (m_dialog && m_dialog->isVisible()) m_dialog->hide();
    if (m_accessory && m_accessory->parentWidget() != m_accessoryOwner) {
        m_accessory->hide();
        m_accessory->setParent(m_accessoryOwner);
    }
}

void SavePanel::end(int code) {
    if (m_ended) return;
    m_ended = true;
    if (m_didEnd) m_didEnd(*this, code);
    orderOut();
    deleteLater();
}

void SavePanel::setResponder(Responder r) {
    responder() = std::move(r);
}

}  // namespace foundation
