#pragma once
// The private symbolication framework, as much of it as naming a code address needs, backed by
// the symbol tables of the image file (.symtab when the file keeps it, .dynsym otherwise).
//
// A symbolicator is made for one image file and one architecture; its symbol owner is the image
// itself, found only when the UUID asked for is the file's (its GNU build-id, first 16 bytes).
// Owner and symbol references are borrowed from their symbolicator and die with it; only the
// symbolicator is released.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

struct CSTypeRef {
  void* csCppData = nullptr;
  void* csCppObj = nullptr;
};
using CSSymbolicatorRef = CSTypeRef;
using CSSymbolOwnerRef = CSTypeRef;
using CSSymbolRef = CSTypeRef;

struct CSArchitecture {
  std::int32_t cpu_type;
  std::int32_t cpu_subtype;
};

// The time value that means "the image as it is now".
constexpr std::uint64_t kCSNow = 0x80000000u;

struct CFUUIDBytes {
  std::array<std::uint8_t, 16> bytes;
};
// Parses the standard string form (hex digits in groups 8-4-4-4-12, either case); nothing for
// anything else.
std::optional<CFUUIDBytes> CFUUIDCreateFromString(std::string_view text);

bool CSIsNull(CSTypeRef ref);
// A null reference when the file cannot be read as an image of that architecture.
CSSymbolicatorRef CSSymbolicatorCreateWithPathAndArchitecture(const char* path, CSArchitecture architecture);
CSSymbolOwnerRef CSSymbolicatorGetSymbolOwnerWithUUIDAtTime(CSSymbolicatorRef symbolicator, const CFUUIDBytes& uuid,
                                                            std::uint64_t time);
// The address the image's first segment is linked at; an address in the image minus its load
// address plus this base is the address to look up.
std::uint64_t CSSymbolOwnerGetBaseAddress(CSSymbolOwnerRef owner);
// The function whose code contains `address` (a linked address); null when none does.
CSSymbolRef CSSymbolOwnerGetSymbolWithAddress(CSSymbolOwnerRef owner, std::uint64_t address);
// The symbol's name, demangled when it is a C++ name; valid while its symbolicator lives.
const char* CSSymbolGetName(CSSymbolRef symbol);
void CSRelease(CSTypeRef ref);

}  // namespace platform
