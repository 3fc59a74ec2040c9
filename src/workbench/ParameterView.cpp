#include "workbench/ParameterView.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <cmath>
#include <cstdio>

#include "chrome/KesAlert.h"
#include "foundation/ImageBridge.h"
#include "foundation/Labels.h"
#include "foundation/NativeName.h"
#include "foundation/OpenPanel.h"
#include "imaging/Filter.h"
#include "imaging/io/ImageIO.h"
#include "workbench/Autoresizer.h"
#include "workbench/ColorWell.h"
#include "workbench/DovOdovoImageView.h"
#include "workbench/FilterEditing.h"
#include "workbench/FloatSlider.h"
#include "workbench/ParameterMath.h"

namespace workbench {

namespace {

constexpr double kTwoPi = 6.283185307179586;

const char* const kFieldStyle =
    "QLineEdit { background: #1c1c1e; color: #f0f0f0; border: 1px solid #5a5a5e;"
    " border-radius: 2px; padding: 0px 2px; }"
    "QLineEdit:focus { border-color: #e8a43c; }";

QColor qColor(const imaging::Color& c) {
    return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a));
}

imaging::Color engineColor(const QColor& q) {
    float r, g, b, a;
    q.getRgbF(&r, &g, &b, &a);
    return {r, g, b, a};
}

struct TransformFieldInfo {
    const char* label;
    double min, max;
    int dataType, before, after;
};

const TransformFieldInfo kTransformInfo[4] = {
    {"Scale", -2, 2, kScalarData, 4, 2},
    {"Angle", 0, kTwoPi, kAngleData, 3, 1},
    {"Stretch", -2, 2, kScalarData, 4, 2},
    {"Skew", -10, 10, kScalarData, 4, 2},
};

bool isLogField(ParameterView::TransformField f) {
    return f == ParameterView::kScaleField || f == ParameterView::kStretchField;
}

// The slider position of a transform field's value. Scale and stretch are logarithmic; a value
// with no logarithm (0, or a mirrored stretch) puts the slider at its left end.
double sliderPositionFor(ParameterView::TransformField f, float v) {
    if (!isLogField(f)) return v;
    return v > 0 ? double(std::log10(v)) : kTransformInfo[f].min;
}

}  // namespace

ParameterView::ParameterView(QWidget* parent) : QWidget(parent) {}

ParameterView::~ParameterView() = default;

QRect ParameterView::frameOf(const QWidget* control) const {
    return Autoresizer::of(const_cast<ParameterView*>(this))->frame(control);
}

void ParameterView::setUp(std::shared_ptr<imaging::Filter> f, const std::string& k,
                          FilterEditing* m) {
    filter = std::move(f);
    key = k;
    master = m;
    dict.clear();
}

void ParameterView::warnWithoutInputPrefix() const {
    if (key.rfind("input", 0) != 0) std::printf("input key does not begin with input\n");
}

QString ParameterView::labelText() const {
    const imaging::Attribute* a = filter ? filter->attribute(key) : nullptr;
    if (a && !a->displayName.empty()) return QString::fromStdString(a->displayName);
    return foundation::unInterCap(QString::fromStdString(key).mid(5));
}

QFont ParameterView::smallFont() const {
    QFont f = font();
    f.setPointSizeF(9);
    return f;
}

QLabel* ParameterView::makeLabel(const QRect& frame, int mask, const QString& text,
                                 Qt::Alignment align) {
    auto* l = new QLabel(this);
    l->setFont(smallFont());
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(p);
    l->setAlignment(align | Qt::AlignVCenter);
    l->setToolTip(text);
    Autoresizer::of(this)->place(l, frame, mask);
    l->setText(ellipsizeFieldFontString(l->contentsRect().width(), l->font(), text));
    return l;
}

QLineEdit* ParameterView::makeField(const QRect& frame, int mask, const QString& text) {
    auto* e = new QLineEdit(this);
    e->setFont(smallFont());
    e->setStyleSheet(QString::fromLatin1(kFieldStyle));
    e->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    e->setText(text);
    e->setCursorPosition(0);
    e->installEventFilter(this);
    Autoresizer::of(this)->place(e, frame, mask);
    return e;
}

