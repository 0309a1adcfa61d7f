#include "tests/support/HeadlessChromium.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

std::string onPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    std::size_t end = dirs.find(':', start);
    std::string candidate = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (end == std::string::npos) return "";
    start = end + 1;
  }
}

std::optional<std::string> decodeBase64(const std::string& text) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    auto at = alphabet.find(c);
    if (at == std::string::npos) return std::nullopt;
    buffer = (buffer << 6) | unsigned(at);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(char((buffer >> bits) & 0xff));
    }
  }
  return out;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= std::size_t(n);
  }
  return true;
}

}  // namespace

std::string HeadlessChromium::executable() {
  if (const char* chosen = std::getenv("TOVALUNE_CHROMIUM"); chosen && *chosen) return chosen;
  for (const char* name : {"chromium", "chromium-browser"})
    if (auto found = onPath(name); !found.empty()) return found;
  return "";
}

HeadlessChromium::HeadlessChromium(int width, int height) {
  std::string browser = executable();
  if (browser.empty()) {
    error_ = "no Chromium on this machine (apt-get install chromium)";
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "tovalune-chromium-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    error_ = "cannot make a profile folder";
    return;
  }
  profile_ = pattern;
  int in[2], out[2];  // in: we write, the browser reads on fd 3; out: the browser writes on fd 4
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
    error_ = "cannot make pipes";
    return;
  }
  std::vector<std::string> args = {browser,
                                   "--headless",
                                   "--remote-debugging-pipe",
                                   "--no-sandbox",  // tests may run as root
                                   "--disable-gpu",
                                   "--disable-dev-shm-usage",
                                   "--no-first-run",
                                   "--no-default-browser-check",
                                   "--disable-extensions",
                                   "--disable-background-networking",
                                   "--disable-component-update",
                                   "--disable-sync",
                                   "--metrics-recording-only",
                                   "--mute-audio",
                                   "--hide-scrollbars",
                                   "--user-data-dir=" + profile_,
                                   "--window-size=" + std::to_string(width) + "," + std::to_string(height),
                                   "about:blank"};
  pid_ = ::fork();
  if (pid_ == 0) {
    // Its own process group, so that its helpers end with it.
    ::setpgid(0, 0);
    // Moved out of the way first: a pipe may already sit on fd 3 or 4.
    int reading = ::fcntl(in[0], F_DUPFD, 10), writing = ::fcntl(out[1], F_DUPFD, 10);
    ::dup2(reading, 3);
    ::dup2(writing, 4);
    int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, 0);
    ::dup2(devnull, 1);
    ::dup2(devnull, 2);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  toBrowser_ = in[1];
  fromBrowser_ = out[0];
  if (pid_ < 0) {
    error_ = "cannot start Chromium";
    return;
  }
  reader_ = std::thread([this] { readMessages(); });

  auto target = call("Target.createTarget", json{{"url", "about:blank"}}, 60s, true);
  if (!target) return;
  auto attached = call("Target.attachToTarget", json{{"targetId", (*target)["targetId"]}, {"flatten", true}}, 30s, true);
  if (!attached) return;
  sessionId_ = attached->value("sessionId", "");
  if (sessionId_.empty()) {
    error_ = "Chromium attached no session";
    return;
  }
  call("Page.enable");
  call("Runtime.enable");
  call("Emulation.setDeviceMetricsOverride",
       json{{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}});
}

HeadlessChromium::~HeadlessChromium() {
  if (pid_ > 0) {
    if (toBrowser_ >= 0) send(json{{"id", 0}, {"method", "Browser.close"}});
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(20ms);
    }
  }
  if (toBrowser_ >= 0) ::close(toBrowser_);
  if (reader_.joinable()) reader_.join();
  if (fromBrowser_ >= 0) ::close(fromBrowser_);
  std::error_code ec;
  if (!profile_.empty()) std::filesystem::remove_all(profile_, ec);
}

bool HeadlessChromium::send(const json& message) {
  std::string text = message.dump() + '\0';
  return writeAll(toBrowser_, text.data(), text.size());
}

void HeadlessChromium::readMessages() {
  std::string buffer;
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fromBrowser_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    buffer.append(chunk, std::size_t(n));
    for (std::size_t end; (end = buffer.find('\0')) != std::string::npos;) {
      json message = json::parse(buffer.substr(0, end), nullptr, false);
      buffer.erase(0, end + 1);
      if (message.is_object() && message.contains("id") && message["id"].is_number_integer()) {
        long id = message["id"].get<long>();
        std::lock_guard<std::mutex> lock(mu_);
        replies_[id] = std::move(message);
        replied_.notify_all();
      }
    }
  }
  std::lock_guard<std::mutex> lock(mu_);
  closed_ = true;
  replied_.notify_all();
}

