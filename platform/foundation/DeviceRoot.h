#pragma once
// The simulated device keeps its whole file system in one host folder, the device root. Every path
// the system uses is a device path ("/var/mobile/Library/..."); this is the one place that turns a
// device path into a host path.
#include <string>
#include <string_view>

namespace platform {

// Chooses the device root for this process (a host folder). Hosts call it once at start; tests
// give each test a fresh temporary folder. The environment variable SIMULATED_DEVICE_ROOT is the
// default so that child processes of a host inherit its device.
void setDeviceRoot(const std::string& hostFolder);
const std::string& deviceRoot();

// "/var/mobile/x" -> "<root>/var/mobile/x". A relative path is taken relative to the device's "/".
std::string hostPath(std::string_view devicePath);

// The inverse, for paths the host hands back (for example a listing); empty when outside the root.
std::string devicePathFromHost(std::string_view hostPath);

}  // namespace platform
