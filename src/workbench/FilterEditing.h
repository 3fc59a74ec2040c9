#pragma once
// What the standard family's views (the parameter rows and the canvas with handles) ask of the
// application: the working filter, the picture it is shown on, and the undoable edit. The
// standard family implements it.

#include <QString>
#include <memory>

#include "imaging/Filter.h"
#include "imaging/Image.h"

namespace workbench {

class FilterEditing {
  public:
    virtual ~FilterEditing() = default;

    // The filter being worked on (nothing when none), as shared with the undo history.
    virtual const std::shared_ptr<imaging::Filter>& workingFilter() const = 0;
    // The picture the filter is applied to.
    virtual imaging::Image picture() const = 0;
    // Sets an input and records the old value as the undo step; then redraws.
    virtual void setFilterValueForKey(const std::shared_ptr<imaging::Filter>& filter,
                                      const imaging::Value& value, const QString& key) = 0;
    // Names the last undo step after the filter and the input ("Change to <filter> <label>").
    virtual void setActionNameForFilterKey(const imaging::Filter* filter, const QString& key) = 0;
    // Redraws the canvas.
    virtual void updateView() = 0;
};

}  // namespace workbench
