#include "device/launcher/web/WebCommand.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>

#include <fmt/format.h>

#include "device/launcher/Launchd.h"
#include "device/launcher/SpringBoardSocketClient.h"
#include "device/launcher/web/WebServer.h"

namespace {

std::atomic<bool> stopRequested{false};

void requestStop(int) { stopRequested = true; }

// The first of the usual openers of a desktop that is on the PATH.
std::string browserOpener() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (const char* name : {"xdg-open", "sensible-browser", "x-www-browser"}) {
    std::size_t start = 0;
    while (start <= dirs.size()) {
      std::size_t end = dirs.find(':', start);
      std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
      std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return "";
}

std::string urlHost(const std::string& address) {
  if (address.find(':') != std::string::npos) return "[" + address + "]";
  return address == "0.0.0.0" ? "127.0.0.1" : address;
}

// A folder of this server's own for the frames it asks the device to draw; removed at the end.
struct FrameFolder {
  std::string path;
  FrameFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tovalune-web-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path = pattern;
  }
  ~FrameFolder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

int runWeb(const WebOptions& options) {
  if (!querySpringBoard("status", std::chrono::seconds(5))) {
    fmt::print(stderr, "tovalune-device: SpringBoard does not answer; boot the device first (tovalune-device boot)\n");
    return 1;
  }
  FrameFolder frames;
  if (frames.path.empty()) {
    fmt::print(stderr, "tovalune-device: cannot make a temporary folder for the screen's frames\n");
    return 1;
  }
  WebServer server(frames.path);
  std::string error;
  int port = server.bind(options.listen, options.port, &error);
  if (port < 0) {
    fmt::print(stderr, "tovalune-device web: {}{}\n", error,
               options.port == kDefaultWebPort ? " (choose another with --port N, or --port 0 for any free one)" : "");
    return 1;
  }
  std::string token = server.accessToken();
  if (!token.empty())
    fmt::print(stderr,
               "tovalune-device web: listening on {}: only a browser that opens the address below, with its token, "
               "can see and drive the device; keep it to yourself\n",
               options.listen);
  std::string url = fmt::format("http://{}:{}/{}", urlHost(options.listen), port, token.empty() ? "" : "?token=" + token);
  fmt::print("{}\n", url);
  fmt::print(stderr, "tovalune-device web: the device is served at {} (Ctrl-C to stop)\n", url);
  std::fflush(stdout);

  if (options.open) {
    std::string opener = browserOpener();
    if (opener.empty() || spawnDetached(opener, {opener, url}, "/dev/null") <= 0)
      fmt::print(stderr, "tovalune-device web: found no browser to open; open {} yourself\n", url);
  }

  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGINT, requestStop);
  std::signal(SIGTERM, requestStop);
  std::thread stopper([&server] {
    while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.stop();
  });
  server.serve();
  stopRequested = true;
  stopper.join();
  fmt::print(stderr, "tovalune-device web: stopped\n");
  return 0;
}
