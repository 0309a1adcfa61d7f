// The browser view's server and the hosts' requests behind it: requests that are not the page's
// own get a clear 4xx, the page's files and frames are served, on an address that is not
// loopback only with the token (a real browser in a network of the test's own), SpringBoard
// answers taps by point (icons included) and a revision that moves only with the screen, and
// the Settings app takes keys into the field being edited.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <httplib.h>

#include <filesystem>
#include <tuple>

#include <fmt/format.h>

#include "device/springboard/app/HomeScreen.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/device/web/WebServerProcess.h"
#include "tests/support/HeadlessChromium.h"
#include "tests/support/TempDeviceRoot.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

// The calling thread in a network of its own (needs root), its loopback up and kAddress, an
// address that is not loopback, on it: what the thread starts (a server, a browser) shares that
// network, and nothing outside it can reach them. The thread is back in the machine's network
// when the object goes.
class OwnNetwork {
 public:
  static constexpr const char* kAddress = "10.23.0.1";
  OwnNetwork() {
    home_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (home_ < 0 || ::unshare(CLONE_NEWNET) != 0) {
      error_ = std::string("cannot make a network of its own: ") + std::strerror(errno);
      return;
    }
    entered_ = true;
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq lo{};
    std::strncpy(lo.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &lo) == 0;
    lo.ifr_flags = short(lo.ifr_flags | IFF_UP);
    up = up && ::ioctl(s, SIOCSIFFLAGS, &lo) == 0;
    ifreq alias{};
    std::strncpy(alias.ifr_name, "lo:1", IFNAMSIZ - 1);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, kAddress, &address.sin_addr);
    std::memcpy(&alias.ifr_addr, &address, sizeof address);
    up = up && ::ioctl(s, SIOCSIFADDR, &alias) == 0;
    if (!up) error_ = std::string("cannot put an address on its loopback: ") + std::strerror(errno);
    if (s >= 0) ::close(s);
  }
  ~OwnNetwork() {
    if (entered_ && ::setns(home_, CLONE_NEWNET) != 0) std::abort();  // the tests after it would run inside
    if (home_ >= 0) ::close(home_);
  }
  const std::string& error() const { return error_; }

 private:
  int home_ = -1;
  bool entered_ = false;
  std::string error_;
};

class WebRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(bootPhoneSized(testTweakPath()));
  }
  void TearDown() override { runLauncher({"settings", "close"}); }

  json springBoard(const std::string& request) {
    auto reply = askSpringBoard(request);
    return reply ? *reply : json::object();
  }
  json settings(const std::string& request) {
    auto exchange = springboard_socket::requestAt(kSettingsSocketPath, "Settings", request, 30s);
    return exchange.reply ? json::parse(*exchange.reply, nullptr, false) : json::object();
  }
  std::string defaultsRead(const std::string& key) {
    std::string out = runLauncher({"defaults", "read", key}).out;
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }

  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
};

