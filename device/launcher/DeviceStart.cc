#include "device/launcher/DeviceStart.h"

#include <filesystem>

#include <fmt/format.h>

#include "device/launcher/DeviceBaseSystem.h"
#include "device/launcher/DevicePackages.h"
#include "device/launcher/EngineInstall.h"
#include "device/launcher/Launchd.h"
#include "device/launcher/SamplePictures.h"
#include "device/launcher/SpringBoardSocketClient.h"
#include "device/uiservices/SpringBoardUIServicesInstall.h"
#include "platform/foundation/DeviceSettings.h"
#include "shared/ImageFolders.h"

using namespace std::chrono_literals;

namespace {

// A newer package that a person installed stays: boot puts the build's package on a device that
// has none, an older one or the same version (a rebuilt engine), and always when given an engine.
bool shouldInstallBuiltPackage(const std::string& hostEngine) {
  if (!hostEngine.empty()) return true;
  auto installed = installedVersion(kTovalunePackage);
  if (!installed || !isNewerVersion(*installed, TOVALUNE_VERSION)) return true;
  fmt::print("Keeps {} {} (newer than the build's {}).\n", kTovalunePackage, *installed, TOVALUNE_VERSION);
  return false;
}

bool installBaseSystem() {
  std::string error;
  if (!installDevicePrograms(&error) || !preparePackageDatabase(&error)) {
    fmt::print(stderr, "tovalune-device: {}\n", error);
    return false;
  }
  return true;
}

void putDeliverablesOnDevice(const std::string& hostEngine) {
  std::string error;
  if (hostEngine.empty() && !std::filesystem::exists(builtPackagePath())) {
    fmt::print("The package is not built ({} is missing): the device starts without it.\n", builtPackagePath());
  } else if (shouldInstallBuiltPackage(hostEngine) && !installDeliverables(PackageRequest{"", hostEngine}, &error)) {
    fmt::print(stderr, "tovalune-device: {}; the device starts without it\n", error);
  }
  bool uiServices = installSpringBoardUIServices();
  fmt::print("SpringBoardUIServices: {}\n",
             uiServices ? "installed" : platform::isOperatingSystemAtLeastVersion(13)
                                            ? "could not be installed (see the log above)"
                                            : "absent before iOS 13 (the Photos wallpaper controller serves)");
}

}  // namespace

int startDevice(const std::string& hostEngine) {
  if (!installBaseSystem()) return 1;
  putDeliverablesOnDevice(hostEngine);
  if (int seeded = seedSamplePictures()) fmt::print("Seeded {} sample pictures in {}.\n", seeded, kLocalImagesPath);
  if (!installStockWallpapers())
    fmt::print(stderr, "tovalune-device: could not write SpringBoard's stock wallpapers\n");

  if (pid_t launchd = runningLaunchdPid()) {
    fmt::print("The device is running already (supervisor pid {}).\n", launchd);
  } else {
    std::string error;
    if (!startLaunchd(&error)) {
      fmt::print(stderr, "tovalune-device: cannot start the device: {}\n", error);
      return 1;
    }
  }
  auto pid = waitForSpringBoard(20s);
  if (!pid) {
    fmt::print(stderr, "tovalune-device: SpringBoard does not answer (see `tovalune-device logs`)\n");
    return 1;
  }
  fmt::print("SpringBoard is running (pid {}).\n", *pid);
  return 0;
}
