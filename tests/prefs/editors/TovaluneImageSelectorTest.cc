// The local image selector, tapped as a user taps it: what the grid shows of the folder, adding a
// photo from the library, removing a picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIImagePickerController.h"
#include "prefs/editors/TovaluneImageSelectorCollectionViewCell.h"
#include "prefs/editors/TovaluneImageSelectorViewController.h"
#include "shared/ImageFolders.h"
#include "tests/prefs/editors/PictureEditorFixture.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using platform::lastPathComponent;

const std::string kFolder = kLocalImagesPath;

std::string inFolder(const std::string& name) { return kFolder + "/" + name; }

std::vector<std::string> namesIn(const std::vector<std::string>& paths) {
  std::vector<std::string> names;
  for (const auto& p : paths) names.push_back(lastPathComponent(p));
  return names;
}

std::vector<std::string> folderNames() {
  return platform::contentsOfDirectoryAtPath(kFolder).value_or(std::vector<std::string>{});
}

class ImageSelectorTest : public testing::Test {
 protected:
  void SetUp() override { installPlusPicture(); }

  void installPlusPicture() {
    platform::createDirectoryAtPath("/Library/PreferenceBundles/TovalunePrefs.bundle");
    std::filesystem::copy_file(std::string(TOVALUNE_PANE_BUNDLE_DIR) + "/plus.png",
                               platform::hostPath(TovaluneImageSelectorViewController::kPlusImagePath));
  }
  std::shared_ptr<TovaluneImageSelectorViewController> open() {
    auto screen = TovaluneImageSelectorViewController::init();
    shown = showPushed(screen);
    return screen;
  }
  std::shared_ptr<TovaluneImageSelectorCollectionViewCell> tile(TovaluneImageSelectorViewController& screen, int item) {
    return std::dynamic_pointer_cast<TovaluneImageSelectorCollectionViewCell>(
        screen.collectionView()->cellForItemAtIndexPath(NSIndexPath::indexPathForRow(item, 0)));
  }

  TempDeviceRoot root;
  ShownScreen shown;
};

TEST_F(ImageSelectorTest, OnlyPicturesAreTiledAndThePlusTileComesLast) {
  platform::createDirectoryAtPath(inFolder("Subfolder"));
  platform::writeFile(inFolder("Subfolder/inside.png"), pngOfSize(8, 8));
  platform::writeFile(inFolder("b.png"), pngOfSize(40, 30));
  platform::writeFile(inFolder("a picture without extension"), pngOfSize(30, 40));
  platform::writeFile(inFolder("notes.txt"), "not a picture");
  platform::writeFile(inFolder(".hidden"), "metadata");
  const std::string whole = pngOfSize(64, 64);
  platform::writeFile(inFolder("cut.png"), whole.substr(0, whole.size() / 2));

  auto screen = open();
  EXPECT_EQ(screen->title(), "Image Selector");
  EXPECT_EQ(namesIn(screen->selectedImagePaths()), (std::vector<std::string>{"a picture without extension", "b.png"}));
  auto& grid = *screen->collectionView();
  ASSERT_EQ(grid.numberOfItemsInSection(0), 3);
  EXPECT_EQ(grid.frameForItemAtIndexPath(NSIndexPath::indexPathForRow(0, 0)), CGRectMake(20, 20, 100, 100));

  auto picture = tile(*screen, 1);
  ASSERT_TRUE(picture && picture->imageView());
  EXPECT_EQ(picture->imageView()->image()->sourcePath(), inFolder("b.png"));
  EXPECT_EQ(picture->imageView()->frame(), CGRectMake(0, 0, 100, 100));

  auto plus = tile(*screen, 2);
  ASSERT_TRUE(plus && plus->imageView() && plus->imageView()->image());
  EXPECT_EQ(plus->imageView()->image()->renderingMode(), UIImageRenderingModeAlwaysTemplate);
  EXPECT_EQ(plus->imageView()->frame(), CGRectMake(20, 20, 60, 60));
  EXPECT_EQ(plus->imageView()->tintColor(), UIColor::whiteColor());
  EXPECT_DOUBLE_EQ(plus->cornerRadius(), 22.5);
  EXPECT_TRUE(plus->clipsToBounds());
  EXPECT_EQ(plus->backgroundColor(), UIColor::grayColor());
  saveScreenshotIfAsked("image-selector-folder");
}

