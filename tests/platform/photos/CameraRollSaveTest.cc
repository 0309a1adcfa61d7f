// Saving a picture to the camera roll, as the stored-image viewer does, and what comes back.
#include <gtest/gtest.h>

#include <thread>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/photos/PHConstants.h"
#include "platform/photos/PhotoLibrary.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

std::shared_ptr<UIImage> picture(std::uint32_t width, std::uint32_t height) {
  platform::Bitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4, 128)};
  return UIImage::imageWithBitmap(std::move(b));
}

struct Outcome {
  int calls = 0;
  std::shared_ptr<NSError> error;
  bool onMainThread = false;
};

Outcome save(const std::shared_ptr<UIImage>& image) {
  Outcome outcome;
  auto mainThread = std::this_thread::get_id();
  UIImageWriteToSavedPhotosAlbum(image, [&](std::shared_ptr<NSError> error) {
    ++outcome.calls;
    outcome.error = std::move(error);
    outcome.onMainThread = std::this_thread::get_id() == mainThread;
  });
  EXPECT_EQ(outcome.calls, 0);  // never before the call returns
  EXPECT_TRUE(platform::settleAllQueues());
  return outcome;
}

std::vector<platform::PhotoAssetRecord> cameraRoll() {
  auto rolls = platform::photoLibraryAssetCollections(PHAssetCollectionTypeSmartAlbum,
                                                      PHAssetCollectionSubtypeSmartAlbumUserLibrary);
  return rolls.empty() ? std::vector<platform::PhotoAssetRecord>{}
                       : platform::photoLibraryAssetsInCollection(rolls.front().localIdentifier);
}

class CameraRollSaveTest : public ::testing::Test {
 protected:
  TempDeviceRoot root_;
};

TEST_F(CameraRollSaveTest, ThePictureBecomesAnAssetOfTheCameraRollBesideTheLibrary) {
  Outcome outcome = save(picture(120, 80));
  EXPECT_EQ(outcome.calls, 1);
  EXPECT_EQ(outcome.error, nullptr);
  EXPECT_TRUE(outcome.onMainThread);
  auto assets = cameraRoll();
  ASSERT_EQ(assets.size(), 1u);
  EXPECT_EQ(platform::stringByDeletingLastPathComponent(assets[0].path), platform::kPhotoLibraryDCIMPath);
  auto saved = UIImage::imageWithContentsOfFile(assets[0].path);
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->width(), 120);
  EXPECT_EQ(saved->height(), 80);
  // The picker's view of the library sees it too, newest first.
  save(picture(10, 10));
  auto all = platform::photoLibraryAllAssetsNewestFirst();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].localIdentifier, assets[0].localIdentifier);
}

TEST_F(CameraRollSaveTest, ARefusalIsReportedWithItsReasonAndNothingIsStored) {
  struct Case {
    const char* name;
    bool access;
    std::shared_ptr<UIImage> image;
    long code;
  };
  for (const Case& c : {Case{"no access", false, picture(20, 20), PHPhotosErrorAccessUserDenied},
                        Case{"no picture", true, nullptr, PHPhotosErrorInvalidResource}}) {
    SCOPED_TRACE(c.name);
    platform::DeviceSettings settings;
    settings.photoLibraryAccess = c.access;
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
    platform::LogCapture log;
    Outcome outcome = save(c.image);
    EXPECT_EQ(outcome.calls, 1);
    ASSERT_NE(outcome.error, nullptr);
    EXPECT_EQ(outcome.error->code(), c.code);
    EXPECT_EQ(outcome.error->domain(), "PHPhotosErrorDomain");
    EXPECT_FALSE(outcome.error->localizedDescription().empty());
    EXPECT_TRUE(log.containsSubstring("the picture was not saved to the camera roll"));
    EXPECT_TRUE(cameraRoll().empty());
    // The older form says no too.
    EXPECT_FALSE(UIImageWriteToSavedPhotosAlbum(c.image));
  }
}

TEST_F(CameraRollSaveTest, AFileWhereTheLibraryShouldBeIsLeftAloneAndTheSaveFails) {
  ASSERT_TRUE(platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(platform::kPhotoLibraryDatabasePath)));
  ASSERT_TRUE(platform::writeFile(platform::kPhotoLibraryDatabasePath, "someone's notes, not a database"));
  Outcome outcome = save(picture(20, 20));
  ASSERT_NE(outcome.error, nullptr);
  EXPECT_EQ(outcome.error->code(), PHPhotosErrorLibraryUnavailable);
  EXPECT_EQ(platform::readFile(platform::kPhotoLibraryDatabasePath), "someone's notes, not a database");
}

}  // namespace
