#include "platform/symbolication/DynamicLoader.h"

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSProcessInfo.h"

#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace platform {
namespace {

struct ImageHeader {
  mach_header_64 header;
  uuid_command uuid;
};
static_assert(sizeof(ImageHeader) == sizeof(mach_header_64) + sizeof(uuid_command));

struct LoadedImage {
  const char* name = nullptr;
  const dl_phdr_info* info = nullptr;
};

// Read once and kept: dladdr and the image list hand out pointers into it.
const std::string& mainExecutablePath() {
  static const std::string path = platform::executablePath();
  return path;
}

// The main program is the first image and the only one the loader leaves unnamed.
const char* imageName(const char* loaderName, bool first) {
  if (first && loaderName && loaderName[0] == '\0' && !mainExecutablePath().empty())
    return mainExecutablePath().c_str();
  return loaderName;
}

std::size_t align(std::size_t n, std::size_t to) { return (n + to - 1) & ~(to - 1); }

std::optional<std::array<std::uint8_t, 16>> buildId(const dl_phdr_info& info) {
  for (ElfW(Half) i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info.dlpi_phdr[i];
    if (ph.p_type != PT_NOTE) continue;
    const std::size_t alignment = ph.p_align == 8 ? 8 : 4;
    auto* notes = reinterpret_cast<const std::uint8_t*>(info.dlpi_addr + ph.p_vaddr);
    std::size_t offset = 0;
    while (offset + sizeof(ElfW(Nhdr)) <= ph.p_memsz) {
      ElfW(Nhdr) note;
      std::memcpy(&note, notes + offset, sizeof note);
      std::size_t name = offset + sizeof note;
      std::size_t desc = name + align(note.n_namesz, alignment);
      std::size_t next = desc + align(note.n_descsz, alignment);
      if (next > ph.p_memsz || next <= offset) break;
      if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(notes + name, "GNU", 4) == 0) {
        std::array<std::uint8_t, 16> id{};
        std::memcpy(id.data(), notes + desc, std::min<std::size_t>(note.n_descsz, id.size()));
        return id;
      }
      offset = next;
    }
  }
  return std::nullopt;
}

const ImageHeader* headerFor(const dl_phdr_info& info, bool mainProgram) {
  static std::mutex mutex;
  // Headers are handed out as plain pointers, so they are kept for the life of the process; the
  // same image loaded again at the same place reuses its entry.
  static std::map<std::tuple<ElfW(Addr), std::string, std::optional<std::array<std::uint8_t, 16>>>,
                  std::unique_ptr<ImageHeader>>
      headers;
  auto id = buildId(info);
  std::lock_guard lock(mutex);
  auto& slot = headers[{info.dlpi_addr, info.dlpi_name ? info.dlpi_name : "", id}];
  if (slot) return slot.get();
  slot = std::make_unique<ImageHeader>();
  mach_header_64& h = slot->header;
  h.magic = MH_MAGIC_64;
#if defined(__x86_64__)
  h.cputype = CPU_TYPE_X86_64;
  h.cpusubtype = CPU_SUBTYPE_X86_64_ALL;
#elif defined(__aarch64__)
  h.cputype = CPU_TYPE_ARM64;
  h.cpusubtype = CPU_SUBTYPE_ARM64_ALL;
#endif
  h.filetype = mainProgram ? MH_EXECUTE : MH_DYLIB;
  if (id) {
    h.ncmds = 1;
    h.sizeofcmds = sizeof(uuid_command);
    slot->uuid.cmd = LC_UUID;
    slot->uuid.cmdsize = sizeof(uuid_command);
    std::memcpy(slot->uuid.uuid, id->data(), id->size());
  }
  return slot.get();
}

// Finds the image at `index`; `found` runs inside dl_iterate_phdr, while the image cannot go away.
template <typename F>
void withImage(std::uint32_t index, F found) {
  struct Search {
    std::uint32_t index, seen;
    F* found;
  } search{index, 0, &found};
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (s->seen++ != s->index) return 0;
        (*s->found)(*info, s->index == 0);
        return 1;
      },
      &search);
}

}  // namespace

void* dlopen(std::string_view devicePath, int mode) {
  return ::dlopen(hostPath(devicePath).c_str(), mode);
}

int dladdr(const void* address, Dl_info* info) {
  link_map* map = nullptr;
  int found = ::dladdr1(address, info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP);
  if (found && map && map->l_name && map->l_name[0] == '\0' && map->l_prev == nullptr && !mainExecutablePath().empty())
    info->dli_fname = mainExecutablePath().c_str();
  return found;
}

std::uint32_t _dyld_image_count() {
  std::uint32_t count = 0;
  dl_iterate_phdr([](dl_phdr_info*, std::size_t, void* data) { return ++*static_cast<std::uint32_t*>(data), 0; }, &count);
  return count;
}

const char* _dyld_get_image_name(std::uint32_t index) {
  const char* name = nullptr;
  withImage(index, [&](const dl_phdr_info& info, bool first) { name = imageName(info.dlpi_name, first); });
  return name;
}

const mach_header* _dyld_get_image_header(std::uint32_t index) {
  const ImageHeader* header = nullptr;
  withImage(index, [&](const dl_phdr_info& info, bool first) { header = headerFor(info, first); });
  return reinterpret_cast<const mach_header*>(header);
}

}  // namespace platform
