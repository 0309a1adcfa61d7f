// The three fetches the system makes to find an album, and the assets of an album.
#include <gtest/gtest.h>

#include <regex>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"

#include "platform/photos/PHAsset.h"
#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PHCollectionList.h"
#include "platform/photos/PHImageManager.h"
#include "platform/photos/PhotoLibrary.h"
#include "tests/platform/photos/PhotoTestPictures.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using namespace platform;

template <typename T>
std::vector<std::string> titles(const PHFetchResult<T>& result) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < result.count(); ++i) out.push_back(result.objectAtIndex(i)->localizedTitle());
  return out;
}

class PhotoFetchTest : public testing::Test {
 protected:
  void SetUp() override {
    // Created out of title order, and the kinds interleaved, so that only the fetch decides.
    userB = *photoLibraryCreateAlbum("B user album");
    synced = *photoLibraryCreateAssetCollection("Synced from computer", PHAssetCollectionTypeAlbum,
                                                PHAssetCollectionSubtypeAlbumSyncedAlbum);
    smart = *photoLibraryCreateAssetCollection("Z smart", PHAssetCollectionTypeSmartAlbum,
                                               PHAssetCollectionSubtypeAlbumRegular);
    folder = *photoLibraryCreateFolder("Trips");
    nested = *photoLibraryCreateAlbum("Nested in Trips", folder);
    userA = *photoLibraryCreateAlbum("A user album");
    favourites = *photoLibraryCreateAssetCollection("Favorites", PHAssetCollectionTypeSmartAlbum,
                                                    PHAssetCollectionSubtypeSmartAlbumFavorites);
  }
  TempDeviceRoot root;
  std::string userA, userB, synced, smart, folder, nested, favourites;
};

TEST_F(PhotoFetchTest, EachFetchFindsItsKindInCreationOrder) {
  EXPECT_EQ(titles(PHAssetCollection::fetchAssetCollectionsWithType(2, 2, nullptr)),
            std::vector<std::string>{"Z smart"});
  EXPECT_EQ(titles(PHCollectionList::fetchTopLevelUserCollectionsWithOptions(nullptr)),
            (std::vector<std::string>{"B user album", "Trips", "A user album"}));
  EXPECT_EQ(titles(PHAssetCollection::fetchAssetCollectionsWithType(1, 5, nullptr)),
            std::vector<std::string>{"Synced from computer"});
  EXPECT_EQ(titles(PHAssetCollection::fetchAssetCollectionsWithType(2, PHAssetCollectionSubtypeAny, nullptr)),
            (std::vector<std::string>{"Z smart", "Favorites"}));
}

TEST_F(PhotoFetchTest, ObjectsCarryTheirIdentifiersAndKinds) {
  auto top = PHCollection::fetchTopLevelUserCollectionsWithOptions(nullptr);
  ASSERT_EQ(top.count(), 3u);
  EXPECT_EQ(top.objectAtIndex(0)->localIdentifier(), userB);
  auto trips = std::dynamic_pointer_cast<PHCollectionList>(top.objectAtIndex(1));
  ASSERT_TRUE(trips);
  EXPECT_EQ(trips->localIdentifier(), folder);
  EXPECT_FALSE(trips->canContainAssets());
  auto album = std::dynamic_pointer_cast<PHAssetCollection>(top.objectAtIndex(2));
  ASSERT_TRUE(album);
  EXPECT_EQ(album->assetCollectionType(), PHAssetCollectionTypeAlbum);
  EXPECT_EQ(album->assetCollectionSubtype(), PHAssetCollectionSubtypeAlbumRegular);
  std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}/L0/040");
  for (const auto& id : {userA, userB, synced, smart, folder, nested}) EXPECT_TRUE(std::regex_match(id, form)) << id;

  EXPECT_EQ(titles(PHCollection::fetchCollectionsInCollectionList(trips, nullptr)),
            std::vector<std::string>{"Nested in Trips"});
  EXPECT_EQ(top.objectAtIndex(3), nullptr);
  PHFetchOptions one;
  one.fetchLimit = 1;
  EXPECT_EQ(titles(PHCollection::fetchTopLevelUserCollectionsWithOptions(&one)), std::vector<std::string>{"B user album"});
}

TEST_F(PhotoFetchTest, AssetsOfAnAlbumInCreationOrderAndSharedBetweenAlbums) {
  auto p1 = writeTestPicture("/tmp/in/one.png", 4, 3);
  auto p2 = writeTestPicture("/tmp/in/two.png", 6, 2);
  auto first = photoLibraryAddPictureFile(p1, {userA, smart});
  auto second = photoLibraryAddPictureFile(p2, {userA});
  ASSERT_TRUE(first && second);

  // B, the album nested in Trips, then A: every regular album, whatever its folder.
  auto albumA = PHAssetCollection::fetchAssetCollectionsWithType(1, 2, nullptr).objectAtIndex(2);
  ASSERT_EQ(albumA->localIdentifier(), userA);
  auto assets = PHAsset::fetchAssetsInAssetCollection(albumA, nullptr);
  ASSERT_EQ(assets.count(), 2u);
  EXPECT_EQ(assets.objectAtIndex(0)->localIdentifier(), *first);
  EXPECT_EQ(assets.objectAtIndex(1)->localIdentifier(), *second);
  EXPECT_EQ(assets.objectAtIndex(1)->pixelWidth(), 6);
  EXPECT_EQ(assets.objectAtIndex(1)->pixelHeight(), 2);
  EXPECT_TRUE(std::regex_match(*first, std::regex("[0-9A-F-]{36}/L0/001")));

  auto inSmart = PHAsset::fetchAssetsInAssetCollection(PHAssetCollection::fetchAssetCollectionsWithType(2, 2, nullptr).firstObject(), nullptr);
  ASSERT_EQ(inSmart.count(), 1u);
  EXPECT_EQ(inSmart.firstObject()->localIdentifier(), *first);

  // Adding an asset to an album it is already in changes nothing.
  EXPECT_TRUE(photoLibraryAddAssetToCollection(*second, userB));
  EXPECT_TRUE(photoLibraryAddAssetToCollection(*second, userB));
  auto albumB = PHCollection::fetchTopLevelUserCollectionsWithOptions(nullptr).firstObject();
  EXPECT_EQ(PHAsset::fetchAssetsInAssetCollection(albumB, nullptr).count(), 1u);
}

