// The stored image viewer, tapped as a user taps it: the store newest first, the sheet, deleting,
// and saving a picture to the camera roll (or being told honestly that it was not saved).
#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/photos/PHAsset.h"
#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/uikit/UIAlertController.h"
#include "prefs/editors/TovaluneImageViewerCollectionViewCell.h"
#include "prefs/editors/TovaluneImageViewerViewController.h"
#include "shared/ImageFolders.h"
#include "tests/prefs/editors/PictureEditorFixture.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

const std::string kStore = kStoreImagesPath;

std::string inStore(const std::string& name) { return kStore + "/" + name; }

std::vector<std::string> storeNames() {
  return platform::contentsOfDirectoryAtPath(kStore).value_or(std::vector<std::string>{});
}

std::vector<std::string> shownNames(const TovaluneImageViewerViewController& screen) {
  std::vector<std::string> names;
  for (const auto& p : screen.selectedImagePaths()) names.push_back(platform::lastPathComponent(p));
  return names;
}

struct AlertText {
  std::string title, message;
  std::vector<std::pair<std::string, UIAlertActionStyle>> actions;
  friend bool operator==(const AlertText&, const AlertText&) = default;
};
std::ostream& operator<<(std::ostream& out, const AlertText& a) {
  out << '"' << a.title << "\" / \"" << a.message << "\" [";
  for (const auto& [t, s] : a.actions) out << t << ':' << s << ' ';
  return out << ']';
}
AlertText textOf(const UIAlertController& alert) {
  AlertText text{alert.title(), alert.message(), {}};
  for (const auto& a : alert.actions()) text.actions.emplace_back(a->title(), a->style());
  return text;
}

// All camera-roll assets: what the library's own fetch finds.
std::vector<std::shared_ptr<PHAsset>> cameraRoll() {
  std::vector<std::shared_ptr<PHAsset>> assets;
  auto rolls = PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeSmartAlbum,
                                                                PHAssetCollectionSubtypeAny, nullptr);
  for (const auto& roll : rolls)
    for (const auto& asset : PHAsset::fetchAssetsInAssetCollection(roll, nullptr)) assets.push_back(asset);
  return assets;
}

class ImageViewerTest : public testing::Test {
 protected:
  void SetUp() override {
    // Named against the order of their dates, so only the dates decide.
    const double ten = 1'700'000'000;
    writeStored("a.png", pngOfSize(30, 50, 255, 0, 0), ten);
    writeStored("b.png", pngOfSize(30, 50, 0, 255, 0), ten + 7200);
    writeStored("c.png", pngOfSize(30, 50, 0, 0, 255), ten + 3600);
    writeStored("readme.txt", "not a picture", ten + 9000);
    platform::createDirectoryAtPath(kStoreSpringBoardPath);
  }
  static void writeStored(const std::string& name, const std::string& bytes, double date) {
    platform::createDirectoryAtPath(kStore);
    platform::writeFile(inStore(name), bytes);
    platform::setContentModificationDate(inStore(name), date);
  }
  std::shared_ptr<TovaluneImageViewerViewController> open() {
    auto screen = TovaluneImageViewerViewController::init();
    shown = showPushed(screen);
    return screen;
  }
  // Taps a tile, then the sheet's button.
  void choose(TovaluneImageViewerViewController& screen, int item, const std::string& button) {
    ASSERT_TRUE(tapItem(*screen.collectionView(), item));
    ASSERT_TRUE(shownAlert(shown));
    ASSERT_TRUE(tapButton(button)) << button;
  }

  TempDeviceRoot root;
  ShownScreen shown;
};

TEST_F(ImageViewerTest, NewestFirstAndOnlyPicturesWithASheetNamedByTheTilesIndex) {
  auto screen = open();
  EXPECT_EQ(screen->title(), "Image Viewer");
  EXPECT_EQ(shownNames(*screen), (std::vector<std::string>{"b.png", "c.png", "a.png"}));
  EXPECT_EQ(screen->collectionView()->numberOfItemsInSection(0), 3) << "no plus tile";
  auto first = std::dynamic_pointer_cast<TovaluneImageViewerCollectionViewCell>(
      screen->collectionView()->cellForItemAtIndexPath(NSIndexPath::indexPathForRow(0, 0)));
  ASSERT_TRUE(first && first->imageView() && first->imageView()->image());
  EXPECT_EQ(first->imageView()->image()->sourcePath(), inStore("b.png"));
  EXPECT_DOUBLE_EQ(first->cornerRadius(), 22.5);
  EXPECT_EQ(first->imageView()->contentMode(), UIViewContentModeScaleAspectFit);
  saveScreenshotIfAsked("image-viewer");

  for (int item : {0, 2}) {
    ASSERT_TRUE(tapItem(*screen->collectionView(), item));
    auto sheet = shownAlert(shown);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->preferredStyle(), UIAlertControllerStyleActionSheet);
    EXPECT_EQ(textOf(*sheet), (AlertText{"Image " + std::to_string(item),
                                         "What would you like to do?",
                                         {{"Cancel", UIAlertActionStyleCancel},
                                          {"Delete", UIAlertActionStyleDestructive},
                                          {"Save To Photos", UIAlertActionStyleDefault}}}));
    if (item == 0) saveScreenshotIfAsked("image-viewer-sheet");
    ASSERT_TRUE(tapButton("Cancel"));
    EXPECT_FALSE(shownAlert(shown));
  }
  EXPECT_EQ(storeNames().size(), 5u) << "nothing deleted";
}

