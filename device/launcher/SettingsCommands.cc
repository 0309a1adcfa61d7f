#include "device/launcher/SettingsCommands.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <fmt/format.h>

#include "device/launcher/Launchd.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

constexpr auto kReplyTimeout = 60s;
constexpr auto kStartTimeout = 10s;
constexpr auto kStopGrace = 5s;

std::string settingsExecutablePath() {
  return platform::stringByAppendingPathComponent(
      platform::stringByDeletingLastPathComponent(launcherExecutablePath()), "Settings");
}

// The reply of the running Settings app; nothing when none answers or the reply is no object.
std::optional<json> ask(const std::string& request, std::chrono::milliseconds timeout = kReplyTimeout) {
  auto exchange = springboard_socket::requestAt(kSettingsSocketPath, "Settings", request, timeout);
  if (!exchange.reply) return std::nullopt;
  json reply = json::parse(*exchange.reply, nullptr, false);
  if (!reply.is_object()) return std::nullopt;
  return reply;
}

bool startSettings(std::string* error) {
  std::string executable = settingsExecutablePath();
  if (::access(executable.c_str(), X_OK) != 0) {
    *error = fmt::format("Settings is not built ({} is missing)", executable);
    return false;
  }
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(kSettingsLogPath));
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(kSettingsPidPath));
  pid_t pid = spawnDetached(executable, {executable}, platform::hostPath(kSettingsLogPath));
  if (pid <= 0) {
    *error = "cannot start Settings";
    return false;
  }
  platform::writeFile(kSettingsPidPath, fmt::format("{}\n", pid));
  auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!ask("status", 1s)) {
    // Until it execs, the new process still carries the launcher's name: only its end counts here.
    if (std::chrono::steady_clock::now() >= deadline || !isLiveDeviceProcess(pid, "")) {
      *error = fmt::format("Settings did not start (see {})", platform::hostPath(kSettingsLogPath));
      return false;
    }
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

bool ensureSettings() {
  if (runningSettingsPid() && ask("status", 5s)) return true;
  std::string error;
  if (startSettings(&error)) return true;
  fmt::print(stderr, "tovalune-device: {}\n", error);
  return false;
}

// Sends a request to a running Settings app; prints why and returns nothing when it fails.
std::optional<json> request(const std::vector<std::string>& parts) {
  if (!runningSettingsPid()) {
    fmt::print(stderr, "tovalune-device: Settings is not running (start it with: settings open)\n");
    return std::nullopt;
  }
  std::string line;
  for (const std::string& part : parts) {
    if (part.find_first_of("\t\n") != std::string::npos) {
      fmt::print(stderr, "tovalune-device: \"{}\" holds a tab or a line feed\n", part);
      return std::nullopt;
    }
    line += (line.empty() ? "" : "\t") + part;
  }
  auto reply = ask(line);
  if (!reply) {
    fmt::print(stderr, "tovalune-device: Settings did not answer (see {})\n", platform::hostPath(kSettingsLogPath));
    return std::nullopt;
  }
  if (!reply->value("ok", false)) {
    fmt::print(stderr, "tovalune-device: {}\n", reply->value("error", std::string("Settings refused the request")));
    return std::nullopt;
  }
  return reply;
}

// One element a line: its label, its value after "=", and what kind of element it is.
void printScreen(const json& screen) {
  fmt::print("{}\n", screen.value("title", std::string()));
  for (const json& e : screen.value("elements", json::array())) {
    std::string label = e.value("label", std::string());
    std::string value = e.value("value", std::string());
    std::string traits = e.value("traits", std::string());
    fmt::print("  {}{}{}\n", label, value.empty() ? "" : " = " + value, traits.empty() ? "" : "  [" + traits + "]");
  }
  for (const json& t : screen.value("tiles", json::array())) {
    std::string file = t.value("file", std::string());
    fmt::print("  tile {}: {}\n", t.value("index", 0), file.empty() ? t.value("label", std::string()) : file);
  }
  for (const json& p : screen.value("photos", json::array()))
    fmt::print("  photo {}: {}\n", p.value("index", 0), p.value("file", std::string()));
  if (screen.contains("wheel")) fmt::print("  wheel: {}\n", screen.value("wheel", std::string()));
}

int show() {
  auto screen = request({"show"});
  if (!screen) return 1;
  printScreen(*screen);
  return 0;
}

int act(const std::vector<std::string>& parts) { return request(parts) ? 0 : 1; }

int usage() {
  fmt::print(stderr,
             "usage: tovalune-device settings open [PANE] | show | tap TEXT | tap-at X Y | toggle LABEL |\n"
             "       choose LABEL TITLE | type LABEL TEXT | back | screenshot FILE.png | close |\n"
             "       tile N | pick N | pick-cancel | wheel HH:MM | delete TEXT\n");
  return 2;
}

}  // namespace

pid_t runningSettingsPid() {
  auto text = platform::readFile(kSettingsPidPath);
  pid_t pid = text ? pid_t(std::atoi(text->c_str())) : 0;
  return isLiveDeviceProcess(pid, "Settings") ? pid : 0;
}

bool stopSettings() {
  pid_t pid = runningSettingsPid();
  if (pid) {
    ::kill(pid, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + kStopGrace;
    while (isLiveDeviceProcess(pid, "Settings")) {
      if (std::chrono::steady_clock::now() >= deadline) ::kill(pid, SIGKILL);
      std::this_thread::sleep_for(20ms);
    }
  }
  platform::removeItemAtPath(kSettingsPidPath);
  return true;
}

std::optional<json> settingsStatus() {
  if (!runningSettingsPid()) return std::nullopt;
  return ask("status", 5s);
}

int runSettings(const std::vector<std::string>& args) {
  if (args.empty()) return usage();
  const std::string& command = args[0];
  const std::size_t n = args.size();
  if (command == "open" && n <= 2) {
    if (!ensureSettings()) return 1;
    auto opened = request(n == 2 ? std::vector<std::string>{"open", args[1]} : std::vector<std::string>{"open"});
    return opened ? show() : 1;
  }
  if (command == "close" && n == 1) {
    stopSettings();
    return 0;
  }
  if (command == "show" && n == 1) return show();
  if (command == "back" && n == 1) return act({"back"});
  if ((command == "tap" || command == "toggle" || command == "tile" || command == "pick" || command == "wheel" ||
       command == "delete") &&
      n == 2)
    return act({command, args[1]});
  if (command == "pick-cancel" && n == 1) return act({command});
  if ((command == "tap-at" || command == "choose" || command == "type") && n == 3) return act({command, args[1], args[2]});
  if (command == "screenshot" && n == 2) {
    std::error_code ec;
    auto file = std::filesystem::absolute(args[1], ec);
    return act({"screenshot", ec ? args[1] : file.lexically_normal().string()});
  }
  return usage();
}
