#pragma once
// What the picture editors' tests share: a screen shown the way the root list shows it (pushed on
// a navigation controller in a visible window), taps by finger at the centre of what the user
// sees, and small real picture files.
#include <memory>
#include <optional>
#include <string>

#include "platform/image/ImageCodec.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UITableView.h"
#include "platform/uikit/UIWindow.h"

class UIAlertController;

struct ShownScreen {
  std::shared_ptr<UIWindow> window;
  std::shared_ptr<UINavigationController> navigation;
};

// A placeholder root with the screen pushed over it, in a key window; the main queue drained.
ShownScreen showPushed(const std::shared_ptr<UIViewController>& screen);

// What the host's run loop does before the next frame: lays the window out and runs what that
// queued on the main queue (tiles get their pictures).
void layOut(const ShownScreen& shown);

// A finger on the centre of the view as it is on screen; the main queue drained afterwards, so
// what the tap queued (an alert, a sheet) is on screen. Returns whether something took the tap.
bool tapOnScreen(const UIView& view);
bool tapRow(UITableView& table, int row);
// A finger on a grid's item, scrolled into view first as a user would.
bool tapItem(UICollectionView& grid, int item);
// A finger on the alert or sheet button with that title; false when none shows.
bool tapButton(const std::string& title);

// A real picture of that size in one colour, as PNG bytes.
std::string pngOfSize(int width, int height, std::uint8_t red = 200, std::uint8_t green = 60, std::uint8_t blue = 40);

// The alert or sheet on screen, if any.
std::shared_ptr<UIAlertController> shownAlert(const ShownScreen& shown);

// Writes the screen as a PNG under $EDITOR_SCREENSHOT_DIR, when that is set; for looking at.
void saveScreenshotIfAsked(const std::string& name);