TEST_F(WebRequests, WhatIsNotThePagesOwnGetsAClear4xx) {
  WebServerProcess server;
  ASSERT_FALSE(server.url().empty()) << server.output();
  httplib::Client client("127.0.0.1", server.port());
  client.set_read_timeout(60, 0);

  struct Case {
    const char* method;
    const char* path;
    std::string body;
    const char* type;
    int status;
  };
  const std::vector<Case> cases = {
      {"GET", "/nothing-here", "", "", 404},
      {"GET", "/../etc/passwd", "", "", 404},
      {"POST", "/", "{}", "application/json", 405},
      {"GET", "/api/tap", "", "", 405},
      {"DELETE", "/screen.png", "", "", 405},
      {"POST", "/frame.jpg", "{}", "application/json", 405},
      {"GET", "/events?width=wide", "", "", 400},
      {"GET", "/events?width=0", "", "", 400},
      {"POST", "/api/tap", "x=1&y=2", "application/x-www-form-urlencoded", 415},
      {"POST", "/api/tap", "{not json", "application/json", 400},
      {"POST", "/api/tap", "[1, 2]", "application/json", 400},
      {"POST", "/api/tap", R"({"x": "10", "y": 10})", "application/json", 400},
      {"POST", "/api/tap", R"({"x": -1, "y": 10})", "application/json", 422},
      {"POST", "/api/tap", R"({"x": 390, "y": 10})", "application/json", 422},
      {"POST", "/api/tap", R"({"x": 10, "y": 1e300})", "application/json", 422},
      {"POST", "/api/drag", R"({"from": {"x": 10, "y": 10}, "to": {"x": 10, "y": 900}})", "application/json", 422},
      {"POST", "/api/drag", R"({"from": {"x": 10, "y": 10}})", "application/json", 400},
      {"POST", "/api/touch", R"({"phase": "began", "x": 10, "y": 10})", "application/json", 400},
      {"POST", "/api/touch", R"({"phase": "lifted", "x": 10, "y": 10, "t": 5})", "application/json", 400},
      {"POST", "/api/touch", R"({"phase": "began", "x": 10, "y": 900, "t": 5})", "application/json", 422},
      {"POST", "/api/touch", R"({"phase": "moved", "x": 10, "y": 10, "t": 5})", "application/json", 409},
      {"POST", "/api/scroll", R"({"x": 10, "y": 10, "dx": 0, "dy": 1e9})", "application/json", 400},
      {"POST", "/api/scroll", R"({"x": 10, "y": 10, "dy": 5})", "application/json", 400},
      {"POST", "/api/tap", "{\"x\": 1, \"y\": 1, \"pad\": \"" + std::string(9000, 'a') + "\"}", "application/json", 413},
      {"POST", "/api/button", R"({"name": "volume"})", "application/json", 400},
      {"POST", "/api/clock", R"({"time": "25:00"})", "application/json", 400},
      {"POST", "/api/clock", R"({"advance": 1.5})", "application/json", 400},
      {"POST", "/api/clock", R"({"advance": 99999999})", "application/json", 400},
      {"POST", "/api/network", R"({"kind": "host"})", "application/json", 400},
      {"POST", "/api/key", R"({"key": ""})", "application/json", 400},
      {"POST", "/api/key", R"({"key": "a"})", "application/json", 409},  // the lock screen has no text field
  };
  for (const Case& c : cases) {
    httplib::Request req;
    req.method = c.method;
    req.path = c.path;
    req.body = c.body;
    if (*c.type) req.set_header("Content-Type", c.type);
    auto res = client.send(req);
    ASSERT_TRUE(res) << c.method << " " << c.path;
    EXPECT_EQ(res->status, c.status) << c.method << " " << c.path << " " << c.body.substr(0, 60) << ": " << res->body;
    if (res->status != 413) {
      json body = json::parse(res->body, nullptr, false);
      EXPECT_FALSE(body.value("ok", true)) << c.path;
      EXPECT_FALSE(body.value("error", "").empty()) << c.path;
    }
  }
  // A page of another site reaching the server through a name it resolves to this machine, or
  // driving it from its own origin; every answer forbids framing.
  auto foreign = client.Get("/api/state", httplib::Headers{{"Host", "attacker.example:80"}});
  ASSERT_TRUE(foreign);
  EXPECT_EQ(foreign->status, 403);
  auto foreignAction = client.Post("/api/button", httplib::Headers{{"Origin", "http://attacker.example"}},
                                   R"({"name": "side"})", "application/json");
  ASSERT_TRUE(foreignAction);
  EXPECT_EQ(foreignAction->status, 403);
  EXPECT_TRUE(askSpringBoard("status").value_or(json()).value("displayOn", false)) << "the action was carried out";
  for (const auto* res : {&foreign, &foreignAction}) {
    EXPECT_EQ((*res)->get_header_value("Content-Security-Policy"), "frame-ancestors 'none'");
    EXPECT_EQ((*res)->get_header_value("X-Frame-Options"), "DENY");
  }

  // The page's own requests are served.
  auto page = client.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_EQ(page->get_header_value("X-Frame-Options"), "DENY");
  EXPECT_NE(page->body.find("<title>Tovalune device</title>"), std::string::npos);
  auto script = client.Get("/phone.js");
  ASSERT_TRUE(script);
  EXPECT_EQ(script->get_header_value("Content-Type").rfind("text/javascript", 0), 0u);
  auto tap = client.Post("/api/tap", R"({"x": 100, "y": 300})", "application/json");
  ASSERT_TRUE(tap);
  EXPECT_EQ(tap->status, 200) << tap->body;
  auto network = client.Post("/api/network", R"({"kind": "cellular"})", "application/json");
  ASSERT_TRUE(network);
  EXPECT_EQ(network->status, 200);
  EXPECT_NE(runLauncher({"status"}).out.find("cellular"), std::string::npos);
  std::string frameType, frameBytes;
  ASSERT_TRUE(waitUntil([&] {
    auto frame = client.Get("/screen.png");
    if (!frame || frame->status != 200) return false;
    frameType = frame->get_header_value("Content-Type");
    frameBytes = frame->body;
    return true;
  }));
  EXPECT_EQ(frameType, "image/png");
  EXPECT_EQ(frameBytes.substr(1, 3), "PNG");
  // The live frame beside it, a JPEG.
  auto live = client.Get("/frame.jpg");
  ASSERT_TRUE(live);
  EXPECT_EQ(live->status, 200);
  EXPECT_EQ(live->get_header_value("Content-Type"), "image/jpeg");
  EXPECT_EQ(live->body.substr(0, 3), "\xff\xd8\xff");
  EXPECT_EQ(server.stop(), 0) << server.output();
}

