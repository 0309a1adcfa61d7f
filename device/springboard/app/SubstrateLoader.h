#pragma once
// The substrate-style loader SpringBoard runs at launch: every library in the device's
// DynamicLibraries folder whose filter property list (same name, ".plist") names this process is
// opened, in name order, before SpringBoard finishes launching. A library without a filter, or
// with a filter that names other processes only, is left alone.
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/PlistValue.h"

// On a rootful device; a rootless one keeps it below its prefix (device/jailbreak/JailbreakLayout.h).
inline constexpr const char* kSubstrateLibrariesPath = "/Library/MobileSubstrate/DynamicLibraries";

struct SubstrateProcess {
  std::string bundleIdentifier;  // "com.apple.springboard"
  std::string executableName;    // "SpringBoard"
};

// True when Filter -> Bundles holds the bundle identifier or Filter -> Executables the executable
// name. Anything of the wrong type names nobody.
bool filterNamesProcess(const platform::Dictionary& filterPlist, const SubstrateProcess& process);

struct SubstrateLoadResult {
  std::vector<std::string> loaded;  // device paths, in load order
  std::vector<std::string> failed;  // device paths whose dlopen failed (logged)
};

// Opens the matching libraries with RTLD_NOW | RTLD_GLOBAL. Never throws; a library's own
// initialiser runs inside this call.
SubstrateLoadResult loadSubstrateLibraries(const SubstrateProcess& process);

// Whether an image whose path ends with the suffix is mapped in this process ("/Tovalune.dylib").
bool isImageLoaded(std::string_view pathSuffix);
