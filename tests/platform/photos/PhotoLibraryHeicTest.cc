// HEIC assets, as a phone's camera writes them, in the photo library: added from a file or from
// bytes, kept as they are, and read back through PHImageManager. The HEIC files are made here by
// heif-enc (package libheif-examples) from a PNG of one colour.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/photos/PHAsset.h"
#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PHImageManager.h"
#include "platform/photos/PhotoLibrary.h"
#include "tests/platform/photos/PhotoTestPictures.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using namespace platform;

class PhotoLibraryHeicTest : public testing::Test {
 protected:
  // A HEIC of the given size, red 200, at the device path.
  std::string writeHeic(const std::string& devicePath, std::uint32_t width, std::uint32_t height) {
    const std::string png = writeTestPicture(devicePath + ".png", width, height, 200);
    const std::string command = "heif-enc -q 90 -o '" + hostPath(devicePath) + "' '" + hostPath(png) + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "heif-enc (libheif-examples) failed";
    removeItemAtPath(png);
    return devicePath;
  }

  std::shared_ptr<UIImage> requestImage(const std::shared_ptr<PHAsset>& asset) {
    PHImageRequestOptions options;
    options.synchronous = true;
    std::shared_ptr<UIImage> result;
    PHImageManager::defaultManager()->requestImageForAsset(
        asset, PHImageTargetSize{0, 0}, PHImageContentModeAspectFit, &options,
        [&](std::shared_ptr<UIImage> image, const PHImageResultInfo&) { result = std::move(image); });
    return result;
  }

  TempDeviceRoot root;
};

TEST_F(PhotoLibraryHeicTest, AHeicFileIsKeptAsItIsAndReadsBackAsItsPicture) {
  const std::string heic = writeHeic("/var/mobile/Downloads/IMG_4031.HEIC", 48, 36);
  auto album = photoLibraryCreateAlbum("Camera");
  ASSERT_TRUE(album);
  auto id = photoLibraryAddPictureFile(heic, {*album});
  ASSERT_TRUE(id);

  auto assets = PHAsset::fetchAssetsInAssetCollection(
      PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeAlbum, PHAssetCollectionSubtypeAny, nullptr)
          .firstObject(),
      nullptr);
  ASSERT_EQ(assets.count(), 1u);
  auto asset = assets.firstObject();
  EXPECT_EQ(asset->filePath(), std::string(kPhotoLibraryDCIMPath) + "/IMG_0001.HEIC");
  EXPECT_EQ(readFile(asset->filePath()), readFile(heic)) << "the library keeps the camera's file, not a conversion";
  EXPECT_EQ(asset->pixelWidth(), 48);
  EXPECT_EQ(asset->pixelHeight(), 36);

  auto image = requestImage(asset);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->bitmap().width, 48u);
  ASSERT_EQ(image->bitmap().height, 36u);
  const std::uint8_t* centre = &image->bitmap().rgba[(18 * 48 + 24) * 4];
  EXPECT_NEAR(centre[0], 200, 12);
  EXPECT_NEAR(centre[1], 10, 12);
  EXPECT_NEAR(centre[2], 20, 12);
}

TEST_F(PhotoLibraryHeicTest, BytesWithoutANameAreNamedByTheirFormat) {
  auto bytes = readFile(writeHeic("/tmp/shared", 16, 16));
  ASSERT_TRUE(bytes);
  auto album = photoLibraryCreateAlbum("Shared");
  ASSERT_TRUE(photoLibraryAddPictureData(*bytes, "", {*album}));
  ASSERT_TRUE(photoLibraryAddPictureData(*readFile(writeTestPicture("/tmp/p.png", 4, 4)), "", {*album}));
  auto assets = photoLibraryAssetsInCollection(*album);
  ASSERT_EQ(assets.size(), 2u);
  EXPECT_EQ(pathExtension(assets[0].path), "HEIC");
  EXPECT_EQ(pathExtension(assets[1].path), "PNG");
}

TEST_F(PhotoLibraryHeicTest, ACutHeicIsRefusedAndLeavesNothingBehind) {
  auto bytes = readFile(writeHeic("/tmp/whole.heic", 64, 64));
  ASSERT_TRUE(bytes);
  ASSERT_TRUE(writeFile("/tmp/cut.heic", bytes->substr(0, bytes->size() * 3 / 4)));
  auto album = photoLibraryCreateAlbum("Camera");

  LogCapture log;
  EXPECT_FALSE(photoLibraryAddPictureFile("/tmp/cut.heic", {*album}));
  EXPECT_TRUE(log.containsSubstring("Photos: the data is not a picture; nothing added"));
  EXPECT_TRUE(photoLibraryAssetsInCollection(*album).empty());
  EXPECT_FALSE(fileExistsAtPath(std::string(kPhotoLibraryDCIMPath) + "/IMG_0001.HEIC"));
}

}  // namespace
