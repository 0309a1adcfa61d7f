#pragma once
// The machine's real package tools acting on the device: dpkg with the device root as its root
// and admin dir (<root>/var/lib/dpkg, below the prefix on a rootless device), its log in the device
// (<root>/var/log/dpkg.log, the same) so the machine's own log never hears of it, and --force-not-root so a person who is not root can run
// a device. Maintainer scripts, if a package has any, run chrooted into the device as dpkg does
// with --root: a package can never run a script on the machine itself.
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kTovalunePackage = "com.orbel.tovalune";

struct PackageFields {
  std::string name, version, architecture;
  std::string depends;  // Pre-Depends and Depends together, comma-separated
};

// dpkg's command line for the current device root, with `args` after the device options.
std::vector<std::string> deviceDpkgCommand(const std::vector<std::string>& args);

// Lets the device's database take packages of the device's architecture (idempotent); dpkg
// itself then refuses a package of the other kind of phone.
bool addDeviceArchitecture(std::string* error);

// Package, Version, Architecture and dependencies of a package file; nothing (and why in *error) when it is
// not a package.
std::optional<PackageFields> readPackageFile(const std::string& hostPackage, std::string* error);

// dpkg --install / --remove on the device. False with dpkg's own words in *error.
bool installPackageFile(const std::string& hostPackage, std::string* error);
bool removePackage(const std::string& name, std::string* error);

// The version of an installed package; nothing when the device's database does not list it as
// installed (or there is no database).
std::optional<std::string> installedVersion(const std::string& name);
// Whether dpkg knows the package in any state (installed, unpacked, half-installed, …).
bool isPackageKnown(const std::string& name);

// Debian version order: true when `a` is newer than `b`.
bool isNewerVersion(const std::string& a, const std::string& b);

// Builds, in `folder`, a copy of the package whose engine is `hostEngine` (checksum and size
// brought up to date); its path, or nothing with the reason in *error.
std::optional<std::string> packageWithEngine(const std::string& hostPackage, const std::string& hostEngine,
                                             const std::string& folder, std::string* error);
