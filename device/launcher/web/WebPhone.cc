#include "device/launcher/web/WebPhone.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "device/launcher/ClockCommand.h"
#include "device/launcher/HostProgram.h"
#include "device/launcher/Launchd.h"
#include "device/launcher/SpringBoardSocketClient.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

// Lock and unlock wait for the engine's refresh to settle, which may fetch a picture.
constexpr auto kActionTimeout = 60s;
constexpr auto kPollTimeout = 3s;
// A finger's move is answered at once unless Settings is busy; one that waits longer is stale.
constexpr auto kMoveTimeout = 10s;
// A wheel's turn, or a touchpad's swipe, moves no further than this at once (points).
constexpr double kMaxScrollStep = 5000;
// How far a finger moves before a touch is a drag rather than a tap, in points.
constexpr double kDragDistance = 10;
// A swipe up that starts this close to the bottom edge is the home gesture.
constexpr double kHomeGestureEdge = 34;
constexpr std::size_t kMaxKeyBytes = 256;
// The clock moves by at most a week at a time.
constexpr long kMaxClockStep = 7 * 24 * 3600;

PhoneReply ok(json extra = json::object()) {
  extra["ok"] = true;
  return PhoneReply{200, std::move(extra)};
}

PhoneReply refused(int status, const std::string& why) { return PhoneReply{status, json{{"ok", false}, {"error", why}}}; }

// A host's answer to an action: its refusal is the page's 409 (the request was sound, the screen
// did not take it); no answer at all is 503.
PhoneReply fromHost(const std::optional<json>& reply, const char* host) {
  if (!reply) return refused(503, fmt::format("{} did not answer", host));
  if (!reply->value("ok", false)) return refused(409, reply->value("error", fmt::format("{} refused", host)));
  return ok(*reply);
}

std::optional<std::string> readHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string number(double v) { return fmt::format("{:.2f}", v); }

}  // namespace

const char* phoneScreenName(PhoneScreen screen) {
  switch (screen) {
    case PhoneScreen::Lock: return "lock";
    case PhoneScreen::Home: return "home";
    case PhoneScreen::Settings: return "settings";
  }
  return "lock";
}

WebPhone::WebPhone(std::string frameFolder) : frameFolder_(std::move(frameFolder)) {}

PhonePoint WebPhone::screenSize() const {
  auto s = platform::deviceSettings();
  return PhonePoint{s.screenWidth, s.screenHeight};
}

PhoneScreen WebPhone::front() const {
  std::lock_guard<std::mutex> lock(stateMu_);
  return front_;
}

bool WebPhone::displayIsOn() const {
  std::lock_guard<std::mutex> lock(stateMu_);
  return displayOn_;
}

void WebPhone::setFront(PhoneScreen screen) {
  std::lock_guard<std::mutex> lock(stateMu_);
  if (front_ != screen) ++frontChanges_;
  front_ = screen;
}

std::optional<json> WebPhone::askSettings(const std::string& request, std::chrono::milliseconds timeout) const {
  auto exchange = springboard_socket::requestAt(kSettingsSocketPath, "Settings", request, timeout);
  if (!exchange.reply) return std::nullopt;
  json reply = json::parse(*exchange.reply, nullptr, false);
  if (!reply.is_object()) return std::nullopt;
  return reply;
}

bool WebPhone::settingsAnswers() const {
  auto reply = askSettings("status", 2s);
  return reply && reply->value("ok", false);
}

PhoneReply WebPhone::wake() {
  auto reply = querySpringBoard("unlock", kActionTimeout);
  if (reply && reply->value("ok", false)) {
    std::lock_guard<std::mutex> lock(stateMu_);
    displayOn_ = true;
  }
  setFront(PhoneScreen::Lock);
  return fromHost(reply, "SpringBoard");
}

PhoneReply WebPhone::openSettings() {
  if (!settingsAnswers()) {
    // The launcher's own command starts it, records its pid and opens its first screen.
    auto result = runHostProgram({launcherExecutablePath(), "--device", platform::deviceRoot(), "settings", "open"});
    if (result.status != 0) {
      NSLog("tovalune-device web: Settings did not open: {}", result.output);
      return refused(503, "Settings did not open: " + result.output);
    }
  }
  setFront(PhoneScreen::Settings);
  return ok(json{{"opened", "Settings"}});
}

