#pragma once
// Which device a program of the device belongs to. The device's own programs live in
// <root>/usr/bin on a rootful device and in <root><prefix>/usr/bin on a rootless one (the prefix of
// shared/InstallPrefix.h); a copy run from there serves that device whatever its caller's
// environment says, and a copy run from elsewhere (the build tree) serves the device its caller
// inherited.
#include <string>

// The canonical device root for a program at `executablePath` whose caller's environment held
// `inheritedRoot` (may be null). Empty when neither names a device folder.
std::string deviceRootFor(const std::string& executablePath, const char* inheritedRoot);

// The install prefix of the device at `canonicalRoot` that the program at `executablePath`
// serves: the one it stands below, or for a copy from elsewhere the one under which the device
// keeps its package database (empty, or the rootless prefix).
std::string devicePrefixFor(const std::string& executablePath, const std::string& canonicalRoot);

// The same for the running program (/proc/self/exe and SIMULATED_DEVICE_ROOT).
std::string deviceRootOfThisProgram();
std::string devicePrefixOfThisProgram(const std::string& canonicalRoot);
