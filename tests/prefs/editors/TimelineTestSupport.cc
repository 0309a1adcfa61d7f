#include "tests/prefs/editors/TimelineTestSupport.h"

#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "platform/uikit/UIScreen.h"
#include "shared/TovalunePreferencesManager.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;

std::shared_ptr<UIImage> solidImage(std::uint32_t width, std::uint32_t height, std::uint8_t red) {
  platform::Bitmap bitmap{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
  for (std::size_t i = 0; i < bitmap.rgba.size(); i += 4) {
    bitmap.rgba[i] = red;
    bitmap.rgba[i + 1] = 40;
    bitmap.rgba[i + 2] = 90;
    bitmap.rgba[i + 3] = 255;
  }
  return UIImage::imageWithBitmap(std::move(bitmap));
}

std::string writePicture(const std::string& devicePath, std::uint8_t red) {
  auto png = UIImagePNGRepresentation(solidImage(8, 6, red).get());
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(devicePath));
  EXPECT_TRUE(png && platform::writeFile(devicePath, *png)) << devicePath;
  return devicePath;
}

Value timelineEntry(const std::string& start, const std::string& imagePath) {
  return Value(Dictionary{{"Start", start}, {"ImagePath", imagePath}});
}

void storeTimeline(const Array& entries) {
  TovalunePreferencesManager::setPrefForKey("ImageTimeline", entries);
}

std::optional<Array> storedTimelineArray() {
  auto prefs = platform::dictionaryWithContentsOfFile(TovalunePreferencesManager::kPreferencesPath);
  const Value* v = prefs ? platform::find(*prefs, "ImageTimeline") : nullptr;
  if (!v || !v->array()) return std::nullopt;
  return *v->array();
}

std::vector<std::string> storedStarts() {
  std::vector<std::string> starts;
  for (const Value& e : storedTimelineArray().value_or(Array{})) {
    const Value* s = e.dictionary() ? platform::find(*e.dictionary(), "Start") : nullptr;
    starts.push_back(s && s->string() ? *s->string() : "?");
  }
  return starts;
}

void waitForBackgroundWork() { ASSERT_TRUE(platform::waitUntilQueuesIdle()); }

TimelineScreen::TimelineScreen() {
  list = TovaluneTimelineViewController::init();
  navigation = UINavigationController::initWithRootViewController(list);
  window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(navigation);
  window->makeKeyAndVisible();
  window->layoutIfNeeded();
}

TimelineScreen::~TimelineScreen() {
  waitForBackgroundWork();
  window->setHidden(true);
}

std::vector<std::string> TimelineScreen::rowLabels(bool subtitles) {
  auto table = list->tableView();
  std::vector<std::string> texts;
  for (int row = 0; row < table->numberOfRowsInSection(0); ++row) {
    auto cell = list->cellForRowAtIndexPath(table.get(), NSIndexPath::indexPathForRow(row, 0));
    texts.push_back(subtitles ? cell->detailTextLabel()->text() : cell->textLabel()->text());
  }
  return texts;
}

void TimelineScreen::swipeAndDeleteRow(int row) {
  auto table = list->tableView();
  table->layoutIfNeeded();
  auto indexPath = NSIndexPath::indexPathForRow(row, 0);
  ASSERT_TRUE(table->beginSwipeToDeleteAtIndexPath(indexPath)) << "row " << row;
  table->commitDeleteAtIndexPath(indexPath);
}

std::shared_ptr<UIViewController> TimelineScreen::presented() { return navigation->presentedViewController(); }
