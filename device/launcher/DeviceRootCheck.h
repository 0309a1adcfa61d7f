#pragma once
#include <string>

// Fails (message on stderr, false) when the device root is missing or unreadable; every command
// but boot needs a booted device.
bool requireBootedDevice(const std::string& root);
