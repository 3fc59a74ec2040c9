#pragma once
// Saving: the save panel with its format and resolution pop-ups, rewriting the picture's own
// file, the raster and PDF writers, and the end of a quit that asked to save first. What is
// written is the current mode's result (Controller::createObjectImage).

#include <QObject>
#include <QString>
#include <functional>

namespace foundation {
class SaveAccessoryView;
class SavePanel;
}  // namespace foundation

namespace app {

class Controller;

class SaveFlow : public QObject {
    Q_OBJECT

  public:
    enum class SaveOutcome {
        Saved,     // written, or nothing to write
        Declined,  // the panel or the replace question was cancelled
        Failed,    // nothing written; the reason is in lastSaveError()
    };

    explicit SaveFlow(Controller& controller);
    ~SaveFlow() override;

    // The save panel's accessory: the format pop-up (tag 1) and the resolution pop-up (tag 2).
    foundation::SaveAccessoryView* accessoryView() const { return saveObjectOutlet; }

    // Save: the picture's own file, or the panel when it has none.
    void saveImg();
    // Save, then `next` once the picture is saved (never when the save was declined or failed).
    void saveThen(std::function<void()> next);
    void runSavePanel();
    void savePanelDidEndReturnCodeContextInfo(foundation::SavePanel& panel, int returnCode,
                                              void* contextInfo = nullptr);
    // Rewrites the picture's own file in the format its extension names.
    SaveOutcome saveExistFile();
    // Fills the format pop-up with the formats this system can write, PDF last.
    void initExportFormats();
    // Raster file of the current result; true on success and when there is nothing to write.
    bool simplySaveResolutionPath(int formatIndex, double resolution, const QString& path);
    // One-page PDF of the current result (the resolution plays no part).
    bool createPDFFileResolution(const QString& path, double resolution);
    // The format index chosen last.
    int formatType() const { return format_type; }
    QString lastSaveError() const { return m_saveError; }

  private:
    enum class WriteResult { Written, NothingToWrite, Failed, Cancelled };
    // Writes the current result in the format, at the resolution.
    WriteResult writeResult(int formatIndex, double resolution, const QString& path);
    SaveOutcome writeAndRecord(int formatIndex, double resolution, const QString& path);
    // Reports a failure, and ends a quit that waited for the save.
    void finishSave(SaveOutcome outcome);
    double chosenResolution() const;

    Controller& m_controller;
    // Lent to each save panel; outlives the window, which may still hold a panel.
    foundation::SaveAccessoryView* saveObjectOutlet;
    int format_type = 0;
    QString m_saveError;
    QString m_saveDirectory;
    std::function<void()> m_afterSave;
};

}  // namespace app
