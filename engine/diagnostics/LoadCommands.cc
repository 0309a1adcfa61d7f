#include "engine/diagnostics/LoadCommands.h"

#include <algorithm>
#include <cstring>

#include "platform/foundation/NSUUID.h"

namespace {

struct Reader {
  std::span<const std::uint8_t> bytes;
  bool swapped;

  std::uint32_t word(std::size_t offset) const {
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return swapped ? __builtin_bswap32(value) : value;
  }
};

std::size_t headerSize(std::uint32_t magic) {
  switch (magic) {
    case platform::MH_MAGIC_64:
    case platform::MH_CIGAM_64: return sizeof(platform::mach_header_64);
    case platform::MH_MAGIC:
    case platform::MH_CIGAM: return sizeof(platform::mach_header);
    default: return 0;
  }
}

}  // namespace

std::optional<std::array<std::uint8_t, 16>> imageUUIDFromLoadCommands(std::span<const std::uint8_t> image) {
  if (image.size() < sizeof(std::uint32_t)) return std::nullopt;
  std::uint32_t magic;
  std::memcpy(&magic, image.data(), sizeof magic);
  const std::size_t start = headerSize(magic);
  if (start == 0 || image.size() < start) return std::nullopt;
  const Reader in{image, magic == platform::MH_CIGAM || magic == platform::MH_CIGAM_64};
  const std::uint32_t ncmds = in.word(offsetof(platform::mach_header, ncmds));
  const std::size_t end = start + std::min<std::size_t>(in.word(offsetof(platform::mach_header, sizeofcmds)),
                                                        image.size() - start);
  std::size_t offset = start;
  for (std::uint32_t i = 0; i < ncmds && end - offset >= sizeof(platform::load_command); ++i) {
    const std::uint32_t cmd = in.word(offset), cmdsize = in.word(offset + sizeof(std::uint32_t));
    if (cmdsize < sizeof(platform::load_command) || cmdsize > end - offset) break;
    if (cmd == platform::LC_UUID) {
      if (cmdsize < sizeof(platform::uuid_command)) break;
      std::array<std::uint8_t, 16> uuid;
      std::memcpy(uuid.data(), image.data() + offset + offsetof(platform::uuid_command, uuid), uuid.size());
      return uuid;
    }
    offset += cmdsize;
  }
  return std::nullopt;
}

std::optional<std::string> imageUUIDString(const platform::mach_header* header) {
  if (!header) return std::nullopt;
  const bool swapped = header->magic == platform::MH_CIGAM || header->magic == platform::MH_CIGAM_64;
  const std::size_t start = headerSize(header->magic);
  if (start == 0) return std::nullopt;
  const std::uint32_t sizeofcmds = swapped ? __builtin_bswap32(header->sizeofcmds) : header->sizeofcmds;
  auto uuid = imageUUIDFromLoadCommands({reinterpret_cast<const std::uint8_t*>(header), start + sizeofcmds});
  if (!uuid) return std::nullopt;
  return platform::UUIDStringFromBytes(*uuid);
}
