#pragma once
// Which device a program of the device belongs to. The device's own programs live in
// <root>/usr/bin; a copy run from there serves that device whatever its caller's environment
// says, and a copy run from elsewhere (the build tree) serves the device its caller inherited.
#include <string>

// The canonical device root for a program at `executablePath` whose caller's environment held
// `inheritedRoot` (may be null). Empty when neither names a device folder.
std::string deviceRootFor(const std::string& executablePath, const char* inheritedRoot);

// The same for the running program (/proc/self/exe and SIMULATED_DEVICE_ROOT).
std::string deviceRootOfThisProgram();
