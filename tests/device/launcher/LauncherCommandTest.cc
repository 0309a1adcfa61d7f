// tovalune-device commands that need no running SpringBoard: a missing device, the clock and the
// timeline, with the bad input a person may type.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "platform/image/UIImage.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

class LauncherCommandTest : public ::testing::Test {
 protected:
  // A device with a file system but nothing running.
  void SetUp() override { ASSERT_TRUE(platform::createDirectoryAtPath("/var/mobile/Library/Preferences")); }

  std::string hostPicture(const std::string& name) {
    platform::Bitmap bitmap{4, 4, std::vector<std::uint8_t>(64, 200)};
    auto png = platform::encodePNG(bitmap);
    std::string path = platform::hostPath("/" + name);
    std::ofstream(path, std::ios::binary) << *png;
    return path;
  }

  static std::vector<std::pair<std::string, std::string>> timeline() {
    std::vector<std::pair<std::string, std::string>> entries;
    auto value = TovalunePreferencesManager::getPrefForKey("ImageTimeline");
    if (!value || !value->array()) return entries;
    for (const auto& entry : *value->array())
      entries.emplace_back(*platform::find(*entry.dictionary(), "Start")->string(),
                           *platform::find(*entry.dictionary(), "ImagePath")->string());
    return entries;
  }

  TempDeviceRoot root_;
};

TEST_F(LauncherCommandTest, EveryCommandOnAMissingDeviceFailsWithAClearMessage) {
  std::string missing = platform::hostPath("/no/such/device");
  const std::vector<std::vector<std::string>> commands = {
      {"status"}, {"status", "--json"}, {"lock"}, {"unlock"}, {"clock", "10:00"}, {"screenshot", "lock", "x.png"},
      {"tap", "OK"}, {"install"}, {"uninstall"}, {"logs"}, {"shutdown"}, {"timeline", "list"}};
  for (const auto& command : commands) {
    std::vector<std::string> argv{launcherPath(), "--device", missing};
    argv.insert(argv.end(), command.begin(), command.end());
    auto result = runProgram(argv);
    EXPECT_EQ(result.status, 1) << command[0] << ": " << result.err;
    EXPECT_NE(result.err.find("no device at " + missing), std::string::npos) << result.err;
  }
  EXPECT_FALSE(platform::fileExistsAtPath("/no/such/device")) << "only boot creates a device";
}

TEST_F(LauncherCommandTest, ClockSetsTheDeviceTimeOfDayAndRefusesWhatIsNoTime) {
  auto set = runLauncher({"clock", "09:30"});
  ASSERT_EQ(set.status, 0) << set.err;
  auto now = platform::calendarComponents(platform::now());
  EXPECT_EQ(now.hour, 9);
  EXPECT_TRUE(now.minute == 30 || now.minute == 31) << now.minute;

  ASSERT_EQ(runLauncher({"clock", "21:05:40"}).status, 0);
  now = platform::calendarComponents(platform::now());
  EXPECT_EQ(now.hour, 21);
  EXPECT_EQ(now.minute, 5);

  double offset = platform::deviceSettings().clockOffset;
  for (const char* bad : {"25:00", "12:60", "12:00:60", "9", "ab:cd", "12:00:00:00", "-1:00", "12:", "", "123:00"}) {
    auto result = runLauncher({"clock", bad});
    EXPECT_EQ(result.status, 2) << bad;
    EXPECT_NE(result.err.find("is not a time of day"), std::string::npos) << bad << ": " << result.err;
  }
  EXPECT_EQ(platform::deviceSettings().clockOffset, offset) << "a refused time moved the clock";
}

