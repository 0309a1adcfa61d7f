#include "device/settings/SettingsRequests.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "device/settings/SettingsApp.h"
#include "device/settings/SettingsEditorRequests.h"
#include "device/settings/SettingsListController.h"
#include "device/settings/SettingsScreen.h"
#include "device/settings/SettingsScreenRequests.h"
#include "device/springboard/app/ScreenFrame.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UITouchDelivery.h"

using nlohmann::json;

namespace {

// Labels and values come from panes and files; a byte that is not UTF-8 must not fail the reply.
std::string line(const json& reply) { return reply.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string failure(const std::string& why) { return line(json{{"ok", false}, {"error", why}}); }

json settledReply() {
  bool settled = platform::settleAllQueues();
  if (!settled) NSLog("Settings: work started by a request did not settle in time");
  return json{{"ok", true}, {"settled", settled}};
}

std::string acted(bool done, const std::string& otherwise) {
  json reply = settledReply();
  if (!done) return failure(otherwise);
  return line(reply);
}

std::vector<std::string> splitArguments(const std::string& request) {
  std::vector<std::string> parts;
  if (request.find('\t') != std::string::npos) {
    std::size_t start = 0;
    for (std::size_t tab; (tab = request.find('\t', start)) != std::string::npos; start = tab + 1)
      parts.push_back(request.substr(start, tab - start));
    parts.push_back(request.substr(start));
    return parts;
  }
  auto space = request.find(' ');
  parts.push_back(request.substr(0, space));
  if (space != std::string::npos) parts.push_back(request.substr(space + 1));
  return parts;
}

json elementJSON(const UIAccessibilityElement& e) {
  return json{{"label", e.label},
              {"value", e.value},
              {"traits", platform::describeTraits(e.traits)},
              {"frame", {e.frame.minX(), e.frame.minY(), e.frame.width(), e.frame.height()}}};
}

const UIAccessibilityElement* findElement(const std::vector<UIAccessibilityElement>& elements,
                                          const std::string& label, UIAccessibilityTraits required = 0) {
  for (const auto& e : elements)
    if (e.label == label && (e.traits & required) == required && e.activate) return &e;
  return nullptr;
}

bool activate(const std::string& label, UIAccessibilityTraits required = 0) {
  auto elements = platform::accessibilityElements();
  const UIAccessibilityElement* e = findElement(elements, label, required);
  return e && e->activate();
}

std::string screenStatus() {
  auto top = SettingsApp::shared().screenOnTop();
  return line(json{{"ok", true},
                   {"pid", ::getpid()},
                   {"title", top ? top->title() : ""},
                   {"screen", top ? top->isa()->name() : ""},
                   {"depth", SettingsApp::shared().navigation().viewControllers().size()}});
}

std::string show() {
  settleScreen();
  auto top = SettingsApp::shared().screenOnTop();
  json elements = json::array();
  for (const auto& e : platform::accessibilityElements()) elements.push_back(elementJSON(e));
  json reply{{"ok", true}, {"title", top ? top->title() : ""}, {"screen", top ? top->isa()->name() : ""}, {"elements", elements}};
  reply.update(editorScreenState());
  return line(reply);
}

std::string open(const std::string& pane) {
  auto& navigation = SettingsApp::shared().navigation();
  if (auto presented = navigation.visibleViewController(); presented && presented != navigation.topViewController())
    presented->dismissViewControllerAnimated(false, nullptr);
  navigation.popToRootViewControllerAnimated(false);
  if (pane.empty()) return line(settledReply());
  bool opened = SettingsApp::shared().paneList().openPane(pane);
  return acted(opened, fmt::format("no pane \"{}\" could be opened (see the Settings log)", pane));
}

std::string tapAt(const std::string& x, const std::string& y) {
  char* endX = nullptr;
  char* endY = nullptr;
  double px = std::strtod(x.c_str(), &endX), py = std::strtod(y.c_str(), &endY);
  if (x.empty() || y.empty() || *endX || *endY) return failure("tap-at needs two numbers: X Y in points");
  auto view = platform::tapAtPoint(CGPoint{px, py});
  json reply = settledReply();
  reply["tapped"] = view != nullptr;
  if (view) reply["view"] = view->isa()->name();
  return line(reply);
}

std::string choose(const std::string& label, const std::string& title) {
  auto& navigation = SettingsApp::shared().navigation();
  auto list = navigation.topViewController();
  if (!activate(label, UIAccessibilityTraitButton) && !activate(label))
    return acted(false, fmt::format("no row \"{}\" on this screen", label));
  platform::settleAllQueues();
  if (navigation.topViewController() == list)
    return acted(false, fmt::format("the row \"{}\" opened no list of choices", label));
  bool picked = activate(title);
  platform::settleAllQueues();
  navigation.popToViewController(list, false);
  return acted(picked, fmt::format("\"{}\" is not one of the choices of \"{}\"", title, label));
}

std::string type(const std::string& label, const std::string& text) {
  if (!activate(label)) return acted(false, fmt::format("no row \"{}\" on this screen", label));
  // The return key ends the editing, which is when a row hands its text over.
  if (!platform::typeText(text + "\n")) return acted(false, fmt::format("the row \"{}\" takes no text", label));
  return line(settledReply());
}

std::string back() {
  auto& navigation = SettingsApp::shared().navigation();
  if (navigation.viewControllers().size() < 2) return failure("this is the first screen; there is no back");
  navigation.popViewControllerAnimated(true);
  return line(settledReply());
}

std::string screenshot(const std::string& path) {
  if (path.empty() || path.front() != '/') return failure("screenshot needs an absolute host file path");
  // What a person would see a moment later: a reloaded grid's pictures come in queued tasks.
  settleScreen();
  std::string error;
  if (!writeSettingsScreenshot(path, &error)) return failure(error);
  return line(json{{"ok", true}, {"path", path}});
}

}  // namespace

std::string handleSettingsRequest(const std::string& request) {
  std::vector<std::string> args = splitArguments(request);
  const std::string& command = args[0];
  auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
  if (command == "status" && args.size() == 1) return screenStatus();
  if (command == "show" && args.size() == 1) return show();
  if (command == "open" && args.size() <= 2) return open(arg(1));
  if (command == "back" && args.size() == 1) return back();
  if (command == "tap" && args.size() == 2)
    return acted(platform::tapControlWithTitle(args[1]), fmt::format("nothing labelled \"{}\" to tap", args[1]));
  if (command == "tap-at" && args.size() == 3) return tapAt(args[1], args[2]);
  if (command == "tap-at" && args.size() == 2) {
    auto space = args[1].find(' ');
    return tapAt(args[1].substr(0, space), space == std::string::npos ? "" : args[1].substr(space + 1));
  }
  if (command == "toggle" && args.size() == 2)
    return acted(activate(args[1], UIAccessibilityTraitToggleButton),
                 fmt::format("no switch \"{}\" on this screen", args[1]));
  if (command == "choose" && args.size() == 3) return choose(args[1], args[2]);
  if (command == "type" && args.size() == 3) return type(args[1], args[2]);
  if (command == "screenshot" && args.size() == 2) return screenshot(args[1]);
  // A live view's frame, as the screen is: what is still to come shows in a later frame.
  if (command == "frame" && args.size() == 3)
    return answerFrameRequest(args[1], args[2], [](double scale) { return drawSettingsScreen(scale); });
  if (auto reply = handleSettingsEditorRequest(args)) return *reply;
  if (auto reply = handleSettingsScreenRequest(args)) return *reply;
  return failure(fmt::format("unknown request \"{}\" (status, show, open, tap, tap-at, toggle, choose, type, back, "
                             "screenshot, frame, tile, pick, pick-cancel, wheel, delete, drag, touch, scroll-at, key)",
                             request.substr(0, 80)));
}
