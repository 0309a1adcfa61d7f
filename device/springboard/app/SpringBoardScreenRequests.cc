#include "device/springboard/app/SpringBoardScreenRequests.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include <nlohmann/json.hpp>

#include "device/springboard/SBLockScreenManager.h"
#include "device/springboard/SBWallpaperState.h"
#include "device/springboard/app/HomeScreen.h"
#include "device/springboard/app/ScreenRevision.h"
#include "device/springboard/app/SocketReply.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UITouchDelivery.h"

using nlohmann::json;

namespace {

using socket_reply::line;
using socket_reply::failure;

std::string revision() {
  auto& state = SBWallpaperState::shared();
  // What SpringBoard draws itself: the display, the wallpapers, the lock screen's clock and date.
  bool displayOn = SBLockScreenManager::sharedInstance()->displayState().displayOn;
  std::uint64_t own = mixSignature(mixSignature(kSignatureSeed, state.changeCount()), displayOn);
  auto c = platform::calendarComponents(platform::now());
  own = mixSignature(own, std::uint64_t(c.year * 10000 + c.month * 100 + c.day) * 10000 + c.hour * 100 + c.minute);
  auto settings = platform::deviceSettings();
  for (double v : {settings.screenWidth, settings.screenHeight, settings.screenScale})
    own = mixSignature(own, std::uint64_t(std::llround(v * 1000)));
  return line(json{{"ok", true}, {"revision", screenRevision(own)}, {"displayOn", displayOn}});
}

bool parseNumber(const std::string& text, double* out) {
  char* end = nullptr;
  *out = std::strtod(text.c_str(), &end);
  return !text.empty() && end && !*end && std::isfinite(*out);
}

std::string tapAt(const std::string& arguments) {
  std::istringstream in(arguments);
  std::string which, xs, ys, extra;
  in >> which >> xs >> ys;
  double x = 0, y = 0;
  if ((which != "lock" && which != "home") || !parseNumber(xs, &x) || !parseNumber(ys, &y) || (in >> extra))
    return failure("tap-at needs lock or home, then X Y in points");
  auto settings = platform::deviceSettings();
  if (x < 0 || y < 0 || x >= settings.screenWidth || y >= settings.screenHeight)
    return failure("tap-at: the point is outside the screen");
  json reply{{"ok", true}, {"tapped", false}};
  if (auto view = platform::tapAtPoint(CGPoint{x, y})) {
    reply["tapped"] = true;
    reply["view"] = view->isa()->name();
  } else if (which == "home") {
    if (auto icon = homeScreenIconAt(CGPoint{x, y}, settings.screenWidth, settings.screenHeight)) {
      reply["tapped"] = true;
      reply["icon"] = icon->name;
    }
  }
  bool settled = platform::settleAllQueues();
  if (!settled) NSLog("SpringBoard: work started by a request did not settle in time");
  reply["settled"] = settled;
  return line(reply);
}

}  // namespace

std::optional<std::string> handleSpringBoardScreenRequest(const std::string& command, const std::string& arguments) {
  if (command == "revision" && arguments.empty()) return revision();
  if (command == "tap-at") return tapAt(arguments);
  return std::nullopt;
}
