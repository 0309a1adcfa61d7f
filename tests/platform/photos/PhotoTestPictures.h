#pragma once
#include <cstdint>
#include <string>

// Writes a PNG of one colour at a device path (its folder is made) and returns the path.
std::string writeTestPicture(const std::string& devicePath, std::uint32_t width, std::uint32_t height,
                             std::uint8_t red = 200);
