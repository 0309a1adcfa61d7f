// The editors' texts with a translation for every one of them in the host application's bundle:
// the titles and alert texts the editors look up come out translated, and the texts they show as
// fixed English stay English ("Cancel" and "Delete" are both: looked up in one alert, fixed in
// the viewer's sheet).
#include <gtest/gtest.h>

#include <set>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSBundle.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UINavigationItem.h"
#include "prefs/editors/TovaluneImageSelectorViewController.h"
#include "prefs/editors/TovaluneImageViewerViewController.h"
#include "prefs/editors/TovalunePhotoAlbumSelectorViewController.h"
#include "prefs/editors/TovaluneTimelineAddViewController.h"
#include "prefs/editors/TovaluneTimelineViewController.h"
#include "shared/ImageFolders.h"
#include "tests/prefs/editors/PictureEditorFixture.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

constexpr const char* kHostApp = "/Applications/Preferences.app";

std::vector<std::string> alertTexts(const ShownScreen& shown) {
  auto alert = shownAlert(shown);
  if (!alert) return {"(no alert)"};
  std::vector<std::string> texts{alert->title(), alert->message()};
  for (const auto& action : alert->actions()) texts.push_back(action->title());
  return texts;
}

TEST(EditorTextsTest, LookedUpTextsComeFromTheHostsStringsAndFixedOnesStayEnglish) {
  TempDeviceRoot root;
  const std::set<std::string> lookedUp = {
      "Image Selector", "Remove Image", "Are you sure you want to remove this Image?", "Remove", "Cancel",
      "Image Viewer", "Delete Image", "Are you sure you want to delete this image?", "Delete", "Album Selector",
      "Timeline"};
  const std::vector<std::string> fixed = {
      "Image 0", "What would you like to do?", "Save To Photos", "Add", "Time Exists",
      "An entry already exists for this time. Please delete it first.", "OK", "What time?", "Next", "Random",
      "This will use the settings you have for 'Image Provider' in Tovalune. Do you want to continue?", "Confirm"};
  std::string strings;
  for (const auto& set : {std::vector<std::string>(lookedUp.begin(), lookedUp.end()), fixed})
    for (const auto& text : set) strings += "\"" + text + "\" = \"<" + text + ">\";\n";
  ASSERT_TRUE(platform::createDirectoryAtPath(std::string(kHostApp) + "/en.lproj"));
  ASSERT_TRUE(platform::writeFile(std::string(kHostApp) + "/en.lproj/Localizable.strings", strings));
  NSBundle::setPreferredLanguages({"en"});
  struct HostBundle {
    HostBundle() { NSBundle::setMainBundlePath(kHostApp); }
    ~HostBundle() { NSBundle::setMainBundlePath(""); }
  } host;
  platform::createDirectoryAtPath(kLocalImagesPath);
  platform::writeFile(std::string(kLocalImagesPath) + "/1.png", pngOfSize(10, 10));
  platform::createDirectoryAtPath(kStoreImagesPath);
  platform::writeFile(std::string(kStoreImagesPath) + "/1.png", pngOfSize(10, 10));

  std::vector<std::string> shownTexts, expected;
  // What the screen shows, and the English it stands for: translated when looked up, else as it is.
  auto collect = [&](const std::vector<std::string>& texts, const std::vector<std::string>& english, bool looked) {
    shownTexts.insert(shownTexts.end(), texts.begin(), texts.end());
    for (const auto& text : english) expected.push_back(looked ? "<" + text + ">" : text);
  };
  {
    auto screen = TovaluneImageSelectorViewController::init();
    auto shown = showPushed(screen);
    ASSERT_TRUE(tapItem(*screen->collectionView(), 0));
    collect({screen->title()}, {"Image Selector"}, true);
    collect(alertTexts(shown), {"Remove Image", "Are you sure you want to remove this Image?", "Remove", "Cancel"}, true);
  }
  {
    auto screen = TovaluneImageViewerViewController::init();
    auto shown = showPushed(screen);
    ASSERT_TRUE(tapItem(*screen->collectionView(), 0));
    collect({screen->title()}, {"Image Viewer"}, true);
    collect(alertTexts(shown), {"Image 0", "What would you like to do?", "Cancel", "Delete", "Save To Photos"}, false);
    ASSERT_TRUE(tapButton("Delete"));
    collect(alertTexts(shown), {"Delete Image", "Are you sure you want to delete this image?", "Delete", "Cancel"}, true);
  }
  {
    auto screen = TovalunePhotoAlbumSelectorViewController::initWithPrefsKey("SelectedPhotoAlbum");
    auto shown = showPushed(screen);
    collect({screen->title()}, {"Album Selector"}, true);
  }
  {
    auto screen = TovaluneTimelineViewController::init();
    auto shown = showPushed(screen);
    screen->addToTimelineWithTime("07:00:00", kRandomImageMarker);
    screen->addToTimelineWithTime("07:00:00", kRandomImageMarker);
    collect({screen->title()}, {"Timeline"}, true);
    collect({screen->navigationItem()->rightBarButtonItem()->title()}, {"Add"}, false);
    collect(alertTexts(shown), {"Time Exists", "An entry already exists for this time. Please delete it first.", "OK"},
            false);
  }
  {
    auto screen = TovaluneTimelineAddViewController::initWithHandler([](double, const std::string&) {});
    auto shown = showPushed(screen);
    screen->tapUseRandomButton(nullptr);
    collect({screen->titleLabel()->text(), screen->nextButton()->title()}, {"What time?", "Next"}, false);
    collect(alertTexts(shown),
            {"Random", "This will use the settings you have for 'Image Provider' in Tovalune. Do you want to continue?",
             "Confirm", "Cancel"},
            false);
  }
  EXPECT_EQ(shownTexts, expected);
}

}  // namespace
