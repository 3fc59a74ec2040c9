#pragma once

#include <stdexcept>
#include <string>

namespace tool {

// A command line that cannot be carried out as written: unknown filter or key, a value of the
// wrong form. Reported as one line; the tool exits with status 2.
class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tool
