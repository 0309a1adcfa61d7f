#pragma once
// The Mach-O header and load-command layout, as much of it as image identification needs.
#include <cstdint>

namespace platform {

constexpr std::uint32_t MH_MAGIC = 0xFEEDFACE;     // 32-bit image, 28-byte header
constexpr std::uint32_t MH_CIGAM = 0xCEFAEDFE;     // the same, other byte order
constexpr std::uint32_t MH_MAGIC_64 = 0xFEEDFACF;  // 64-bit image, 32-byte header
constexpr std::uint32_t MH_CIGAM_64 = 0xCFFAEDFE;  // the same, other byte order
constexpr std::uint32_t MH_EXECUTE = 0x2;
constexpr std::uint32_t MH_DYLIB = 0x6;
constexpr std::uint32_t LC_UUID = 0x1B;
constexpr std::int32_t CPU_TYPE_X86_64 = 0x01000007;
constexpr std::int32_t CPU_TYPE_ARM64 = 0x0100000C;
constexpr std::int32_t CPU_SUBTYPE_X86_64_ALL = 3;
constexpr std::int32_t CPU_SUBTYPE_ARM64_ALL = 0;

struct mach_header {
  std::uint32_t magic;
  std::int32_t cputype;
  std::int32_t cpusubtype;
  std::uint32_t filetype;
  std::uint32_t ncmds;
  std::uint32_t sizeofcmds;
  std::uint32_t flags;
};

struct mach_header_64 {
  std::uint32_t magic;
  std::int32_t cputype;
  std::int32_t cpusubtype;
  std::uint32_t filetype;
  std::uint32_t ncmds;
  std::uint32_t sizeofcmds;
  std::uint32_t flags;
  std::uint32_t reserved;
};

struct load_command {
  std::uint32_t cmd;
  std::uint32_t cmdsize;
};

struct uuid_command {
  std::uint32_t cmd;
  std::uint32_t cmdsize;
  std::uint8_t uuid[16];
};

}  // namespace platform
