#include "device/settings/SettingsEditorRequests.h"

#include <cstdlib>

#include <fmt/format.h>

#include "device/settings/SettingsApp.h"
#include "device/springboard/app/SocketReply.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UIDatePicker.h"
#include "platform/uikit/UIImagePickerController.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UITableView.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"

using nlohmann::json;

namespace {

using socket_reply::line;
using socket_reply::failure;
std::string settled() { return line(json{{"ok", true}, {"settled", platform::settleAllQueues()}}); }

// The controller a person sees on top: what the stack presents last, else the stack itself.
std::shared_ptr<UIViewController> frontController() {
  return SettingsApp::shared().navigation().topPresentedViewController();
}

// The first view of type T a person can see, depth first from the front controller's view.
template <typename T>
std::shared_ptr<T> findOnScreen(const std::shared_ptr<UIView>& view) {
  if (!view || view->isHidden() || view->alpha() <= 0.01) return nullptr;
  if (auto found = std::dynamic_pointer_cast<T>(view)) return found;
  for (const auto& sub : view->subviews())
    if (auto found = findOnScreen<T>(sub)) return found;
  return nullptr;
}

template <typename T>
std::shared_ptr<T> findOnScreen() {
  auto front = frontController();
  return front && front->isViewLoaded() ? findOnScreen<T>(front->view()) : nullptr;
}

std::shared_ptr<UIImagePickerController> presentedPicker() {
  return std::dynamic_pointer_cast<UIImagePickerController>(frontController());
}

std::optional<int> parseIndex(const std::string& text) {
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || n < 0 || n > 1'000'000) return std::nullopt;
  return int(n);
}

// The file a cell's picture came from: the first image view inside it whose picture has a source.
std::string pictureFile(const UIView& view) {
  if (auto* imageView = dynamic_cast<const UIImageView*>(&view); imageView && imageView->image() &&
                                                                  !imageView->image()->sourcePath().empty())
    return platform::lastPathComponent(imageView->image()->sourcePath());
  for (const auto& sub : view.subviews())
    if (auto file = pictureFile(*sub); !file.empty()) return file;
  return {};
}

CGPoint screenCentre(const UIView& view) {
  CGRect r = view.convertRectToView(view.bounds(), nullptr);
  return CGPoint{r.midX(), r.midY()};
}

// A finger on item N of the grid, brought into view first.
std::string tapItem(UICollectionView& grid, int index, const char* what) {
  auto keep = grid.shared_from_this();
  if (index >= grid.numberOfItemsInSection(0))
    return failure(fmt::format("there is no {} {} (the screen shows {})", what, index, grid.numberOfItemsInSection(0)));
  auto path = NSIndexPath::indexPathForRow(index, 0);
  grid.scrollToItemAtIndexPath(path, UICollectionViewScrollPositionNone, false);
  auto cell = grid.cellForItemAtIndexPath(path);
  if (!cell) return failure(fmt::format("{} {} has no cell on screen", what, index));
  if (!platform::tapAtPoint(screenCentre(*cell))) return failure(fmt::format("{} {} took no tap", what, index));
  return settled();
}

std::string tile(const std::string& arg) {
  auto index = parseIndex(arg);
  if (!index) return failure("tile needs an item number: 0, 1, ...");
  auto grid = findOnScreen<UICollectionView>();
  if (!grid) return failure("there is no grid of pictures on this screen");
  return tapItem(*grid, *index, "tile");
}

std::string pick(const std::string& arg) {
  auto index = parseIndex(arg);
  if (!index) return failure("pick needs a photo number: 0 is the newest");
  auto picker = presentedPicker();
  if (!picker) return failure("no photo picker is shown");
  return tapItem(*picker->collectionView(), *index, "photo");
}

std::string pickCancel() {
  if (!presentedPicker()) return failure("no photo picker is shown");
  if (!platform::tapControlWithTitle("Cancel")) return failure("the picker's Cancel took no tap");
  return settled();
}