// On an address that is not loopback, in a network of the test's own: nothing without the token;
// a browser that opens the printed address gets in, keeps the token in a cookie its scripts
// cannot read, shows the clean address, and its page's actions are carried out.
TEST_F(WebRequests, OnAnotherAddressOnlyTheTokenGetsIn) {
  if (HeadlessChromium::executable().empty()) GTEST_SKIP() << "no Chromium on this machine (scripts/bootstrap installs it)";
  OwnNetwork network;
  if (::geteuid() != 0 && !network.error().empty()) GTEST_SKIP() << network.error() << " (the test needs root)";
  ASSERT_EQ(network.error(), "");
  WebServerProcess server({"--listen", OwnNetwork::kAddress});
  const std::string clean = fmt::format("http://{}:{}/", OwnNetwork::kAddress, server.port());
  ASSERT_EQ(server.url().rfind(clean + "?token=", 0), 0u) << server.url() << server.output();
  const std::string token = server.url().substr(clean.size() + 7);
  EXPECT_EQ(token.size(), 64u);
  EXPECT_NE(server.output().find("token"), std::string::npos) << server.output();

  httplib::Client client(OwnNetwork::kAddress, server.port());
  auto bare = client.Get("/api/state");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->status, 403);
  EXPECT_FALSE(json::parse(bare->body, nullptr, false).value("error", "").empty()) << bare->body;
  EXPECT_EQ(bare->get_header_value("X-Frame-Options"), "DENY");
  auto wrong = client.Get("/api/state?token=" + std::string(64, '0'));
  ASSERT_TRUE(wrong);
  EXPECT_EQ(wrong->status, 403);
  auto byQuery = client.Get("/api/state?token=" + token);
  ASSERT_TRUE(byQuery);
  EXPECT_EQ(byQuery->status, 200) << byQuery->body;

  HeadlessChromium browser;
  ASSERT_TRUE(browser.started()) << browser.error();
  ASSERT_TRUE(browser.navigate(clean)) << browser.error();
  EXPECT_EQ(browser.evaluate("document.body.textContent.includes('token')").value_or(json()), json(true)) << "refused";
  ASSERT_TRUE(browser.navigate(server.url())) << browser.error();
  ASSERT_TRUE(browser.waitFor(fmt::format("location.href === {} && Number(document.body.dataset.frame) > 0 && "
                                          "document.body.dataset.display === 'on'",
                                          json(clean).dump())))
      << browser.evaluate("location.href").value_or(json()).dump();
  EXPECT_EQ(browser.evaluate("document.cookie").value_or(json()), json(""));
  ASSERT_TRUE(browser.clickElement("#side-button"));
  EXPECT_TRUE(browser.waitFor("document.body.dataset.display === 'off'"));
  if (const char* folder = std::getenv("TOVALUNE_WEB_SHOTS"); folder && *folder) {
    EXPECT_TRUE(browser.screenshot(std::string(folder) + "/15-token-address.png"));
  }
  EXPECT_EQ(server.stop(), 0) << server.output();
}

TEST_F(WebRequests, AServerWithoutADeviceOrWithABadPortSaysWhy) {
  runLauncher({"shutdown"});
  auto noDevice = runLauncher({"web", "--port", "0"});
  EXPECT_EQ(noDevice.status, 1);
  EXPECT_NE(noDevice.err.find("boot"), std::string::npos) << noDevice.err;
  auto booted = runLauncher({"boot"});
  ASSERT_EQ(booted.status, 0);
  auto badPort = runLauncher({"web", "--port", "70000"});
  EXPECT_EQ(badPort.status, 1);
  EXPECT_NE(badPort.err.find("70000"), std::string::npos) << badPort.err;
}

