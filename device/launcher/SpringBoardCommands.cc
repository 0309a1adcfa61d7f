#include "device/launcher/SpringBoardCommands.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fmt/format.h>

#include "device/launcher/Launchd.h"
#include "device/launcher/SpringBoardSocketClient.h"
#include "platform/foundation/DeviceRoot.h"

namespace fs = std::filesystem;

namespace {

int displayChange(const char* request, const char* done, int waitSeconds) {
  if (waitSeconds < 0 || waitSeconds > 3600) {
    fmt::print(stderr, "tovalune-device: --wait takes 0 to 3600 seconds, not {}\n", waitSeconds);
    return 2;
  }
  // SpringBoard gives up waiting after waitSeconds; the reply then still has to come.
  auto reply = askSpringBoard(fmt::format("{} {}", request, waitSeconds),
                              std::chrono::seconds(waitSeconds) + std::chrono::seconds(30));
  if (!reply) return 1;
  fmt::print("{}\n", done);
  if (!reply->value("settled", true))
    fmt::print("The refresh is still running in SpringBoard after {} s; it goes on by itself.\n", waitSeconds);
  return 0;
}

}  // namespace

int runLock(int waitSeconds) { return displayChange("lock", "The display is off.", waitSeconds); }

int runUnlock(int waitSeconds) { return displayChange("unlock", "The display is on.", waitSeconds); }

int runScreenshot(const std::string& which, const std::string& file) {
  if (which != "lock" && which != "home") {
    fmt::print(stderr, "tovalune-device: screenshot takes lock or home, not \"{}\"\n", which);
    return 2;
  }
  if (file.empty() || file.find('\n') != std::string::npos) {
    fmt::print(stderr, "tovalune-device: screenshot needs a file name\n");
    return 2;
  }
  std::error_code ec;
  fs::path path = fs::absolute(file, ec).lexically_normal();
  if (ec || !fs::is_directory(path.parent_path(), ec)) {
    fmt::print(stderr, "tovalune-device: the folder of {} does not exist\n", file);
    return 1;
  }
  if (!askSpringBoard(fmt::format("screenshot {} {}", which, path.string()))) return 1;
  fmt::print("{}\n", path.string());
  return 0;
}

int runTap(const std::string& title) {
  if (title.empty() || title.find('\n') != std::string::npos) {
    fmt::print(stderr, "tovalune-device: tap needs the title of a control on one line\n");
    return 2;
  }
  auto reply = askSpringBoard("tap " + title);
  if (!reply) return 1;
  if (!reply->value("tapped", false)) {
    fmt::print(stderr, "tovalune-device: nothing titled \"{}\" is on the screen\n", title);
    return 1;
  }
  fmt::print("Tapped \"{}\".\n", title);
  return 0;
}

int runLogs(bool follow) {
  std::string path = platform::hostPath(kSpringBoardLogPath);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    fmt::print(stderr, "tovalune-device: SpringBoard has no log yet ({})\n", path);
    return 1;
  }
  std::string line;
  for (;;) {
    while (std::getline(in, line)) fmt::print("{}\n", line);
    if (!follow) return 0;
    std::fflush(stdout);
    in.clear();  // keep reading past the end as SpringBoard appends
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}
