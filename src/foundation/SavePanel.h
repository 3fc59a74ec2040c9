#pragma once
// The save panel: a window-modal file dialog that asks where to write a picture, with an
// accessory view below the file list. The accessory the program uses holds a format pop-up
// and a resolution pop-up, found by their view tags.
//
// Tests answer the panel without a person through a responder (setResponder), which may set
// the file name and pick pop-up items before it returns the panel's code.

#include <QComboBox>
#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <functional>

class QSlider;

namespace foundation {

class FilePanelDialog;

// A pop-up button whose items carry integer tags.
class PopUpButton : public QComboBox {
    Q_OBJECT

  public:
    using QComboBox::QComboBox;

    void addItemWithTitleTag(const QString& title, int tag);
    // The selected item's tag; -1 with nothing selected.
    int selectedTag() const;
    // Selects the first item with the tag; false (selection unchanged) when there is none.
    bool selectItemWithTag(int tag);
    int indexOfItemWithTag(int tag) const;
    QList<int> itemTags() const;
};

// The accessory of the save panel: "Format" pop-up (view tag 1, items tagged with the export
// format index, filled by the controller), "Resolution" pop-up (view tag 2, items tagged with
// dots per inch: 72, 150, 300, 600; 300 selected at first) and, only while the chosen format has
// one (JPEG), a "Quality" slider from 0 to 100 (90 at first). The accessory lives as long as the
// program, so the choices carry over from one save to the next.
class SaveAccessoryView : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kFormatPopUpTag = 1;
    static constexpr int kResolutionPopUpTag = 2;
    static constexpr int kDefaultResolution = 300;

    explicit SaveAccessoryView(QWidget* parent = nullptr);

    // The pop-up with this view tag, or nothing.
    PopUpButton* viewWithTag(int tag) const;
    QSlider* qualitySlider() const { return m_quality; }
    // Whether the quality slider is offered for the chosen format.
    bool offersQuality() const;

  private:
    void formatChosen();

    PopUpButton* m_format = nullptr;
    PopUpButton* m_resolution = nullptr;
    QSlider* m_quality = nullptr;
    QWidget* m_qualityRow = nullptr;
};

class SavePanel : public QObject {
    Q_OBJECT

  public:
    // Return codes: 1 when the user chose a file, 0 when the panel was cancelled.
    static constexpr int kOK = 1;
    static constexpr int kCancel = 0;
    using EndHandler = std::function<void(SavePanel& panel, int returnCode)>;
    using Responder = std::function<int(SavePanel& panel)>;

    // A new panel for the window. It deletes itself once its end handler has run.
    static SavePanel* savePanel(QWidget* window);
    ~SavePanel() override;

    void setTitle(const QString& title);
    QString title() const;
    // Shown below the file list while the panel is up; handed back to its parent afterwards,
    // which must outlive the panel (a view without parent stays without one).
    void setAccessoryView(QWidget* view);
    QWidget* accessoryView() const { return m_accessory; }

    // Shows the panel window-modal on `window`, in `directory` with `file` as the proposed name
    // (either may be empty), and calls `didEnd` when it is answered.
    void beginSheetForDirectory(const QString& directory, const QString& file, QWidget* window,
                                EndHandler didEnd);
    // The chosen file's path.
    QString filename() const;
    // For responders: the path as if the user had typed it.
    void setFilename(const QString& path) { m_filename = path; }
    QString directory() const;
    QString proposedName() const { return m_proposedName; }
    // Takes the panel off the screen and gives the accessory back.
    void orderOut();
    QFileDialog* dialog() const;

    static void setResponder(Responder responder);

  private:
    explicit SavePanel(QWidget* window);
    void end(int code);

    QPointer<FilePanelDialog> m_dialog;
    QPointer<QWidget> m_accessory;
    QPointer<QWidget> m_accessoryOwner;
    QString m_filename;
    QString m_proposedName;
    EndHandler m_didEnd;
    bool m_ended = false;
};

}  // namespace foundation
