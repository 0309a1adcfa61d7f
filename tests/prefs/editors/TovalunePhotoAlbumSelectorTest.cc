// The album choice, tapped as a user taps it, over a real photo library of the device.
#include <gtest/gtest.h>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/photos/PHConstants.h"
#include "platform/photos/PhotoLibrary.h"
#include "prefs/editors/TovalunePhotoAlbumSelectorViewController.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/prefs/editors/PictureEditorFixture.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using platform::Dictionary;

std::vector<std::string> rowTitles(UITableView& table) {
  std::vector<std::string> titles;
  for (int row = 0; row < table.numberOfRowsInSection(0); ++row) {
    auto cell = table.dataSource()->cellForRowAtIndexPath(&table, NSIndexPath::indexPathForRow(row, 0));
    titles.push_back(cell->textLabel()->text());
  }
  return titles;
}

// The rows that carry a checkmark, as the list shows them.
std::vector<int> checkedRows(UITableView& table) {
  std::vector<int> rows;
  for (int row = 0; row < table.numberOfRowsInSection(0); ++row) {
    auto cell = table.dataSource()->cellForRowAtIndexPath(&table, NSIndexPath::indexPathForRow(row, 0));
    if (cell->accessoryType() == UITableViewCellAccessoryCheckmark) rows.push_back(row);
  }
  return rows;
}

std::optional<std::string> storedAlbum() {
  auto prefs = TovalunePreferencesManager::getPrefs();
  if (!prefs) return std::nullopt;
  auto it = prefs->find("SelectedPhotoAlbum");
  if (it == prefs->end() || !it->second.string()) return std::nullopt;
  return *it->second.string();
}

class PhotoAlbumSelectorTest : public testing::Test {
 protected:
  void SetUp() override {
    // Created with the kinds interleaved and the titles against the list's order, so that only
    // the three fetches decide where a row goes.
    synced = *platform::photoLibraryCreateAssetCollection("A synced", PHAssetCollectionTypeAlbum,
                                                          PHAssetCollectionSubtypeAlbumSyncedAlbum);
    userB = *platform::photoLibraryCreateAlbum("B mine");
    smartZ = *platform::photoLibraryCreateAssetCollection("Z smart", PHAssetCollectionTypeSmartAlbum,
                                                          PHAssetCollectionSubtypeAlbumRegular);
    folder = *platform::photoLibraryCreateFolder("C trips");
    platform::photoLibraryCreateAlbum("Inside the folder", folder);
    userA = *platform::photoLibraryCreateAlbum("A mine");
    smartY = *platform::photoLibraryCreateAssetCollection("Y smart", PHAssetCollectionTypeSmartAlbum,
                                                          PHAssetCollectionSubtypeAlbumRegular);
  }
  std::shared_ptr<TovalunePhotoAlbumSelectorViewController> open() {
    auto screen = TovalunePhotoAlbumSelectorViewController::initWithPrefsKey("SelectedPhotoAlbum");
    shown = showPushed(screen);
    return screen;
  }

  TempDeviceRoot root;
  ShownScreen shown;
  std::string synced, userB, smartZ, folder, userA, smartY;
};

TEST_F(PhotoAlbumSelectorTest, ListsSmartThenUserThenSyncedAndMovesTheCheckmarkToTheTappedRow) {
  auto screen = open();
  EXPECT_EQ(screen->title(), "Album Selector");
  auto& table = *screen->tableView();
  EXPECT_EQ(rowTitles(table), (std::vector<std::string>{"Z smart", "Y smart", "B mine", "C trips", "A mine", "A synced"}));
  EXPECT_TRUE(checkedRows(table).empty()) << "nothing is stored yet";
  saveScreenshotIfAsked("album-selector-empty");

  ASSERT_TRUE(tapRow(table, 2));
  EXPECT_EQ(storedAlbum(), userB);
  EXPECT_EQ(checkedRows(table), std::vector<int>{2});
  EXPECT_EQ(screen->selectedIdentifier(), userB);

  ASSERT_TRUE(tapRow(table, 5));
  EXPECT_EQ(storedAlbum(), synced);
  EXPECT_EQ(checkedRows(table), std::vector<int>{5});
  saveScreenshotIfAsked("album-selector-synced-checked");

  // The checked row again: the same identifier, the same row.
  ASSERT_TRUE(tapRow(table, 5));
  EXPECT_EQ(storedAlbum(), synced);
  EXPECT_EQ(checkedRows(table), std::vector<int>{5});
}

