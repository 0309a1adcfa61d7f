#include "platform/net/NSURLRequest.h"

#include <algorithm>
#include <cctype>

bool headerNameEquals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

void NSURLRequest::setValue(std::optional<std::string> value, std::string_view field) {
  auto& fields = allHTTPHeaderFields;
  auto it = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return headerNameEquals(f.first, field); });
  if (!value) {
    if (it != fields.end()) fields.erase(it);
    return;
  }
  if (it != fields.end()) it->second = std::move(*value);
  else fields.emplace_back(std::string(field), std::move(*value));
}

std::optional<std::string> NSURLRequest::valueForHTTPHeaderField(std::string_view field) const {
  for (const auto& [name, value] : allHTTPHeaderFields)
    if (headerNameEquals(name, field)) return value;
  return std::nullopt;
}