bool ParameterView::eventFilter(QObject* watched, QEvent* event) {
    // The application's undo and redo go before the field's own: the typed value is committed
    // first, so that undo takes back that value (or the step before, when nothing was typed).
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            Q_EMIT field->editingFinished();
            return true;  // not accepted: the key goes on to the menu's shortcut
        }
    }
    return QWidget::eventFilter(watched, event);
}

imaging::Value ParameterView::currentValue() const {
    return filter ? filter->value(key) : imaging::Value();
}

void ParameterView::send(const imaging::Value& v) {
    if (!master) return;
    const QString k = QString::fromStdString(key);
    master->setFilterValueForKey(filter, v, k);
    master->setActionNameForFilterKey(filter.get(), k);
}

void ParameterView::redraw() {
    if (master) master->updateView();
}

// ---------------------------------------------------------------- labels

QString ParameterView::ellipsizeFieldFontString(double width, const QFont& font, const QString& s) {
    const int limit = int(width - 5);
    const QFontMetrics fm(font);
    QString text = s;
    text.replace(QStringLiteral("Replacement Color"), QStringLiteral("Replace With"));
    const QString dots = QStringLiteral("...");
    auto tooWide = [&] { return fm.horizontalAdvance(text) > limit; };
    if (!tooWide() || text.isEmpty()) return text;
    text = text.left(text.size() - 1) + dots;
    while (tooWide() && text != dots) text = text.left(std::max(0, int(text.size()) - 4)) + dots;
    return text;
}

// ---------------------------------------------------------------- slider rows

void ParameterView::addSliderForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                                const std::string& k, FilterEditing* m) {
    setUp(std::move(f), k, m);
    warnWithoutInputPrefix();
    const int w = width();
    const imaging::Attribute* a = filter ? filter->attribute(key) : nullptr;

    slider = new FloatSlider(this);
    Autoresizer::of(this)->place(slider, QRect(94, 0, w - 145, 16), kWidthSizable);
    if (a) {
        const auto maxV = a->sliderMax ? a->sliderMax : a->max;
        const auto minV = a->sliderMin ? a->sliderMin : a->min;
        slider->setMaxValue(float(maxV.value_or(1.0)));
        slider->setMinValue(float(minV.value_or(0.0)));
    }
    const float v = float(currentValue().toNumber());
    slider->setFloatValue(v);
    lastFloatValue = v;
    connect(slider, &FloatSlider::moved, this, &ParameterView::sliderChanged);

    const ValueKind kind = valueKindForType(a ? a->type : std::string());
    dataType = kind.dataType;
    beforeDecimal = kind.beforeDecimal;
    afterDecimal = kind.afterDecimal;

    labelTextField =
        makeLabel(QRect(0, 0, 90, 16), kMaxXMargin | kMinYMargin, labelText(), Qt::AlignRight);
    readoutTextField =
        makeField(QRect(w - 47, 0, 43, 16), kMinXMargin | kMinYMargin,
                  formatNumber(beforeDecimal, afterDecimal, shownValue(dataType, v)));
    connect(readoutTextField, &QLineEdit::editingFinished, this,
            &ParameterView::readoutTextFieldChanged);
}

void ParameterView::sliderChanged() {
    if (!labelTextField) return;
    if (readoutTextField && slider) {
        const float v = slider->floatValue();
        if (v == lastFloatValue) return;
        lastFloatValue = v;
        readoutTextField->setText(
            formatNumber(beforeDecimal, afterDecimal, shownValue(dataType, v)));
        send(imaging::Value(double(v)));
    }
    redraw();
}

void ParameterView::readoutTextFieldChanged() {
    if (!labelTextField) return;
    if (readoutTextField && slider) {
        const float v = filterValueForShown(dataType, numberFromText(readoutTextField->text()));
        if (v == lastFloatValue) return;
        lastFloatValue = v;
        // The slider shows its nearest end; the filter gets the value as typed.
        slider->setFloatValue(v);
        send(imaging::Value(double(v)));
    }
    redraw();
}

// ---------------------------------------------------------------- check boxes

