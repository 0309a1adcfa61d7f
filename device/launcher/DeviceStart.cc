#include "device/launcher/DeviceStart.h"

#include <filesystem>

#include <fmt/format.h>

#include "device/launcher/EngineInstall.h"
#include "device/launcher/Launchd.h"
#include "device/launcher/SamplePictures.h"
#include "device/launcher/SpringBoardLink.h"
#include "device/uiservices/SpringBoardUIServicesInstall.h"
#include "platform/foundation/DeviceSettings.h"
#include "shared/ImageFolders.h"

using namespace std::chrono_literals;

namespace {

void installDeliverables(const std::string& hostEngine) {
  std::string engine = hostEngine.empty() ? builtEnginePath() : std::filesystem::absolute(hostEngine).string();
  std::string error;
  if (hostEngine.empty() && !std::filesystem::exists(engine)) {
    fmt::print("The engine is not built ({} is missing): the device starts without it.\n", engine);
  } else if (installEngine(engine, &error)) {
    fmt::print("Installed the engine at {}.\n", kEngineDevicePath);
  } else {
    fmt::print(stderr, "tovalune-device: {}; the device starts without the engine\n", error);
  }
  bool uiServices = installSpringBoardUIServices();
  fmt::print("SpringBoardUIServices: {}\n",
             uiServices ? "installed" : platform::isOperatingSystemAtLeastVersion(13)
                                            ? "could not be installed (see the log above)"
                                            : "absent before iOS 13 (the Photos wallpaper controller serves)");
}

}  // namespace

int startDevice(const std::string& hostEngine) {
  installDeliverables(hostEngine);
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
