// The browser view's server and the hosts' requests behind it, without a browser: requests that
// are not the page's own get a clear 4xx, the page's files and frames are served, SpringBoard
// answers taps by point (icons included) and a revision that moves only with the screen, and
// the Settings app takes keys into the field being edited.
#include <gtest/gtest.h>

#include <httplib.h>

#include <filesystem>
#include <tuple>

#include <fmt/format.h>

#include "device/springboard/app/HomeScreen.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/device/web/WebServerProcess.h"
#include "tests/support/TempDeviceRoot.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

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
  // A page of another site reaching the server through a name it resolves to this machine.
  auto foreign = client.Get("/api/state", httplib::Headers{{"Host", "attacker.example:80"}});
  ASSERT_TRUE(foreign);
  EXPECT_EQ(foreign->status, 403);

  // The page's own requests are served.
  auto page = client.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
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