TEST_F(PhotoFetchTest, AFolderOrNothingHoldsNoAssets) {
  platform::LogCapture log;
  auto trips = PHCollection::fetchTopLevelUserCollectionsWithOptions(nullptr).objectAtIndex(1);
  EXPECT_EQ(PHAsset::fetchAssetsInAssetCollection(trips, nullptr).count(), 0u);
  EXPECT_EQ(PHAsset::fetchAssetsInAssetCollection(nullptr, nullptr).count(), 0u);
  EXPECT_TRUE(log.containsSubstring("fetchAssetsInAssetCollection needs an album"));
}

TEST_F(PhotoFetchTest, RefusedAdditionsLeaveTheLibraryAsItWas) {
  ASSERT_TRUE(platform::createDirectoryAtPath("/tmp"));
  ASSERT_TRUE(platform::writeFile("/tmp/notes.png", "not a picture"));
  auto p = writeTestPicture("/tmp/in/ok.png", 2, 2);
  EXPECT_FALSE(photoLibraryAddPictureFile("/tmp/notes.png", {userA}));
  EXPECT_FALSE(photoLibraryAddPictureFile("/tmp/missing.png", {userA}));
  EXPECT_FALSE(photoLibraryAddPictureFile(p, {folder})) << "a folder holds no pictures";
  EXPECT_FALSE(photoLibraryAddPictureFile(p, {"NO-SUCH/L0/040"}));
  EXPECT_FALSE(photoLibraryCreateAlbum("In a missing folder", std::string("NO-SUCH/L0/040")));
  EXPECT_FALSE(photoLibraryAddAssetToCollection("NO-SUCH/L0/001", userA));
  for (const auto& id : {userA, userB, smart}) EXPECT_TRUE(photoLibraryAssetsInCollection(id).empty());
  EXPECT_EQ(photoLibraryAllCollections().size(), 7u);
  auto pictures = platform::contentsOfDirectoryAtPath(kPhotoLibraryDCIMPath);
  EXPECT_TRUE(!pictures || pictures->empty());
}

// A user who refused access: every fetch an app makes finds nothing, as on the phone, and the
// library itself stays as it was for when access is allowed again.
TEST_F(PhotoFetchTest, UnderRefusedAccessEveryFetchFindsNothing) {
  ASSERT_TRUE(photoLibraryAddPictureFile(writeTestPicture("/tmp/in/one.png", 4, 3), {userA}));
  auto albumA = PHCollection::fetchTopLevelUserCollectionsWithOptions(nullptr).objectAtIndex(2);
  auto trips = std::dynamic_pointer_cast<PHCollectionList>(PHCollection::fetchTopLevelUserCollectionsWithOptions(nullptr).objectAtIndex(1));
  auto asset = PHAsset::fetchAssetsInAssetCollection(albumA, nullptr).firstObject();
  ASSERT_TRUE(asset && trips);
  auto counts = [&] {
    std::shared_ptr<UIImage> picture;
    PHImageRequestOptions sync;
    sync.synchronous = true;
    PHImageManager::defaultManager()->requestImageForAsset(asset, PHImageManagerMaximumSize, PHImageContentModeDefault,
                                                           &sync, [&](std::shared_ptr<UIImage> image, const PHImageResultInfo&) {
                                                             picture = std::move(image);
                                                           });
    return std::vector<std::size_t>{PHAssetCollection::fetchAssetCollectionsWithType(2, 2, nullptr).count(),
                                    PHCollectionList::fetchTopLevelUserCollectionsWithOptions(nullptr).count(),
                                    PHAssetCollection::fetchAssetCollectionsWithType(1, 5, nullptr).count(),
                                    PHCollection::fetchCollectionsInCollectionList(trips, nullptr).count(),
                                    PHAsset::fetchAssetsInAssetCollection(albumA, nullptr).count(),
                                    std::size_t(picture != nullptr)};
  };
  DeviceSettings settings;
  settings.photoLibraryAccess = false;
  ASSERT_TRUE(saveDeviceSettings(settings));
  platform::LogCapture log;
  EXPECT_EQ(counts(), (std::vector<std::size_t>{0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(log.containsSubstring("access to the photo library is refused"));
  settings.photoLibraryAccess = true;
  ASSERT_TRUE(saveDeviceSettings(settings));
  EXPECT_EQ(counts(), (std::vector<std::size_t>{1, 3, 1, 1, 1, 1}));
}

}  // namespace