std::string wheel(const std::string& time) {
  int hour = -1, minute = -1;
  char extra = 0;
  if (std::sscanf(time.c_str(), "%2d:%2d%c", &hour, &minute, &extra) != 2)
    return failure("wheel needs a time HH:MM");
  auto picker = findOnScreen<UIDatePicker>();
  if (!picker) return failure("there is no time wheel on this screen");
  if (!picker->turnWheelsTo(hour, minute)) return failure(fmt::format("the wheel cannot turn to {}", time));
  return settled();
}

std::string rowText(UITableViewCell& cell) { return cell.existingTextLabel() ? cell.existingTextLabel()->text() : ""; }

std::string deleteRow(const std::string& text) {
  auto table = findOnScreen<UITableView>();
  if (!table) return failure("there is no list on this screen");
  auto keep = table->shared_from_this();
  std::shared_ptr<UITableViewCell> cell;
  for (int s = 0; s < table->numberOfSections() && !cell; ++s)
    for (int r = 0; r < table->numberOfRowsInSection(s) && !cell; ++r) {
      auto path = NSIndexPath::indexPathForRow(r, s);
      table->scrollToRowAtIndexPath(path, UITableViewScrollPositionNone, false);
      table->layoutIfNeeded();
      auto candidate = table->cellForRowAtIndexPath(path);
      if (candidate && rowText(*candidate) == text) cell = candidate;
    }
  if (!cell) return failure(fmt::format("no row \"{}\" in the list", text));
  CGPoint centre = screenCentre(*cell);
  platform::dragAtPoint(centre, CGPoint{-cell->bounds().width() / 2, 0});
  auto swiped = table->indexPathForDeleteConfirmation();
  if (!swiped) return failure(fmt::format("the row \"{}\" cannot be deleted", text));
  std::string title = "Delete";
  if (auto delegate = table->delegate()) title = delegate->titleForDeleteConfirmationButtonForRowAtIndexPath(table.get(), *swiped);
  if (!platform::tapControlWithTitle(title)) return failure(fmt::format("the row's \"{}\" button took no tap", title));
  return settled();
}

}  // namespace

std::optional<std::string> handleSettingsEditorRequest(const std::vector<std::string>& args) {
  if (args.empty()) return std::nullopt;
  const std::string& command = args[0];
  if (command == "tile" && args.size() == 2) return tile(args[1]);
  if (command == "pick" && args.size() == 2) return pick(args[1]);
  if (command == "pick-cancel" && args.size() == 1) return pickCancel();
  if (command == "wheel" && args.size() == 2) return wheel(args[1]);
  if (command == "delete" && args.size() == 2) return deleteRow(args[1]);
  return std::nullopt;
}

void settleScreen() {
  // Twice: the first layout may make cells whose pictures come in tasks that lay them out again.
  for (int pass = 0; pass < 2; ++pass) {
    SettingsApp::shared().window().layoutIfNeeded();
    if (auto front = frontController(); front && front->isViewLoaded()) front->view()->layoutIfNeeded();
    platform::settleAllQueues();
  }
}

json editorScreenState() {
  json state = json::object();
  if (auto picker = presentedPicker()) {
    json photos = json::array();
    const auto& all = picker->photos();
    for (std::size_t i = 0; i < all.size(); ++i)
      photos.push_back(json{{"index", i}, {"file", platform::lastPathComponent(all[i].path)}});
    state["photos"] = photos;
  } else if (auto grid = findOnScreen<UICollectionView>()) {
    json tiles = json::array();
    for (const auto& path : grid->indexPathsForVisibleItems()) {
      auto cell = grid->cellForItemAtIndexPath(path);
      if (!cell) continue;
      json tile{{"index", path.item()}, {"label", cell->accessibilityLabel()}};
      if (auto file = pictureFile(*cell); !file.empty()) tile["file"] = file;
      tiles.push_back(tile);
    }
    state["tiles"] = tiles;
  }
  if (auto picker = findOnScreen<UIDatePicker>()) state["wheel"] = picker->accessibilityValue();
  return state;
}
