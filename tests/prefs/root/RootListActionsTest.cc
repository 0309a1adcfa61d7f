// The root list's buttons, and the list the pane really ships, driven as the Settings app drives it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UINavigationItem.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"
#include "prefs/editors/TovalunePhotoAlbumSelectorViewController.h"
#include "prefs/root/TovaluneprefsRootListController.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/prefs/support/PaneFixture.h"

namespace {

using platform::Dictionary;
using platform::Value;

class RootListActionsTest : public testing::Test {
 protected:
  void SetUp() override {
    installBuiltBundleResources();
    list = makeRootList();
    navigation = UINavigationController::initWithRootViewController(list);
  }
  TempDeviceRoot root;
  std::shared_ptr<TovaluneprefsRootListController> list;
  std::shared_ptr<UINavigationController> navigation;
};

TEST_F(RootListActionsTest, EachEditorButtonOpensANewScreenWithTheBackButtonShown) {
  // Every source and the timeline, so that every editor button is in the list.
  struct Case {
    const char* key;
    Dictionary prefs;
    const char* screenClass;
    const char* title;
  } cases[] = {
      {"ImageSelector", {{"ImageMode", 0}}, "TovaluneImageSelectorViewController", "Image Selector"},
      {"ImageViewer", {}, "TovaluneImageViewerViewController", "Image Viewer"},
      {"AlbumSelector", {{"ImageMode", 8}}, "TovalunePhotoAlbumSelectorViewController", "Album Selector"},
      {"TimePicker", {{"UpdateMode", 1}}, "TovaluneTimelineViewController", "Timeline"},
  };
  for (const auto& c : cases) {
    TovalunePreferencesManager::savePrefs(c.prefs);
    list->reloadSpecifiers();
    auto row = rowWithKey(list->loadedSpecifiers(), c.key);
    ASSERT_TRUE(row) << c.key;
    list->navigationItem()->setHidesBackButton(true);

    list->performButtonAction(row.get());
    auto first = navigation->topViewController();
    ASSERT_NE(first, list) << c.key;
    EXPECT_EQ(first->isa()->name(), c.screenClass);
    EXPECT_EQ(first->title(), c.title);
    EXPECT_FALSE(list->navigationItem()->hidesBackButton()) << c.key;

    navigation->popViewControllerAnimated(true);
    list->performButtonAction(row.get());
    EXPECT_NE(navigation->topViewController(), first) << c.key << " reused its screen";
    EXPECT_EQ(navigation->viewControllers().size(), 2u);
    navigation->popToRootViewControllerAnimated(false);
  }
  list->showAlbumSelector();
  auto album = std::dynamic_pointer_cast<TovalunePhotoAlbumSelectorViewController>(navigation->topViewController());
  ASSERT_TRUE(album);
  EXPECT_EQ(album->prefsKey(), "SelectedPhotoAlbum");
}

TEST_F(RootListActionsTest, ComingBackFromAnEditorKeepsTheListAsItWasBuilt) {
  TovalunePreferencesManager::savePrefs({{"ImageMode", 0}, {"UpdateMode", 1}});
  list->reloadSpecifiers();
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(navigation);
  window->makeKeyAndVisible();
  const PSSpecifierList built = list->loadedSpecifiers();
  for (const char* key : {"ImageSelector", "ImageViewer", "TimePicker"}) {
    list->performButtonAction(rowWithKey(built, key).get());
    ASSERT_NE(navigation->topViewController(), list) << key;
    // The engine moves the source on while the editor is open; only a change in the list rebuilds it.
    TovalunePreferencesManager::setPrefForKey("ImageMode", 8);
    navigation->popViewControllerAnimated(true);
    ASSERT_EQ(navigation->topViewController(), list) << key;
    EXPECT_EQ(list->loadedSpecifiers(), built) << key;
  }
  window->setHidden(true);
}

TEST_F(RootListActionsTest, AListOffANavigationStackOpensNothingAndSaysSo) {
  auto alone = makeRootList();
  platform::LogCapture log;
  alone->showTimePicker();
  EXPECT_TRUE(log.contains("Cannot open Timeline: the list is not on a navigation controller"));
}

TEST_F(RootListActionsTest, RestartStartsTheDevicesKillallToEndSpringBoard) {
  platform::createDirectoryAtPath("/usr/bin");
  std::filesystem::copy_file(ARGV_RECORDER, platform::hostPath("/usr/bin/killall"));
  ::chmod(platform::hostPath("/usr/bin/killall").c_str(), 0755);

  auto restart = rowNamed(list->specifiers(), "Restart SpringBoard");
  ASSERT_TRUE(restart);
  EXPECT_TRUE(restart->key().empty());
  list->performButtonAction(restart.get());

  std::optional<std::string> argv;
  for (int i = 0; i < 500 && !argv; ++i) {
    argv = platform::readFile("/recorded-argv");
    if (!argv) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(argv, "killall\n-9\nSpringBoard\n");
}

TEST_F(RootListActionsTest, TheMakersPageOpensThroughTheApplication) {
  auto button = rowNamed(list->specifiers(), "Orbel on the Web");
  ASSERT_TRUE(button);
  EXPECT_TRUE(button->key().empty());
  std::size_t before = UIApplication::sharedApplication().openedURLs().size();
  list->performButtonAction(button.get());
  auto opened = UIApplication::sharedApplication().openedURLs();
  ASSERT_EQ(opened.size(), before + 1);
  EXPECT_EQ(opened.back(), TovaluneprefsRootListController::kMakerPageURL);
}

// The specifier file the pane ships: the rows the list relies on, and defaults that are the store's.
TEST_F(RootListActionsTest, TheShippedFileHasEveryRowAndTheStoresDefaults) {
  TovalunePreferencesManager::savePrefs({{"ImageMode", 0}, {"UpdateMode", 1}});
  list->reloadSpecifiers();
  auto rows = list->loadedSpecifiers();
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows.front()->stringPropertyForKey("cellClass"), "TovaluneBannerCell");
  EXPECT_EQ(rows.back()->stringPropertyForKey("cellClass"), "TovaluneFooterCell");

  struct Button {
    const char* key;
    const char* action;
  } buttons[] = {{"ImageSelector", "showImageSelector"}, {"ImageViewer", "showImageViewer"},
                 {"TimePicker", "showTimePicker"}};
  for (const auto& b : buttons) {
    auto row = rowWithKey(rows, b.key);
    ASSERT_TRUE(row) << b.key;
    ASSERT_TRUE(row->action()) << b.key;
    EXPECT_EQ(row->action()->name, b.action);
  }
  for (const auto& [key, value] : TovalunePreferencesManager::defaultPrefs()) {
    auto row = rowWithKey(rows, key);
    if (key == "CustomURL") {
      TovalunePreferencesManager::savePrefs({{"ImageMode", 1}});
      list->reloadSpecifiers();
      row = rowWithKey(list->loadedSpecifiers(), key);
    }
    ASSERT_TRUE(row) << key;
    const Value* fallback = row->propertyForKey("default");
    ASSERT_TRUE(fallback) << key;
    EXPECT_EQ(*fallback, value) << key;
  }

  auto source = rowWithKey(list->loadedSpecifiers(), "ImageMode");
  ASSERT_EQ(source->values().size(), 9u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(source->values()[i], Value(i));
  EXPECT_EQ(source->titles().front(), "Local Folder");
  EXPECT_EQ(source->titles().back(), "Photo Album");
  auto location = rowWithKey(list->loadedSpecifiers(), "Location");
  EXPECT_EQ(location->values(), (platform::Array{Value(1), Value(2), Value(3), Value(4)}));
}

}  // namespace