// A tile shows its picture fitted in 100 × 100 points (300 × 300 pixels on this screen): it holds
// the pixels it shows (to within a percent), not the photo's millions, and never fewer.
TEST_F(ImageSelectorTest, ATileHoldsThePixelsItShowsAndNoMore) {
  struct Case {
    int width, height;
    std::uint32_t tileWidth, tileHeight;
  } cases[] = {{600, 1300, 139, 300}, {1300, 600, 300, 139}, {900, 900, 300, 300}, {40, 30, 40, 30}};
  platform::createDirectoryAtPath(kFolder);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    platform::writeFile(inFolder(std::to_string(i) + ".png"), pngOfSize(cases[i].width, cases[i].height));
  auto screen = open();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(std::to_string(cases[i].width) + "x" + std::to_string(cases[i].height));
    auto cell = tile(*screen, static_cast<int>(i));
    ASSERT_TRUE(cell && cell->imageView() && cell->imageView()->image());
    const auto& bitmap = cell->imageView()->image()->bitmap();
    EXPECT_NEAR(bitmap.width, cases[i].tileWidth, 3);
    EXPECT_NEAR(bitmap.height, cases[i].tileHeight, 3);
    EXPECT_TRUE(bitmap.width >= cases[i].tileWidth || bitmap.height >= cases[i].tileHeight) << "fills the tile";
  }
}

TEST_F(ImageSelectorTest, AMissingOrEmptyFolderShowsOnlyThePlusTileAndSaysWhy) {
  struct Case {
    const char* name;
    std::function<void()> prepare;
    std::string line;
  } cases[] = {
      {"missing", [] {}, "Could not find local folder: " + kFolder},
      {"a file in its place",
       [] {
         platform::createDirectoryAtPath("/var/mobile/Library");
         platform::writeFile(kFolder, "a file");
       },
       "Could not find local folder: " + kFolder},
      {"empty", [] { platform::createDirectoryAtPath(kFolder); }, "Could not find any files in local folder: " + kFolder},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDeviceRoot fresh;
    installPlusPicture();
    c.prepare();
    platform::LogCapture log;
    auto screen = open();
    EXPECT_TRUE(log.contains(c.line));
    EXPECT_EQ(screen->collectionView()->numberOfItemsInSection(0), 1);
    auto plus = tile(*screen, 0);
    ASSERT_TRUE(plus && plus->imageView());
    EXPECT_EQ(plus->imageView()->frame().width(), 60);
    if (std::string(c.name) == "empty") saveScreenshotIfAsked("image-selector-empty");
  }
}