std::optional<std::string> WebPhone::outsideScreen(PhonePoint p) const {
  PhonePoint size = screenSize();
  if (std::isfinite(p.x) && std::isfinite(p.y) && p.x >= 0 && p.y >= 0 && p.x < size.x && p.y < size.y)
    return std::nullopt;
  return fmt::format("the point ({}, {}) is outside the {}x{} screen", number(p.x), number(p.y), size.x, size.y);
}

PhoneReply WebPhone::tap(PhonePoint p) {
  std::lock_guard<std::mutex> lock(actionMu_);
  if (auto why = outsideScreen(p)) return refused(422, *why);
  // A tap on a dark screen wakes it, as on the phone.
  if (!displayIsOn()) return wake();
  switch (front()) {
    case PhoneScreen::Lock:
    case PhoneScreen::Home: {
      bool home = front() == PhoneScreen::Home;
      auto reply = querySpringBoard(fmt::format("tap-at {} {} {}", home ? "home" : "lock", number(p.x), number(p.y)),
                                    kActionTimeout);
      if (reply && reply->value("ok", false) && reply->value("icon", std::string()) == "Settings")
        return openSettings();
      return fromHost(reply, "SpringBoard");
    }
    case PhoneScreen::Settings:
      return fromHost(askSettings(fmt::format("tap-at\t{}\t{}", number(p.x), number(p.y)), kActionTimeout), "Settings");
  }
  return refused(500, "no screen in front");
}

PhoneReply WebPhone::drag(PhonePoint from, PhonePoint to) {
  for (const PhonePoint& p : {from, to})
    if (auto why = outsideScreen(p)) return refused(422, *why);
  if (std::hypot(to.x - from.x, to.y - from.y) < kDragDistance) return tap(from);
  std::lock_guard<std::mutex> lock(actionMu_);
  return swipe(from, to);
}

PhoneReply WebPhone::swipe(PhonePoint from, PhonePoint to) {
  PhonePoint size = screenSize();
  double dx = to.x - from.x, dy = to.y - from.y;
  PhoneScreen screen = front();
  bool upward = dy < -2 * kDragDistance && std::abs(dy) > std::abs(dx);
  if (upward && (screen == PhoneScreen::Lock || from.y >= size.y - kHomeGestureEdge)) {
    setFront(PhoneScreen::Home);
    return ok(json{{"front", "home"}});
  }
  if (screen != PhoneScreen::Settings) return ok(json{{"moved", false}});
  return fromHost(askSettings(fmt::format("drag\t{}\t{}\t{}\t{}", number(from.x), number(from.y), number(to.x),
                                          number(to.y)),
                              kActionTimeout),
                  "Settings");
}

PhoneReply WebPhone::touch(const std::string& phase, PhonePoint p, double seconds) {
  if (phase != "began" && phase != "moved" && phase != "ended" && phase != "cancelled")
    return refused(400, "a touch's phase is began, moved, ended or cancelled");
  if (!std::isfinite(seconds)) return refused(400, "a touch needs its time t, a number of milliseconds");
  if (auto why = outsideScreen(p)) return refused(422, *why);
  std::lock_guard<std::mutex> lock(actionMu_);
  if (phase == "began") {
    if (!displayIsOn()) {
      finger_.reset();
      return ok(json{{"touched", false}});  // the finger lifting wakes it, as a tap does
    }
    PhonePoint size = screenSize();
    finger_ = Finger{p, front() == PhoneScreen::Settings && p.y < size.y - kHomeGestureEdge};
    if (!finger_->toSettings) return ok(json{{"touched", true}});
  } else if (!finger_) {
    if (phase == "ended" && !displayIsOn()) return wake();
    return refused(409, "no finger is down: a touch begins with began");
  }
  Finger finger = *finger_;
  if (phase == "ended" || phase == "cancelled") finger_.reset();
  if (!finger.toSettings) {
    if (phase != "ended" || std::hypot(p.x - finger.from.x, p.y - finger.from.y) < kDragDistance)
      return ok(json{{"touched", true}});
    return swipe(finger.from, p);
  }
  bool lifting = phase == "ended" || phase == "cancelled";
  return fromHost(askSettings(fmt::format("touch\t{}\t{}\t{}\t{:.4f}", phase, number(p.x), number(p.y), seconds),
                              lifting ? std::chrono::milliseconds(kActionTimeout) : std::chrono::milliseconds(kMoveTimeout)),
                  "Settings");
}

