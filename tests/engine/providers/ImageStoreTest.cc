// The store of recent pictures: pruned to StoreLast before each new picture.
#include <algorithm>

#include "platform/foundation/FileManager.h"
#include "tests/engine/providers/ProviderTestSupport.h"

namespace {

class ImageStore : public ProviderTest {
 protected:
  // Files named by age: "old00" is the oldest.
  void fill(int count, const std::string& ext = "png") {
    platform::createDirectoryAtPath(kStore);
    for (int i = 0; i < count; ++i) {
      std::string path = fmt::format("{}/old{:02d}.{}", kStore, i, ext);
      platform::writeFile(path, pngPicture(2, 2));
      platform::setContentModificationDate(path, 1'700'000'000 + i * 60);
    }
  }
  std::vector<std::string> listing() { return platform::contentsOfDirectoryAtPath(kStore).value_or(std::vector<std::string>{}); }
  std::shared_ptr<OrbelTovaluneController> storing(int keep) {
    auto c = OrbelTovaluneController::create();
    c->StoreLast = keep;
    return c;
  }
  std::shared_ptr<UIImage> picture() { return UIImage::imageWithData(pngPicture(6, 4)); }
  static constexpr const char* kStore = "/var/mobile/Library/TovaluneStore";
};

TEST_F(ImageStore, ElevenAndThirteenPicturesArePrunedToTenBeforeTheNewOne) {
  for (int count : {11, 13}) {
    SCOPED_TRACE(count);
    platform::removeItemAtPath(kStore);
    log.clear();
    fill(count);
    storing(10)->saveImageToStore(picture());
    ASSERT_TRUE(platform::waitUntilQueuesIdle());
    auto names = listing();
    EXPECT_EQ(names.size(), 11u);
    for (int i = 0; i < count - 10; ++i) {
      std::string gone = fmt::format("old{:02d}.png", i);
      EXPECT_EQ(std::count(names.begin(), names.end(), gone), 0) << gone;
      EXPECT_TRUE(log.contains(fmt::format("Remove File: {}/{}", kStore, gone)));
    }
    EXPECT_TRUE(std::count(names.begin(), names.end(), fmt::format("old{:02d}.png", count - 10)));
    // lines() hands out a copy: both ends must come from the same one.
    const auto lines = log.lines();
    auto created = std::find_if(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.rfind("Creating file: ", 0) == 0; });
    ASSERT_NE(created, lines.end());
  }
  // What was written is a decodable PNG of the picture.
  for (const auto& name : listing())
    if (name.rfind("old", 0) != 0) {
      auto image = UIImage::imageWithContentsOfFile(std::string(kStore) + "/" + name);
      ASSERT_TRUE(image);
      EXPECT_EQ(image->width(), 6);
      EXPECT_EQ(name.size(), 36u + 4u);
    }
}

TEST_F(ImageStore, OnlyPngFilesDirectlyInTheStoreTakePart) {
  fill(11, "PNG");
  fill(3, "jpg");
  platform::createDirectoryAtPath(std::string(kStore) + "/SpringBoard");
  platform::writeFile(std::string(kStore) + "/notes.txt", "keep me");
  storing(10)->saveImageToStore(picture());
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  auto names = listing();
  EXPECT_EQ(std::count(names.begin(), names.end(), "old00.PNG"), 0);
  for (const char* kept : {"old00.jpg", "old01.jpg", "old02.jpg", "SpringBoard", "notes.txt", "old01.PNG"})
    EXPECT_EQ(std::count(names.begin(), names.end(), kept), 1) << kept;
}

TEST_F(ImageStore, StoreLastZeroTouchesNothingAndANilPictureStillPrunes) {
  storing(0)->saveImageToStore(picture());
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  EXPECT_FALSE(platform::fileExistsAtPath(kStore));

  fill(12);
  storing(0)->saveImageToStore(picture());
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  EXPECT_EQ(listing().size(), 12u);

  storing(10)->saveImageToStore(nullptr);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  EXPECT_EQ(listing().size(), 10u);
  EXPECT_TRUE(log.containsSubstring("Creating file: "));
}

TEST_F(ImageStore, MissingFolderIsCreated) {
  storing(10)->saveImageToStore(picture());
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  EXPECT_EQ(listing().size(), 1u);
}

TEST_F(ImageStore, OverlappingRunsThatPickTheSameOldestFileLoseNoTime) {
  // Two runs at once: each may find the other already deleted its oldest file. That counts as done,
  // so pruning is not cut short and nothing waits out retries.
  fill(14);
  auto c = storing(10);
  for (int i = 0; i < 2; ++i) c->saveImageToStore(picture());
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  auto names = listing();
  EXPECT_GE(names.size(), 11u);
  EXPECT_LE(names.size(), 12u);
  EXPECT_FALSE(log.containsSubstring("Remove File: /var/mobile/Library/TovaluneStore/old05"));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(std::count(names.begin(), names.end(), fmt::format("old{:02d}.png", i)), 0);
}

}  // namespace
