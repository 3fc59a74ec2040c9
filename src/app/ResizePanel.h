#pragma once
// The resize panel: the user types a new width and height in pixels, percent or a length unit,
// optionally keeping the picture's proportions, and resizes the picture in one undoable step.
// One pixel counts as one typographic point (72 per inch).

#include <QDialog>
#include <QString>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace chrome {
class BaseColoredButton;
}

namespace app {

class Controller;

// Unit tags of the unit chooser.
namespace unit {
inline constexpr int pixels = 1, percent = 2, inches = 3, millimetres = 4, centimetres = 5,
                     picas = 6;
}

// The panel's arithmetic, apart from its widgets: the picture's size, the values of the two
// fields in the current unit, the unit, and whether the user has finished an edit since the
// last reset. A picture without area leaves the fields as they are wherever a computation
// would divide by its size.
class ResizeModel {
  public:
    // Points per unit (getDiv:); percent and unknown tags give 1.
    static double getDiv(int tag);

    // A value in the current unit, in pixels.
    double toPoint(double value) const { return value * getDiv(mMeasurement); }

    // A new picture size: both fields show it (in the current unit), the edits are forgotten.
    void setWH(double w, double h);
    // The user finished editing a field (controlTextDidEndEditing:). Unless `proportionsFree`,
    // the other field follows, keeping the picture's proportions. A value that is not a number
    // changes only its own field.
    void endEditing(bool widthField, double value, bool proportionsFree);
    // Shows the fields in unit `tag` (changeMeasurements:).
    void changeMeasurements(int tag);
    // Back to the current size in pixels (cancel:).
    void cancel();

    enum class Verdict { Nothing, Resize, Invalid, TooLarge };
    struct Target {
        Verdict verdict = Verdict::Nothing;
        double width = 0, height = 0;  // pixels
    };
    // What resize: does: nothing until an edit was finished or without a picture; otherwise the
    // size in pixels, judged.
    Target target() const;

    bool hasArea() const { return width > 0 && height > 0; }

    double width = 0, height = 0;  // the picture's size in pixels
    int mMeasurement = unit::pixels;
    bool wasChanged = false;
    double fieldWidth = 0, fieldHeight = 0;  // the fields' values, in mMeasurement
};

class ResizePanel : public QDialog {
    Q_OBJECT

  public:
    static inline const QString kTitle = QStringLiteral("Resize Image");
    static inline const QString kMenuTitle = QStringLiteral("Resize Image ...");
    static inline const QString kCannotResize =
        QStringLiteral("The picture cannot be resized to that size.");

    explicit ResizePanel(Controller* controller, QWidget* parent = nullptr);

    // setWH:h: — the picture's new size.
    void setWHH(double w, double h);
    // Factor of unit `tag`; 0 means the current unit.
    double getDiv(int tag) const;
    double toPoint(double value) const { return m_model.toPoint(value); }
    // The tag of the selected unit.
    int getMeasures() const;

    // Actions of the panel's controls.
    void changeMeasurements();
    void controlTextDidEndEditing(QLineEdit* field);
    using QDialog::resize;
    void resize(QObject* sender);
    void cancel(QObject* sender = nullptr);
    void makeKeyAndOrderFront();
    void performClose();
    // The menu item that opens and closes the panel shows a check mark while it is open.
    bool validateMenuItem(QAction* item);

    const ResizeModel& model() const { return m_model; }

    QLineEdit* mWidth = nullptr;
    QLineEdit* mHeight = nullptr;
    QLabel* mCaptionInfo = nullptr;
    // Selected: the fields are independent; not selected: they keep the proportions.
    chrome::BaseColoredButton* mPropBtn = nullptr;
    QComboBox* mMeasurePopup = nullptr;
    QPushButton* mResizeBtn = nullptr;
    QPushButton* mCancelBtn = nullptr;
    Controller* controller = nullptr;

  private:
    // Shows the model's values in the fields and the caption.
    void showModel();
    void selectUnit(int tag);
    void updatePropTip();

    ResizeModel m_model;
};

// A value as a field shows it: at most two decimals, no trailing zeros.
QString formatFieldValue(double value);
// A field's text as a number; NaN when it is not one.
double parseFieldValue(const QString& text);

}  // namespace app
