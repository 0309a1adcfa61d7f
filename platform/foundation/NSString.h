#pragma once
// NSString conversions the system relies on.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// initWithData:encoding:NSUTF8StringEncoding: the text, or nothing when the bytes are not UTF-8.
std::optional<std::string> stringWithUTF8Data(std::string_view bytes);
bool isValidUTF8(std::string_view bytes);
// stringByTrimmingCharactersInSet: with the whitespace set (spaces and tabs, as ASCII and the
// Unicode space separators).
std::string stringByTrimmingWhitespace(std::string_view s);
// componentsSeparatedByString: the pieces between the separators, empty ones included, so a
// string without the separator is one piece and an empty string is one empty piece. An empty
// separator gives the whole string as one piece.
std::vector<std::string> componentsSeparatedByString(std::string_view s, std::string_view separator);
// uppercaseString / lowercaseString for the ASCII letters (host names, file extensions, hex digits);
// other bytes, UTF-8 sequences included, stay as they are.
std::string uppercaseString(std::string_view s);
std::string lowercaseString(std::string_view s);

}  // namespace platform
