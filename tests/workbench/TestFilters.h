#pragma once
// Filters made up for the panel tests: any list of inputs, output the input picture.

#include <memory>
#include <string>
#include <vector>

#include "imaging/Filter.h"
#include "imaging/FilterKit.h"

namespace testfilters {

inline std::shared_ptr<imaging::FilterDescription> describe(
    const std::string& name, std::vector<imaging::Attribute> inputs,
    std::vector<std::string> categories = {}) {
    auto d = std::make_shared<imaging::FilterDescription>();
    d->name = name;
    d->displayName = name + " Display";
    d->categories = std::move(categories);
    d->inputs = std::move(inputs);
    d->build = [](const imaging::Args& a) { return a.image(); };
    return d;
}

inline std::shared_ptr<imaging::Filter> make(const std::string& name,
                                             std::vector<imaging::Attribute> inputs) {
    auto f = std::make_shared<imaging::Filter>(describe(name, std::move(inputs)));
    f->setDefaults();
    return f;
}

}  // namespace testfilters
