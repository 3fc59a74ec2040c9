#pragma once
// A filter: a description (inputs and their attributes, how the output is built) and the
// values currently set on it.

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Attribute.h"
#include "imaging/Image.h"
#include "imaging/Value.h"
#include "imaging/WorkingSpace.h"

namespace imaging {

class Filter;

// A builder read an input its filter does not declare: a fault of the filter (a mistyped key),
// never of the user's values.
class UndeclaredInput : public std::logic_error {
  public:
    UndeclaredInput(const std::string& filter, std::string_view key)
        : std::logic_error(filter + " reads the undeclared input '" + std::string(key) + "'") {}
};

// What a filter's builder reads: the current values, with the declared defaults where nothing
// was set. Reading a key the filter does not declare throws UndeclaredInput.
class Args {
  public:
    explicit Args(const Filter& f) : f_(f) {}
    Value value(std::string_view key) const;
    Image image(std::string_view key = "inputImage") const;
    double number(std::string_view key) const;
    bool boolean(std::string_view key) const { return number(key) != 0; }
    Vector vector(std::string_view key) const;
    Point point(std::string_view key) const { return vector(key).toPoint(); }
    Rect rect(std::string_view key) const { return vector(key).toRect(); }
    Color color(std::string_view key) const;
    // The colour for kernels, premultiplied in the working space of the render.
    WorkingColor workingColor(std::string_view key) const { return WorkingColor(color(key)); }
    AffineTransform transform(std::string_view key) const;
    std::string text(std::string_view key) const { return value(key).toString(); }
    Data data(std::string_view key) const { return value(key).toData(); }

  private:
    const Filter& f_;
};

using FilterBuilder = std::function<Image(const Args&)>;

struct FilterDescription {
    std::string name;         // as filterWithName knows it, e.g. "CIGaussianBlur"
    std::string displayName;  // e.g. "Gaussian Blur"
    std::vector<std::string> categories;
    std::vector<Attribute> inputs;  // in input-key order
    FilterBuilder build;
};

class Filter {
  public:
    explicit Filter(std::shared_ptr<const FilterDescription> d) : d_(std::move(d)) {}

    const std::string& name() const { return d_->name; }
    const std::string& displayName() const { return d_->displayName; }
    const std::vector<std::string>& categories() const { return d_->categories; }
    // Ordered; every key begins with "input".
    std::vector<std::string> inputKeys() const;
    const std::vector<Attribute>& attributes() const { return d_->inputs; }
    const Attribute* attribute(std::string_view key) const;
    const FilterDescription& description() const { return *d_; }

    // Every input gets its declared default; image inputs are left empty.
    void setDefaults();

    // Sets an input. Refused (false, with a log line, nothing stored) for an unknown key, a value
    // of the wrong class, or a number or vector component that is NaN or infinite. Numbers are
    // clamped to the attribute's absolute limits. A value of kind None clears the input.
    bool setValue(std::string_view key, const Value& v);
    // The input's value (nothing when unset); "outputImage" gives outputImage().
    Value value(std::string_view key) const;
    bool hasValue(std::string_view key) const;

    // The result, or a null image when an image input the filter needs is missing.
    Image outputImage() const;

    std::unique_ptr<Filter> clone() const { return std::make_unique<Filter>(*this); }

  private:
    std::shared_ptr<const FilterDescription> d_;
    std::map<std::string, Value, std::less<>> values_;
};

}  // namespace imaging
