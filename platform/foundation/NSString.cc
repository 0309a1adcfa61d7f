#include "platform/foundation/NSString.h"

#include <cstdint>

namespace platform {

bool isValidUTF8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    std::uint8_t c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int len;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
    else return false;
    if (end - p < len) return false;
    for (int i = 1; i < len; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = cp << 6 | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values above U+10FFFF are not UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    p += len;
  }
  return true;
}

std::optional<std::string> stringWithUTF8Data(std::string_view bytes) {
  if (!isValidUTF8(bytes)) return std::nullopt;
  return std::string(bytes);
}

namespace {
// Length of a whitespace character at the start of s, 0 if none.
std::size_t whitespaceAt(std::string_view s) {
  if (s.empty()) return 0;
  if (s[0] == ' ' || s[0] == '\t') return 1;
  static const std::string_view wide[] = {"\xC2\xA0", "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
                                          "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87",
                                          "\xE2\x80\x88", "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xAF", "\xE2\x81\x9F",
                                          "\xE3\x80\x80"};
  for (auto w : wide)
    if (s.substr(0, w.size()) == w) return w.size();
  return 0;
}
std::size_t whitespaceBefore(std::string_view s) {
  if (s.empty()) return 0;
  if (s.back() == ' ' || s.back() == '\t') return 1;
  for (std::size_t n : {2u, 3u})
    if (s.size() >= n && whitespaceAt(s.substr(s.size() - n)) == n) return n;
  return 0;
}
}  // namespace

std::string stringByTrimmingWhitespace(std::string_view s) {
  while (std::size_t n = whitespaceAt(s)) s.remove_prefix(n);
  while (std::size_t n = whitespaceBefore(s)) s.remove_suffix(n);
  return std::string(s);
}

std::vector<std::string> componentsSeparatedByString(std::string_view s, std::string_view separator) {
  if (separator.empty()) return {std::string(s)};
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t at; (at = s.find(separator, start)) != std::string_view::npos; start = at + separator.size())
    pieces.emplace_back(s.substr(start, at - start));
  pieces.emplace_back(s.substr(start));
  return pieces;
}

std::string uppercaseString(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string lowercaseString(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace platform
