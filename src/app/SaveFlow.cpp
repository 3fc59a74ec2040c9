#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSlider>
#include <QStandardPaths>
#include <utility>

#include "app/SaveFlow.h"

#include "app/Controller.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "app/Texts.h"
#include "chrome/KesAlert.h"
#include "foundation/ExportFormats.h"
#include "foundation/GraphicsExporter.h"
#include "foundation/NativeName.h"
#include "foundation/PictureMetadata.h"
#include "foundation/Progress.h"
#include "foundation/SavePanel.h"
#include "imaging/io/QtBitmap.h"

namespace app {

using foundation::GraphicsExporter;
using foundation::PopUpButton;
using foundation::SaveAccessoryView;
using foundation::SavePanel;

namespace {
constexpr int kPNGFormatIndex = 8;
const QString kMetadataNotKept = QStringLiteral("Couldn't keep all of the picture's metadata.");
}  // namespace

SaveFlow::SaveFlow(Controller& controller)
    : m_controller(controller), saveObjectOutlet(new foundation::SaveAccessoryView) {}

SaveFlow::~SaveFlow() {
    delete saveObjectOutlet;
}

void SaveFlow::saveImg() {
    if (m_controller.getFilePath().isEmpty()) {
        runSavePanel();
        return;
    }
    finishSave(saveExistFile());
}

void SaveFlow::saveThen(std::function<void()> next) {
    m_afterSave = std::move(next);
    saveImg();
}

void SaveFlow::initExportFormats() {
    PopUpButton* formats = saveObjectOutlet
                               ? saveObjectOutlet->viewWithTag(SaveAccessoryView::kFormatPopUpTag)
                               : nullptr;
    if (!formats) return;
    formats->clear();
    for (int i = 0; i < foundation::kPDFFormatIndex; ++i) {
        const foundation::OSType code = foundation::gformats[size_t(i)];
        if (!GraphicsExporter::canExport(code)) continue;
        // A second item with a title already offered could never be told apart from the first.
        if (formats->findText(foundation::gformats_ns[size_t(i)]) >= 0) continue;
        formats->addItemWithTitleTag(foundation::gformats_ns[size_t(i)], i);
    }
    formats->addItemWithTitleTag(foundation::gformats_ns[foundation::kPDFFormatIndex],
                                 foundation::kPDFFormatIndex);
    for (int row = 0; row < formats->count(); ++row) {
        const int i = formats->itemData(row).toInt();
        if (const auto* f = GraphicsExporter::formatFor(foundation::subtypeForFormatIndex(i)))
            formats->setItemData(row,
                                 QStringLiteral("%1 (.%2)").arg(f->name, f->extensions.first()),
                                 Qt::ToolTipRole);
    }
}

void SaveFlow::runSavePanel() {
    SavePanel* panel = SavePanel::savePanel(m_controller.window());
    panel->setTitle(kSavePanelTitle);
    PopUpButton* formats = nullptr;
    if (saveObjectOutlet) {
        formats = saveObjectOutlet->viewWithTag(SaveAccessoryView::kFormatPopUpTag);
        if (formats) {
            // The format used last; before any, the picture file's own format, else PNG (the
            // first item would be whichever legacy format happens to be writable here).
            formats->setCurrentIndex(formats->count() > 0 ? 0 : -1);
            if (!formats->selectItemWithTag(format_type) &&
                !formats->selectItemWithTag(
                    foundation::formatIndexForPath(m_controller.getFilePath())))
                formats->selectItemWithTag(kPNGFormatIndex);
        }
        panel->setAccessoryView(saveObjectOutlet);
    }

    // Start beside the picture's file, proposing its name with the chosen format's extension.
    QString directory = m_saveDirectory, name;
    if (!m_controller.getFilePath().isEmpty()) {
        const QFileInfo file(foundation::finalPathForFormat(
            m_controller.getFilePath(), formats ? formats->selectedTag() : format_type));
        directory = file.absolutePath();
        name = file.fileName();
    }
    if (directory.isEmpty() || !QFileInfo(directory).isDir())
        directory = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!QFileInfo(directory).isDir()) directory = QDir::homePath();

