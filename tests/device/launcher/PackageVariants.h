#pragma once
// The package the build makes, variants of it that a test builds with dpkg-deb (a newer
// version, other dependencies, another name), and the machine's dpkg-query over a device's
// package database.
#include <map>
#include <string>
#include <vector>

#include "platform/foundation/DeviceSettings.h"
#include "tests/device/springboardapp/DeviceProcesses.h"

// The build's package for a device of that kind; builtPackage() for the current device's kind.
std::string builtPackageFor(platform::JailbreakKind kind);
std::string builtPackage();
std::string projectVersion();

// A copy of the built package with the given control fields replaced (or added) and the given
// files added to its control folder (maintainer scripts, executable), written into the host
// folder `folder` as <name>.deb; its host path.
std::string packageVariant(const std::string& folder, const std::string& name,
                           const std::map<std::string, std::string>& fields,
                           const std::map<std::string, std::string>& scripts = {});

// /usr/bin/dpkg-query --admindir=<the current device's package database> args...
ProgramResult queryDevicePackages(const std::vector<std::string>& args);
// "<Status> <Version>" of a package in the current device's database; empty when it has none.
std::string packageState(const std::string& name);
