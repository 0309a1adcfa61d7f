#pragma once
// Who may use the browser view's server, decided from what a request brings alone (no sockets),
// so that each rule can be checked apart from a server:
//
// - On every address, a request whose Origin names another site (or is "null") is refused: the
//   page's own actions come from its own origin, so no page elsewhere can drive the device
//   through a person's browser.
// - On a loopback address (all of 127.0.0.0/8, ::1, localhost) the device is served to this
//   machine without more ado, but only under a loopback name or address in Host, so that no page
//   of another site reaches it through a name of its own that it points at this machine.
// - On any other address, whoever reaches the port must bring the server's token: in the query
//   (`?token=…`, as the address the launcher prints has it) or in the cookie the page got with
//   it. The page visited with the token in its address gets the cookie (HttpOnly,
//   SameSite=Strict, Path=/) and goes on to the same address without it, so that the token leaves
//   the address bar and the history. The cookie is named after the port, since browsers share
//   cookies between the ports of a host. Tokens are compared in constant time.
//
// The page goes on by a refresh of its own rather than an HTTP redirect: after a visit that
// another site started (a link in a mail), a browser sends no SameSite=Strict cookie along an
// HTTP redirect, but it does to the page's own navigation.
//
// Every answer also carries securityHeaders(): no page of another site may frame this one (and
// click through it for a person), and no address is passed on as a referrer.
#include <string>
#include <utility>
#include <vector>

struct WebRequestFacts {
  std::string method;
  std::string path;
  std::string host;    // the Host header
  bool hasOrigin = false;
  std::string origin;  // the Origin header
  std::string cookie;  // the Cookie header
  std::string token;   // the query's token, empty when it has none
};

struct WebAccessVerdict {
  enum Kind { Serve, Refuse, EnterWithCookie };
  Kind kind = Serve;
  // Refuse: why, in a sentence for the person (403).
  std::string why;
  // EnterWithCookie: the Set-Cookie header, and the page that goes on to the clean address (200).
  std::string setCookie;
  std::string page;
};

class WebAccess {
 public:
  // The address the server listens on, its port, and the token a request must bring when the
  // address is not loopback (empty on loopback).
  WebAccess(std::string address, int port, std::string token);

  WebAccessVerdict decide(const WebRequestFacts& request) const;

  bool needsToken() const { return !loopback_; }
  const std::string& token() const { return token_; }
  std::string cookieName() const;

  // 127.0.0.0/8 (also mapped into IPv6), ::1 and localhost, as an address or a Host name.
  static bool isLoopbackAddress(const std::string& address);
  // A new token: 32 bytes of the kernel's random source, in hex; empty when there is none.
  static std::string newToken();
  static const std::vector<std::pair<std::string, std::string>>& securityHeaders();

 private:
  std::string address_;
  int port_;
  std::string token_;
  bool loopback_;
};
