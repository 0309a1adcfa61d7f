#pragma once
#include <string>

struct BootOptions {
  std::string iosVersion;  // empty: keep the device's (a new device gets 16.0)
  std::string network;     // empty: keep
  std::string jailbreak;   // rootful or rootless; empty: the device's (a new device: by its iOS version)
  double screenWidth = 0, screenHeight = 0, screenScale = 0;
};

// Creates the device root's file system and settings, the preferences with their defaults, and
// the picture folders. Booting a booted device keeps what it holds, its kind of jailbreak included.
int runBoot(const BootOptions& options);
