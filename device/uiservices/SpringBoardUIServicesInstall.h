#pragma once
// Puts the SpringBoardUIServices library into a device root, at kSpringBoardUIServicesPath, when
// the device runs iOS 13 or later, and takes it away on an older one: the library exists only
// from iOS 13 on. The launcher's boot calls it.
#include <string>

// The built library on the host (the build tree's copy).
std::string builtSpringBoardUIServicesPath();

// True when the device now has the library. A copy that cannot be made is logged.
bool installSpringBoardUIServices(const std::string& builtLibrary = builtSpringBoardUIServicesPath());
