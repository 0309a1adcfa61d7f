#include "device/launcher/web/WebAccess.h"

#include <arpa/inet.h>
#include <sys/random.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include <fmt/format.h>

namespace {

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

// A header's text for a sentence: short, and only what prints.
std::string shown(const std::string& text) {
  std::string out;
  for (char c : text.substr(0, 100)) out += (c >= 0x20 && c < 0x7f) ? c : '?';
  return out;
}

// Host and port of a Host header ("example:8844", "[::1]:8844", "example"), the host lower-case
// and without brackets; false when it is no such thing.
bool splitHostPort(const std::string& text, std::string* host, std::string* port) {
  std::string rest;
  if (!text.empty() && text.front() == '[') {
    auto close = text.find(']');
    if (close == std::string::npos) return false;
    *host = text.substr(1, close - 1);
    rest = text.substr(close + 1);
  } else {
    auto colon = text.find(':');
    *host = text.substr(0, colon);
    rest = colon == std::string::npos ? "" : text.substr(colon);
  }
  if (!rest.empty() && rest.front() != ':') return false;
  *port = rest.empty() ? "80" : rest.substr(1);
  if (host->empty() || port->empty() || port->size() > 5 ||
      !std::all_of(port->begin(), port->end(), [](unsigned char c) { return std::isdigit(c); }))
    return false;
  *host = lowered(*host);
  return true;
}

// Whether an Origin is this server as the browser reached it (the Host it sent).
bool sameOrigin(const std::string& origin, const std::string& hostHeader) {
  const std::string scheme = "http://";
  if (lowered(origin.substr(0, scheme.size())) != scheme) return false;
  std::string originHost, originPort, host, port;
  return splitHostPort(origin.substr(scheme.size()), &originHost, &originPort) &&
         splitHostPort(hostHeader, &host, &port) && originHost == host && originPort == port;
}

// The value of a cookie in a Cookie header ("a=1; b=2"); empty when it is not there.
std::string cookieValue(const std::string& header, const std::string& name) {
  std::size_t start = 0;
  while (start < header.size()) {
    std::size_t end = header.find(';', start);
    if (end == std::string::npos) end = header.size();
    std::string pair = header.substr(start, end - start);
    pair.erase(0, pair.find_first_not_of(' '));
    if (pair.size() > name.size() && pair.compare(0, name.size(), name) == 0 && pair[name.size()] == '=')
      return pair.substr(name.size() + 1);
    start = end + 1;
  }
  return "";
}

// Equal, in a time that does not tell how much of a guess was right.
bool sameSecret(const std::string& given, const std::string& secret) {
  if (secret.empty() || given.size() != secret.size()) return false;  // the length is no secret
  volatile unsigned char differ = 0;
  for (std::size_t i = 0; i < secret.size(); ++i) differ = differ | (given[i] ^ secret[i]);
  return differ == 0;
}

WebAccessVerdict refuse(std::string why) { return WebAccessVerdict{WebAccessVerdict::Refuse, std::move(why), "", ""}; }

}  // namespace

WebAccess::WebAccess(std::string address, int port, std::string token)
    : address_(std::move(address)), port_(port), token_(std::move(token)), loopback_(isLoopbackAddress(address_)) {}

std::string WebAccess::cookieName() const { return fmt::format("tovalune-token-{}", port_); }

WebAccessVerdict WebAccess::decide(const WebRequestFacts& request) const {
  if (request.hasOrigin && !sameOrigin(request.origin, request.host))
    return refuse(fmt::format("a page of another site (Origin: {}) may not use this device", shown(request.origin)));
  if (loopback_) {
    std::string host, port;
    if (!splitHostPort(request.host, &host, &port) || !isLoopbackAddress(host))
      return refuse(fmt::format("this server answers only to http://{}:{}/",
                                address_.find(':') != std::string::npos ? "[" + address_ + "]" : address_, port_));
    return WebAccessVerdict{};
  }
  bool byQuery = sameSecret(request.token, token_);
  if (!byQuery && !sameSecret(cookieValue(request.cookie, cookieName()), token_))
    return refuse(
        "this device is served only to whoever has its token: open the address that tovalune-device web printed "
        "(it ends in ?token=...)");
  if (!byQuery || request.method != "GET" || request.path != "/") return WebAccessVerdict{};
  WebAccessVerdict enter;
  enter.kind = WebAccessVerdict::EnterWithCookie;
  enter.setCookie = fmt::format("{}={}; HttpOnly; SameSite=Strict; Path=/", cookieName(), token_);
  enter.page =
      "<!doctype html>\n<meta charset=\"utf-8\">\n<meta http-equiv=\"refresh\" content=\"0; url=/\">\n"
      "<title>Tovalune device</title>\n<p><a href=\"/\">Open the device</a></p>\n";
  return enter;
}

bool WebAccess::isLoopbackAddress(const std::string& address) {
  if (lowered(address) == "localhost") return true;
  in_addr v4{};
  if (::inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  if (::inet_pton(AF_INET6, address.c_str(), &v6) != 1) return false;
  return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
}

std::string WebAccess::newToken() {
  unsigned char bytes[32];
  std::size_t have = 0;
  while (have < sizeof bytes) {
    ssize_t n = ::getrandom(bytes + have, sizeof bytes - have, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return "";
    have += std::size_t(n);
  }
  std::string hex;
  for (unsigned char b : bytes) hex += fmt::format("{:02x}", b);
  return hex;
}

const std::vector<std::pair<std::string, std::string>>& WebAccess::securityHeaders() {
  static const std::vector<std::pair<std::string, std::string>> headers = {
      {"Content-Security-Policy", "frame-ancestors 'none'"},
      {"X-Frame-Options", "DENY"},
      {"Referrer-Policy", "no-referrer"},
  };
  return headers;
}