std::optional<json> HeadlessChromium::call(const std::string& method, const json& params,
                                           std::chrono::milliseconds timeout, bool toBrowser) {
  long id;
  {
    std::lock_guard<std::mutex> lock(mu_);
    id = nextId_++;
  }
  json message{{"id", id}, {"method", method}, {"params", params}};
  if (!toBrowser) message["sessionId"] = sessionId_;
  if (!send(message)) {
    error_ = method + ": cannot write to Chromium";
    return std::nullopt;
  }
  std::unique_lock<std::mutex> lock(mu_);
  if (!replied_.wait_for(lock, timeout, [&] { return closed_ || replies_.count(id); })) {
    error_ = method + ": no answer in time";
    return std::nullopt;
  }
  if (!replies_.count(id)) {
    error_ = method + ": Chromium ended";
    return std::nullopt;
  }
  json reply = std::move(replies_[id]);
  replies_.erase(id);
  if (reply.contains("error")) {
    error_ = method + ": " + reply["error"].dump();
    return std::nullopt;
  }
  return reply.value("result", json::object());
}

bool HeadlessChromium::navigate(const std::string& url, std::chrono::milliseconds timeout) {
  auto reply = call("Page.navigate", json{{"url", url}}, timeout);
  if (!reply || reply->contains("errorText")) {
    if (reply) error_ = "Page.navigate: " + reply->value("errorText", "");
    return false;
  }
  return waitFor("document.readyState === 'complete'", timeout);
}

std::optional<json> HeadlessChromium::evaluate(const std::string& expression) {
  auto reply = call("Runtime.evaluate", json{{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
  if (!reply) return std::nullopt;
  if (reply->contains("exceptionDetails")) {
    error_ = "evaluate: " + (*reply)["exceptionDetails"].dump();
    return std::nullopt;
  }
  return (*reply)["result"].value("value", json());
}

bool HeadlessChromium::waitFor(const std::string& expression, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto value = evaluate("!!(" + expression + ")");
    if (value && value->is_boolean() && value->get<bool>()) return true;
    if (std::chrono::steady_clock::now() >= deadline) {
      error_ = "waited in vain for " + expression;
      return false;
    }
    std::this_thread::sleep_for(50ms);
  }
}

bool HeadlessChromium::click(double x, double y) {
  json base{{"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}};
  json press = base, release = base;
  press["type"] = "mousePressed";
  release["type"] = "mouseReleased";
  return call("Input.dispatchMouseEvent", json{{"type", "mouseMoved"}, {"x", x}, {"y", y}}) &&
         call("Input.dispatchMouseEvent", press) && call("Input.dispatchMouseEvent", release);
}

bool HeadlessChromium::press(double x, double y) {
  return call("Input.dispatchMouseEvent", json{{"type", "mouseMoved"}, {"x", x}, {"y", y}}) &&
         call("Input.dispatchMouseEvent",
              json{{"type", "mousePressed"}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}});
}

bool HeadlessChromium::movePressed(double x, double y) {
  return call("Input.dispatchMouseEvent",
              json{{"type", "mouseMoved"}, {"x", x}, {"y", y}, {"button", "left"}, {"buttons", 1}})
      .has_value();
}

bool HeadlessChromium::release(double x, double y) {
  return call("Input.dispatchMouseEvent",
              json{{"type", "mouseReleased"}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}})
      .has_value();
}

bool HeadlessChromium::wheel(double x, double y, double deltaX, double deltaY) {
  return call("Input.dispatchMouseEvent",
              json{{"type", "mouseWheel"}, {"x", x}, {"y", y}, {"deltaX", deltaX}, {"deltaY", deltaY}})
      .has_value();
}

bool HeadlessChromium::drag(double fromX, double fromY, double toX, double toY, int steps) {
  if (!press(fromX, fromY)) return false;
  for (int i = 1; i <= steps; ++i) {
    double t = double(i) / steps;
    if (!movePressed(fromX + (toX - fromX) * t, fromY + (toY - fromY) * t)) return false;
  }
  return release(toX, toY);
}

std::optional<std::pair<double, double>> HeadlessChromium::centreOf(const std::string& selector) {
  auto value = evaluate("(() => { const e = document.querySelector(" + json(selector).dump() +
                        "); if (!e) return null; const r = e.getBoundingClientRect();"
                        " return [r.left + r.width / 2, r.top + r.height / 2]; })()");
  if (!value || !value->is_array() || value->size() != 2) return std::nullopt;
  return std::make_pair((*value)[0].get<double>(), (*value)[1].get<double>());
}

bool HeadlessChromium::clickElement(const std::string& selector) {
  auto centre = centreOf(selector);
  return centre && click(centre->first, centre->second);
}

bool HeadlessChromium::pressKey(const std::string& key) {
  json down{{"type", "keyDown"}, {"key", key}};
  if (key == "Enter") {
    down["code"] = "Enter";
    down["windowsVirtualKeyCode"] = 13;
    down["text"] = "\r";
  } else if (key == "Backspace") {
    down["code"] = "Backspace";
    down["windowsVirtualKeyCode"] = 8;
  } else {
    down["text"] = key;
  }
  json up{{"type", "keyUp"}, {"key", key}};
  return call("Input.dispatchKeyEvent", down) && call("Input.dispatchKeyEvent", up);
}

bool HeadlessChromium::screenshot(const std::string& path) {
  auto shot = call("Page.captureScreenshot", json{{"format", "png"}});
  if (!shot || !shot->contains("data")) return false;
  auto bytes = decodeBase64((*shot)["data"].get<std::string>());
  if (!bytes) return false;
  std::ofstream out(path, std::ios::binary);
  out << *bytes;
  return bool(out);
}
