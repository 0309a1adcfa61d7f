#pragma once
// NSString conversions the system relies on.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// initWithData:encoding:NSUTF8StringEncoding: the text, or nothing when the bytes are not UTF-8.
std::optional<std::string> stringWithUTF8Data(std::string_view bytes);
bool isValidUTF8(std::string_view bytes);
// stringByTrimmingCharactersInSet: with the whitespace set (spaces and tabs, as ASCII and the
// Unicode space separators).
std::string stringByTrimmingWhitespace(std::string_view s);

}  // namespace platform
