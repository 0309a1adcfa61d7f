#pragma once
// What a device has before anything is installed on it: its own programs in /usr/bin (killall
// and dpkg-query, which act on this device only), and a package database, /var/lib/dpkg in the
// standard admin-dir layout, that knows the device's architecture and lists the substrate loader
// and the pane loader as installed, so that packages depending on them install with the real dpkg.
#include <string>
#include <vector>

inline constexpr const char* kPackageDatabasePath = "/var/lib/dpkg";
inline constexpr const char* kPackageLogPath = "/var/log/dpkg.log";
inline constexpr const char* kDeviceArchitecture = "iphoneos-arm64";

// The packages of the base system, as the status file lists them.
struct BasePackage {
  const char* name;
  const char* version;
  const char* summary;
  std::vector<const char*> folders;  // device folders the package owns
};
const std::vector<BasePackage>& basePackages();

// The device's programs as the build lays them out: <dir of the launcher>/../device-base/usr/bin.
std::string builtDeviceProgramsFolder();
// Copies killall and dpkg-query into the device's /usr/bin; false with the reason in *error.
bool installDevicePrograms(std::string* error);

// Creates the package database when there is none and puts back a base package that is missing
// from it; a database that holds all of them keeps every byte. False with the reason in *error.
bool preparePackageDatabase(std::string* error);

// The status file's text with each base package present and installed: the very text when they
// are; otherwise stanzas of other packages are kept as they are, and a base package's stanza
// that is missing or not installed is written anew.
std::string statusWithBasePackages(const std::string& status);
