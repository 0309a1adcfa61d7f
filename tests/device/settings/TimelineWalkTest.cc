// A day's timeline made by tapping in the real Settings app, followed by the real engine in the
// real SpringBoard: a person adds a photo to the library, makes a photo entry and a random entry,
// turns timeline mode on, and when the clock reaches the photo's entry the lock screen shows it.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "platform/image/ImageCodec.h"
#include "platform/image/UIImage.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

constexpr int kWidth = 390;
constexpr int kHeight = 844;
// A colour no screen of the device draws by itself.
constexpr std::uint8_t kPhoto[3] = {201, 34, 158};

class TimelineWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    auto booted = runLauncher({"boot", "--screen-width", std::to_string(kWidth), "--screen-height",
                               std::to_string(kHeight), "--screen-scale", "1", "--network", "none", "--engine",
                               ENGINE_LIBRARY});
    ASSERT_EQ(booted.status, 0) << booted.out << booted.err;
  }
  void TearDown() override { runLauncher({"settings", "close"}); }

  static std::string screen() { return launcherOk({"settings", "show"}); }

  // The screen's picture as the lock screen shows it: the photo's colour at the screen's size.
  std::string writePhoto() {
    platform::Bitmap bitmap{kWidth, kHeight, std::vector<std::uint8_t>(std::size_t{kWidth} * kHeight * 4)};
    for (std::size_t i = 0; i < bitmap.rgba.size(); i += 4) {
      bitmap.rgba[i] = kPhoto[0];
      bitmap.rgba[i + 1] = kPhoto[1];
      bitmap.rgba[i + 2] = kPhoto[2];
      bitmap.rgba[i + 3] = 255;
    }
    auto png = UIImagePNGRepresentation(UIImage::imageWithBitmap(std::move(bitmap)).get());
    EXPECT_TRUE(png && platform::writeFile("/photo.png", *png));
    return root_.host("/photo.png");
  }

  // Add → wheel → Next, on the timeline screen.
  void addEntryAt(const std::string& time) {
    launcherOk({"settings", "tap", "Add"});
    EXPECT_NE(screen().find("What time?"), std::string::npos);
    launcherOk({"settings", "wheel", time});
    launcherOk({"settings", "tap", "Next"});
    std::string sources = screen();
    EXPECT_NE(sources.find("Select Image Source"), std::string::npos) << sources;
  }

  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
};

TEST_F(TimelineWalk, APhotoEntryMadeInSettingsReachesTheLockScreenWhenItsTimeComes) {
  launcherOk({"tap", "OK"});  // the engine's first-run notice
  launcherOk({"photos", "add", writePhoto()});

  launcherOk({"settings", "open"});
  launcherOk({"settings", "tap", "Tovalune"});
  launcherOk({"settings", "choose", "New Wallpaper", "Follow Timeline"});
  launcherOk({"settings", "tap", "Edit Timeline"});

  addEntryAt("07:00");
  launcherOk({"settings", "tap", "Select From Photos"});
  launcherOk({"settings", "pick", "0"});
  addEntryAt("19:00");
  launcherOk({"settings", "tap", "Use Random Image"});
  launcherOk({"settings", "tap", "Confirm"});

  std::string list = screen();
  EXPECT_NE(list.find("07:00 - 18:59"), std::string::npos) << list;
  EXPECT_NE(list.find("19:00 - 06:59"), std::string::npos) << list;
  launcherOk({"settings", "screenshot", root_.host("/timeline.png")});

  // What the pane stored: the photo copied into the timeline folder, and the marker.
  auto timeline = TovalunePreferencesManager::getPrefForKey("ImageTimeline");
  ASSERT_TRUE(timeline && timeline->array());
  ASSERT_EQ(timeline->array()->size(), 2u);
  const auto& first = *(*timeline->array())[0].dictionary();
  const auto& second = *(*timeline->array())[1].dictionary();
  EXPECT_EQ(*platform::find(first, "Start")->string(), "07:00:00");
  EXPECT_EQ(*platform::find(second, "Start")->string(), "19:00:00");
  EXPECT_EQ(*platform::find(second, "ImagePath")->string(), kRandomImageMarker);
  const std::string copy = *platform::find(first, "ImagePath")->string();
  EXPECT_EQ(platform::stringByDeletingLastPathComponent(copy), kTimelineImagesPath);
  auto copied = UIImage::imageWithContentsOfFile(copy);
  ASSERT_TRUE(copied);
  EXPECT_EQ(copied->bitmap().rgba[0], kPhoto[0]);
  EXPECT_EQ(TovalunePreferencesManager::getPrefForKey("UpdateMode")->intValue(), 1);

  // The morning comes: the display turns on within the photo's entry.
  launcherOk({"clock", "08:00"});
  launcherOk({"lock"});
  launcherOk({"unlock"});
  launcherOk({"screenshot", "lock", root_.host("/lock.png")});
  auto shot = platform::readFile("/lock.png");
  ASSERT_TRUE(shot);
  auto pixels = platform::decodeImage(*shot);
  ASSERT_TRUE(pixels);
  // Away from the clock at the top: the middle of the screen.
  std::size_t middle = (std::size_t{pixels->height} / 2 * pixels->width + pixels->width / 2) * 4;
  EXPECT_EQ(pixels->rgba[middle], kPhoto[0]);
  EXPECT_EQ(pixels->rgba[middle + 1], kPhoto[1]);
  EXPECT_EQ(pixels->rgba[middle + 2], kPhoto[2]);
}

}  // namespace
