#pragma once
// NSMutableURLRequest as a value: a URL (nothing when `URLWithString:` refused the string), a
// method, an optional body and the header fields the caller set. Nothing else is sent: the
// transport adds no Accept, User-Agent, Content-Type or Expect header of its own, and a
// Content-Length only when the request has a body and the caller did not set one.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/net/NSURL.h"

struct NSURLRequest {
  std::optional<NSURL> URL;
  std::string HTTPMethod = "GET";
  std::optional<std::string> HTTPBody;
  // In the order they were set; names compare without regard to case.
  std::vector<std::pair<std::string, std::string>> allHTTPHeaderFields;

  static NSURLRequest requestWithURL(std::optional<NSURL> url) {
    NSURLRequest r;
    r.URL = std::move(url);
    return r;
  }

  // setValue:forHTTPHeaderField: replaces a field of the same name; an empty optional removes it.
  void setValue(std::optional<std::string> value, std::string_view field);
  std::optional<std::string> valueForHTTPHeaderField(std::string_view field) const;
};

bool headerNameEquals(std::string_view a, std::string_view b);
