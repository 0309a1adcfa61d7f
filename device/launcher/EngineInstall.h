#pragma once
// Putting the deliverables on the device and taking them away, as on a device: the Debian
// package com.orbel.tovalune installed and removed with the real dpkg (see DevicePackages.h).
// The package puts the engine in the substrate folder with a filter that names SpringBoard, and
// the pane in the preference bundles with its loader entry. SpringBoard is restarted after an
// install or a removal, since a loaded library stays until its process ends.
#include <string>

// Where the current device keeps the engine and its filter (below the prefix on a rootless device).
std::string engineDevicePath();
std::string engineFilterPath();

// The build's package for the current device's kind, beside the launcher:
// <dir of the launcher>/../com.orbel.tovalune_<version>_<the device's architecture>.deb.
std::string builtPackagePath();
bool isEngineInstalled();

// What to install: a package file (empty: the built package), and an engine library that takes
// the place of the package's own (empty: the package's). A given engine makes the launcher build
// a copy of the package around it, so the device still installs and removes a real package.
struct PackageRequest {
  std::string package;
  std::string engine;
};

// Installs the package with dpkg (preparing the device's package database first) and prints
// what it installed. False with the reason in *error.
bool installDeliverables(const PackageRequest& request, std::string* error);
// Removes com.orbel.tovalune with dpkg, and an engine left in the substrate folder by hand or by
// an older launcher. *wasInstalled tells whether there was anything to remove.
bool removeDeliverables(bool* wasInstalled, std::string* error);

// Ends the running SpringBoard and waits until the supervisor's next one answers. True when there
// was nothing to restart.
bool restartSpringBoard();

// `install [FILE.deb] [--engine FILE]` and `uninstall`. Return the exit status.
int runInstall(const PackageRequest& request);
int runUninstall();
