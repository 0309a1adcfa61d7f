#pragma once
// The phone as the browser view shows it: which screen is in front (the lock screen, the home
// screen or the Settings app), the finger and buttons a person uses on it, and the frames of its
// screen. Everything goes through the socket requests the launcher's commands use; starting
// Settings goes through the launcher's own `settings open`.
//
// In front after boot is the lock screen. The side button turns the display off (the lock screen
// comes back in front) and on again; the home button, or a swipe up, leaves the lock screen or
// Settings for the home screen; the home screen's Settings icon brings Settings to the front,
// starting it when it does not run, and showing the screen it was left on when it does.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

enum class PhoneScreen { Lock, Home, Settings };
const char* phoneScreenName(PhoneScreen screen);

struct PhonePoint {
  double x = 0, y = 0;  // in the device's screen points
};

// What an action answers the page: an HTTP status and a JSON body ({"ok": true, ...} or
// {"ok": false, "error": "..."}).
struct PhoneReply {
  int status = 200;
  nlohmann::json body;
};

// A live frame: the screen drawn at the width the pages show it, as JPEG.
struct PhoneFrame {
  std::uint64_t number = 0;  // 0: no frame yet
  std::string jpeg;          // while the display is off, the picture from before
  int width = 0, height = 0;  // of the picture, in pixels
  PhoneScreen screen = PhoneScreen::Lock;
  bool displayOn = true;
  // Where its time went, in milliseconds: asking the hosts whether anything changed ("poll"), the
  // host drawing and encoding it ("draw", "encode"), and the whole frame request ("frame").
  nlohmann::json ms = nlohmann::json::object();
};

class WebPhone {
 public:
  // `frameFolder` is a host folder of the server's own where screenshots are written and read back.
  explicit WebPhone(std::string frameFolder);

  // The screen's size in points, from the device's settings.
  PhonePoint screenSize() const;
  PhoneScreen front() const;

  PhoneReply tap(PhonePoint point);
  // A finger moved across the screen: up on the lock screen (or from the bottom edge anywhere)
  // goes home; a drag in Settings is handed to it as a drag.
  PhoneReply drag(PhonePoint from, PhonePoint to);
  // A finger's report as it happens: "began" where it touches down, "moved", then "ended" where
  // it lifts (or "cancelled"); `seconds` dates it on the page's clock. In Settings the app gets
  // each report and what is under the finger follows it; on the lock and home screens, and from
  // the bottom edge in Settings, the whole touch is a swipe taken when it lifts, as drag does.
  PhoneReply touch(const std::string& phase, PhonePoint point, double seconds);
  // A mouse wheel or touchpad over a point: in Settings the list under it moves by `delta` points.
  PhoneReply scroll(PhonePoint point, PhonePoint delta);
  // A key for the text field being edited: "Backspace", "Enter", or text to insert.
  PhoneReply key(const std::string& key);
  PhoneReply sideButton();
  PhoneReply homeButton();
  // The device's time of day (HH:MM or HH:MM:SS), or the clock moved on by whole seconds.
  PhoneReply setClock(const std::string& timeOfDay);
  PhoneReply advanceClock(long seconds);
  // "wifi", "cellular" or "none".
  PhoneReply setNetwork(const std::string& kind);

  // Asks the host in front whether its screen changed and, when it did (or the front or the width
  // changed), takes a new frame `width` pixels across (0, or more than the device has: the device's
  // own width). Returns the new frame, or nothing when there is nothing new.
  std::optional<PhoneFrame> pollFrame(int width = 0);
  PhoneFrame lastFrame() const;
  // The screen of the last frame at the device's full pixel size, as PNG (drawn when first asked
  // for after each frame; while the display is off, the one from before); nothing when the host
  // does not draw it.
  std::optional<std::string> screenPNG();

 private:
  std::optional<nlohmann::json> askSettings(const std::string& request, std::chrono::milliseconds timeout) const;
  bool settingsAnswers() const;
  PhoneReply openSettings();
  PhoneReply wake();
  // A swipe from one point to the other, the finger lifted (`actionMu_` held).
  PhoneReply swipe(PhonePoint from, PhonePoint to);
  std::optional<std::string> outsideScreen(PhonePoint p) const;
  void setFront(PhoneScreen screen);
  bool displayIsOn() const;

  const std::string frameFolder_;
  mutable std::mutex actionMu_;  // one action at a time, in the order the page sent them
  mutable std::mutex stateMu_;
  PhoneScreen front_ = PhoneScreen::Lock;
  std::uint64_t frontChanges_ = 0;
  bool displayOn_ = true;
  std::string lastKey_;
  // The finger down on the screen, from its touch-down on (under `actionMu_`).
  struct Finger {
    PhonePoint from;
    bool toSettings = false;  // each report goes to Settings, else it is a swipe
  };
  std::optional<Finger> finger_;
  PhoneFrame frame_;
  std::mutex pngMu_;  // one full-size screenshot at a time
  std::uint64_t pngFrame_ = 0;
  std::string png_;
};
