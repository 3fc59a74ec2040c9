#pragma once
// One row of a filter's parameter panel: it edits one input of the filter and hands every new
// value to the application (setFilterValueForKey, then the undo step's name, then a redraw); it
// never sets values on the filter itself. Row kinds: slider with a read-out, check box, colour
// well, image well with "Choose", transform (scale, angle, stretch, skew), vector and offset
// components. Frames are y-up in the row.

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <memory>
#include <string>

#include "imaging/Image.h"
#include "imaging/Value.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace imaging {
class Filter;
}
namespace workbench {

class ColorWell;
class DovOdovoImageView;
class FilterEditing;
class FloatSlider;

inline const QString kChooseTitle = QStringLiteral("Choose");

class ParameterView : public QWidget {
    Q_OBJECT

  public:
    explicit ParameterView(QWidget* parent = nullptr);
    ~ParameterView() override;

    // Row builders, called on a row whose frame is already set.
    void addSliderForFilterKeyMaster(std::shared_ptr<imaging::Filter> f, const std::string& k,
                                     FilterEditing* m);
    void addCheckBoxForFilterKeyMaster(std::shared_ptr<imaging::Filter> f, const std::string& k,
                                       FilterEditing* m);
    void addColorWellForFilterKeyMaster(std::shared_ptr<imaging::Filter> f, const std::string& k,
                                        FilterEditing* m);
    void addImageWellForFilterKeyMaster(std::shared_ptr<imaging::Filter> f, const std::string& k,
                                        FilterEditing* m);
    void addTransformForFilterKeyMaster(std::shared_ptr<imaging::Filter> f, const std::string& k,
                                        FilterEditing* m);
    void addVectorForFilterKeyMaster(std::shared_ptr<imaging::Filter> f, const std::string& k,
                                     FilterEditing* m);
    void addOffsetForFilterKeyMaster(std::shared_ptr<imaging::Filter> f, const std::string& k,
                                     FilterEditing* m);
    // Text and data inputs: the value as read-only text.
    void addReadOnlyFieldForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                            const std::string& k, FilterEditing* m);

    // Actions of the controls.
    void sliderChanged();
    void readoutTextFieldChanged();
    void checkBoxChanged();
    void colorWellChanged();
    void imageWellChanged();
    void pushButtonChanged();
    enum TransformField { kScaleField = 0, kAngleField, kStretchField, kSkewField };
    void transformSliderChanged(TransformField field);
    void transformReadoutTextFieldChanged(TransformField field);
    void scaleSliderChanged() { transformSliderChanged(kScaleField); }
    void angleSliderChanged() { transformSliderChanged(kAngleField); }
    void stretchSliderChanged() { transformSliderChanged(kStretchField); }
    void skewSliderChanged() { transformSliderChanged(kSkewField); }
    void scaleReadoutTextFieldChanged() { transformReadoutTextFieldChanged(kScaleField); }
    void angleReadoutTextFieldChanged() { transformReadoutTextFieldChanged(kAngleField); }
    void stretchReadoutTextFieldChanged() { transformReadoutTextFieldChanged(kStretchField); }
    void skewReadoutTextFieldChanged() { transformReadoutTextFieldChanged(kSkewField); }
    // Component field `index` (0 to 3) ended editing, or its text changed by a keystroke: the
    // two behave the same.
    void readoutTextFieldChangedAt(int index);
    void readoutDidChangeAt(int index) { readoutTextFieldChangedAt(index); }

    // A label's text shortened to fit `width` in `font`: "Replacement Color" reads "Replace
    // With", and a text still too wide ends in "...".
    static QString ellipsizeFieldFontString(double width, const QFont& font, const QString& s);
    // Between platform images and engine pictures.
    static imaging::Image CIImageWithNSImage(const QImage& image);
    static QImage CIImageToNSImageUsingRect(const imaging::Image& image, const QRect& rect);
    // The thumbnail an image row shows for `image`.
    static QImage thumbnailForImage(const imaging::Image& image);

    // For tests and the canvas.
    const std::string& getKey() const { return key; }
    FloatSlider* getSlider() const { return slider; }
    QLineEdit* getReadout() const { return readoutTextField; }
    QLabel* getLabel() const { return labelTextField; }
    QCheckBox* getCheckBox() const { return checkBox; }
    ColorWell* getColorWell() const { return colorWell; }
    DovOdovoImageView* getImageView() const { return imageView; }
    QPushButton* getPushButton() const { return pushButton; }
    FloatSlider* transformSlider(TransformField f) const { return transformSliders[f]; }
    QLineEdit* transformReadout(TransformField f) const { return transformReadouts[f]; }
    QLabel* transformLabel(TransformField f) const { return transformLabels[f]; }
    float transformValue(TransformField f) const { return lastTransformValues[f]; }
    QLineEdit* componentField(int i) const { return i >= 0 && i < 4 ? readoutFields[i] : nullptr; }
    int getDataType() const { return dataType; }
    float getLastFloatValue() const { return lastFloatValue; }
    bool isUsingNSAffineTransform() const { return usingNSAffineTransform; }
    // A control's y-up frame in the row.
    QRect frameOf(const QWidget* control) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setUp(std::shared_ptr<imaging::Filter> f, const std::string& k, FilterEditing* m);
    void warnWithoutInputPrefix() const;
    QString labelText() const;
    QFont smallFont() const;
    QLabel* makeLabel(const QRect& frame, int mask, const QString& text, Qt::Alignment align);
    QLineEdit* makeField(const QRect& frame, int mask, const QString& text);
    imaging::Value currentValue() const;
    // Sends a new value through the controller and names the undo step.
    void send(const imaging::Value& v);
    void sendTransformFields();
    void redraw();
    // Puts the picture of `path` into the parameter; tells the user when it cannot be read and
    // keeps the parameter's picture then.
    void loadImageFile(const QString& path);
    void showThumbnail();
    void addComponentFields(int count);

    std::shared_ptr<imaging::Filter> filter;
    QVariantMap dict;  // not used by the filter panel
    std::string key;
    FilterEditing* master = nullptr;
    FloatSlider* slider = nullptr;
    int dataType = 0;
    QCheckBox* checkBox = nullptr;
    ColorWell* colorWell = nullptr;
    DovOdovoImageView* imageView = nullptr;
    QPushButton* pushButton = nullptr;
    QLabel* labelTextField = nullptr;
    QLineEdit* readoutTextField = nullptr;
    QTextEdit* textView = nullptr;  // not used by the filter panel
    int beforeDecimal = 4;
    int afterDecimal = 2;
    float lastFloatValue = 0;
    // Transform rows: scale, angle, stretch, skew.
    FloatSlider* transformSliders[4] = {};
    QLabel* transformLabels[4] = {};
    QLineEdit* transformReadouts[4] = {};
    int transformDataTypes[4] = {};
    float lastTransformValues[4] = {1, 0, 1, 0};
    bool usingNSAffineTransform = true;
    // Vector and offset rows.
    QLineEdit* readoutFields[4] = {};
};

}  // namespace workbench
