// The editor screens driven through `tovalune-device settings` in real processes: grid tiles, the
// photo picker, the time wheel and swiping a row away, each as a person's finger would.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/image/ImageCodec.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

constexpr const char* kLocalFolder = "/var/mobile/Library/Tovalune";

class SettingsEditorCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(bootPhoneSized(testTweakPath()));
  }
  void TearDown() override { runLauncher({"settings", "close"}); }

  static std::string refused(const std::vector<std::string>& args) {
    auto r = runLauncher(args);
    EXPECT_NE(r.status, 0) << fmt::format("{}", fmt::join(args, " ")) << ": " << r.out;
    return r.err;
  }
  static std::string screen() { return launcherOk({"settings", "show"}); }

  // The "tile N: NAME" lines of the screen, in order.
  static std::vector<std::string> tiles() {
    std::vector<std::string> out;
    std::string text = screen();
    std::regex tileLine(R"(  tile (\d+): (.*))");
    for (std::sregex_iterator it(text.begin(), text.end(), tileLine), end; it != end; ++it)
      out.push_back((*it)[2].str());
    return out;
  }

  std::vector<std::string> localFiles() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(root_.host(kLocalFolder)))
      names.push_back(e.path().filename().string());
    return names;
  }

  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
};

TEST_F(SettingsEditorCommands, APhotoIsPickedIntoTheLocalFolderTileByTileAndRemovedAgain) {
  // A folder with nothing in it, and a library whose newest photo is a 321 x 123 picture.
  std::filesystem::remove_all(root_.host(kLocalFolder));
  std::filesystem::create_directories(root_.host(kLocalFolder));
  platform::Bitmap picture{321, 123, std::vector<std::uint8_t>(321 * 123 * 4, 200)};
  std::string photo = root_.path() + "/photo.png";
  ASSERT_TRUE(platform::writeFile(platform::devicePathFromHost(photo), platform::encodePNG(picture).value()));
  launcherOk({"photos", "add", photo});

  launcherOk({"settings", "open", "Tovalune"});
  launcherOk({"settings", "choose", "Image Source", "Local Folder"});
  launcherOk({"settings", "tap", "Choose Local Pictures"});
  EXPECT_EQ(tiles(), std::vector<std::string>{"plus.png"});

  launcherOk({"settings", "tile", "0"});
  std::string picker = screen();
  EXPECT_NE(picker.find("photo 0: IMG_"), std::string::npos) << picker;
  launcherOk({"settings", "pick", "0"});
  auto afterPick = tiles();
  ASSERT_EQ(afterPick.size(), 2u) << screen();
  EXPECT_TRUE(std::regex_match(afterPick[0], std::regex(R"([0-9A-F-]{36}\.png)"))) << afterPick[0];
  EXPECT_EQ(afterPick[1], "plus.png");
  ASSERT_EQ(localFiles(), std::vector<std::string>{afterPick[0]});
  auto stored = platform::decodeImage(*platform::readFile(std::string(kLocalFolder) + "/" + afterPick[0]));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->width, 321u);

  // The plus tile again, and Cancel: nothing changes.
  launcherOk({"settings", "tile", "1"});
  launcherOk({"settings", "pick-cancel"});
  EXPECT_EQ(tiles(), afterPick);
  refused({"settings", "pick", "0"});  // no picker now

  launcherOk({"settings", "tile", "0"});
  EXPECT_NE(screen().find("Remove Image"), std::string::npos);
  launcherOk({"settings", "tap", "Remove"});
  EXPECT_EQ(tiles(), std::vector<std::string>{"plus.png"});
  EXPECT_TRUE(localFiles().empty());
  refused({"settings", "tile", "5"});
}

TEST_F(SettingsEditorCommands, ATimelineEntryIsMadeOnTheWheelAndSwipedAway) {
  launcherOk({"settings", "open", "Tovalune"});
  launcherOk({"settings", "choose", "New Wallpaper", "Follow Timeline"});
  launcherOk({"settings", "tap", "Edit Timeline"});
  launcherOk({"settings", "tap", "Add"});
  EXPECT_TRUE(std::regex_search(screen(), std::regex(R"(  wheel: \d\d:\d\d)")));
  refused({"settings", "wheel", "25:00"});
  refused({"settings", "wheel", "noon"});
  launcherOk({"settings", "wheel", "07:30"});
  EXPECT_NE(screen().find("  wheel: 07:30"), std::string::npos);
  launcherOk({"settings", "tap", "Next"});
  launcherOk({"settings", "tap", "Use Random Image"});
  launcherOk({"settings", "tap", "Confirm"});
  std::string list = screen();
  EXPECT_NE(list.find("All Day"), std::string::npos) << list;
  EXPECT_NE(launcherOk({"defaults", "read", "ImageTimeline"}).find("07:30:00"), std::string::npos);

  refused({"settings", "delete", "No Such Row"});
  launcherOk({"settings", "delete", "All Day"});
  EXPECT_EQ(screen().find("All Day"), std::string::npos);
  EXPECT_EQ(launcherOk({"defaults", "read", "ImageTimeline"}).find("07:30:00"), std::string::npos);
}

}  // namespace
