#pragma once
// What the timeline screens' tests share: a timeline screen on a navigation stack in a window, as
// the Settings app shows it, and small pictures and entries to fill it with.
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "platform/image/UIImage.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIWindow.h"
#include "prefs/editors/TovaluneTimelineViewController.h"
#include "tests/support/TempDeviceRoot.h"

// A picture of one colour.
std::shared_ptr<UIImage> solidImage(std::uint32_t width, std::uint32_t height, std::uint8_t red);
// Writes a PNG of one colour at a device path (folders made) and returns the path.
std::string writePicture(const std::string& devicePath, std::uint8_t red = 200);

platform::Value timelineEntry(const std::string& start, const std::string& imagePath);
void storeTimeline(const platform::Array& entries);
// The stored `ImageTimeline`; nothing when the key or the file is missing.
std::optional<platform::Array> storedTimelineArray();
std::vector<std::string> storedStarts();

// Waits for the background deletions the screen started.
void waitForBackgroundWork();

struct TimelineScreen {
  TimelineScreen();
  ~TimelineScreen();
  std::shared_ptr<UIWindow> window;
  std::shared_ptr<UINavigationController> navigation;
  std::shared_ptr<TovaluneTimelineViewController> list;

  // Each row's main text and subtitle, as the table shows them.
  std::vector<std::string> rowTexts() { return rowLabels(false); }
  std::vector<std::string> rowSubtitles() { return rowLabels(true); }
  std::vector<std::string> rowLabels(bool subtitles);
  // A swipe on the row and a tap on its Delete button.
  void swipeAndDeleteRow(int row);
  // The alert the screen shows, if any.
  std::shared_ptr<UIViewController> presented();
};
