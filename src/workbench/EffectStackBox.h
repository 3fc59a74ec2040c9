#pragma once
// A bordered box that knows the filter whose parameters it holds and the editor its rows
// report to. It draws its border only when it holds rows with controls.

#include <memory>

#include "workbench/MyBorderView.h"

namespace imaging {
class Filter;
}
namespace workbench {

class FilterEditing;

class EffectStackBox : public MyBorderView {
    Q_OBJECT

  public:
    explicit EffectStackBox(QWidget* parent = nullptr);

    void setFilter(std::shared_ptr<imaging::Filter> f) { filter = std::move(f); }
    void setMaster(FilterEditing* m) { master = m; }
    const std::shared_ptr<imaging::Filter>& getFilter() const { return filter; }
    FilterEditing* getMaster() const { return master; }
    // Whether the border is drawn: the box holds a row that holds controls.
    bool drawsBorder() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

    std::shared_ptr<imaging::Filter> filter;
    FilterEditing* master = nullptr;
};

}  // namespace workbench
