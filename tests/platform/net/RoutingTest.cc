// The simulated device's network: routed hosts reach the local server over plain HTTP with the
// system's URL, Host header, path and query untouched.
#include <gtest/gtest.h>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSLog.h"
#include "platform/net/HTTPTransfer.h"
#include "tests/platform/net/SessionHarness.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

class RoutingTest : public testing::Test {
 protected:
  void route(const std::string& host, const std::string& target) {
    platform::DeviceSettings s = platform::deviceSettings();
    s.routes[host] = target;
    ASSERT_TRUE(platform::saveDeviceSettings(s));
  }
  TempDeviceRoot root;
  LocalHttpServer http;
};

TEST_F(RoutingTest, AnHttpsURLOfARoutedHostReachesTheLocalServerUnchanged) {
  route("example.invalid", http.address());
  http.server().Get("/random/1125x2436", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("picture", "image/png");
  });
  TaskOutcome out = runTask(requestFor("https://example.invalid/random/1125x2436?q=1"));
  EXPECT_EQ(out.statusCode, 200);
  EXPECT_EQ(out.data, std::optional<std::string>("picture"));
  auto got = http.requests().at(0);
  EXPECT_EQ(got.path, "/random/1125x2436");
  EXPECT_EQ(got.query, "q=1");
  EXPECT_EQ(got.header("Host"), std::optional<std::string>("example.invalid"));
}

TEST_F(RoutingTest, HostNamesMatchWithoutRegardToCaseAndKeepAnExplicitPortInTheHostHeader) {
  route("Pics.Example.Invalid", http.address());
  http.server().Get("/p", [](const httplib::Request&, httplib::Response& res) { res.set_content("p", "text/plain"); });
  TaskOutcome out = runTask(requestFor("https://pics.example.invalid:8443/p"));
  EXPECT_EQ(out.data, std::optional<std::string>("p"));
  EXPECT_EQ(http.requests().at(0).header("Host"), std::optional<std::string>("pics.example.invalid:8443"));
}

TEST_F(RoutingTest, RedirectsIntoAndWithinARoutedHostAreRoutedOnEachHop) {
  route("cdn.example.invalid", http.address());
  http.server().Get("/start", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("https://cdn.example.invalid/step", 302);
  });
  // A relative location keeps the routed host and its https scheme.
  http.server().Get("/step", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("final?n=2", 307); });
  http.server().Get("/final", [](const httplib::Request&, httplib::Response& res) { res.set_content("done", "text/plain"); });

  TaskOutcome out = runTask(requestFor(http.url("/start")));
  EXPECT_EQ(out.statusCode, 200);
  EXPECT_EQ(out.data, std::optional<std::string>("done"));
  auto requests = http.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].header("Host"), std::optional<std::string>("cdn.example.invalid"));
  EXPECT_EQ(requests[2].path, "/final");
  EXPECT_EQ(requests[2].query, "n=2");
  EXPECT_EQ(requests[2].header("Host"), std::optional<std::string>("cdn.example.invalid"));
}

TEST_F(RoutingTest, AMalformedRouteFailsTheRequestInsteadOfLeavingTheDevice) {
  route("example.invalid", "127.0.0.1");
  platform::LogCapture log;
  TaskOutcome out = runTask(requestFor("https://example.invalid/x"));
  EXPECT_EQ(out.calls, 1);
  EXPECT_EQ(out.statusCode, 0);
  EXPECT_TRUE(out.error);
  EXPECT_TRUE(log.containsSubstring("The route for example.invalid"));
  EXPECT_EQ(http.requestCount(), 0u);
}

}  // namespace
