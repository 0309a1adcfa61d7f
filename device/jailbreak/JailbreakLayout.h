#pragma once
// Where the simulated device keeps what its packages install, by the kind it was jailbroken as
// (a device setting): its substrate libraries, its panes, its own programs and its package
// database. A rootful device keeps them at the system's paths, a rootless one below the prefix
// of shared/InstallPrefix.h. The deliverables find the same places through the prefix their
// build fixes; the device, which plays either kind, asks its settings.
#include <string>
#include <string_view>

#include "platform/foundation/DeviceSettings.h"
#include "shared/InstallPrefix.h"

inline std::string_view installPrefixOf(platform::JailbreakKind kind) {
  return kind == platform::JailbreakKind::Rootless ? kRootlessInstallPrefix : std::string_view();
}

// The architecture of the packages a device of that kind takes.
inline const char* packageArchitectureOf(platform::JailbreakKind kind) {
  return kind == platform::JailbreakKind::Rootless ? "iphoneos-arm64" : "iphoneos-arm";
}

inline platform::JailbreakKind deviceJailbreakKind() { return platform::deviceSettings().jailbreak; }

// `path` (its place on a rootful device, "/usr/bin/killall") on the current device.
inline std::string devicePackagePath(std::string_view path) {
  std::string out(installPrefixOf(deviceJailbreakKind()));
  out += path;
  return out;
}
