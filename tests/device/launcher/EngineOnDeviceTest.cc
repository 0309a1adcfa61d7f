// The real engine in the real SpringBoard process, driven as a person drives the device: the
// first-run notice, screen-off mode over local pictures, SpringBoard's own files left alone, and
// its own wallpapers back once the engine is removed.
#include <gtest/gtest.h>

#include <set>

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/TempDeviceRoot.h"

using nlohmann::json;

namespace {

class EngineOnDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    auto booted = runLauncher({"boot", "--screen-width", "40", "--screen-height", "80", "--screen-scale", "1",
                               "--network", "wifi", "--engine", ENGINE_LIBRARY});
    ASSERT_EQ(booted.status, 0) << booted.out << booted.err;
  }
  json status() {
    auto result = runLauncher({"status", "--json"});
    json parsed = json::parse(result.out, nullptr, false);
    return parsed.is_discarded() ? json::object() : parsed;
  }
  static std::string hash(const json& s, const char* screen) {
    for (const auto& w : s["wallpapers"])
      if (w["screen"] == screen && w["appearance"] == "light") return w.value("hash", "");
    return "";
  }
  void ok(const std::vector<std::string>& args) {
    auto r = runLauncher(args);
    ASSERT_EQ(r.status, 0) << args.front() << ": " << r.out << r.err;
  }
  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
};

TEST_F(EngineOnDevice, NoticeOnceThenScreenOffPicturesAndOwnWallpapersBackWithoutIt) {
  json first = status();
  ASSERT_TRUE(first.value("engineLoaded", false)) << first.dump();
  // With the engine, SpringBoard looks in the store, which is empty at first.
  EXPECT_EQ(hash(first, "lock"), "");
  const auto stockBytes = platform::readFile("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap");
  ASSERT_TRUE(stockBytes);

  // The notice is up, and recorded before it was shown.
  EXPECT_EQ(TovalunePreferencesManager::getPrefForKey("Version")->intValue(), 1);
  ok({"tap", "OK"});
  EXPECT_NE(runLauncher({"tap", "OK"}).status, 0);

  ok({"defaults", "write", "ImageMode", "-int", "0"});
  ok({"defaults", "write", "Location", "-int", "3"});
  std::set<std::string> seen;
  for (int round = 0; round < 3; ++round) {
    // Each display-off must pass the engine's two-second cool-down: move the device clock on.
    ok({"clock", fmt::format("{:02d}:00", 9 + round)});
    ok({"lock"});
    ok({"unlock"});
    json s = status();
    EXPECT_EQ(hash(s, "lock"), hash(s, "home"));
    seen.insert(hash(s, "lock"));
  }
  EXPECT_FALSE(seen.count(""));
  // Three display-offs, three refreshes (the pictures are random, so they may repeat).
  std::string log = runLauncher({"logs"}).out;
  std::size_t fetches = 0;
  for (std::size_t at = log.find("Fetching random local image..."); at != std::string::npos;
       at = log.find("Fetching random local image...", at + 1))
    ++fetches;
  EXPECT_EQ(fetches, 3u) << log;
  // SpringBoard's own wallpaper files stayed as they were; its pictures went to the store.
  EXPECT_EQ(platform::readFile("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap"), stockBytes);
  EXPECT_TRUE(platform::fileExistsAtPath("/var/mobile/Library/TovaluneStore/SpringBoard/LockBackground.cpbitmap"));

  // A restart does not show the notice again.
  ok({"uninstall"});
  json without = status();
  EXPECT_FALSE(without.value("engineLoaded", true));
  EXPECT_NE(hash(without, "lock"), "");
  EXPECT_FALSE(seen.count(hash(without, "lock")));
  ok({"install", "--engine", ENGINE_LIBRARY});
  EXPECT_TRUE(status().value("engineLoaded", false));
  EXPECT_NE(runLauncher({"tap", "OK"}).status, 0);
}

}  // namespace
