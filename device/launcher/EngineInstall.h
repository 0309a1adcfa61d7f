#pragma once
// Putting the engine on the device and taking it away, as the package manager does: the library
// in the substrate folder with a filter that names SpringBoard. SpringBoard is restarted after
// either, since a loaded library stays until its process ends.
#include <string>

inline constexpr const char* kEngineDevicePath = "/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib";
inline constexpr const char* kEngineFilterPath = "/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist";

// The built engine beside the launcher: <dir of the launcher>/../lib/Tovalune.dylib.
std::string builtEnginePath();
bool isEngineInstalled();

// Copies the library (a host path) and writes its filter; false with the reason in *error.
bool installEngine(const std::string& hostLibrary, std::string* error);
// Removes the library and its filter; false with the reason in *error.
bool uninstallEngine(std::string* error);

// Ends the running SpringBoard and waits until the supervisor's next one answers. True when there
// was nothing to restart.
bool restartSpringBoard();

// `install [--engine FILE]` and `uninstall`. Return the exit status.
int runInstall(const std::string& hostLibrary);
int runUninstall();
