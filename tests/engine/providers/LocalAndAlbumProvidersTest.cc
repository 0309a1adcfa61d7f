// The two providers that need no network: the local folder and a photo-library album.
#include "platform/foundation/FileManager.h"
#include "platform/photos/PHConstants.h"
#include "platform/photos/PhotoLibrary.h"
#include "tests/engine/providers/ProviderTestSupport.h"

namespace {

constexpr const char* kLocal = "/var/mobile/Library/Tovalune";

TEST_F(ProviderTest, LocalFolderMissingOrEmptyLogsAndNeverCallsBack) {
  controller(0)->fetchRandomImageWithHandler(recorder.completion());
  recorder.settle();
  EXPECT_TRUE(log.contains("Fetching random local image..."));
  EXPECT_TRUE(log.contains("Could not find local folder: /var/mobile/Library/Tovalune"));

  platform::writeFile("/var/mobile/Library/Tovalune", "a file, not a folder");
  controller(0)->fetchRandomImageWithHandler(recorder.completion());
  recorder.settle();
  EXPECT_EQ(log.count("Could not find local folder: /var/mobile/Library/Tovalune"), 2u);

  platform::removeItemAtPath(kLocal);
  platform::createDirectoryAtPath(kLocal);
  controller(0)->fetchRandomImageWithHandler(recorder.completion());
  recorder.settle();
  EXPECT_TRUE(log.contains("Could not find any files in local folder: /var/mobile/Library/Tovalune"));
  EXPECT_EQ(recorder.calls(), 0);
}

TEST_F(ProviderTest, LocalFolderWithOnePictureAlwaysYieldsIt) {
  platform::createDirectoryAtPath(kLocal);
  platform::writeFile(std::string(kLocal) + "/only.png", pngPicture(7, 9));
  for (int i = 0; i < 5; ++i) controller(0)->fetchRandomImageWithHandler(recorder.completion());
  auto images = recorder.settle();
  ASSERT_EQ(images.size(), 5u);
  for (const auto& image : images) {
    ASSERT_TRUE(image);
    EXPECT_EQ(image->height(), 9);
  }
  // Local pictures are never stored.
  EXPECT_FALSE(platform::fileExistsAtPath("/var/mobile/Library/TovaluneStore"));
}

TEST_F(ProviderTest, LocalFolderWithOnlyAHiddenNonPictureYieldsNil) {
  platform::createDirectoryAtPath(kLocal);
  platform::writeFile(std::string(kLocal) + "/.DS_Store", "not a picture");
  controller(0)->fetchRandomImageWithHandler(recorder.completion());
  auto images = recorder.settle();
  ASSERT_EQ(images.size(), 1u);
  EXPECT_FALSE(images[0]);
}

class AlbumProvider : public ProviderTest {
 protected:
  std::string addPicture(int w) {
    std::string path = fmt::format("/tmp-picture-{}.png", w);
    platform::writeFile(path, pngPicture(w, 5));
    return path;
  }
  std::shared_ptr<OrbelTovaluneController> album(const std::optional<std::string>& id) {
    auto c = controller(8);
    c->PhotosAlbumIdentifier = id;
    return c;
  }
};

TEST_F(AlbumProvider, AlbumIsFoundAmongTopLevelUserCollectionsAndAnsweredOnTheCallersThread) {
  auto id = platform::photoLibraryCreateAlbum("Holidays");
  ASSERT_TRUE(id);
  ASSERT_TRUE(platform::photoLibraryAddPictureFile(addPicture(11), {*id}));
  std::thread::id answeredOn;
  std::shared_ptr<UIImage> got;
  album(id)->fetchRandomImageWithHandler([&](std::shared_ptr<UIImage> image) {
    answeredOn = std::this_thread::get_id();
    got = image;
  });
  EXPECT_EQ(answeredOn, std::this_thread::get_id());
  ASSERT_TRUE(got);
  EXPECT_EQ(got->width(), 11);
}

TEST_F(AlbumProvider, SmartAndSyncedAlbumsAreSearchedToo) {
  auto synced = platform::photoLibraryCreateAssetCollection("From my Mac", PHAssetCollectionTypeAlbum,
                                                            PHAssetCollectionSubtypeAlbumSyncedAlbum);
  ASSERT_TRUE(synced);
  ASSERT_TRUE(platform::photoLibraryAddPictureFile(addPicture(13), {*synced}));
  album(synced)->fetchRandomImageWithHandler(recorder.completion());
  auto images = recorder.settle();
  ASSERT_EQ(images.size(), 1u);
  ASSERT_TRUE(images[0]);
  EXPECT_EQ(images[0]->width(), 13);
}

TEST_F(AlbumProvider, UnknownOrMissingIdentifierNeverCallsBackAndAnEmptyAlbumGivesNil) {
  album(std::nullopt)->fetchRandomImageWithHandler(recorder.completion());
  album(std::string("NO-SUCH-ALBUM/L0/040"))->fetchRandomImageWithHandler(recorder.completion());
  EXPECT_EQ(recorder.calls(), 0);
  auto empty = platform::photoLibraryCreateAlbum("Empty");
  ASSERT_TRUE(empty);
  album(empty)->fetchRandomImageWithHandler(recorder.completion());
  auto images = recorder.settle();
  ASSERT_EQ(images.size(), 1u);
  EXPECT_FALSE(images[0]);
}

// With the store on, a provider whose picture is kept prunes the store even when its fetch fails
// (nothing is served here), while the user's own pictures, fetched fine, never touch it.
TEST_F(AlbumProvider, OnlyPicturesFromTheNetworkAreKeptInTheStore) {
  platform::createDirectoryAtPath(kLocal);
  platform::writeFile(std::string(kLocal) + "/mine.png", pngPicture(7, 9));
  auto id = platform::photoLibraryCreateAlbum("Holidays");
  ASSERT_TRUE(id);
  ASSERT_TRUE(platform::photoLibraryAddPictureFile(addPicture(11), {*id}));
  platform::createDirectoryAtPath("/var/mobile/Library/TovaluneStore");

  for (int provider = 0; provider < kImageProviderCount; ++provider) {
    SCOPED_TRACE(provider);
    const bool kept = provider != ProviderLocalFolder && provider != ProviderPhotosAlbum;
    for (int i = 0; i < 11; ++i)
      platform::writeFile(fmt::format("/var/mobile/Library/TovaluneStore/old-{}.png", i), pngPicture(2, 2));
    log.clear();
    auto c = controller(provider);
    c->StoreLast = 10;
    c->CustomProvider = "https://pictures.example/nothing-here.png";
    c->PhotosAlbumIdentifier = id;
    const int callsBefore = recorder.calls();
    c->fetchRandomImageWithHandler(recorder.completion());
    auto images = recorder.settle();
    ASSERT_EQ(recorder.calls(), callsBefore + 1);
    EXPECT_EQ(images.back() != nullptr, !kept) << "the user's own pictures are found, the network serves nothing";
    EXPECT_EQ(log.containsSubstring("Remove File: "), kept);
  }
}

}  // namespace
