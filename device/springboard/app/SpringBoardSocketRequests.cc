#include "device/springboard/app/SpringBoardSocketRequests.h"

#include <unistd.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "device/springboard/SBLockScreenManager.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/app/ScreenFrame.h"
#include "device/springboard/app/SpringBoardScreen.h"
#include "device/springboard/app/SpringBoardScreenRequests.h"
#include "device/springboard/app/SubstrateLoader.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UIApplication.h"

using nlohmann::json;

namespace {

// Paths and titles come from outside; a byte that is not UTF-8 must not make the reply fail.
std::string line(const json& reply) { return reply.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string failure(const std::string& why) { return line(json{{"ok", false}, {"error", why}}); }

// "" for the default, else whole seconds from 0 to an hour.
std::optional<std::chrono::seconds> waitArgument(const std::string& text) {
  if (text.empty()) return kDefaultWait;
  if (text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  int seconds = std::stoi(text);
  if (seconds > 3600) return std::nullopt;
  return std::chrono::seconds(seconds);
}

// A request that sets work off waits for that work (its activity), off the main thread, and at
// most `wait`: a refresh stuck on a slow server must not keep the launcher for long.
json settledReply(const std::shared_ptr<platform::DispatchActivity>& activity, SpringBoardSocketServer::Connection& connection,
                  const std::string& request, std::chrono::seconds wait) {
  bool settled = connection.waitFor(*activity, wait);
  if (!settled)
    NSLog("SpringBoard: the work started by {} is still running after {} s", request, wait.count());
  return json{{"ok", true}, {"settled", settled}};
}

// Runs `event` on the main thread under a fresh activity and waits for what it set off.
std::string displayEvent(const std::string& request, const std::string& arguments, void (*event)(),
                         SpringBoardSocketServer::Connection& connection) {
  auto wait = waitArgument(arguments);
  if (!wait) return failure(request + " takes at most a number of seconds to wait (0 to 3600)");
  auto activity = std::make_shared<platform::DispatchActivity>();
  auto done = connection.onMainThread<bool>([activity, event] {
    platform::runInActivity(activity, event);
    return true;
  });
  if (!done) return connection.failure();
  return line(settledReply(activity, connection, request, *wait));
}

json wallpaperJSON(const WallpaperFile& file) {
  return json{{"screen", wallpaperScreenName(file.screen)},
              {"appearance", wallpaperAppearanceName(file.appearance)},
              {"path", file.path},
              {"exists", file.exists},
              {"readable", file.readable},
              {"width", file.width},
              {"height", file.height},
              {"hash", file.contentHash}};
}

std::string status() {
  auto& state = SBWallpaperState::shared();
  auto display = SBLockScreenManager::sharedInstance()->displayState();
  json wallpapers = json::array();
  for (const WallpaperFile& file : state.currentWallpapers()) wallpapers.push_back(wallpaperJSON(file));
  json reply{{"ok", true},
             {"pid", ::getpid()},
             {"iosVersion", platform::deviceSettings().iosVersion},
             {"engineLoaded", isImageLoaded("/Tovalune.dylib")},
             {"displayOn", display.displayOn},
             {"wallpaperDirectory", state.wallpaperDirectory().value_or("")},
             {"wallpaperChanges", state.changeCount()},
             {"visibleWindows", platform::visibleWindowsTopFirst().size()},
             {"wallpapers", wallpapers}};
  return line(reply);
}

void turnDisplayOff() {
  auto manager = SBLockScreenManager::sharedInstance();
  manager->handleBacklightDidTurnOff(nullptr);
  manager->handleBacklightLevelWillChange(1.0, 0.0);
}

void turnDisplayOn() { SBLockScreenManager::sharedInstance()->handleBacklightLevelWillChange(0.0, 1.0); }

std::string screenshot(const std::string& arguments) {
  auto space = arguments.find(' ');
  std::string which = arguments.substr(0, space);
  std::string path = space == std::string::npos ? "" : arguments.substr(space + 1);
  if (which != "lock" && which != "home") return failure("screenshot needs lock or home, then a file path");
  if (path.empty() || path.front() != '/') return failure("screenshot needs an absolute host file path");
  std::string error;
  if (!writeSpringBoardScreenshot(which == "lock" ? WallpaperScreen::Lock : WallpaperScreen::Home, path, &error))
    return failure(error);
  return line(json{{"ok", true}, {"path", path}});
}

// frame lock|home WIDTH PATH: a live view's frame (ScreenFrame.h).
std::string frame(const std::string& arguments) {
  std::istringstream in(arguments);
  std::string which, width;
  in >> which >> width;
  std::string path;
  std::getline(in >> std::ws, path);
  if (which != "lock" && which != "home") return failure("frame needs lock or home, a width in pixels, then a file path");
  WallpaperScreen screen = which == "lock" ? WallpaperScreen::Lock : WallpaperScreen::Home;
  return answerFrameRequest(width, path, [screen](double scale) { return drawSpringBoardScreen(screen, scale); });
}

std::string tap(const std::string& title, SpringBoardSocketServer::Connection& connection) {
  if (title.empty()) return failure("tap needs the title of a control");
  auto activity = std::make_shared<platform::DispatchActivity>();
  auto tapped = connection.onMainThread<bool>([activity, title] {
    bool found = false;
    platform::runInActivity(activity, [&] { found = platform::tapControlWithTitle(title); });
    return found;
  });
  if (!tapped) return connection.failure();
  json reply = settledReply(activity, connection, "tap", kDefaultWait);
  reply["tapped"] = *tapped;
  return line(reply);
}

// Everything queued so far, by anyone, and what it queues: the queues are idle before and after
// the main queue has run all it held.
std::string settle(const std::string& arguments, SpringBoardSocketServer::Connection& connection) {
  auto wait = waitArgument(arguments);
  if (!wait) return failure("settle takes at most a number of seconds to wait (0 to 3600)");
  auto deadline = std::chrono::steady_clock::now() + *wait;
  bool settled = false;
  while (!settled && !connection.stopping() && std::chrono::steady_clock::now() < deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (!platform::waitUntilQueuesIdle(std::min(left, std::chrono::milliseconds(50)))) continue;
    auto ran = connection.onMainThread<std::size_t>([] { return platform::drainMainQueue(); },
                                                    std::max(left, std::chrono::milliseconds(1)));
    if (!ran) break;
    settled = *ran == 0 && platform::waitUntilQueuesIdle(std::chrono::milliseconds(0));
  }
  return line(json{{"ok", true}, {"settled", settled}});
}

std::string onMain(SpringBoardSocketServer::Connection& connection, std::function<std::string()> work) {
  auto reply = connection.onMainThread<std::string>(std::move(work));
  return reply ? *reply : connection.failure();
}

}  // namespace

std::string handleSpringBoardRequest(const std::string& request, SpringBoardSocketServer::Connection& connection) {
  auto space = request.find(' ');
  std::string command = request.substr(0, space);
  std::string rest = space == std::string::npos ? "" : request.substr(space + 1);
  if (command == "status" && rest.empty()) return onMain(connection, status);
  if (command == "lock") return displayEvent("lock", rest, turnDisplayOff, connection);
  if (command == "unlock") return displayEvent("unlock", rest, turnDisplayOn, connection);
  if (command == "settle") return settle(rest, connection);
  if (command == "screenshot") return onMain(connection, [rest] { return screenshot(rest); });
  if (command == "frame") return onMain(connection, [rest] { return frame(rest); });
  if (command == "tap") return tap(rest, connection);
  // The screen's own requests touch SpringBoard's windows: main thread.
  auto screen = connection.onMainThread<std::optional<std::string>>(
      [command, rest] { return handleSpringBoardScreenRequest(command, rest); });
  if (!screen) return connection.failure();
  if (*screen) return **screen;
  return failure(fmt::format("unknown request \"{}\" (lock, unlock, status, screenshot, frame, tap, tap-at, revision, settle)",
                             request.substr(0, 80)));
}
