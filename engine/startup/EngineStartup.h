#pragma once
// The engine's start-up inside SpringBoard: the wallpaper lock, the optional companion library,
// SpringBoardUIServices' wallpaper function, and the nine hooks. It runs once, when SpringBoard's
// loader loads the library; in any other process it does nothing.

// The companion library as a rootful phone places it; it is looked for below the build's install
// prefix (shared/InstallPrefix.h), where the packages of the phone's kind put it.
inline constexpr const char* kCompanionLibraryPath = "/Library/MobileSubstrate/DynamicLibraries/Quorvex.dylib";
inline constexpr const char* kSpringBoardUIServicesLibraryPath =
    "/System/Library/PrivateFrameworks/SpringBoardUIServices.framework/SpringBoardUIServices";

// The load-time initialiser's body; exposed so that a benchmark can time it.
void TovaluneEngineStartup();