TEST_F(ImageSelectorTest, APickedPhotoBecomesOneNewUuidNamedPngInANewFolder) {
  platform::photoLibraryAddPictureData(pngOfSize(90, 160, 10, 200, 30), "png");
  auto screen = open();
  ASSERT_FALSE(platform::fileExistsAtPath(kFolder));

  ASSERT_TRUE(tapItem(*screen->collectionView(), 0)) << "the plus tile";
  auto picker = std::dynamic_pointer_cast<UIImagePickerController>(shown.navigation->presentedViewController());
  ASSERT_TRUE(picker);
  EXPECT_EQ(picker->sourceType(), UIImagePickerControllerSourceTypePhotoLibrary);
  EXPECT_FALSE(picker->allowsEditing());

  platform::LogCapture log;
  picker->view()->layoutIfNeeded();
  ASSERT_TRUE(tapItem(*picker->collectionView(), 0));
  EXPECT_FALSE(shown.navigation->presentedViewController()) << "the picker is gone";
  EXPECT_TRUE(log.contains("Could not find local folder: " + kFolder + "... Creating..."));
  EXPECT_TRUE(log.containsSubstring("Selected Image: "));
  EXPECT_TRUE(log.containsSubstring("didFinishPickingMediaWithInfo: "));

  auto names = folderNames();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(std::regex_match(names[0], std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.png")))
      << names[0];
  auto stored = platform::readFile(inFolder(names[0]));
  ASSERT_TRUE(stored);
  EXPECT_EQ(platform::pictureFileExtension(*stored), "png");
  auto decoded = platform::decodeImage(*stored);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, 90u) << "stored unscaled";
  EXPECT_EQ(decoded->height, 160u);

  EXPECT_EQ(namesIn(screen->selectedImagePaths()), names);
  EXPECT_EQ(screen->collectionView()->numberOfItemsInSection(0), 2);
  layOut(shown);
  auto plus = tile(*screen, 1);
  ASSERT_TRUE(plus && plus->imageView() && plus->imageView()->image());
  EXPECT_EQ(plus->imageView()->image()->renderingMode(), UIImageRenderingModeAlwaysTemplate) << "plus stays last";
  saveScreenshotIfAsked("image-selector-added");
}

TEST_F(ImageSelectorTest, CancellingThePickerChangesNothing) {
  platform::photoLibraryAddPictureData(pngOfSize(20, 20), "png");
  auto screen = open();
  ASSERT_TRUE(tapItem(*screen->collectionView(), 0));
  ASSERT_TRUE(shown.navigation->presentedViewController());
  saveScreenshotIfAsked("image-selector-picker");
  ASSERT_TRUE(tapButton("Cancel"));
  EXPECT_FALSE(shown.navigation->presentedViewController());
  EXPECT_FALSE(platform::fileExistsAtPath(kFolder));
}

TEST_F(ImageSelectorTest, APictureThatCannotBeEncodedWritesNothing) {
  auto screen = open();
  platform::LogCapture log;
  screen->selectedImage(nullptr);
  screen->selectedImage(UIImage::alloc());
  EXPECT_FALSE(platform::fileExistsAtPath(kFolder));
  EXPECT_EQ(log.count("Could not store the picked image: it cannot be encoded as PNG"), 2u);
}

TEST_F(ImageSelectorTest, RemoveDeletesExactlyTheTappedPictureAndCancelNothing) {
  platform::createDirectoryAtPath(kFolder);
  for (const char* name : {"1.png", "2.png", "3.png"}) platform::writeFile(inFolder(name), pngOfSize(10, 10));
  auto screen = open();
  auto& grid = *screen->collectionView();

  ASSERT_TRUE(tapItem(grid, 1));
  auto alert = shownAlert(shown);
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "Remove Image");
  EXPECT_EQ(alert->message(), "Are you sure you want to remove this Image?");
  EXPECT_EQ(alert->preferredStyle(), UIAlertControllerStyleAlert);
  ASSERT_EQ(alert->actions().size(), 2u);
  EXPECT_EQ(alert->actions()[0]->title(), "Remove");
  EXPECT_EQ(alert->actions()[0]->style(), UIAlertActionStyleDestructive);
  EXPECT_EQ(alert->actions()[1]->title(), "Cancel");
  EXPECT_EQ(alert->actions()[1]->style(), UIAlertActionStyleCancel);
  saveScreenshotIfAsked("image-selector-remove");

  ASSERT_TRUE(tapButton("Cancel"));
  EXPECT_FALSE(shownAlert(shown));
  EXPECT_EQ(folderNames(), (std::vector<std::string>{"1.png", "2.png", "3.png"}));

  ASSERT_TRUE(tapItem(grid, 1));
  ASSERT_TRUE(tapButton("Remove"));
  EXPECT_FALSE(shownAlert(shown));
  EXPECT_EQ(folderNames(), (std::vector<std::string>{"1.png", "3.png"}));
  EXPECT_EQ(namesIn(screen->selectedImagePaths()), (std::vector<std::string>{"1.png", "3.png"}));
  EXPECT_EQ(grid.numberOfItemsInSection(0), 3);
}

}  // namespace
