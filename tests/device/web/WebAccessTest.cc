// Who may use the browser view's server, apart from any server: the address it listens on, the
// Host and Origin a request names, and the token in its query or cookie.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/launcher/web/WebAccess.h"

namespace {

const std::string kToken = WebAccess::newToken();

TEST(WebAccess, LoopbackIsAllOf127AndOneAndLocalhost) {
  for (const char* yes : {"127.0.0.1", "127.255.0.9", "::1", "0:0:0:0:0:0:0:1", "::ffff:127.0.0.1", "localhost", "LocalHost"})
    EXPECT_TRUE(WebAccess::isLoopbackAddress(yes)) << yes;
  for (const char* no : {"0.0.0.0", "::", "10.23.0.1", "192.0.2.2", "::ffff:10.0.0.1", "128.0.0.1", "127.example",
                         "127.0.0.1.attacker.example", "localhost.attacker.example", ""})
    EXPECT_FALSE(WebAccess::isLoopbackAddress(no)) << no;
}

TEST(WebAccess, EachRequestIsServedOrRefusedByItsAddressHostOriginAndToken) {
  using K = WebAccessVerdict::Kind;
  const std::string other = std::string(kToken.rbegin(), kToken.rend());
  struct Case {
    const char* what;
    const char* address;
    WebRequestFacts request;
    K verdict;
  };
  auto get = [](const char* host, std::string cookie = "", std::string token = "", const char* path = "/") {
    return WebRequestFacts{"GET", path, host, false, "", std::move(cookie), std::move(token)};
  };
  auto post = [](const char* host, const char* origin, std::string cookie = "") {
    return WebRequestFacts{"POST", "/api/tap", host, true, origin, std::move(cookie), ""};
  };
  const Case cases[] = {
      // Loopback: this machine, under a loopback name, with no token.
      {"loopback by address", "127.0.0.1", get("127.0.0.1:8844"), K::Serve},
      {"loopback by name", "127.0.0.1", get("localhost:8844"), K::Serve},
      {"another loopback address", "127.0.0.1", get("127.7.7.7:8844"), K::Serve},
      {"IPv6 loopback", "::1", get("[::1]:8844"), K::Serve},
      {"a name of another site", "127.0.0.1", get("attacker.example:8844"), K::Refuse},
      {"a name that starts like a loopback address", "127.0.0.1", get("127.0.0.1.attacker.example:8844"), K::Refuse},
      {"no Host", "127.0.0.1", get(""), K::Refuse},
      {"the page's own action", "127.0.0.1", post("127.0.0.1:8844", "http://127.0.0.1:8844"), K::Serve},
      {"the page's own action, by name", "::1", post("localhost:8844", "http://LOCALHOST:8844"), K::Serve},
      {"an action of another site", "127.0.0.1", post("127.0.0.1:8844", "http://attacker.example"), K::Refuse},
      {"an action of no origin", "127.0.0.1", post("127.0.0.1:8844", "null"), K::Refuse},
      {"an action of another port", "127.0.0.1", post("127.0.0.1:8844", "http://127.0.0.1:9999"), K::Refuse},
      {"an action over another scheme", "127.0.0.1", post("127.0.0.1:8844", "https://127.0.0.1:8844"), K::Refuse},
      {"an empty Origin", "127.0.0.1", post("127.0.0.1:8844", ""), K::Refuse},
      // Any other address: the token, in the query or in the cookie named after the port.
      {"no token", "10.23.0.1", get("10.23.0.1:8844"), K::Refuse},
      {"no token on every address", "0.0.0.0", get("127.0.0.1:8844"), K::Refuse},
      {"the page with the token", "10.23.0.1", get("10.23.0.1:8844", "", kToken), K::EnterWithCookie},
      {"a frame with the token", "10.23.0.1", get("10.23.0.1:8844", "", kToken, "/screen.png"), K::Serve},
      {"a wrong token", "10.23.0.1", get("10.23.0.1:8844", "", other), K::Refuse},
      {"the token cut short", "10.23.0.1", get("10.23.0.1:8844", "", kToken.substr(1)), K::Refuse},
      {"the cookie", "10.23.0.1", get("10.23.0.1:8844", "theme=dark; tovalune-token-8844=" + kToken), K::Serve},
      {"the cookie under any name of the machine", "10.23.0.1", get("phone.lan:8844", "tovalune-token-8844=" + kToken),
       K::Serve},
      {"the cookie of another port's server", "10.23.0.1", get("10.23.0.1:8844", "tovalune-token-8845=" + kToken),
       K::Refuse},
      {"a wrong cookie", "10.23.0.1", get("10.23.0.1:8844", "tovalune-token-8844=" + other), K::Refuse},
      {"the page's own action", "10.23.0.1", post("10.23.0.1:8844", "http://10.23.0.1:8844", "tovalune-token-8844=" + kToken),
       K::Serve},
      {"an action of another site, with the cookie", "10.23.0.1",
       post("10.23.0.1:8844", "http://attacker.example:8844", "tovalune-token-8844=" + kToken), K::Refuse},
  };
  for (const Case& c : cases) {
    WebAccess access(c.address, 8844, WebAccess::isLoopbackAddress(c.address) ? "" : kToken);
    WebAccessVerdict verdict = access.decide(c.request);
    EXPECT_EQ(verdict.kind, c.verdict) << c.what << ": " << verdict.why;
    if (verdict.kind == K::Refuse) {
      EXPECT_FALSE(verdict.why.empty()) << c.what;
      EXPECT_EQ(verdict.why.find(kToken), std::string::npos) << c.what << ": the refusal tells the token";
    }
  }
}

TEST(WebAccess, TheTokensPageGetsAKeptCookieAndGoesOnWithoutTheToken) {
  ASSERT_EQ(kToken.size(), 64u);
  EXPECT_TRUE(std::all_of(kToken.begin(), kToken.end(), [](char c) { return std::isxdigit(c) && !std::isupper(c); }));
  EXPECT_NE(WebAccess::newToken(), kToken);

  WebAccess access("10.23.0.1", 8844, kToken);
  WebAccessVerdict enter = access.decide(WebRequestFacts{"GET", "/", "10.23.0.1:8844", false, "", "", kToken});
  ASSERT_EQ(enter.kind, WebAccessVerdict::EnterWithCookie);
  EXPECT_EQ(enter.setCookie, "tovalune-token-8844=" + kToken + "; HttpOnly; SameSite=Strict; Path=/");
  EXPECT_NE(enter.page.find("url=/\""), std::string::npos) << enter.page;
  EXPECT_EQ(enter.page.find(kToken), std::string::npos) << "the page it goes on to has no token";
}

}  // namespace
