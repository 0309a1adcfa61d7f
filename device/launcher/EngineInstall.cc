#include "device/launcher/EngineInstall.h"

#include <signal.h>

#include <filesystem>

#include <fmt/format.h>

#include "device/launcher/Launchd.h"
#include "device/launcher/SpringBoardLink.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string builtEnginePath() {
  fs::path launcher(launcherExecutablePath());
  return (launcher.parent_path().parent_path() / "lib" / "Tovalune.dylib").lexically_normal().string();
}

bool isEngineInstalled() { return platform::fileExistsAtPath(kEngineDevicePath); }

bool installEngine(const std::string& hostLibrary, std::string* error) {
  std::error_code ec;
  if (!fs::is_regular_file(hostLibrary, ec)) {
    *error = fmt::format("there is no engine library at {}", hostLibrary);
    return false;
  }
  if (!platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(kEngineDevicePath))) {
    *error = "cannot create the substrate folder";
    return false;
  }
  // A copy beside the target renamed over it: a SpringBoard that has the old file mapped keeps
  // running on it.
  std::string target = platform::hostPath(kEngineDevicePath);
  std::string temporary = target + ".installing";
  fs::copy_file(hostLibrary, temporary, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temporary, target, ec);
  if (ec) {
    fs::remove(temporary, ec);
    *error = fmt::format("cannot copy {}: {}", hostLibrary, ec.message());
    return false;
  }
  platform::Dictionary bundles;
  bundles["Bundles"] = platform::Array{platform::Value("com.apple.springboard")};
  platform::Dictionary filter;
  filter["Filter"] = std::move(bundles);
  if (!platform::writeToFile(filter, kEngineFilterPath)) {
    *error = fmt::format("cannot write {}", kEngineFilterPath);
    return false;
  }
  return true;
}

bool uninstallEngine(std::string* error) {
  for (const char* path : {kEngineFilterPath, kEngineDevicePath}) {
    if (platform::fileExistsAtPath(path) && !platform::removeItemAtPath(path)) {
      *error = fmt::format("cannot remove {}", path);
      return false;
    }
  }
  return true;
}

bool restartSpringBoard() {
  if (!runningLaunchdPid()) return true;
  auto status = querySpringBoard("status");
  pid_t old = status ? status->value("pid", 0) : runningSpringBoardPid();
  if (old > 0) ::kill(old, SIGTERM);
  auto fresh = waitForSpringBoard(20s, old);
  if (!fresh) {
    fmt::print(stderr, "tovalune-device: SpringBoard did not come back after the restart (see the logs)\n");
    return false;
  }
  fmt::print("SpringBoard restarted (pid {}).\n", *fresh);
  return true;
}

int runInstall(const std::string& hostLibrary) {
  std::string library = hostLibrary.empty() ? builtEnginePath() : fs::absolute(hostLibrary).string();
  std::string error;
  if (!installEngine(library, &error)) {
    fmt::print(stderr, "tovalune-device: {}{}\n", error,
               hostLibrary.empty() ? " (build the Tovalune target first)" : "");
    return 1;
  }
  fmt::print("Installed the engine from {}.\n", library);
  return restartSpringBoard() ? 0 : 1;
}

int runUninstall() {
  bool wasInstalled = isEngineInstalled();
  std::string error;
  if (!uninstallEngine(&error)) {
    fmt::print(stderr, "tovalune-device: {}\n", error);
    return 1;
  }
  fmt::print("{}\n", wasInstalled ? "Removed the engine." : "The engine was not installed.");
  return restartSpringBoard() ? 0 : 1;
}