void ParameterView::addCheckBoxForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                                  const std::string& k, FilterEditing* m) {
    setUp(std::move(f), k, m);
    warnWithoutInputPrefix();
    checkBox = new QCheckBox(this);
    checkBox->setFont(smallFont());
    QPalette p = checkBox->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    checkBox->setPalette(p);
    Autoresizer::of(this)->place(checkBox, QRect(76, 0, 155, 16), kMaxXMargin | kMinYMargin);
    checkBox->setText(ellipsizeFieldFontString(155 - 20, checkBox->font(), labelText()));
    checkBox->setChecked(currentValue().toBool());
    connect(checkBox, &QCheckBox::clicked, this, &ParameterView::checkBoxChanged);
}

void ParameterView::checkBoxChanged() {
    if (checkBox) {
        send(imaging::Value(checkBox->isChecked()));
    }
    redraw();
}

// ---------------------------------------------------------------- colour wells

void ParameterView::addColorWellForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                                   const std::string& k, FilterEditing* m) {
    setUp(std::move(f), k, m);
    warnWithoutInputPrefix();
    const int w = width();
    colorWell = new ColorWell(this);
    Autoresizer::of(this)->place(colorWell, QRect(w - 38, 0, 38, 24),
                                 kMinXMargin | kWidthSizable | kMinYMargin);
    colorWell->setColor(qColor(currentValue().toColor()));
    connect(colorWell, &ColorWell::colorChanged, this, &ParameterView::colorWellChanged);
    labelTextField = makeLabel(QRect(0, 0, w - 43, 16), kWidthSizable | kMinYMargin, labelText(),
                               Qt::AlignRight);
}

void ParameterView::colorWellChanged() {
    if (!labelTextField || !colorWell) return;
    send(imaging::Value(engineColor(colorWell->color())));
    redraw();
}

// ---------------------------------------------------------------- image wells

imaging::Image ParameterView::CIImageWithNSImage(const QImage& image) {
    return foundation::imageFromQImage(image);
}

QImage ParameterView::CIImageToNSImageUsingRect(const imaging::Image& image, const QRect& rect) {
    if (image.isNull() || rect.isEmpty()) return {};
    const imaging::Rect e = image.extent();
    const int x0 = std::isfinite(e.x) ? int(std::floor(e.x)) : 0;
    const int y0 = std::isfinite(e.y) ? int(std::floor(e.y)) : 0;
    return foundation::renderQImage(image, {x0, y0, x0 + rect.width(), y0 + rect.height()}, 1.0);
}

QImage ParameterView::thumbnailForImage(const imaging::Image& image) {
    if (image.isNull()) return {};
    const imaging::Rect e = image.extent();
    if (!std::isfinite(e.width) || !std::isfinite(e.height)) return {};
    const Thumbnail t = thumbnailFor(e.width, e.height);
    if (t.width <= 0) return {};
    const imaging::Image scaled =
        image.imageByApplyingTransform(imaging::AffineTransform::scaling(t.sx, t.sy));
    return CIImageToNSImageUsingRect(scaled, QRect(0, 0, t.width, t.height));
}

void ParameterView::showThumbnail() {
    if (imageView) imageView->setImage(thumbnailForImage(currentValue().toImage()));
}

void ParameterView::addImageWellForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                                   const std::string& k, FilterEditing* m) {
    setUp(std::move(f), k, m);
    imageView = new DovOdovoImageView(this);
    Autoresizer::of(this)->place(imageView, QRect(80, 0, 48, 44),
                                 kMinXMargin | kWidthSizable | kMinYMargin);
    connect(imageView, &DovOdovoImageView::imageDropped, this, &ParameterView::imageWellChanged);
    showThumbnail();
    labelTextField =
        makeLabel(QRect(0, 10, 75, 16), kMaxXMargin | kMinYMargin, labelText(), Qt::AlignRight);
    pushButton = new QPushButton(kChooseTitle, this);
    pushButton->setFont(smallFont());
    Autoresizer::of(this)->place(pushButton, QRect(135, 13, 75, 16),
                                 kMinXMargin | kWidthSizable | kMinYMargin);
    connect(pushButton, &QPushButton::clicked, this, &ParameterView::pushButtonChanged);
}

