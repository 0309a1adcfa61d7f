#include "tests/prefs/support/DevicePackageDatabase.h"

#include <sys/stat.h>

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"

namespace {
constexpr const char* kAdminDir = "/var/lib/dpkg";
constexpr const char* kQueryProgram = "/usr/bin/dpkg-query";
}  // namespace

DevicePackageDatabase::DevicePackageDatabase() {
  platform::createDirectoryAtPath(std::string(kAdminDir) + "/info");
  platform::createDirectoryAtPath(std::string(kAdminDir) + "/updates");
  platform::writeFile(std::string(kAdminDir) + "/available", "");
  setStatus("");
  replaceQueryProgram(fmt::format("exec /usr/bin/dpkg-query --admindir='{}' \"$@\"\n", platform::hostPath(kAdminDir)));
}

void DevicePackageDatabase::setStatus(const std::string& records) {
  platform::writeFile(std::string(kAdminDir) + "/status", records);
}

std::string DevicePackageDatabase::installedRecord(const std::string& package, const std::string& version,
                                                   const std::string& descriptionLines) {
  return fmt::format(
      "Package: {}\n"
      "Status: install ok installed\n"
      "Priority: optional\n"
      "Section: Tweaks\n"
      "Installed-Size: 412\n"
      "Maintainer: Orbel <dev@orbel.example>\n"
      "Architecture: iphoneos-arm\n"
      "Version: {}\n"
      "Depends: mobilesubstrate, preferenceloader\n"
      "Description: Wallpapers that change by themselves\n"
      "{}\n",
      package, version, descriptionLines);
}

void DevicePackageDatabase::replaceQueryProgram(const std::string& script) {
  platform::createDirectoryAtPath("/usr/bin");
  platform::writeFile(kQueryProgram, "#!/bin/sh\n" + script);
  ::chmod(platform::hostPath(kQueryProgram).c_str(), 0755);
}
