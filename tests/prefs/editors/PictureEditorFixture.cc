#include "tests/prefs/editors/PictureEditorFixture.h"

#include <cstdlib>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITouchDelivery.h"

ShownScreen showPushed(const std::shared_ptr<UIViewController>& screen) {
  ShownScreen shown;
  auto list = UIViewController::create();
  list->setTitle("Tovalune");
  shown.navigation = UINavigationController::initWithRootViewController(list);
  shown.window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  shown.window->setRootViewController(shown.navigation);
  shown.window->makeKeyAndVisible();
  shown.navigation->pushViewController(screen, true);
  layOut(shown);
  return shown;
}

void layOut(const ShownScreen& shown) {
  shown.window->layoutIfNeeded();
  platform::drainMainQueue();
  shown.window->layoutIfNeeded();
}

bool tapOnScreen(const UIView& view) {
  CGRect r = view.convertRectToView(view.bounds(), nullptr);
  bool took = platform::tapAtPoint(CGPoint{r.midX(), r.midY()}) != nullptr;
  platform::drainMainQueue();
  return took;
}

bool tapRow(UITableView& table, int row) {
  table.layoutIfNeeded();
  CGRect r = table.convertRectToView(table.rectForRowAtIndexPath(NSIndexPath::indexPathForRow(row, 0)), nullptr);
  bool took = platform::tapAtPoint(CGPoint{r.midX(), r.midY()}) != nullptr;
  platform::drainMainQueue();
  return took;
}

bool tapItem(UICollectionView& grid, int item) {
  const auto indexPath = NSIndexPath::indexPathForRow(item, 0);
  grid.layoutIfNeeded();
  if (!grid.scrollToItemAtIndexPath(indexPath, UICollectionViewScrollPositionNone, false)) return false;
  grid.layoutIfNeeded();
  platform::drainMainQueue();
  CGRect r = grid.convertRectToView(grid.frameForItemAtIndexPath(indexPath), nullptr);
  bool took = platform::tapAtPoint(CGPoint{r.midX(), r.midY()}) != nullptr;
  platform::drainMainQueue();
  return took;
}

std::shared_ptr<UIAlertController> shownAlert(const ShownScreen& shown) {
  return std::dynamic_pointer_cast<UIAlertController>(shown.navigation->presentedViewController());
}

bool tapButton(const std::string& title) {
  bool took = platform::tapControlWithTitle(title);
  platform::drainMainQueue();
  return took;
}

std::string pngOfSize(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  platform::Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.rgba.resize(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < bitmap.rgba.size(); i += 4) {
    bitmap.rgba[i] = red;
    bitmap.rgba[i + 1] = green;
    bitmap.rgba[i + 2] = blue;
    bitmap.rgba[i + 3] = 255;
  }
  return platform::encodePNG(bitmap).value_or("");
}

void saveScreenshotIfAsked(const std::string& name) {
  const char* dir = std::getenv("EDITOR_SCREENSHOT_DIR");
  if (!dir) return;
  const auto settings = platform::deviceSettings();
  const int width = static_cast<int>(settings.screenWidth * settings.screenScale);
  const int height = static_cast<int>(settings.screenHeight * settings.screenScale);
  std::string error;
  platform::writeScreenshotPNG(platform::renderScreen(nullptr, width, height), std::string(dir) + "/" + name + ".png",
                               &error);
}