void ParameterView::loadImageFile(const QString& path) {
    imaging::Image picture;
    QString why;
    try {
        picture = imaging::io::readImage(foundation::NativeName::toStdString(path));
    } catch (const std::exception& e) {
        why = QString::fromStdString(e.what());
    }
    if (picture.isNull()) {
        chrome::KesAlert::Alert_OKMsgText(
            window(), foundation::kCouldntOpenFile,
            why.isEmpty() ? foundation::NativeName::displayName(path) : why);
        showThumbnail();  // the well goes back to the picture the parameter keeps
        return;
    }
    send(imaging::Value(picture));
    showThumbnail();
}

void ParameterView::pushButtonChanged() {
    if (!labelTextField || !imageView) return;
    foundation::OpenPanel::Request request;
    request.nameFilters = foundation::OpenPanel::pictureNameFilters();
    // The panel may end after this returns; the row may be gone by then.
    QPointer<ParameterView> self(this);
    foundation::OpenPanel::beginSheetForWindow(
        window(), request, [self](int code, const QStringList& files) {
            if (!self || code != foundation::OpenPanel::kOK || files.isEmpty()) return;
            self->imageView->setFilePath1(files.first());
            self->loadImageFile(files.first());
            self->redraw();
        });
}

void ParameterView::imageWellChanged() {
    if (!labelTextField || !imageView) return;
    // A drop that carried no file leaves the parameter's picture as it is.
    if (!imageView->filePath().isEmpty()) loadImageFile(imageView->filePath());
    redraw();
}

// ---------------------------------------------------------------- transforms

void ParameterView::addTransformForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                                   const std::string& k, FilterEditing* m) {
    setUp(std::move(f), k, m);
    const int w = width();
    const imaging::Value v = currentValue();
    usingNSAffineTransform = v.kind() != imaging::Value::Kind::Vector;
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1;
    if (usingNSAffineTransform) {
        const imaging::AffineTransform t =
            v.isNone() ? imaging::AffineTransform{} : v.toTransform();
        m11 = t.a, m12 = t.b, m21 = t.c, m22 = t.d;
    } else {
        const imaging::Vector vec = v.toVector();
        m11 = vec.at(0), m12 = vec.at(1), m21 = vec.at(2), m22 = vec.at(3);
    }
    const TransformFields fields = transformFields(m11, m12, m21, m22);
    lastTransformValues[kScaleField] = fields.scale;
    lastTransformValues[kAngleField] = fields.angle;
    lastTransformValues[kStretchField] = fields.stretch;
    lastTransformValues[kSkewField] = fields.skew;

    for (int i = 0; i < 4; ++i) {
        const auto field = TransformField(i);
        const TransformFieldInfo& info = kTransformInfo[i];
        const int y = 51 - 17 * i;
        transformDataTypes[i] = info.dataType;
        transformLabels[i] = makeLabel(QRect(0, y, 75, 16), kMaxXMargin | kMinYMargin,
                                       QString::fromLatin1(info.label), Qt::AlignRight);
        auto* s = new FloatSlider(this);
        Autoresizer::of(this)->place(s, QRect(80, y, w - 133, 16), kWidthSizable);
        s->setMinValue(info.min);
        s->setMaxValue(info.max);
        s->setFloatValue(sliderPositionFor(field, lastTransformValues[i]));
        connect(s, &FloatSlider::moved, this, [this, field] { transformSliderChanged(field); });
        transformSliders[i] = s;
        transformReadouts[i] =
            makeField(QRect(w - 48, y, 43, 16), kMinXMargin | kMinYMargin,
                      formatNumber(info.before, info.after,
                                   shownValue(info.dataType, lastTransformValues[i])));
        connect(transformReadouts[i], &QLineEdit::editingFinished, this,
                [this, field] { transformReadoutTextFieldChanged(field); });
    }
}

namespace {
// The translation of a transform value in either form.
std::pair<double, double> translationOf(const imaging::Value& v) {
    if (v.kind() == imaging::Value::Kind::Vector) return {v.toVector().at(4), v.toVector().at(5)};
    if (v.kind() == imaging::Value::Kind::Transform)
        return {v.toTransform().tx, v.toTransform().ty};
    return {0, 0};
}
}  // namespace

