#pragma once
// What the tool prints comes partly from files (names, metadata values): control characters
// there would reach the terminal as escape sequences, and bytes that are not UTF-8 as garbage.

#include <string>
#include <string_view>

namespace tool {

// The text with control characters (C0, DEL, C1) and bytes that are not valid UTF-8 written as
// \xNN (\u0080 to \u009F for C1); other text, any language's, unchanged.
std::string printable(std::string_view text);

}  // namespace tool
