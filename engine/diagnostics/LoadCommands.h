#pragma once
// The UUID an image names in its load commands.
//
// The walk trusts nothing in the bytes: it stops at the end of the buffer, at the header's
// `sizeofcmds` and `ncmds`, and at any command smaller than a command header or reaching past the
// commands, so a malformed image can neither hang it nor make it read out of bounds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/symbolication/MachO.h"

// `image`: an image's bytes from its header on (a file, or a loaded image's header and commands).
// Both byte orders are read; nothing when the bytes do not start with a Mach-O header or carry
// no whole LC_UUID command.
std::optional<std::array<std::uint8_t, 16>> imageUUIDFromLoadCommands(std::span<const std::uint8_t> image);

// The UUID string of a loaded image, from its header and the load commands that follow it.
std::optional<std::string> imageUUIDString(const platform::mach_header* header);
