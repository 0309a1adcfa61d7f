#pragma once
// NSURL, as far as the system builds URLs from strings: `URLWithString:` and the parts a request
// needs. Only absolute URLs with a scheme are kept; a string that cannot be one yields nothing, and
// callers then make no request at all.
//
// Characters that may not appear in a URL (a space, a quote, bytes above 0x7F, ...) are
// percent-encoded when they stand in the path, the query or the fragment, as current iOS releases do
// (a user's "https://host/picture.png " becomes ".../picture.png%20" rather than failing inside the
// transfer). In the scheme, the host or the port they make the string invalid.
#include <optional>
#include <string>
#include <string_view>

class NSURL {
 public:
  static std::optional<NSURL> URLWithString(std::string_view string);

  // The whole URL after encoding; what a request is made for.
  const std::string& absoluteString() const { return absolute_; }
  // Lower case ("https").
  const std::string& scheme() const { return scheme_; }
  // As written, without brackets for an IPv6 literal; empty for "file:///path".
  const std::string& host() const { return host_; }
  // The explicit port, or nothing when the URL names none.
  std::optional<int> port() const { return port_; }
  // Encoded path ("/a/b%20c"), "" when the URL has none.
  const std::string& path() const { return path_; }
  // Encoded query without its "?", nothing when the URL has no "?".
  const std::optional<std::string>& query() const { return query_; }
  bool isFileURL() const { return scheme_ == "file"; }
  // The URL as sent on the wire: without its fragment.
  std::string absoluteStringWithoutFragment() const;

 private:
  std::string absolute_, scheme_, host_, path_;
  std::optional<int> port_;
  std::optional<std::string> query_, fragment_;
  std::string authority_;  // as written: [userinfo@]host[:port]
  bool hasAuthority_ = false;
};