TEST_F(LauncherCommandTest, TimelineKeepsEntriesInTimeOrderWithPicturesInTheTimelineFolder) {
  std::string picture = hostPicture("picture.png");
  ASSERT_EQ(runLauncher({"timeline", "add", "20:00", picture}).status, 0);
  ASSERT_EQ(runLauncher({"timeline", "add", "8:00", picture}).status, 0);
  ASSERT_EQ(runLauncher({"timeline", "add", "12:30", "random"}).status, 0);

  auto entries = timeline();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].first, "08:00:00");
  EXPECT_EQ(entries[1].first, "12:30:00");
  EXPECT_EQ(entries[1].second, "||RANDOM||");
  EXPECT_EQ(entries[2].first, "20:00:00");
  for (int i : {0, 2}) {
    EXPECT_EQ(entries[i].second.rfind("/var/mobile/Library/TovaluneTimeline/", 0), 0u) << entries[i].second;
    EXPECT_TRUE(UIImage::imageWithContentsOfFile(entries[i].second)) << entries[i].second;
  }
  EXPECT_NE(entries[0].second, entries[2].second) << "each entry has its own copy";

  // A picture already on the device is used where it is.
  ASSERT_EQ(runLauncher({"timeline", "add", "06:15", entries[0].second}).status, 0);
  EXPECT_EQ(timeline()[0], std::make_pair(std::string("06:15:00"), entries[0].second));
}

TEST_F(LauncherCommandTest, TimelineRefusesDuplicatesMissingPicturesAndNonPictures) {
  std::string picture = hostPicture("picture.png");
  ASSERT_EQ(runLauncher({"timeline", "add", "08:00", picture}).status, 0);
  auto duplicate = runLauncher({"timeline", "add", "08:00:00", "random"});
  EXPECT_EQ(duplicate.status, 1);
  EXPECT_NE(duplicate.err.find("has an entry at 08:00:00"), std::string::npos);

  std::string text = platform::hostPath("/notes.txt");
  std::ofstream(text) << "not a picture";
  auto notPicture = runLauncher({"timeline", "add", "09:00", text});
  EXPECT_EQ(notPicture.status, 1);
  EXPECT_NE(notPicture.err.find("is not a picture"), std::string::npos);
  EXPECT_EQ(runLauncher({"timeline", "add", "09:00", platform::hostPath("/missing.png")}).status, 1);
  EXPECT_EQ(runLauncher({"timeline", "add", "99:00", picture}).status, 2);
  EXPECT_EQ(runLauncher({"timeline", "bogus"}).status, 2);
  EXPECT_EQ(timeline().size(), 1u);
  EXPECT_EQ(platform::contentsOfDirectoryAtPath("/var/mobile/Library/TovaluneTimeline")->size(), 1u)
      << "a refused entry left a picture behind";

  ASSERT_EQ(runLauncher({"timeline", "clear"}).status, 0);
  EXPECT_TRUE(timeline().empty());
}

TEST_F(LauncherCommandTest, PhotosAccessPlaysAUserWhoAllowsOrRefusesTheLibrary) {
  ASSERT_EQ(runLauncher({"clock", "09:30"}).status, 0);
  const double offset = platform::deviceSettings().clockOffset;
  struct Case {
    std::vector<std::string> args;
    int status;
    bool access;
    std::string out;
  } cases[] = {
      {{"photos", "access", "deny"}, 0, false, ""}, {{"photos", "access"}, 0, false, "deny"},
      {{"photos", "access", "maybe"}, 2, false, ""}, {{"photos", "access", "allow"}, 0, true, ""},
      {{"photos", "access"}, 0, true, "allow"},
  };
  for (const auto& c : cases) {
    auto result = runLauncher(c.args);
    EXPECT_EQ(result.status, c.status) << c.args.back() << ": " << result.err;
    EXPECT_EQ(platform::deviceSettings().photoLibraryAccess, c.access) << c.args.back();
    if (!c.out.empty()) {
      EXPECT_EQ(result.out, c.out + "\n");
    }
  }
  EXPECT_EQ(platform::deviceSettings().clockOffset, offset) << "the other device settings are kept";
}

}  // namespace
