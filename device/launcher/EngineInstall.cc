#include "device/launcher/EngineInstall.h"

#include <signal.h>
#include <stdlib.h>

#include <filesystem>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "device/jailbreak/JailbreakLayout.h"
#include "device/launcher/DeviceBaseSystem.h"
#include "device/launcher/DevicePackages.h"
#include "device/launcher/Launchd.h"
#include "device/launcher/PackageDependencies.h"
#include "device/launcher/SpringBoardSocketClient.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

fs::path buildFolder() { return fs::path(launcherExecutablePath()).parent_path().parent_path(); }

// A folder of its own for building a package, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    fs::path pattern = fs::temp_directory_path() / "tovalune-package-XXXXXX";
    std::string text = pattern.string();
    if (::mkdtemp(text.data())) path_ = text;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::string engineDevicePath() { return devicePackagePath("/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib"); }
std::string engineFilterPath() { return devicePackagePath("/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist"); }

std::string builtPackagePath() {
  std::string name = fmt::format("{}_{}_{}.deb", kTovalunePackage, TOVALUNE_VERSION, deviceArchitecture());
  return (buildFolder() / name).lexically_normal().string();
}

bool isEngineInstalled() { return platform::fileExistsAtPath(engineDevicePath()); }

bool installDeliverables(const PackageRequest& request, std::string* error) {
  std::string package = request.package.empty() ? builtPackagePath() : fs::absolute(request.package).string();
  std::error_code ec;
  if (!request.engine.empty() && !fs::is_regular_file(request.engine, ec)) {
    *error = fmt::format("there is no engine library at {}", fs::absolute(request.engine).string());
    return false;
  }
  if (request.package.empty() && !fs::exists(package, ec)) {
    *error = fmt::format("the package is not built ({} is missing; build the tovalune-package target)", package);
    return false;
  }
  auto fields = readPackageFile(package, error);
  if (!fields) return false;
  if (!request.engine.empty() && fields->name != kTovalunePackage) {
    *error = fmt::format("an engine goes only into {}, not into {}", kTovalunePackage, fields->name);
    return false;
  }
  if (!preparePackageDatabase(error)) return false;
  // A package of the other kind of phone is dpkg's to refuse, in its own words.
  const std::string architecture = deviceArchitecture();
  const bool otherKind = fields->architecture != architecture && fields->architecture != "all";
  if (auto unmet = otherKind ? std::vector<std::string>{} : unmetDependencies(fields->depends); !unmet.empty()) {
    *error = fmt::format("{} {} needs what the device does not have: {}; nothing was changed", fields->name,
                         fields->version, fmt::join(unmet, ", "));
    return false;
  }

  ScratchFolder scratch;
  if (!request.engine.empty()) {
    if (scratch.path().empty()) {
      *error = "cannot make a folder to build the package in";
      return false;
    }
    auto rebuilt = packageWithEngine(package, fs::absolute(request.engine).string(), scratch.path(), error);
    if (!rebuilt) return false;
    package = *rebuilt;
  }
  bool wasKnown = isPackageKnown(fields->name);
  std::string dpkgError;
  if (!installPackageFile(package, &dpkgError)) {
    *error = fmt::format("dpkg could not install {} {}:\n{}", fields->name, fields->version, dpkgError);
    if (otherKind)
      *error += fmt::format("\nThis device is {} and takes {} packages, not {}.",
                            platform::jailbreakKindName(deviceJailbreakKind()), architecture, fields->architecture);
    // A first install that dpkg left half-done is taken away again, so the device is as it was;
    // an upgrade has replaced the old files already and stays for a working package to mend.
    std::string ignored;
    if (!wasKnown && isPackageKnown(fields->name) && removePackage(fields->name, &ignored))
      *error += "\nThe half-installed package was removed again.";
    return false;
  }
  fmt::print("Installed {} {}{}.\n", fields->name, fields->version,
             request.engine.empty() ? "" : fmt::format(" with the engine {}", fs::absolute(request.engine).string()));
  return true;
}

bool removeDeliverables(bool* wasInstalled, std::string* error) {
  *wasInstalled = false;
  if (isPackageKnown(kTovalunePackage)) {
    std::string version = installedVersion(kTovalunePackage).value_or("(not fully installed)");
    std::string dpkgError;
    if (!removePackage(kTovalunePackage, &dpkgError)) {
      *error = fmt::format("dpkg could not remove {}:\n{}", kTovalunePackage, dpkgError);
      return false;
    }
    fmt::print("Removed {} {}.\n", kTovalunePackage, version);
    *wasInstalled = true;
  }
  for (const std::string& path : {engineFilterPath(), engineDevicePath()}) {
    if (!platform::fileExistsAtPath(path)) continue;
    if (!platform::removeItemAtPath(path)) {
      *error = fmt::format("cannot remove {}", path);
      return false;
    }
    fmt::print("Removed {}, which no package owned.\n", path);
    *wasInstalled = true;
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

int runInstall(const PackageRequest& request) {
  std::string error;
  if (!installDeliverables(request, &error)) {
    fmt::print(stderr, "tovalune-device: {}\n", error);
    return 1;
  }
  return restartSpringBoard() ? 0 : 1;
}

int runUninstall() {
  bool wasInstalled = false;
  std::string error;
  if (!removeDeliverables(&wasInstalled, &error)) {
    fmt::print(stderr, "tovalune-device: {}\n", error);
    return 1;
  }
  if (!wasInstalled) fmt::print("Tovalune was not installed.\n");
  return restartSpringBoard() ? 0 : 1;
}