    // The typed name follows the chosen format, so that the panel shows what will be written.
    if (formats && panel->dialog()) {
        connect(formats, &QComboBox::currentIndexChanged, panel, [panel, formats] {
            auto* field = panel->dialog()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!field || field->text().isEmpty()) return;
            field->setText(foundation::finalPathForFormat(field->text(), formats->selectedTag()));
        });
    }
    panel->beginSheetForDirectory(
        directory, name, m_controller.window(),
        [this](SavePanel& p, int code) { savePanelDidEndReturnCodeContextInfo(p, code, nullptr); });
}

void SaveFlow::savePanelDidEndReturnCodeContextInfo(SavePanel& panel, int returnCode, void*) {
    panel.orderOut();
    SaveOutcome outcome = SaveOutcome::Declined;
    const QString chosen = panel.filename();
    if (returnCode == SavePanel::kOK && !chosen.isEmpty()) {
        PopUpButton* formats =
            saveObjectOutlet ? saveObjectOutlet->viewWithTag(SaveAccessoryView::kFormatPopUpTag)
                             : nullptr;
        int index = 0;
        if (formats) {
            index = formats->selectedTag();
            format_type = index;
        }
        const QString path = foundation::finalPathForFormat(chosen, index);
        m_saveDirectory = QFileInfo(path).absolutePath();
        // The format may have changed the typed name: the question names the file it means.
        const QString name = QFileInfo(path).fileName();
        const QString text = name == QFileInfo(chosen).fileName()
                                 ? kReplaceText
                                 : kReplaceNamedText.arg(foundation::NativeName::displayName(name));
        const bool replace = !foundation::NativeName::status(path).exists ||
                             chrome::KesAlert::Alert_OKCancelMsgText(m_controller.window(),
                                                                     kReplaceQuestion, text) == 1;
        if (replace) outcome = writeAndRecord(index, chosenResolution(), path);
    }
    finishSave(outcome);
}

SaveFlow::SaveOutcome SaveFlow::saveExistFile() {
    // A file this system cannot write is reported before asking to replace it.
    const int index = foundation::formatIndexForPath(m_controller.getFilePath());
    if (index < 0 || !GraphicsExporter::canExport(foundation::subtypeForFormatIndex(index))) {
        const QString ext = foundation::pathExtension(m_controller.getFilePath());
        m_saveError = ext.isEmpty() ? QStringLiteral(
                                          "The file's name has no extension to tell its format; "
                                          "choose one with Save As.")
                                    : QStringLiteral(
                                          "Files of type %1 cannot be written; choose a format "
                                          "with Save As.")
                                          .arg(ext);
        return SaveOutcome::Failed;
    }
    if (foundation::NativeName::status(m_controller.getFilePath()).exists &&
        chrome::KesAlert::Alert_OKCancelMsgText(m_controller.window(), kReplaceQuestion,
                                                kReplaceText) != 1)
        return SaveOutcome::Declined;
    return writeAndRecord(index, chosenResolution(), m_controller.getFilePath());
}

double SaveFlow::chosenResolution() const {
    PopUpButton* resolutions =
        saveObjectOutlet ? saveObjectOutlet->viewWithTag(SaveAccessoryView::kResolutionPopUpTag)
                         : nullptr;
    return resolutions && resolutions->selectedTag() > 0 ? resolutions->selectedTag()
                                                         : SaveAccessoryView::kDefaultResolution;
}

SaveFlow::SaveOutcome SaveFlow::writeAndRecord(int formatIndex, double resolution,
                                               const QString& path) {
    const WriteResult r = writeResult(formatIndex, resolution, path);
    // Without a picture there is nothing to lose and nothing is written.
    if (r == WriteResult::NothingToWrite) return SaveOutcome::Saved;
    if (r == WriteResult::Failed) return SaveOutcome::Failed;
    if (r == WriteResult::Cancelled) return SaveOutcome::Declined;
    m_controller.setFilePath(path);
    m_controller.document().setWasChanged(false);
    return SaveOutcome::Saved;
}

