// tovalune-device driving a booted device in real processes: boot, the supervisor, install and
// uninstall, the display, screenshots, taps and shutdown. Every test shuts its device down.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <iterator>

#include "device/jailbreak/JailbreakLayout.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/image/ImageCodec.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/TempDeviceRoot.h"

using namespace std::chrono_literals;
using nlohmann::json;

namespace {

class LauncherDeviceTest : public ::testing::Test {
 protected:
  // The test add-on stands in for the engine, so what SpringBoard shows does not depend on
  // whether the engine is built.
  void boot() {
    auto result = runLauncher({"boot", "--screen-width", "60", "--screen-height", "120", "--screen-scale", "1",
                               "--engine", testTweakPath()});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
  }

  json status() {
    auto result = runLauncher({"status", "--json"});
    EXPECT_EQ(result.status, 0) << result.err;
    json parsed = json::parse(result.out, nullptr, false);
    return parsed.is_discarded() ? json::object() : parsed;
  }

  pid_t springBoardPid() { return status().value("springBoardPid", 0); }

  static std::string lockLightHash(const json& s) {
    for (const auto& w : s["wallpapers"])
      if (w["screen"] == "lock" && w["appearance"] == "light") return w["hash"];
    return "";
  }

  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
};

TEST_F(LauncherDeviceTest, BootStartsOneSpringBoardWithTheDeliverablesAndKeepsItOnASecondBoot) {
  boot();
  json first = status();
  EXPECT_TRUE(first.value("springBoardRunning", false)) << first.dump();
  EXPECT_TRUE(first.value("engineLoaded", false));
  EXPECT_EQ(first.value("localPictures", 0), 6);
  EXPECT_EQ(first.value("wallpaperDirectory", ""), "/var/mobile/Library/SpringBoard")
      << "the stand-in engine does not redirect";
  for (const auto& w : first["wallpapers"]) {
    EXPECT_TRUE(w.value("readable", false)) << w.dump();
    EXPECT_EQ(w.value("width", 0.0), 60.0);
  }
  EXPECT_TRUE(platform::fileExistsAtPath(devicePackagePath("/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist")));
  EXPECT_TRUE(platform::fileExistsAtPath(
      "/System/Library/PrivateFrameworks/SpringBoardUIServices.framework/SpringBoardUIServices"));

  boot();
  json second = status();
  EXPECT_EQ(second.value("springBoardPid", -1), first.value("springBoardPid", -2)) << "a second SpringBoard started";
  EXPECT_EQ(second.value("supervisorPid", -1), first.value("supervisorPid", -2));
  EXPECT_EQ(second.value("localPictures", 0), 6) << "the samples are seeded into an empty folder only";
}

TEST_F(LauncherDeviceTest, SupervisorStartsANewSpringBoardWhenItIsKilled) {
  boot();
  pid_t old = springBoardPid();
  ASSERT_GT(old, 0);
  ASSERT_EQ(::kill(old, SIGKILL), 0);
  pid_t fresh = 0;
  ASSERT_TRUE(waitUntil([&] {
    auto reply = askSpringBoard("status", 2s);
    fresh = reply ? reply->value("pid", 0) : 0;
    return fresh > 0 && fresh != old;
  }));
  EXPECT_TRUE(platform::isRunningProcess(fresh));
  EXPECT_FALSE(platform::isRunningProcess(old));
  // The new one has been through the whole launch: the add-on's notice is up again.
  EXPECT_EQ(askSpringBoard("status")->value("visibleWindows", 0), 1);
}

TEST_F(LauncherDeviceTest, UninstallAndInstallRestartSpringBoardWithoutAndWithTheEngine) {
  boot();
  pid_t withEngine = springBoardPid();
  auto removed = runLauncher({"uninstall"});
  ASSERT_EQ(removed.status, 0) << removed.err;
  json after = status();
  EXPECT_NE(after.value("springBoardPid", 0), withEngine);
  EXPECT_TRUE(after.value("springBoardRunning", false));
  EXPECT_FALSE(after.value("engineLoaded", true));
  EXPECT_FALSE(platform::fileExistsAtPath(devicePackagePath("/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib")));
  EXPECT_FALSE(platform::fileExistsAtPath(devicePackagePath("/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist")));

  auto installed = runLauncher({"install", "--engine", testTweakPath()});
  ASSERT_EQ(installed.status, 0) << installed.err;
  EXPECT_TRUE(status().value("engineLoaded", false));

  auto missing = runLauncher({"install", "--engine", platform::hostPath("/no-such-engine.dylib")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("no engine library"), std::string::npos) << missing.err;
}

TEST_F(LauncherDeviceTest, LockScreenshotAndTapRoundTrip) {
  boot();
  std::string shot = platform::hostPath("/lock.png");
  auto taken = runLauncher({"screenshot", "lock", shot});
  ASSERT_EQ(taken.status, 0) << taken.err;
  std::ifstream in(shot, std::ios::binary);
  auto bitmap = platform::decodeImage(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, 60u);
  EXPECT_EQ(bitmap->height, 120u);

  EXPECT_EQ(runLauncher({"tap", "OK"}).status, 0);
  auto again = runLauncher({"tap", "OK"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("nothing titled \"OK\""), std::string::npos) << again.err;

  std::string before = lockLightHash(status());
  ASSERT_EQ(runLauncher({"lock"}).status, 0);
  json locked = status();
  EXPECT_FALSE(locked.value("displayOn", true));
  EXPECT_NE(lockLightHash(locked), before) << "the lock reply came before the add-on's wallpaper change";
  ASSERT_EQ(runLauncher({"unlock"}).status, 0);
  EXPECT_TRUE(status().value("displayOn", false));

  auto badScreen = runLauncher({"screenshot", "sideways", shot});
  EXPECT_EQ(badScreen.status, 2);
  auto noFolder = runLauncher({"screenshot", "home", platform::hostPath("/missing/folder/x.png")});
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_NE(noFolder.err.find("does not exist"), std::string::npos);
}

TEST_F(LauncherDeviceTest, ShutdownLeavesNoProcessAndCommandsThenSayItIsNotRunning) {
  boot();
  json running = status();
  pid_t springBoard = running.value("springBoardPid", 0);
  pid_t supervisor = running.value("supervisorPid", 0);
  ASSERT_TRUE(platform::isRunningProcess(springBoard));
  ASSERT_TRUE(platform::isRunningProcess(supervisor));

  auto down = runLauncher({"shutdown"});
  EXPECT_EQ(down.status, 0) << down.err;
  EXPECT_FALSE(platform::isRunningProcess(springBoard));
  EXPECT_FALSE(platform::isRunningProcess(supervisor));

  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"lock"}, {"unlock"}, {"tap", "OK"}, {"screenshot", "lock", platform::hostPath("/x.png")}}) {
    auto result = runLauncher(command);
    EXPECT_EQ(result.status, 1) << command[0];
    EXPECT_NE(result.err.find("SpringBoard is not running"), std::string::npos) << result.err;
  }
  json stopped = status();
  EXPECT_FALSE(stopped.value("springBoardRunning", true));
  EXPECT_EQ(stopped["wallpapers"].size(), 4u) << "the wallpapers are read from disk instead";
  EXPECT_EQ(runLauncher({"shutdown"}).status, 0) << "shutting down a stopped device is harmless";
}

}  // namespace
