#include "device/uiservices/SpringBoardUIServicesInstall.h"

#include <filesystem>
#include <system_error>

#include "device/uiservices/SBSUIWallpaper.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"

std::string builtSpringBoardUIServicesPath() { return TOVALUNE_SPRINGBOARDUISERVICES_BUILT; }

bool installSpringBoardUIServices(const std::string& builtLibrary) {
  namespace fs = std::filesystem;
  if (!platform::isOperatingSystemAtLeastVersion(13)) {
    if (platform::fileExistsAtPath(kSpringBoardUIServicesPath)) platform::removeItemAtPath(kSpringBoardUIServicesPath);
    return false;
  }
  std::string folder = platform::stringByDeletingLastPathComponent(kSpringBoardUIServicesPath);
  if (!platform::createDirectoryAtPath(folder)) {
    NSLog("Could not create {} for SpringBoardUIServices", folder);
    return false;
  }
  // Copied beside the target and renamed over it, so a SpringBoard that has the old file mapped
  // keeps running on it while the next launch loads the new one.
  std::string target = platform::hostPath(kSpringBoardUIServicesPath);
  std::string temporary = target + ".installing";
  std::error_code ec;
  fs::copy_file(builtLibrary, temporary, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temporary, target, ec);
  if (ec) {
    fs::remove(temporary, ec);
    NSLog("Could not install SpringBoardUIServices from {}: {}", builtLibrary, ec.message());
    return false;
  }
  return true;
}