TEST_F(PhotoAlbumSelectorTest, AStoredAlbumIsCheckedWhenTheScreenOpens) {
  TovalunePreferencesManager::savePrefs({{"SelectedPhotoAlbum", folder}});
  auto screen = open();
  EXPECT_EQ(checkedRows(*screen->tableView()), std::vector<int>{3}) << "a folder is a row like an album";
}

TEST_F(PhotoAlbumSelectorTest, AnAlbumThatIsGoneChecksNothingAndStaysStored) {
  TovalunePreferencesManager::savePrefs({{"SelectedPhotoAlbum", "5D1E0C33-0000-4000-8000-000000000000/L0/040"}});
  auto screen = open();
  EXPECT_TRUE(checkedRows(*screen->tableView()).empty());
  EXPECT_EQ(screen->tableView()->numberOfRowsInSection(0), 6);
  EXPECT_EQ(storedAlbum(), "5D1E0C33-0000-4000-8000-000000000000/L0/040");
}

TEST_F(PhotoAlbumSelectorTest, AChoiceKeepsWhatTheEngineWroteWhileTheScreenWasOpen) {
  TovalunePreferencesManager::savePrefs({{"ImageMode", 8}});
  auto screen = open();
  // The engine's first-run marker lands after the screen read the file.
  TovalunePreferencesManager::setPrefForKey("Version", 1);
  ASSERT_TRUE(tapRow(*screen->tableView(), 0));
  auto prefs = TovalunePreferencesManager::getPrefs();
  ASSERT_TRUE(prefs);
  EXPECT_EQ(prefs->at("ImageMode").intValue(), 8);
  EXPECT_EQ(prefs->at("Version").intValue(), 1);
  EXPECT_EQ(storedAlbum(), smartZ);
}

TEST_F(PhotoAlbumSelectorTest, AnUnreadablePreferencesFileIsLeftAsItIs) {
  const std::string garbage = "<?xml version=\"1.0\"?><plist><dict><key>Enabled</key>";
  platform::createDirectoryAtPath("/var/mobile/Library/Preferences");
  ASSERT_TRUE(platform::writeFile(TovalunePreferencesManager::kPreferencesPath, garbage));
  auto screen = open();
  platform::LogCapture log;
  ASSERT_TRUE(tapRow(*screen->tableView(), 1));
  EXPECT_EQ(platform::readFile(TovalunePreferencesManager::kPreferencesPath), garbage);
  EXPECT_TRUE(log.containsSubstring("Could not store the chosen album"));
  EXPECT_TRUE(checkedRows(*screen->tableView()).empty()) << "the list shows what is stored";
}

TEST_F(PhotoAlbumSelectorTest, UnderRefusedAccessTheListIsEmptyAndNothingIsStored) {
  platform::DeviceSettings settings;
  settings.photoLibraryAccess = false;
  ASSERT_TRUE(platform::saveDeviceSettings(settings));
  TovalunePreferencesManager::savePrefs({{"SelectedPhotoAlbum", userA}});
  auto screen = open();
  EXPECT_EQ(screen->tableView()->numberOfRowsInSection(0), 0);
  EXPECT_FALSE(tapRow(*screen->tableView(), 0));
  EXPECT_EQ(storedAlbum(), userA);
  saveScreenshotIfAsked("album-selector-access-refused");
}

TEST(PhotoAlbumSelectorEmptyTest, NoLibraryListsNoRowAndStoresNothing) {
  TempDeviceRoot root;
  auto screen = TovalunePhotoAlbumSelectorViewController::initWithPrefsKey("SelectedPhotoAlbum");
  auto shown = showPushed(screen);
  EXPECT_EQ(screen->tableView()->numberOfRowsInSection(0), 0);
  tapRow(*screen->tableView(), 0);
  EXPECT_FALSE(platform::fileExistsAtPath(TovalunePreferencesManager::kPreferencesPath));
}

}  // namespace