TEST_F(ImageViewerTest, DeleteAsksAgainAndRemovesExactlyTheTappedFile) {
  auto screen = open();
  choose(*screen, 1, "Delete");
  auto confirm = shownAlert(shown);
  ASSERT_TRUE(confirm);
  EXPECT_EQ(textOf(*confirm), (AlertText{"Delete Image",
                                         "Are you sure you want to delete this image?",
                                         {{"Delete", UIAlertActionStyleDestructive}, {"Cancel", UIAlertActionStyleCancel}}}));
  ASSERT_TRUE(tapButton("Cancel"));
  EXPECT_FALSE(shownAlert(shown));
  EXPECT_EQ(shownNames(*screen).size(), 3u);
  EXPECT_TRUE(platform::fileExistsAtPath(inStore("c.png")));

  choose(*screen, 1, "Delete");
  ASSERT_TRUE(tapButton("Delete"));
  EXPECT_FALSE(shownAlert(shown));
  EXPECT_EQ(storeNames(), (std::vector<std::string>{"SpringBoard", "a.png", "b.png", "readme.txt"}));
  EXPECT_EQ(shownNames(*screen), (std::vector<std::string>{"b.png", "a.png"}));
  EXPECT_EQ(screen->collectionView()->numberOfItemsInSection(0), 2);
  EXPECT_EQ(shown.navigation->topViewController(), screen) << "the screen stays";
}

TEST_F(ImageViewerTest, SaveToPhotosPutsThePictureInTheCameraRollBeforeSayingSo) {
  auto screen = open();
  ASSERT_TRUE(cameraRoll().empty());
  choose(*screen, 0, "Save To Photos");
  ASSERT_TRUE(platform::settleAllQueues());

  auto assets = cameraRoll();
  ASSERT_EQ(assets.size(), 1u);
  auto saved = platform::readFile(assets[0]->filePath());
  ASSERT_TRUE(saved);
  auto picture = platform::decodeImage(*saved);
  auto original = platform::decodeImage(*platform::readFile(inStore("b.png")));
  ASSERT_TRUE(picture && original);
  EXPECT_EQ(picture->width, original->width);
  EXPECT_EQ(picture->rgba, original->rgba) << "the tapped picture, pixel for pixel";

  auto alert = shownAlert(shown);
  ASSERT_TRUE(alert);
  EXPECT_EQ(textOf(*alert), (AlertText{"Image Saved", "Image saved to camera roll", {{"OK", UIAlertActionStyleCancel}}}));
  saveScreenshotIfAsked("image-viewer-saved");
  ASSERT_TRUE(tapButton("OK"));
  EXPECT_FALSE(shownAlert(shown));
  EXPECT_EQ(shown.navigation->topViewController(), screen);
}

TEST_F(ImageViewerTest, ARefusedSaveSaysThePictureWasNotSavedAndWhy) {
  auto settings = platform::deviceSettings();
  settings.photoLibraryAccess = false;
  platform::saveDeviceSettings(settings);
  auto screen = open();
  choose(*screen, 0, "Save To Photos");
  ASSERT_TRUE(platform::settleAllQueues());

  auto alert = shownAlert(shown);
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "Image Not Saved");
  EXPECT_EQ(alert->message().rfind("The image could not be saved to the camera roll: ", 0), 0u) << alert->message();
  EXPECT_GT(alert->message().size(), std::string("The image could not be saved to the camera roll: ").size())
      << "the library's reason follows";
  saveScreenshotIfAsked("image-viewer-not-saved");
  ASSERT_TRUE(tapButton("OK"));

  settings.photoLibraryAccess = true;
  platform::saveDeviceSettings(settings);
  EXPECT_TRUE(cameraRoll().empty());
}

TEST_F(ImageViewerTest, APictureGoneBeforeItIsSavedIsReportedNotSaved) {
  auto screen = open();
  platform::removeItemAtPath(inStore("b.png"));  // pruned by the engine meanwhile
  choose(*screen, 0, "Save To Photos");
  ASSERT_TRUE(platform::settleAllQueues());
  auto alert = shownAlert(shown);
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "Image Not Saved");
  EXPECT_TRUE(cameraRoll().empty());
}

TEST(ImageViewerEmptyTest, AMissingStoreShowsAnEmptyGrid) {
  TempDeviceRoot root;
  auto screen = TovaluneImageViewerViewController::init();
  auto shown = showPushed(screen);
  EXPECT_EQ(screen->collectionView()->numberOfItemsInSection(0), 0);
}

}  // namespace