void ParameterView::transformSliderChanged(TransformField field) {
    if (!transformLabels[field]) return;
    FloatSlider* s = transformSliders[field];
    QLineEdit* readout = transformReadouts[field];
    if (s && readout) {
        const float v =
            isLogField(field) ? float(std::pow(10.0, double(s->floatValue()))) : s->floatValue();
        if (v == lastTransformValues[field]) return;
        lastTransformValues[field] = v;
        const TransformFieldInfo& info = kTransformInfo[field];
        readout->setText(formatNumber(info.before, info.after, shownValue(info.dataType, v)));
        sendTransformFields();
    }
    redraw();
}

// The four fields with the value's own translation, in the value's own form.
void ParameterView::sendTransformFields() {
    const auto [tx, ty] = translationOf(currentValue());
    const float* f = lastTransformValues;
    if (usingNSAffineTransform)
        send(standard_fields_to_transform(f[0], f[1], f[2], f[3], tx, ty));
    else
        send(standard_fields_to_transform_vector(f[0], f[1], f[2], f[3], tx, ty));
}

void ParameterView::transformReadoutTextFieldChanged(TransformField field) {
    if (!transformLabels[field]) return;
    FloatSlider* s = transformSliders[field];
    QLineEdit* readout = transformReadouts[field];
    if (s && readout) {
        const float typed = numberFromText(readout->text());
        const float v = field == kAngleField ? filterValueForShown(kAngleData, typed) : typed;
        if (v == lastTransformValues[field]) return;
        lastTransformValues[field] = v;
        s->setFloatValue(sliderPositionFor(field, v));
        sendTransformFields();
    }
    redraw();
}

// ---------------------------------------------------------------- vectors and offsets

void ParameterView::addComponentFields(int count) {
    labelTextField =
        makeLabel(QRect(0, 0, 75, 16), kMaxXMargin | kMinYMargin, labelText(), Qt::AlignRight);
    beforeDecimal = 1;
    afterDecimal = 3;
    const imaging::Vector v = currentValue().toVector();
    const int w = width();
    for (int i = 0; i < count; ++i) {
        QLineEdit* e = makeField(componentFieldFrame(w, i), kMinXMargin | kMinYMargin,
                                 formatNumber(beforeDecimal, afterDecimal, float(v.at(i))));
        connect(e, &QLineEdit::editingFinished, this, [this, i] { readoutTextFieldChangedAt(i); });
        connect(e, &QLineEdit::textEdited, this, [this, i] { readoutDidChangeAt(i); });
        readoutFields[i] = e;
    }
}

void ParameterView::addVectorForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                                const std::string& k, FilterEditing* m) {
    setUp(std::move(f), k, m);
    addComponentFields(4);
}

void ParameterView::addOffsetForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                                const std::string& k, FilterEditing* m) {
    setUp(std::move(f), k, m);
    addComponentFields(2);
}

void ParameterView::addReadOnlyFieldForFilterKeyMaster(std::shared_ptr<imaging::Filter> f,
                                                       const std::string& k, FilterEditing* m) {
    setUp(std::move(f), k, m);
    makeLabel(QRect(0, 0, 75, 16), kMaxXMargin | kMinYMargin, labelText(), Qt::AlignRight);
    QLineEdit* e =
        makeField(QRect(80, 0, std::max(10, width() - 80), 16), kWidthSizable | kMinYMargin,
                  QString::fromStdString(currentValue().toString()));
    e->setReadOnly(true);
}

void ParameterView::readoutTextFieldChangedAt(int index) {
    if (!labelTextField) return;
    if (QLineEdit* field = componentField(index)) {
        const float r = numberFromText(field->text());
        // Four components at least; those past the fourth (curves have five) stay as they are.
        std::vector<double> values = currentValue().toVector().values();
        if (values.size() < 4) values.resize(4, 0.0);
        // Leaving a field unchanged is no step to undo.
        if (values[size_t(index)] == double(r)) return;
        values[size_t(index)] = r;
        send(imaging::Vector(std::move(values)));
    }
    redraw();
}

}  // namespace workbench
