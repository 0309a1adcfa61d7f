#include "device/springboard/app/SpringBoardRequests.h"

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "device/springboard/SBLockScreenManager.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/app/SpringBoardScreen.h"
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

json settledReply() {
  bool settled = settleSpringBoard();
  if (!settled) NSLog("SpringBoard: work started by a request did not settle in time");
  return json{{"ok", true}, {"settled", settled}};
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

std::string lock() {
  auto manager = SBLockScreenManager::sharedInstance();
  manager->handleBacklightDidTurnOff(nullptr);
  manager->handleBacklightLevelWillChange(1.0, 0.0);
  return line(settledReply());
}

std::string unlock() {
  SBLockScreenManager::sharedInstance()->handleBacklightLevelWillChange(0.0, 1.0);
  return line(settledReply());
}

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

std::string tap(const std::string& title) {
  if (title.empty()) return failure("tap needs the title of a control");
  bool tapped = platform::tapControlWithTitle(title);
  json reply = settledReply();
  reply["tapped"] = tapped;
  return line(reply);
}

}  // namespace

bool settleSpringBoard(std::chrono::milliseconds timeout) { return platform::settleAllQueues(timeout); }

std::string handleSpringBoardRequest(const std::string& request) {
  auto space = request.find(' ');
  std::string command = request.substr(0, space);
  std::string rest = space == std::string::npos ? "" : request.substr(space + 1);
  if (command == "status" && rest.empty()) return status();
  if (command == "lock" && rest.empty()) return lock();
  if (command == "unlock" && rest.empty()) return unlock();
  if (command == "settle" && rest.empty()) return line(settledReply());
  if (command == "screenshot") return screenshot(rest);
  if (command == "tap") return tap(rest);
  return failure(fmt::format("unknown request \"{}\" (lock, unlock, status, screenshot, tap, settle)",
                             request.substr(0, 80)));
}
