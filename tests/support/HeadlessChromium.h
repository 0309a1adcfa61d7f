#pragma once
// The system's Chromium, headless, driven through its DevTools protocol for tests that look at a
// page as a person would: load it, click and drag with the mouse, type, read the page with
// JavaScript, take screenshots. The protocol runs over a pipe (--remote-debugging-pipe: JSON
// messages ended by a NUL byte on fds 3 and 4), so no port is opened and no WebSocket is needed.
// Each browser has a fresh profile in a temporary folder, removed with it.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

class HeadlessChromium {
 public:
  // The browser's path: $TOVALUNE_CHROMIUM, else chromium (or chromium-browser) on the PATH;
  // empty when there is none.
  static std::string executable();

  // Starts the browser with one page of the given size in CSS pixels. started() tells whether it
  // came up; error() says why not.
  explicit HeadlessChromium(int width = 1100, int height = 900);
  ~HeadlessChromium();
  HeadlessChromium(const HeadlessChromium&) = delete;
  HeadlessChromium& operator=(const HeadlessChromium&) = delete;

  bool started() const { return !sessionId_.empty(); }
  const std::string& error() const { return error_; }

  // A DevTools command to the page (or to the browser itself when `toBrowser`); its result, or
  // nothing on an error reply or the timeout (the reason in error()).
  std::optional<nlohmann::json> call(const std::string& method, const nlohmann::json& params = nlohmann::json::object(),
                                     std::chrono::milliseconds timeout = std::chrono::seconds(30),
                                     bool toBrowser = false);

  // Loads the address and waits until the document has loaded.
  bool navigate(const std::string& url, std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // The value of a JavaScript expression (awaited when it is a promise); nothing when it threw.
  std::optional<nlohmann::json> evaluate(const std::string& expression);
  // Evaluates the expression until it is true; false at the timeout.
  bool waitFor(const std::string& expression, std::chrono::milliseconds timeout = std::chrono::seconds(20));

  // The mouse, in the page's CSS pixels: a click, and a press moved in steps and released.
  bool click(double x, double y);
  bool drag(double fromX, double fromY, double toX, double toY, int steps = 8);
  // The same a step at a time: the button pressed, the mouse moved with it held, released.
  bool press(double x, double y);
  bool movePressed(double x, double y);
  bool release(double x, double y);
  // The mouse wheel (or a touchpad) turned over a point, by CSS pixels.
  bool wheel(double x, double y, double deltaX, double deltaY);
  // The centre of the first element the CSS selector finds; nothing when there is none.
  std::optional<std::pair<double, double>> centreOf(const std::string& selector);
  bool clickElement(const std::string& selector);
  // Key presses as a keyboard makes them: characters, or a named key ("Backspace", "Enter").
  bool pressKey(const std::string& key);

  // The page as a PNG file at a host path.
  bool screenshot(const std::string& path);

 private:
  bool send(const nlohmann::json& message);
  void readMessages();

  pid_t pid_ = -1;
  int toBrowser_ = -1;
  int fromBrowser_ = -1;
  std::string profile_;
  std::string sessionId_;
  std::string error_;

  std::thread reader_;
  std::mutex mu_;
  std::condition_variable replied_;
  std::map<long, nlohmann::json> replies_;
  long nextId_ = 1;
  bool closed_ = false;
};
