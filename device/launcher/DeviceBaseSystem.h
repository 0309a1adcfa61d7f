#pragma once
// What a device has before anything is installed on it: its own programs in /usr/bin (killall
// and dpkg-query, which act on this device only), and a package database, /var/lib/dpkg in the
// standard admin-dir layout, that knows the device's architecture and lists the substrate loader,
// the pane loader and the firmware (the device's iOS version) as installed, so that packages
// depending on them install with the real dpkg. All of it lies where the device's kind keeps it
// (device/jailbreak/JailbreakLayout.h): below the prefix on a rootless device.
#include <string>
#include <vector>

// Device paths of the current device.
std::string packageDatabasePath();
std::string packageLogPath();
// The architecture of the packages the current device takes.
std::string deviceArchitecture();

// The packages of the base system, as the status file lists them.
struct BasePackage {
  std::string name;
  std::string version;
  std::string summary;
  std::vector<std::string> folders;  // device folders the package owns
};
// Of the current device (its kind and iOS version).
std::vector<BasePackage> basePackages();

// The device's programs as the build lays them out: <dir of the launcher>/../device-base/usr/bin.
std::string builtDeviceProgramsFolder();
// Copies killall and dpkg-query into the device's /usr/bin; false with the reason in *error.
bool installDevicePrograms(std::string* error);

// Creates the package database when there is none and puts back a base package that is missing
// from it; a database that holds all of them keeps every byte. False with the reason in *error.
bool preparePackageDatabase(std::string* error);

// The status file's text with each base package present and installed at its version and the
// device's architecture: the very text when they are; otherwise stanzas of other packages are
// kept as they are, and a base package's stanza that is missing, not installed or of another
// version (the firmware after an iOS update) is written anew.
std::string statusWithBasePackages(const std::string& status);
