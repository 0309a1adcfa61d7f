// The Settings app in real processes: the launcher starts it, a person opens the pane by tapping,
// changes settings, and the preferences file (read back with `defaults read`) follows. A simple
// pane entry with no code drives the base list controller into its own defaults domain. A restart
// from the pane ends this device's SpringBoard and no other device's.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "device/jailbreak/JailbreakLayout.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/TempDeviceRoot.h"

using nlohmann::json;

namespace {

class SettingsApp : public ::testing::Test {
 protected:
  void SetUp() override { boot(); }
  void TearDown() override { runLauncher({"settings", "close"}); }

  static void boot() {
    ASSERT_NO_FATAL_FAILURE(bootPhoneSized(testTweakPath()));
  }
  static std::string defaultsRead(const std::string& key) {
    std::string out = launcherOk({"defaults", "read", key});
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
  }
  // The screen as `settings show` prints it: the title, then one element a line.
  static std::string screen() { return launcherOk({"settings", "show"}); }

  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
};

TEST_F(SettingsApp, OpensThePaneByTappingAndWritesWhatIsChanged) {
  std::string first = launcherOk({"settings", "open"});
  EXPECT_NE(first.find("Settings"), std::string::npos) << first;
  EXPECT_NE(first.find("Tovalune"), std::string::npos) << first;

  launcherOk({"settings", "tap", "Tovalune"});
  std::string pane = screen();
  for (const char* row : {"Enabled", "Image Source", "Restart SpringBoard", "Tovalune"})
    EXPECT_NE(pane.find(row), std::string::npos) << row << " missing from:\n" << pane;
  // The footer names the installed package's version.
  EXPECT_NE(pane.find("Tovalune " TOVALUNE_VERSION), std::string::npos) << pane;
  // Default provider 2: none of the provider rows.
  EXPECT_EQ(pane.find("Choose Local Pictures"), std::string::npos) << pane;

  launcherOk({"settings", "toggle", "Enabled"});
  EXPECT_EQ(defaultsRead("Enabled"), "0");
  launcherOk({"settings", "choose", "Image Source", "Picsum"});
  EXPECT_EQ(defaultsRead("ImageMode"), "5");
  launcherOk({"settings", "choose", "Image Source", "Local Folder"});
  EXPECT_EQ(defaultsRead("ImageMode"), "0");
  std::string local = screen();
  EXPECT_NE(local.find("Choose Local Pictures"), std::string::npos) << local;
  EXPECT_NE(local.find("Image Source = Local Folder"), std::string::npos) << local;

  launcherOk({"settings", "choose", "Image Source", "Custom URL"});
  launcherOk({"settings", "type", "URL", "http://127.0.0.1/p.jpg"});
  EXPECT_EQ(defaultsRead("CustomURL"), "http://127.0.0.1/p.jpg");

  // A value another process writes shows the next time the row is read.
  launcherOk({"defaults", "write", "Enabled", "-bool", "true"});
  launcherOk({"settings", "back"});
  launcherOk({"settings", "tap", "Tovalune"});
  EXPECT_NE(screen().find("Enabled = on"), std::string::npos);

  std::string shot = root_.path() + "/pane.png";
  launcherOk({"settings", "screenshot", shot});
  EXPECT_TRUE(platform::readFile("/pane.png").has_value());
  auto status = runLauncher({"status"});
  EXPECT_NE(status.out.find("Settings"), std::string::npos) << status.out;
}

TEST_F(SettingsApp, ASimplePaneEntryKeepsItsValuesInItsOwnDomainWithTheirTypes) {
  platform::Dictionary entry{{"cell", "PSLinkCell"}, {"label", "Plain Pane"}};
  auto row = [](platform::Dictionary d) {
    d["defaults"] = "com.example.plainpane";
    return platform::Value(std::move(d));
  };
  platform::Array items{
      platform::Dictionary{{"cell", "PSGroupCell"}, {"label", "Options"}, {"footerText", "Written for the test."}},
      row({{"cell", "PSSwitchCell"}, {"key", "flag"}, {"label", "Flag"}, {"default", false}}),
      row({{"cell", "PSLinkListCell"},
           {"key", "choice"},
           {"label", "Choice"},
           {"default", 1},
           {"validValues", platform::Array{1, 2, 3}},
           {"validTitles", platform::Array{"One", "Two", "Three"}}}),
      row({{"cell", "PSSliderCell"}, {"key", "level"}, {"default", 0.5}, {"min", 0.0}, {"max", 1.0}}),
      row({{"cell", "PSSwitchCell"}, {"key", "ipadOnly"}, {"label", "Tablet Thing"},
           {"requiredCapabilities", platform::Array{"ipad"}}}),
  };
  ASSERT_TRUE(platform::writeToFile(platform::Dictionary{{"entry", entry}, {"items", items}},
                                    devicePackagePath("/Library/PreferenceLoader/Preferences/PlainPane.plist")));

  launcherOk({"settings", "open", "Plain Pane"});
  std::string shown = screen();
  EXPECT_NE(shown.find("Options  [header]"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Written for the test."), std::string::npos) << shown;
  EXPECT_EQ(shown.find("Tablet Thing"), std::string::npos) << shown;

  launcherOk({"settings", "toggle", "Flag"});
  launcherOk({"settings", "choose", "Choice", "Three"});
  // The slider, where a finger would touch it: nine tenths along its track.
  auto reply = springboard_socket::requestAt(kSettingsSocketPath, "Settings", "show", std::chrono::seconds(30));
  ASSERT_TRUE(reply.reply);
  json screen = json::parse(*reply.reply);
  const json* slider = nullptr;
  for (const json& e : screen["elements"])
    if (e["traits"].get<std::string>().find("adjustable") != std::string::npos) slider = &e;
  ASSERT_NE(slider, nullptr) << screen.dump();
  const json& f = (*slider)["frame"];
  launcherOk({"settings", "tap-at", fmt::format("{}", f[0].get<double>() + 0.9 * f[2].get<double>()),
      fmt::format("{}", f[1].get<double>() + f[3].get<double>() / 2)});
  auto domain = platform::dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/com.example.plainpane.plist");
  ASSERT_TRUE(domain);
  ASSERT_TRUE(platform::find(*domain, "flag") && platform::find(*domain, "flag")->isBool());
  EXPECT_TRUE(platform::find(*domain, "flag")->boolValue());
  ASSERT_TRUE(platform::find(*domain, "choice") && platform::find(*domain, "choice")->isInteger());
  EXPECT_EQ(platform::find(*domain, "choice")->intValue(), 3);
  ASSERT_TRUE(platform::find(*domain, "level") && platform::find(*domain, "level")->isReal());
  EXPECT_GT(platform::find(*domain, "level")->doubleValue(), 0.6);
}

// A second device booted beside the test's own, shut down whatever the test's outcome.
struct OtherDevice {
  TempDeviceRoot root;  // the current root from here on, until the test hands it back
  ~OtherDevice() { runProgram({launcherPath(), "--device", root.path(), "shutdown"}); }
};

TEST_F(SettingsApp, RestartFromThePaneEndsThisDevicesSpringBoardOnly) {
  OtherDevice other;
  boot();
  pid_t otherSpringBoard = pidFromFile("/private/var/simulator/SpringBoard.pid");
  platform::setDeviceRoot(root_.path());

  pid_t before = pidFromFile("/private/var/simulator/SpringBoard.pid");
  ASSERT_GT(before, 0);
  ASSERT_GT(otherSpringBoard, 0);
  launcherOk({"settings", "open", "Tovalune"});
  launcherOk({"settings", "tap", "Restart SpringBoard"});
  EXPECT_TRUE(waitUntil([&] {
    pid_t now = pidFromFile("/private/var/simulator/SpringBoard.pid");
    return now > 0 && now != before && askSpringBoard("status").has_value();
  }, std::chrono::seconds(20)));
  EXPECT_FALSE(platform::isRunningProcess(before));
  EXPECT_TRUE(platform::isRunningProcess(otherSpringBoard));
}

}  // namespace
