#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace platform {
// A fresh random UUID in NSUUID's UUIDString form: upper-case hex, 8-4-4-4-12.
std::string UUIDString();
// The string form of 16 UUID bytes (NSUUID initWithUUIDBytes:).
std::string UUIDStringFromBytes(const std::array<std::uint8_t, 16>& bytes);
}  // namespace platform