PhoneReply WebPhone::scroll(PhonePoint p, PhonePoint delta) {
  if (auto why = outsideScreen(p)) return refused(422, *why);
  if (!std::isfinite(delta.x) || !std::isfinite(delta.y) || std::abs(delta.x) > kMaxScrollStep ||
      std::abs(delta.y) > kMaxScrollStep)
    return refused(400, fmt::format("a scroll moves by at most {} points each way", kMaxScrollStep));
  std::lock_guard<std::mutex> lock(actionMu_);
  if (!displayIsOn() || front() != PhoneScreen::Settings) return ok(json{{"scrolled", false}});
  return fromHost(askSettings(fmt::format("scroll-at\t{}\t{}\t{}\t{}", number(p.x), number(p.y), number(delta.x),
                                          number(delta.y)),
                              kMoveTimeout),
                  "Settings");
}

PhoneReply WebPhone::key(const std::string& key) {
  if (key.empty() || key.size() > kMaxKeyBytes || key.find_first_of("\t\r\n") != std::string::npos)
    return refused(400, fmt::format("a key is Backspace, Enter, or up to {} bytes of text on one line", kMaxKeyBytes));
  std::lock_guard<std::mutex> lock(actionMu_);
  if (front() != PhoneScreen::Settings) return refused(409, "no text field is being edited");
  std::string request = key == "Backspace" ? "key\tbackspace" : key == "Enter" ? "key\treturn" : "key\tinsert\t" + key;
  return fromHost(askSettings(request, kActionTimeout), "Settings");
}

PhoneReply WebPhone::sideButton() {
  std::lock_guard<std::mutex> lock(actionMu_);
  if (!displayIsOn()) return wake();
  auto reply = querySpringBoard("lock", kActionTimeout);
  if (reply && reply->value("ok", false)) {
    std::lock_guard<std::mutex> state(stateMu_);
    displayOn_ = false;
  }
  setFront(PhoneScreen::Lock);
  return fromHost(reply, "SpringBoard");
}

PhoneReply WebPhone::homeButton() {
  std::lock_guard<std::mutex> lock(actionMu_);
  if (!displayIsOn()) return wake();
  setFront(PhoneScreen::Home);
  return ok(json{{"front", "home"}});
}

PhoneReply WebPhone::setClock(const std::string& timeOfDay) {
  auto t = parseTimeOfDay(timeOfDay);
  if (!t) return refused(400, fmt::format("\"{}\" is not a time of day (HH:MM or HH:MM:SS, 24-hour)", timeOfDay.substr(0, 40)));
  std::lock_guard<std::mutex> lock(actionMu_);
  platform::DeviceSettings settings = platform::deviceSettings();
  double now = platform::now();
  settings.clockOffset += platform::dateBySettingTime(now, t->hour, t->minute, t->second) - now;
  if (!platform::saveDeviceSettings(settings)) return refused(500, "cannot write the device settings");
  auto c = platform::calendarComponents(platform::now());
  return ok(json{{"time", fmt::format("{:02}:{:02}:{:02}", c.hour, c.minute, c.second)}});
}

PhoneReply WebPhone::advanceClock(long seconds) {
  if (seconds == 0 || std::labs(seconds) > kMaxClockStep)
    return refused(400, fmt::format("the clock moves by 1 second to {} seconds at a time", kMaxClockStep));
  std::lock_guard<std::mutex> lock(actionMu_);
  platform::DeviceSettings settings = platform::deviceSettings();
  settings.clockOffset += double(seconds);
  if (!platform::saveDeviceSettings(settings)) return refused(500, "cannot write the device settings");
  auto c = platform::calendarComponents(platform::now());
  return ok(json{{"time", fmt::format("{:02}:{:02}:{:02}", c.hour, c.minute, c.second)}});
}

PhoneReply WebPhone::setNetwork(const std::string& kind) {
  platform::NetworkKind network;
  if (kind == "host" || !platform::parseNetworkKind(kind, &network))
    return refused(400, fmt::format("the network is wifi, cellular or none, not \"{}\"", kind.substr(0, 40)));
  std::lock_guard<std::mutex> lock(actionMu_);
  platform::DeviceSettings settings = platform::deviceSettings();
  settings.network = network;
  if (!platform::saveDeviceSettings(settings)) return refused(500, "cannot write the device settings");
  return ok(json{{"network", platform::networkKindName(network)}});
}