void SaveFlow::finishSave(SaveOutcome outcome) {
    if (outcome == SaveOutcome::Failed) {
        QString text = kSaveFailedText;
        if (!m_saveError.isEmpty()) text += QLatin1Char('\n') + m_saveError;
        chrome::KesAlert::Alert_OKMsgText(m_controller.window(), kSaveFailedMessage, text);
    }
    if (const std::function<void()> next = std::exchange(m_afterSave, nullptr);
        next && outcome == SaveOutcome::Saved)
        next();
    if (!Controller::exitAppPending()) return;
    if (outcome == SaveOutcome::Saved) {
        // Quit once the panel or alert that ended this save is gone.
        QMetaObject::invokeMethod(&m_controller, &Controller::terminate, Qt::QueuedConnection);
    } else {
        // The changes are still unsaved: stay, and ask again at the next quit.
        Controller::setExitAppPending(false);
    }
}

bool SaveFlow::simplySaveResolutionPath(int formatIndex, double resolution, const QString& path) {
    if (formatIndex < 0 || formatIndex >= foundation::kPDFFormatIndex) {
        m_saveError = QStringLiteral("There is no raster format with index %1.").arg(formatIndex);
        return false;
    }
    const WriteResult r = writeResult(formatIndex, resolution, path);
    return r == WriteResult::Written || r == WriteResult::NothingToWrite;
}

bool SaveFlow::createPDFFileResolution(const QString& path, double resolution) {
    const WriteResult r = writeResult(foundation::kPDFFormatIndex, resolution, path);
    return r == WriteResult::Written || r == WriteResult::NothingToWrite;
}

SaveFlow::WriteResult SaveFlow::writeResult(int formatIndex, double resolution,
                                            const QString& path) {
    m_saveError.clear();
    const QImage picture =
        imaging::io::qImageFromBitmap(m_controller.createObjectImage(float(resolution)));
    if (picture.isNull()) {
        const EffectFamily& family = m_controller.family(m_controller.filerMode());
        if (m_controller.document().cancelled() || family.resultCancelled())
            return WriteResult::Cancelled;
        // Nothing to write only when there is neither picture nor an effect that should have
        // made one.
        if (m_controller.backImage().isNull() && !family.hasWorkingEffect())
            return WriteResult::NothingToWrite;
        m_saveError = m_controller.document().lastError();
        if (m_saveError.isEmpty()) m_saveError = family.resultProblem();
        if (m_saveError.isEmpty()) m_saveError = QStringLiteral("There is no result to save.");
        return WriteResult::Failed;
    }
    const foundation::OSType code = foundation::subtypeForFormatIndex(formatIndex);
    std::unique_ptr<GraphicsExporter> exporter = GraphicsExporter::open(code);
    if (!exporter) {
        const auto* f = GraphicsExporter::formatFor(code);
        m_saveError = QStringLiteral("This system has no writer for %1 files.")
                          .arg(f ? f->name : foundation::fourCharString(code));
        return WriteResult::Failed;
    }
    exporter->setInputImage(picture);
    exporter->setOutputFile(path);
    if (code != foundation::kPDFSubtype) exporter->setResolution(resolution, resolution);
    if (saveObjectOutlet) exporter->setQuality(saveObjectOutlet->qualitySlider()->value());
    exporter->setMetadata(m_controller.document().metadata());
    // Encoding a large picture takes seconds: off the main thread, with a progress panel.
    bool written = false;
    foundation::runWithProgress(
        m_controller.window(),
        QStringLiteral("Saving “%1”…")
            .arg(foundation::NativeName::displayName(QFileInfo(path).fileName())),
        [&](const std::atomic<bool>& cancel) {
            exporter->setCancelFlag(&cancel);
            written = exporter->doExport();
        });
    if (written) {
        // The picture is safe; what it lost on the way is worth knowing.
        if (!exporter->warningString().isEmpty())
            chrome::KesAlert::Alert_OKMsgText(
                m_controller.window(), kMetadataNotKept,
                QStringLiteral("The picture was saved, but not all the information its file "
                               "held (camera data, keywords) could be written into it.\n%1")
                    .arg(exporter->warningString()));
        return WriteResult::Written;
    }
    m_saveError = exporter->errorString();
    return exporter->wasCancelled() ? WriteResult::Cancelled : WriteResult::Failed;
}

}  // namespace app
