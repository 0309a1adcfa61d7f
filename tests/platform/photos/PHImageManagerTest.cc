#include "platform/photos/PHImageManager.h"

#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/image/UIImage.h"
#include "platform/photos/PHAsset.h"
#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PhotoLibrary.h"
#include "tests/platform/photos/PhotoTestPictures.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using namespace platform;

class PHImageManagerTest : public testing::Test {
 protected:
  std::shared_ptr<PHAsset> addAsset(std::uint32_t w, std::uint32_t h) {
    auto album = photoLibraryCreateAlbum("Album");
    photoLibraryAddPictureFile(writeTestPicture("/tmp/src.png", w, h, 123), {*album});
    return PHAsset::fetchAssetsInAssetCollection(PHAssetCollection::fetchAssetCollectionsWithType(1, 2, nullptr).lastObject(),
                                                 nullptr)
        .firstObject();
  }

  struct Result {
    int calls = 0;
    std::shared_ptr<UIImage> image;
    PHImageResultInfo info;
  };

  Result requestSync(const std::shared_ptr<PHAsset>& asset, PHImageTargetSize size, int mode) {
    PHImageRequestOptions options;
    options.deliveryMode = PHImageRequestOptionsDeliveryModeHighQualityFormat;
    options.synchronous = true;
    options.networkAccessAllowed = true;
    Result r;
    PHImageManager::defaultManager()->requestImageForAsset(asset, size, mode, &options,
                                                           [&](std::shared_ptr<UIImage> image, const PHImageResultInfo& info) {
                                                             ++r.calls;
                                                             r.image = std::move(image);
                                                             r.info = info;
                                                           });
    return r;
  }

  TempDeviceRoot root;
};

TEST_F(PHImageManagerTest, ASynchronousRequestAnswersBeforeItReturns) {
  auto asset = addAsset(40, 20);
  ASSERT_TRUE(asset);
  Result r = requestSync(asset, PHImageManagerMaximumSize, PHImageContentModeAspectFit);
  EXPECT_EQ(r.calls, 1);
  ASSERT_TRUE(r.image);
  EXPECT_EQ(r.image->bitmap().width, 40u);
  EXPECT_EQ(r.image->bitmap().height, 20u);
  EXPECT_EQ(r.image->bitmap().rgba[0], 123);
  EXPECT_FALSE(r.info.error);
  EXPECT_FALSE(r.info.isDegraded);
}

TEST_F(PHImageManagerTest, TargetSizesScaleDownButNeverUp) {
  auto asset = addAsset(40, 20);
  struct Case {
    PHImageTargetSize target;
    int mode;
    std::uint32_t width, height;
  } cases[] = {
      {{10, 10}, PHImageContentModeAspectFit, 10, 5},
      {{10, 10}, PHImageContentModeAspectFill, 20, 10},
      {{400, 400}, PHImageContentModeAspectFit, 40, 20},
      {{20, 1000}, PHImageContentModeAspectFit, 20, 10},
  };
  for (const auto& c : cases) {
    Result r = requestSync(asset, c.target, c.mode);
    ASSERT_TRUE(r.image);
    EXPECT_EQ(r.image->bitmap().width, c.width) << c.target.width << "x" << c.target.height << " mode " << c.mode;
    EXPECT_EQ(r.image->bitmap().height, c.height);
    EXPECT_EQ(r.image->bitmap().rgba[0], 123) << "a uniform picture keeps its colour when scaled";
  }
}

TEST_F(PHImageManagerTest, AnAssetWhoseFileIsGoneAnswersNothingOnce) {
  auto asset = addAsset(4, 4);
  ASSERT_TRUE(removeItemAtPath(asset->filePath()));
  Result r = requestSync(asset, PHImageManagerMaximumSize, PHImageContentModeAspectFit);
  EXPECT_EQ(r.calls, 1);
  EXPECT_FALSE(r.image);
  EXPECT_TRUE(r.info.error);
  Result none = requestSync(nullptr, PHImageManagerMaximumSize, PHImageContentModeAspectFit);
  EXPECT_EQ(none.calls, 1);
  EXPECT_FALSE(none.image);
}

TEST_F(PHImageManagerTest, AnAsynchronousRequestAnswersOnTheMainQueue) {
  auto asset = addAsset(8, 6);
  PHImageRequestOptions options;
  int calls = 0;
  std::shared_ptr<UIImage> got;
  PHImageManager::defaultManager()->requestImageForAsset(asset, PHImageManagerMaximumSize, PHImageContentModeAspectFit,
                                                         &options, [&](std::shared_ptr<UIImage> image, const auto&) {
                                                           ++calls;
                                                           got = std::move(image);
                                                         });
  ASSERT_TRUE(waitUntilQueuesIdle());
  EXPECT_EQ(calls, 0) << "nothing runs the main queue yet";
  EXPECT_EQ(drainMainQueue(), 1u);
  EXPECT_EQ(calls, 1);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->bitmap().width, 8u);
}

}  // namespace
