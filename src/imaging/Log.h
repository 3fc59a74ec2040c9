#pragma once
// Diagnostics of the engine. By default they go to stderr; an embedding program or a test
// may take them instead.

#include <functional>
#include <string>

namespace imaging {

using LogSink = std::function<void(const std::string&)>;

void log(const std::string& message);
// Installs a sink and returns the previous one (an empty sink restores stderr).
LogSink setLogSink(LogSink sink);

}  // namespace imaging