TEST_F(WebRequests, SpringBoardTapsByPointReachIconsAndItsRevisionMovesOnlyWithTheScreen) {
  std::optional<HomeScreenIcon> settingsIcon, mail;
  for (const auto& icon : homeScreenIcons(390, 844)) {
    if (icon.name == "Settings") settingsIcon = icon;
    if (icon.name == "Mail") mail = icon;
  }
  ASSERT_TRUE(settingsIcon && mail);
  auto at = [&](const char* screen, double x, double y) {
    return springBoard(fmt::format("tap-at {} {} {}", screen, x, y));
  };
  EXPECT_EQ(at("home", settingsIcon->frame.midX(), settingsIcon->frame.midY()).value("icon", ""), "Settings");
  // The label under a grid icon is part of it; the space between icons is no icon.
  EXPECT_EQ(at("home", mail->frame.midX(), mail->frame.maxY() + 4).value("icon", ""), "Mail");
  json between = at("home", mail->frame.maxX() + 2, mail->frame.midY());
  EXPECT_TRUE(between.value("ok", false));
  EXPECT_FALSE(between.value("tapped", true));
  // The lock screen has no icons where the home screen has them.
  EXPECT_FALSE(at("lock", settingsIcon->frame.midX(), settingsIcon->frame.midY()).contains("icon"));
  for (const char* bad : {"tap-at home 10", "tap-at home 400 10", "tap-at desk 10 10", "tap-at home x 10",
                          "tap-at home 10 10 10", "tap-at home nan 10"})
    EXPECT_FALSE(springBoard(bad).value("ok", true)) << bad;

  // A live view's frames: as wide as asked, never wider than the screen; each host draws its own.
  std::string path = root_.host("/frame.jpg");
  for (auto [request, width, height] : std::vector<std::tuple<std::string, int, int>>{
           {"frame home 100 " + path, 100, 216}, {"frame lock 5000 " + path, 390, 844}}) {
    json frame = springBoard(request);
    EXPECT_EQ(frame.value("width", 0), width) << request << frame;
    EXPECT_EQ(frame.value("height", 0), height) << request;
    EXPECT_EQ(frame.value("bytes", 0ull), std::filesystem::file_size(path)) << request;
  }
  for (const std::string& bad : std::vector<std::string>{"frame home 0 " + path, "frame home wide " + path,
                                                          "frame desk 100 " + path, "frame home 100 relative.jpg",
                                                          "frame home"})
    EXPECT_FALSE(springBoard(bad).value("ok", true)) << bad;

  ASSERT_TRUE(askSpringBoard("unlock"));
  std::uint64_t first = springBoard("revision").value("revision", 0ull);
  EXPECT_GE(first, 1u);
  EXPECT_EQ(springBoard("revision").value("revision", 0ull), first);
  ASSERT_TRUE(askSpringBoard("lock"));
  json off = springBoard("revision");
  EXPECT_GT(off.value("revision", 0ull), first);
  EXPECT_FALSE(off.value("displayOn", true));
  ASSERT_TRUE(askSpringBoard("unlock"));
  json on = springBoard("revision");
  EXPECT_GT(on.value("revision", 0ull), off.value("revision", 0ull));
  EXPECT_TRUE(on.value("displayOn", false));
}

TEST_F(WebRequests, SettingsTakesKeysIntoTheFieldBeingEditedAndMovesItsRevision) {
  ASSERT_EQ(runLauncher({"settings", "open", "Tovalune"}).status, 0);
  ASSERT_EQ(runLauncher({"settings", "choose", "Image Source", "Custom URL"}).status, 0);
  std::uint64_t before = settings("revision").value("revision", 0ull);
  EXPECT_EQ(settings("revision").value("revision", 0ull), before);
  EXPECT_EQ(settings("frame\t195\t" + root_.host("/frame.jpg")).value("height", 0), 422);
  // Nothing is being edited yet.
  EXPECT_FALSE(settings("key\tinsert\tx").value("ok", true));
  ASSERT_EQ(runLauncher({"settings", "type", "URL", "http://127.0.0.1/a"}).status, 0);
  EXPECT_EQ(defaultsRead("CustomURL"), "http://127.0.0.1/a");
  ASSERT_EQ(runLauncher({"settings", "tap", "URL"}).status, 0);
  EXPECT_EQ(settings("key\tinsert\tbc").value("text", ""), "http://127.0.0.1/abc");
  EXPECT_GT(settings("revision").value("revision", 0ull), before);
  EXPECT_EQ(settings("key\tbackspace").value("text", ""), "http://127.0.0.1/ab");
  for (const char* bad : {"key\tinsert", "key\tinsert\t", "key\tpaste\tx", "key\tbackspace\tx"})
    EXPECT_FALSE(settings(bad).value("ok", true)) << bad;
  json done = settings("key\treturn");
  EXPECT_TRUE(done.value("ok", false));
  EXPECT_FALSE(done.value("editing", true));
  EXPECT_EQ(defaultsRead("CustomURL"), "http://127.0.0.1/ab");
}

}  // namespace
