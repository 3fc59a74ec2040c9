#include "app/ResizePanel.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/Controller.h"
#include "chrome/BaseColoredButton.h"
#include "chrome/KesAlert.h"
#include "chrome/Skin.h"
#include "foundation/Resources.h"
#include "imaging/Error.h"

namespace app {

// ---------------------------------------------------------------- arithmetic

double ResizeModel::getDiv(int tag) {
    switch (tag) {
        case unit::inches:
            return 72.0;
        case unit::millimetres:
            return 2.835;
        case unit::centimetres:
            return 28.35;
        case unit::picas:
            return 12.0;
        default:  // pixels, percent (handled apart) and anything else
            return 1.0;
    }
}

void ResizeModel::setWH(double w, double h) {
    width = w;
    height = h;
    // In the unit the chooser shows, so that the fields never disagree with it.
    if (mMeasurement == unit::percent) {
        fieldWidth = fieldHeight = 100;
    } else {
        const double k = getDiv(mMeasurement);
        fieldWidth = w / k;
        fieldHeight = h / k;
    }
    wasChanged = false;
}

void ResizeModel::endEditing(bool widthField, double value, bool proportionsFree) {
    (widthField ? fieldWidth : fieldHeight) = value;
    wasChanged = true;
    if (proportionsFree || !std::isfinite(value)) return;
    if (mMeasurement == unit::percent) {
        (widthField ? fieldHeight : fieldWidth) = value;
        return;
    }
    if (!hasArea()) return;
    if (widthField)
        fieldHeight = value * (height / width);
    else
        fieldWidth = value * (width / height);
}

void ResizeModel::changeMeasurements(int tag) {
    const int from = mMeasurement;
    if (tag == from) return;
    if (tag != unit::percent) {
        const double k = 1.0 / getDiv(tag);
        if (from != unit::percent) {
            // The typed values read in the old unit, or the picture's own size.
            const double w = wasChanged ? toPoint(fieldWidth) : width;
            const double h = wasChanged ? toPoint(fieldHeight) : height;
            fieldWidth = w * k;
            fieldHeight = h * k;
        } else {
            fieldWidth = fieldWidth / 100 * width * k;
            fieldHeight = fieldHeight / 100 * height * k;
        }
    } else if (hasArea()) {
        fieldWidth = toPoint(fieldWidth) / width * 100;
        fieldHeight = toPoint(fieldHeight) / height * 100;
    }
    mMeasurement = tag;
}

void ResizeModel::cancel() {
    fieldWidth = width;
    fieldHeight = height;
    mMeasurement = unit::pixels;
    wasChanged = false;
}

ResizeModel::Target ResizeModel::target() const {
    if (!wasChanged || !hasArea()) return {};
    Target t;
    t.verdict = Verdict::Resize;
    if (mMeasurement == unit::percent) {
        t.width = fieldWidth / 100 * width;
        t.height = fieldHeight / 100 * height;
    } else {
        t.width = toPoint(fieldWidth);
        t.height = toPoint(fieldHeight);
    }
    const double w = std::round(t.width), h = std::round(t.height);
    if (!std::isfinite(w) || !std::isfinite(h) || w < 1 || h < 1)
        t.verdict = Verdict::Invalid;
    else if (w > imaging::kMaxSide || h > imaging::kMaxSide || w * h > double(imaging::kMaxPixels))
        t.verdict = Verdict::TooLarge;
    return t;
}

namespace {
QLocale fieldLocale() {
    QLocale l;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
}
}  // namespace

QString formatFieldValue(double value) {
    if (!std::isfinite(value)) return {};
    const QLocale l = fieldLocale();
    QString s = l.toString(value, 'f', 2);
    const QString point = l.decimalPoint();
    if (s.contains(point)) {
        while (s.endsWith(l.zeroDigit())) s.chop(1);
        if (s.endsWith(point)) s.chop(point.size());
    }
    if (s == QStringLiteral("-0")) s = l.zeroDigit();
    return s;
}

double parseFieldValue(const QString& text) {
    bool ok = false;
    double v = fieldLocale().toDouble(text.trimmed(), &ok);
    if (!ok) v = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? v : std::nan("");
}

// ---------------------------------------------------------------- panel

ResizePanel::ResizePanel(Controller* c, QWidget* parent) : QDialog(parent), controller(c) {
    setObjectName(QStringLiteral("resizePanel"));
    setWindowTitle(kTitle);
    setWindowFlag(Qt::Tool);
    setModal(false);
    setPalette(chrome::darkPalette());
    setAutoFillBackground(true);

    mCaptionInfo = new QLabel;
    mCaptionInfo->setObjectName(QStringLiteral("mCaptionInfo"));
    auto* validator = new QDoubleValidator(0, 1e9, 4, this);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(fieldLocale());
    auto makeField = [&](const QString& name) {
        auto* f = new QLineEdit;
        f->setObjectName(name);
        f->setValidator(validator);
        f->setAlignment(Qt::AlignRight);
        f->setFixedWidth(110);
        connect(f, &QLineEdit::editingFinished, this, [this, f] { controlTextDidEndEditing(f); });
        return f;
    };
    mWidth = makeField(QStringLiteral("mWidth"));
    mHeight = makeField(QStringLiteral("mHeight"));

    mPropBtn = new chrome::BaseColoredButton;
    mPropBtn->setObjectName(QStringLiteral("mPropBtn"));
    mPropBtn->setImage(foundation::Resources::imageNamed(QStringLiteral("prop_off")));
    mPropBtn->setAlternateImage(foundation::Resources::imageNamed(QStringLiteral("prop_on")));
    mPropBtn->setFixedSize(24, 52);
    connect(mPropBtn, &QPushButton::clicked, this, [this] {
        mPropBtn->setState(mPropBtn->state() ? 0 : 1);
        updatePropTip();
    });
    updatePropTip();

    mMeasurePopup = new QComboBox;
    mMeasurePopup->setObjectName(QStringLiteral("mMeasurePopup"));
    const std::pair<const char*, int> units[] = {
        {"Pixels", unit::pixels},           {"Percent", unit::percent},
        {"Inches", unit::inches},           {"Millimetres", unit::millimetres},
        {"Centimetres", unit::centimetres}, {"Picas", unit::picas}};
    for (const auto& [title, tag] : units) mMeasurePopup->addItem(QString::fromLatin1(title), tag);
    connect(mMeasurePopup, &QComboBox::activated, this, [this] { changeMeasurements(); });

    mResizeBtn = new QPushButton(QStringLiteral("Resize"));
    mResizeBtn->setObjectName(QStringLiteral("resizeBtn"));
    mResizeBtn->setDefault(true);
    mResizeBtn->setAutoDefault(true);
    mCancelBtn = new QPushButton(QStringLiteral("Cancel"));
    mCancelBtn->setObjectName(QStringLiteral("cancelBtn"));
    mCancelBtn->setAutoDefault(false);
    connect(mResizeBtn, &QPushButton::clicked, this, [this] { resize(mResizeBtn); });
    // Cancel puts the fields back and closes the panel, as Escape does.
    connect(mCancelBtn, &QPushButton::clicked, this, [this] {
        cancel(mCancelBtn);
        performClose();
    });

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->addWidget(new QLabel(QStringLiteral("Current size:")), 0, 0, Qt::AlignRight);
    grid->addWidget(mCaptionInfo, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Width:")), 1, 0, Qt::AlignRight);
    grid->addWidget(mWidth, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Height:")), 2, 0, Qt::AlignRight);
    grid->addWidget(mHeight, 2, 1);
    grid->addWidget(mPropBtn, 1, 2, 2, 1, Qt::AlignVCenter | Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Units:")), 3, 0, Qt::AlignRight);
    grid->addWidget(mMeasurePopup, 3, 1);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(mCancelBtn);
    buttons->addWidget(mResizeBtn);

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(16, 14, 16, 14);
    col->setSpacing(14);
    col->addLayout(grid);
    col->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));

    showModel();
}

void ResizePanel::updatePropTip() {
    mPropBtn->setToolTip(mPropBtn->state()
                             ? QStringLiteral("Width and height change independently")
                             : QStringLiteral("Width and height keep the picture's proportions"));
}

void ResizePanel::showModel() {
    mWidth->setText(formatFieldValue(m_model.fieldWidth));
    mHeight->setText(formatFieldValue(m_model.fieldHeight));
    mWidth->setModified(false);
    mHeight->setModified(false);
    mCaptionInfo->setText(QStringLiteral("%1 x %2 pixels")
                              .arg(qlonglong(m_model.width))
                              .arg(qlonglong(m_model.height)));
}

void ResizePanel::selectUnit(int tag) {
    const int i = mMeasurePopup->findData(tag);
    mMeasurePopup->setCurrentIndex(i >= 0 ? i : 0);
}

void ResizePanel::setWHH(double w, double h) {
    m_model.setWH(w, h);
    showModel();
}

double ResizePanel::getDiv(int tag) const {
    return ResizeModel::getDiv(tag == 0 ? m_model.mMeasurement : tag);
}

int ResizePanel::getMeasures() const {
    return mMeasurePopup->currentData().toInt();
}

void ResizePanel::changeMeasurements() {
    m_model.changeMeasurements(getMeasures());
    // Only the values change; an edit in progress stays an edit.
    const bool wm = mWidth->isModified(), hm = mHeight->isModified();
    showModel();
    mWidth->setModified(wm);
    mHeight->setModified(hm);
}

void ResizePanel::controlTextDidEndEditing(QLineEdit* field) {
    // Leaving a field without typing is no edit.
    if (!field || !field->isModified()) return;
    field->setModified(false);
    m_model.endEditing(field == mWidth, parseFieldValue(field->text()), mPropBtn->state() != 0);
    QLineEdit* other = field == mWidth ? mHeight : mWidth;
    const bool otherModified = other->isModified();
    other->setText(formatFieldValue(field == mWidth ? m_model.fieldHeight : m_model.fieldWidth));
    other->setModified(otherModified);
}

void ResizePanel::resize(QObject*) {
    // A value typed but not yet confirmed counts, as when the button takes the focus.
    for (QLineEdit* f : {mWidth, mHeight}) controlTextDidEndEditing(f);
    const ResizeModel::Target t = m_model.target();
    switch (t.verdict) {
        case ResizeModel::Verdict::Nothing:
            return;
        case ResizeModel::Verdict::Invalid:
            chrome::KesAlert::Alert_OKMsgText(
                this, kCannotResize,
                QStringLiteral("Type a width and a height of at least one pixel."));
            return;
        case ResizeModel::Verdict::TooLarge:
            chrome::KesAlert::Alert_OKMsgText(
                this, kCannotResize,
                QStringLiteral("The new picture would be %1 x %2 pixels; a picture can have at "
                               "most %3 pixels on a side and %4 million pixels in all.")
                    .arg(std::round(t.width), 0, 'f', 0)
                    .arg(std::round(t.height), 0, 'f', 0)
                    .arg(imaging::kMaxSide)
                    .arg(imaging::kMaxPixels / 1000000));
            return;
        case ResizeModel::Verdict::Resize:
            break;
    }
    // The controller reports the new size back through setWHH.
    if (controller) controller->resizeImageHeight(float(t.width), float(t.height));
    cancel(nullptr);
}

void ResizePanel::cancel(QObject*) {
    m_model.cancel();
    selectUnit(unit::pixels);
    showModel();
}

void ResizePanel::makeKeyAndOrderFront() {
    if (controller) {
        const imaging::Rect r = controller->getBgImageExtent();
        if (!r.isEmpty() && !r.isInfinite()) {
            // The fields show pixels, and so does the chooser.
            m_model.mMeasurement = unit::pixels;
            selectUnit(unit::pixels);
            setWHH(r.width, r.height);
        }
    }
    show();
    raise();
    activateWindow();
}

void ResizePanel::performClose() {
    close();
}

bool ResizePanel::validateMenuItem(QAction* item) {
    if (!item) return false;
    item->setCheckable(true);
    item->setChecked(isVisible());
    return true;
}

}  // namespace app
