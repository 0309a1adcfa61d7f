#include "platform/net/NSURL.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

#include "platform/foundation/NSString.h"

namespace {

bool isUnreserved(unsigned char c) { return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelim(unsigned char c) { return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos; }
bool isHex(unsigned char c) { return std::isxdigit(c) != 0; }

// Path, query and fragment keep what RFC 3986 allows there and encode everything else. A '%' that
// already starts an escape stays; a lone '%' is encoded.
std::string encodeComponent(std::string_view text, bool allowHash) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = text[i];
    bool keep = isUnreserved(c) || isSubDelim(c) || c == ':' || c == '@' || c == '/' || c == '?' ||
                (allowHash && c == '#');
    if (c == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) keep = true;
    if (keep) out += static_cast<char>(c);
    else out += fmt::format("%{:02X}", c);
  }
  return out;
}

bool validRegName(std::string_view host) {
  for (std::size_t i = 0; i < host.size(); ++i) {
    unsigned char c = host[i];
    if (c == '%') {
      if (i + 2 >= host.size() || !isHex(host[i + 1]) || !isHex(host[i + 2])) return false;
      continue;
    }
    if (!isUnreserved(c) && !isSubDelim(c)) return false;
  }
  return true;
}

bool validIPLiteral(std::string_view inner) {
  if (inner.empty()) return false;
  return std::all_of(inner.begin(), inner.end(),
                     [](unsigned char c) { return isHex(c) || c == ':' || c == '.'; });
}

}  // namespace

std::optional<NSURL> NSURL::URLWithString(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::size_t colon = s.find(':');
  if (colon == std::string_view::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(s[0])))
    return std::nullopt;
  NSURL url;
  for (char c : s.substr(0, colon))
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return std::nullopt;
  url.scheme_ = platform::lowercaseString(s.substr(0, colon));
  std::string_view rest = s.substr(colon + 1);
  bool needsHost = url.scheme_ == "http" || url.scheme_ == "https";
  bool hasAuthority = rest.substr(0, 2) == "//";
  if (needsHost && !hasAuthority) return std::nullopt;

  if (hasAuthority) {
    rest.remove_prefix(2);
    url.hasAuthority_ = true;
    std::size_t end = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    url.authority_ = authority;
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
      std::string_view user = authority.substr(0, at);
      if (!std::all_of(user.begin(), user.end(), [](unsigned char c) {
            return isUnreserved(c) || isSubDelim(c) || c == ':' || c == '%';
          }))
        return std::nullopt;
      authority.remove_prefix(at + 1);
    }
    std::string_view hostPart = authority, portPart;
    bool hasPort = false;
    if (!authority.empty() && authority[0] == '[') {
      std::size_t close = authority.find(']');
      if (close == std::string_view::npos || !validIPLiteral(authority.substr(1, close - 1))) return std::nullopt;
      url.host_ = authority.substr(1, close - 1);
      std::string_view after = authority.substr(close + 1);
      if (!after.empty()) {
        if (after[0] != ':') return std::nullopt;
        hasPort = true;
        portPart = after.substr(1);
      }
    } else {
      if (std::size_t c = authority.rfind(':'); c != std::string_view::npos) {
        hasPort = true;
        portPart = authority.substr(c + 1);
        hostPart = authority.substr(0, c);
      }
      if (!validRegName(hostPart)) return std::nullopt;
      url.host_ = hostPart;
    }
    if (hasPort && !portPart.empty()) {
      if (portPart.size() > 5 ||
          !std::all_of(portPart.begin(), portPart.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
      int port = std::stoi(std::string(portPart));
      if (port > 65535) return std::nullopt;
      url.port_ = port;
    }
    if (needsHost && url.host_.empty()) return std::nullopt;
  }

  std::size_t hash = rest.find('#');
  std::string_view beforeHash = rest.substr(0, hash);
  if (hash != std::string_view::npos) url.fragment_ = encodeComponent(rest.substr(hash + 1), true);
  std::size_t question = beforeHash.find('?');
  url.path_ = encodeComponent(beforeHash.substr(0, question), false);
  if (question != std::string_view::npos) url.query_ = encodeComponent(beforeHash.substr(question + 1), false);

  url.absolute_ = url.absoluteStringWithoutFragment();
  if (url.fragment_) url.absolute_ += "#" + *url.fragment_;
  return url;
}

std::string NSURL::absoluteStringWithoutFragment() const {
  std::string out = scheme_ + ":";
  if (hasAuthority_) out += "//" + authority_;
  out += path_;
  if (query_) out += "?" + *query_;
  return out;
}
