// The library's files: pictures copied beside the database, the camera roll, and a database that
// is missing or is not one.
#include <gtest/gtest.h>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/photos/PHAsset.h"
#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PhotoLibrary.h"
#include "tests/platform/photos/PhotoTestPictures.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using namespace platform;

class PhotoLibraryFilesTest : public testing::Test {
 protected:
  TempDeviceRoot root;
};

TEST_F(PhotoLibraryFilesTest, PicturesAreCopiedIntoTheDCIMFolder) {
  auto source = writeTestPicture("/var/mobile/Downloads/beach.jpeg.png", 5, 5);
  auto album = photoLibraryCreateAlbum("Beach");
  auto first = photoLibraryAddPictureFile(source, {*album});
  auto second = photoLibraryAddPictureFile(source, {*album});
  ASSERT_TRUE(first && second);
  auto assets = photoLibraryAssetsInCollection(*album);
  ASSERT_EQ(assets.size(), 2u);
  EXPECT_EQ(assets[0].path, std::string(kPhotoLibraryDCIMPath) + "/IMG_0001.PNG");
  EXPECT_EQ(assets[1].path, std::string(kPhotoLibraryDCIMPath) + "/IMG_0002.PNG");
  EXPECT_EQ(readFile(assets[0].path), readFile(source));
  EXPECT_TRUE(removeItemAtPath(source));
  EXPECT_TRUE(fileExistsAtPath(assets[1].path)) << "the library keeps its own copy";
}

TEST_F(PhotoLibraryFilesTest, SavingToTheCameraRollMakesRecentsOnceAndAddsAPNG) {
  auto image = UIImage::imageWithContentsOfFile(writeTestPicture("/tmp/wallpaper.png", 3, 7));
  ASSERT_TRUE(image);
  ASSERT_TRUE(UIImageWriteToSavedPhotosAlbum(image));
  ASSERT_TRUE(UIImageWriteToSavedPhotosAlbum(image));
  auto rolls = PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeSmartAlbum,
                                                                PHAssetCollectionSubtypeSmartAlbumUserLibrary, nullptr);
  ASSERT_EQ(rolls.count(), 1u);
  EXPECT_EQ(rolls.firstObject()->localizedTitle(), "Recents");
  auto assets = PHAsset::fetchAssetsInAssetCollection(rolls.firstObject(), nullptr);
  ASSERT_EQ(assets.count(), 2u);
  auto saved = UIImage::imageWithContentsOfFile(assets.objectAtIndex(1)->filePath());
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->bitmap().width, 3u);
  EXPECT_EQ(saved->bitmap().height, 7u);
  EXPECT_EQ(pathExtension(assets.objectAtIndex(1)->filePath()), "PNG");

  LogCapture log;
  EXPECT_FALSE(UIImageWriteToSavedPhotosAlbum(nullptr));
  EXPECT_TRUE(log.containsSubstring("no picture to save"));
}

TEST_F(PhotoLibraryFilesTest, AMissingLibraryIsEmptyAndSaysSo) {
  LogCapture log;
  EXPECT_EQ(PHAssetCollection::fetchAssetCollectionsWithType(2, 2, nullptr).count(), 0u);
  EXPECT_EQ(PHCollection::fetchTopLevelUserCollectionsWithOptions(nullptr).count(), 0u);
  EXPECT_TRUE(log.containsSubstring("Photos: no photo library at /var/mobile/Media/PhotoData/Photos.sqlite"));
  EXPECT_FALSE(fileExistsAtPath(kPhotoLibraryDatabasePath)) << "reading creates nothing";
}

TEST_F(PhotoLibraryFilesTest, ACorruptDatabaseReadsAsEmptyAndIsNeverOverwritten) {
  std::string garbage(4096, '\x5A');
  garbage.replace(0, 15, "not a database!");
  ASSERT_TRUE(createDirectoryAtPath(stringByDeletingLastPathComponent(kPhotoLibraryDatabasePath)));
  ASSERT_TRUE(writeFile(kPhotoLibraryDatabasePath, garbage));
  auto picture = writeTestPicture("/tmp/p.png", 2, 2);

  LogCapture log;
  EXPECT_EQ(PHAssetCollection::fetchAssetCollectionsWithType(1, 5, nullptr).count(), 0u);
  EXPECT_EQ(PHCollection::fetchTopLevelUserCollectionsWithOptions(nullptr).count(), 0u);
  EXPECT_TRUE(log.containsSubstring("Photos: cannot read the photo library"));
  EXPECT_FALSE(photoLibraryCreateAlbum("Holidays"));
  EXPECT_FALSE(photoLibraryAddPictureFile(picture));
  EXPECT_FALSE(UIImageWriteToSavedPhotosAlbum(UIImage::imageWithContentsOfFile(picture)));
  EXPECT_EQ(readFile(kPhotoLibraryDatabasePath), garbage);
}

}  // namespace
