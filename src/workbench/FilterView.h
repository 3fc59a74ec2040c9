#pragma once
// The parameter panel of one filter: one row per input key that has a row kind, stacked from
// the top in input-key order. Built in two passes: the try pass reserves the rows' room so that
// the panel can be trimmed to its content, the add pass creates the rows. Frames are y-up, in
// the parent's coordinates.

#include <QRect>
#include <string>

#include "workbench/EffectStackBox.h"

class QLabel;

namespace workbench {

class ParameterView;

// Row kinds, as lastControlType records them.
enum RowKind {
    kNoRow = 0,
    kSliderRow = 1,
    kColorWellRow = 2,
    kCheckBoxRow = 3,
    kImageWellRow = 4,
    kTransformRow = 5,
    kVectorRow = 6,
    kOffsetRow = 8,
    kReadOnlyRow = 9,  // text and data: shown, not edited
};

class FilterView : public EffectStackBox {
    Q_OBJECT

  public:
    // Placed in `parent` at the y-up `frame`; it keeps to the parent's top edge and width.
    FilterView(const QRect& frame, QWidget* parent);

    // Whether one of the filter's image inputs is "inputBackgroundImage".
    static bool isCompositingFilter(const imaging::Filter& f);
    // The row a key gets (kNoRow for none).
    static RowKind rowKindForKey(const imaging::Filter& f, const std::string& key,
                                 bool compositing);

    // The try pass, trimming and the add pass for the filter set on the panel. False when the
    // rows do not fit the panel's height (those that do not fit lie below its bottom edge).
    bool buildRows();
    // The least height of a panel `width` wide that holds all rows of `f`.
    static int neededHeight(const imaging::Filter& f, int width);

    void setTag(int t) { tag = t; }
    int getTag() const { return tag; }
    int getControlTopPosition() const { return controlTopPosition; }
    int getLastControlType() const { return lastControlType; }
    QRect frame() const;
    void setFrame(const QRect& frame);
    QRect bounds() const { return QRect(0, 0, width(), height()); }

    void tryFilterHeader();
    void trySliderForFilterKey(const std::string& key);
    void tryCheckBoxForFilterKey(const std::string& key);
    void tryImageWellForFilterKey(const std::string& key);
    void tryTransformForFilterKey(const std::string& key);
    void tryVectorForFilterKey(const std::string& key);
    void tryOffsetForFilterKey(const std::string& key);
    void tryColorWellForFilterKey(const std::string& key);
    // Shrinks the panel to the room the try pass used; false when the rows do not fit.
    bool trimBox();
    void addFilterHeaderTagEnabled(int tag, bool enabled);
    ParameterView* addSliderForFilterKey(const std::string& key);
    ParameterView* addCheckBoxForFilterKey(const std::string& key);
    ParameterView* addImageWellForFilterKey(const std::string& key);
    ParameterView* addTransformForFilterKey(const std::string& key);
    ParameterView* addVectorForFilterKey(const std::string& key);
    ParameterView* addOffsetForFilterKey(const std::string& key);
    ParameterView* addColorWellForFilterKey(const std::string& key);

  private:
    void tryRow(RowKind kind);
    ParameterView* addRow(RowKind kind, const std::string& key);
    // The colour-well pairing: the x of the next well.
    int pairColorWell();

    int tag = 0;
    int controlLeftPosition = 2;
    int controlTopPosition = 0;
    int colorWellOffset = 0;
    int lastControlType = kNoRow;
    QLabel* filterNameField = nullptr;  // reserved for a header text; none is placed
};

}  // namespace workbench
