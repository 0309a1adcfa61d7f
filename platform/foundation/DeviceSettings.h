#pragma once
// The simulated device's own settings: not the system's, the simulator's. One property-list file in
// the device root, written by the launcher (and by tests), read by the platform. Reads are cached
// and refreshed when the file changes, so a running SpringBoard sees the launcher's changes.
#include <map>
#include <string>

namespace platform {

enum class NetworkKind { Host, WiFi, Cellular, None };
// How the device was jailbroken, which decides where its packages, its own programs and its
// package database lie: at the system's paths (rootful) or all below one folder (rootless).
enum class JailbreakKind { Rootful, Rootless };

struct DeviceSettings {
  std::string iosVersion = "16.0";
  // A file that names no kind: the kind of its iOS version (jailbreakKindForVersion).
  JailbreakKind jailbreak = JailbreakKind::Rootless;
  // Screen size in points, and the scale that turns points into pixels (nativeBounds).
  double screenWidth = 390;
  double screenHeight = 844;
  double screenScale = 3;
  // Host: the real interfaces and routes of this machine decide reachability.
  NetworkKind network = NetworkKind::Host;
  // Added to the host's clock: the device's time of day is set by moving this.
  double clockOffset = 0;
  // An IANA time-zone name; empty keeps the host's.
  std::string timeZone;
  // Whether apps may use the photo library (false plays a user who refused access).
  bool photoLibraryAccess = true;
  // Host name -> "address:port" served over plain HTTP.
  std::map<std::string, std::string> routes;
};

// Device path of the settings file.
extern const char* const kDeviceSettingsPath;

DeviceSettings deviceSettings();
bool saveDeviceSettings(const DeviceSettings& settings);

std::string networkKindName(NetworkKind kind);
bool parseNetworkKind(const std::string& name, NetworkKind* out);
// "rootful" and "rootless".
std::string jailbreakKindName(JailbreakKind kind);
bool parseJailbreakKind(const std::string& name, JailbreakKind* out);
// The jailbreaks of iOS 15 and later are rootless (the system volume is sealed), earlier ones rootful.
JailbreakKind jailbreakKindForVersion(const std::string& iosVersion);
// Whether the settings file names the device's kind (a device made before there were two has none).
bool deviceSettingsNameJailbreakKind();

// NSProcessInfo isOperatingSystemAtLeastVersion: against the device's iOS version.
bool isOperatingSystemAtLeastVersion(int major, int minor = 0, int patch = 0);

}  // namespace platform