std::optional<PhoneFrame> WebPhone::pollFrame(int width) {
  auto started = std::chrono::steady_clock::now();
  auto springBoard = querySpringBoard("revision", kPollTimeout);
  if (!springBoard || !springBoard->value("ok", false)) return std::nullopt;  // restarting, or busy
  bool displayOn = springBoard->value("displayOn", true);
  std::uint64_t settingsRevision = 0;
  PhoneScreen screen;
  std::uint64_t frontChanges;
  {
    std::lock_guard<std::mutex> state(stateMu_);
    // The display turned off by other means (`tovalune-device lock`) brings the lock screen back.
    if (displayOn_ && !displayOn && front_ != PhoneScreen::Lock) {
      front_ = PhoneScreen::Lock;
      ++frontChanges_;
    }
    displayOn_ = displayOn;
    screen = front_;
  }
  if (screen == PhoneScreen::Settings) {
    auto settings = askSettings("revision", kPollTimeout);
    if (!settings) {
      if (!settingsAnswers()) {
        NSLog("tovalune-device web: Settings is not running; back to the home screen");
        setFront(PhoneScreen::Home);
      }
      return std::nullopt;
    }
    settingsRevision = settings->value("revision", std::uint64_t(0));
  }
  {
    std::lock_guard<std::mutex> state(stateMu_);
    screen = front_;
    frontChanges = frontChanges_;
  }
  PhonePoint size = screenSize();
  int deviceWidth = int(std::lround(size.x * platform::deviceSettings().screenScale));
  if (width <= 0 || width > deviceWidth) width = deviceWidth;
  std::string key = fmt::format("{}/{}/{}/{}/{}/{}", phoneScreenName(screen), frontChanges, displayOn,
                                springBoard->value("revision", std::uint64_t(0)), settingsRevision, width);
  if (key == lastKey_) return std::nullopt;
  double pollMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();

  PhoneFrame frame;
  frame.ms["poll"] = std::round(pollMs * 100) / 100;
  if (displayOn) {
    auto asked = std::chrono::steady_clock::now();
    std::string path = frameFolder_ + "/frame.jpg";
    std::optional<json> drawn =
        screen == PhoneScreen::Settings
            ? askSettings(fmt::format("frame\t{}\t{}", width, path), kActionTimeout)
            : querySpringBoard(fmt::format("frame {} {} {}", phoneScreenName(screen), width, path), kActionTimeout);
    if (!drawn || !drawn->value("ok", false)) return std::nullopt;  // tried again at the next poll
    auto bytes = readHostFile(path);
    if (!bytes) return std::nullopt;
    std::remove(path.c_str());
    frame.jpeg = std::move(*bytes);
    frame.width = drawn->value("width", 0);
    frame.height = drawn->value("height", 0);
    frame.ms["draw"] = drawn->value("drawMs", 0.0);
    frame.ms["encode"] = drawn->value("encodeMs", 0.0);
    frame.ms["frame"] =
        std::round(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - asked).count() * 100) / 100;
  }
  lastKey_ = key;
  std::lock_guard<std::mutex> state(stateMu_);
  frame.number = frame_.number + 1;
  frame.screen = screen;
  frame.displayOn = displayOn;
  if (!displayOn) {  // the page shows the display off; the picture waits
    frame.jpeg = frame_.jpeg;
    frame.width = frame_.width;
    frame.height = frame_.height;
  }
  frame_ = frame;
  return frame;
}

PhoneFrame WebPhone::lastFrame() const {
  std::lock_guard<std::mutex> state(stateMu_);
  return frame_;
}

std::optional<std::string> WebPhone::screenPNG() {
  std::lock_guard<std::mutex> lock(pngMu_);
  PhoneFrame frame = lastFrame();
  if (frame.number == 0) return std::nullopt;
  if (!png_.empty() && (pngFrame_ == frame.number || !frame.displayOn)) return png_;
  std::string path = frameFolder_ + "/screen.png";
  std::optional<json> shot = frame.screen == PhoneScreen::Settings
                                 ? askSettings("screenshot\t" + path, kActionTimeout)
                                 : querySpringBoard(fmt::format("screenshot {} {}", phoneScreenName(frame.screen), path),
                                                    kActionTimeout);
  if (!shot || !shot->value("ok", false)) return std::nullopt;
  auto bytes = readHostFile(path);
  std::remove(path.c_str());
  if (!bytes) return std::nullopt;
  png_ = std::move(*bytes);
  pngFrame_ = frame.number;
  return png_;
}
