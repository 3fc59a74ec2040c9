#include "workbench/FilterView.h"

#include <cmath>

#include "imaging/Filter.h"
#include "workbench/Autoresizer.h"
#include "workbench/ParameterView.h"

namespace workbench {

namespace {

struct RowGeometry {
    int step;
    int height;
    int mask;
};

RowGeometry geometryOf(RowKind kind) {
    switch (kind) {
        case kSliderRow:
            return {18, 18, kWidthSizable | kMinYMargin};
        case kCheckBoxRow:
            return {17, 16, kMaxXMargin | kMinYMargin};
        case kImageWellRow:
            return {48, 44, kWidthSizable | kMaxXMargin | kMinYMargin};
        case kTransformRow:
            return {68, 67, kWidthSizable | kMinYMargin};
        case kVectorRow:
        case kOffsetRow:
        case kReadOnlyRow:
            return {17, 16, kWidthSizable | kMinYMargin};
        case kColorWellRow:
            return {30, 26, 0};
        case kNoRow:
            break;
    }
    return {0, 0, 0};
}

}  // namespace

FilterView::FilterView(const QRect& frame, QWidget* parent) : EffectStackBox(parent) {
    if (parent)
        Autoresizer::of(parent)->place(this, frame, kWidthSizable | kMinYMargin);
    else
        setGeometry(0, 0, frame.width(), frame.height());
    controlTopPosition = frame.height();
}

QRect FilterView::frame() const {
    if (parentWidget()) return Autoresizer::of(parentWidget())->frame(this);
    return QRect(0, 0, width(), height());
}

void FilterView::setFrame(const QRect& f) {
    if (parentWidget())
        Autoresizer::of(parentWidget())->setFrame(this, f);
    else
        resize(f.size());
}

bool FilterView::isCompositingFilter(const imaging::Filter& f) {
    for (const imaging::Attribute& a : f.attributes())
        if (a.isImage() && a.key == "inputBackgroundImage") return true;
    return false;
}

RowKind FilterView::rowKindForKey(const imaging::Filter& f, const std::string& key,
                                  bool compositing) {
    const imaging::Attribute* a = f.attribute(key);
    if (!a) return kNoRow;
    const std::string& cls = a->className;
    if (cls == imaging::kClassNumber)
        return a->type == imaging::kCIAttributeTypeBoolean ? kCheckBoxRow : kSliderRow;
    if (cls == imaging::kClassColor) return kColorWellRow;
    if (cls == imaging::kClassImage) {
        // The input fed with the picture itself has no well.
        const char* fed = compositing ? "inputBackgroundImage" : "inputImage";
        return key == fed ? kNoRow : kImageWellRow;
    }
    if (cls == imaging::kClassTransform) return kTransformRow;
    if (cls == imaging::kClassData || cls == imaging::kClassString) return kReadOnlyRow;
    if (cls == imaging::kClassVector) {
        if (a->type.empty()) return kVectorRow;
        if (a->type == imaging::kCIAttributeTypeOffset) return kOffsetRow;
        return kNoRow;  // positions, rectangles and the like are handles on the canvas
    }
    return kNoRow;
}

void FilterView::tryFilterHeader() {
    const QRect b = bounds();
    controlTopPosition = int(b.height() - 38 + b.y() - 8);
}

int FilterView::pairColorWell() {
    const int w = frame().width();
    if (lastControlType == kColorWellRow) {
        controlTopPosition += 30;
        const int half = int(std::floor((w - 20) * 0.5));
        colorWellOffset = colorWellOffset + half;
        if (colorWellOffset > controlLeftPosition + half) {
            colorWellOffset = controlLeftPosition;
            controlTopPosition -= 30;
        }
    } else {
        colorWellOffset = controlLeftPosition;
    }
    return colorWellOffset;
}

void FilterView::tryRow(RowKind kind) {
    if (kind == kColorWellRow) pairColorWell();
    controlTopPosition -= geometryOf(kind).step;
    lastControlType = kind;
}

void FilterView::trySliderForFilterKey(const std::string&) {
    tryRow(kSliderRow);
}
void FilterView::tryCheckBoxForFilterKey(const std::string&) {
    tryRow(kCheckBoxRow);
}
void FilterView::tryImageWellForFilterKey(const std::string&) {
    tryRow(kImageWellRow);
}
void FilterView::tryTransformForFilterKey(const std::string&) {
    tryRow(kTransformRow);
}
void FilterView::tryVectorForFilterKey(const std::string&) {
    tryRow(kVectorRow);
}
void FilterView::tryOffsetForFilterKey(const std::string&) {
    tryRow(kOffsetRow);
}
void FilterView::tryColorWellForFilterKey(const std::string&) {
    tryRow(kColorWellRow);
}

bool FilterView::trimBox() {
    controlTopPosition -= 3;
    const bool fits = controlTopPosition > 0;
    if (fits) {
        QRect f = frame();
        f.setHeight(f.height() - controlTopPosition);
        f.moveTop(f.y() + controlTopPosition);
        setFrame(f);
    }
    lastControlType = kNoRow;
    return fits;
}

void FilterView::addFilterHeaderTagEnabled(int, bool) {
    const QRect b = bounds();
    controlTopPosition = int(b.y() + b.height() - 10);
}

ParameterView* FilterView::addRow(RowKind kind, const std::string& key) {
    const RowGeometry g = geometryOf(kind);
    const int W = frame().width();
    const int L = controlLeftPosition, T = controlTopPosition;
    QRect rowFrame;
    int mask = g.mask;
    switch (kind) {
        case kSliderRow:
            rowFrame = QRect(0, T - g.height, bounds().width() - 12, g.height);
            break;
        case kColorWellRow: {
            const int x = pairColorWell();
            const int half = int(std::floor((W - 20) * 0.5));
            rowFrame = QRect(x, controlTopPosition - g.height, half, g.height);
            mask = x != L ? kMinXMargin | kWidthSizable | kMinYMargin
                          : kWidthSizable | kMaxXMargin | kMinYMargin;
            break;
        }
        default:
            rowFrame = QRect(L, T - g.height, W - 10, g.height);
            break;
    }
    auto* row = new ParameterView(this);
    Autoresizer::of(this)->place(row, rowFrame, mask);
    switch (kind) {
        case kSliderRow:
            row->addSliderForFilterKeyMaster(filter, key, master);
            break;
        case kCheckBoxRow:
            row->addCheckBoxForFilterKeyMaster(filter, key, master);
            break;
        case kImageWellRow:
            row->addImageWellForFilterKeyMaster(filter, key, master);
            break;
        case kTransformRow:
            row->addTransformForFilterKeyMaster(filter, key, master);
            break;
        case kVectorRow:
            row->addVectorForFilterKeyMaster(filter, key, master);
            break;
        case kOffsetRow:
            row->addOffsetForFilterKeyMaster(filter, key, master);
            break;
        case kColorWellRow:
            row->addColorWellForFilterKeyMaster(filter, key, master);
            break;
        case kReadOnlyRow:
            row->addReadOnlyFieldForFilterKeyMaster(filter, key, master);
            break;
        case kNoRow:
            break;
    }
    row->show();
    controlTopPosition -= g.step;
    lastControlType = kind;
    return row;
}

ParameterView* FilterView::addSliderForFilterKey(const std::string& key) {
    return addRow(kSliderRow, key);
}
ParameterView* FilterView::addCheckBoxForFilterKey(const std::string& key) {
    return addRow(kCheckBoxRow, key);
}
ParameterView* FilterView::addImageWellForFilterKey(const std::string& key) {
    return addRow(kImageWellRow, key);
}
ParameterView* FilterView::addTransformForFilterKey(const std::string& key) {
    return addRow(kTransformRow, key);
}
ParameterView* FilterView::addVectorForFilterKey(const std::string& key) {
    return addRow(kVectorRow, key);
}
ParameterView* FilterView::addOffsetForFilterKey(const std::string& key) {
    return addRow(kOffsetRow, key);
}
ParameterView* FilterView::addColorWellForFilterKey(const std::string& key) {
    return addRow(kColorWellRow, key);
}

bool FilterView::buildRows() {
    tryFilterHeader();
    if (!filter) return trimBox();
    const bool compositing = isCompositingFilter(*filter);
    const std::vector<std::string> keys = filter->inputKeys();
    for (const std::string& key : keys) {
        const RowKind kind = rowKindForKey(*filter, key, compositing);
        if (kind != kNoRow) tryRow(kind);
    }
    const bool fits = trimBox();
    addFilterHeaderTagEnabled(tag, true);
    for (const std::string& key : keys) {
        const RowKind kind = rowKindForKey(*filter, key, compositing);
        if (kind != kNoRow) addRow(kind, key);
    }
    update();
    return fits;
}

int FilterView::neededHeight(const imaging::Filter& f, int width) {
    // The try pass on a panel of height 0: how far it goes below 0 is the room the rows take.
    FilterView probe(QRect(0, 0, width, 0), nullptr);
    probe.tryFilterHeader();
    const bool compositing = isCompositingFilter(f);
    for (const std::string& key : f.inputKeys()) {
        const RowKind kind = rowKindForKey(f, key, compositing);
        if (kind != kNoRow) probe.tryRow(kind);
    }
    return -probe.controlTopPosition + 3 + 1;
}

}  // namespace workbench
