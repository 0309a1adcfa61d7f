#include "platform/symbolication/CoreSymbolication.h"

#include <cxxabi.h>
#include <elf.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/symbolication/MachO.h"

namespace platform {
namespace {

struct Symbol {
  std::uint64_t address;
  std::uint64_t size;
  std::string name;
};

struct Symbolicator;

struct SymbolOwner {
  Symbolicator* symbolicator;
};

struct Symbolicator {
  std::uint64_t base = 0;
  std::optional<std::array<std::uint8_t, 16>> uuid;
  std::vector<Symbol> symbols;  // by address
  SymbolOwner owner{this};
};

int machineFor(const CSArchitecture& architecture) {
  switch (architecture.cpu_type) {
    case CPU_TYPE_X86_64: return EM_X86_64;
    case CPU_TYPE_ARM64: return EM_AARCH64;
    default: return EM_NONE;
  }
}

std::string demangled(const char* name) {
  int status = 0;
  char* plain = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  std::string result = status == 0 && plain ? plain : name;
  std::free(plain);
  return result;
}

void readBaseAndBuildId(Elf* elf, Symbolicator& s) {
  std::size_t count = 0;
  if (elf_getphdrnum(elf, &count) != 0) return;
  const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  bool sawLoad = false;
  for (std::size_t i = 0; i < count; ++i) {
    GElf_Phdr ph;
    if (!gelf_getphdr(elf, static_cast<int>(i), &ph)) continue;
    // The loader maps the first loadable segment from its page start; that is the load address
    // dladdr reports.
    if (ph.p_type == PT_LOAD && !sawLoad) {
      s.base = ph.p_vaddr & ~(page - 1);
      sawLoad = true;
    }
    if (ph.p_type != PT_NOTE || s.uuid) continue;
    Elf_Data* data = elf_getdata_rawchunk(elf, static_cast<int64_t>(ph.p_offset), ph.p_filesz, ELF_T_NHDR);
    if (!data) continue;
    GElf_Nhdr note;
    std::size_t offset = 0, nameOffset = 0, descOffset = 0, next = 0;
    while ((next = gelf_getnote(data, offset, &note, &nameOffset, &descOffset)) > 0) {
      auto* bytes = static_cast<const char*>(data->d_buf);
      if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(bytes + nameOffset, "GNU", 4) == 0) {
        std::array<std::uint8_t, 16> id{};
        std::memcpy(id.data(), bytes + descOffset, std::min<std::size_t>(note.n_descsz, id.size()));
        s.uuid = id;
        break;
      }
      offset = next;
    }
  }
}

// Functions from .symtab when the file has one (it names static functions too), else .dynsym.
void readSymbols(Elf* elf, Symbolicator& s) {
  Elf_Scn* chosen = nullptr;
  for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
    GElf_Shdr sh;
    if (!gelf_getshdr(scn, &sh)) continue;
    if (sh.sh_type == SHT_SYMTAB || (sh.sh_type == SHT_DYNSYM && !chosen)) chosen = scn;
  }
  GElf_Shdr sh;
  if (!chosen || !gelf_getshdr(chosen, &sh) || sh.sh_entsize == 0) return;
  Elf_Data* data = elf_getdata(chosen, nullptr);
  if (!data) return;
  const std::size_t count = sh.sh_size / sh.sh_entsize;
  for (std::size_t i = 0; i < count; ++i) {
    GElf_Sym sym;
    if (!gelf_getsym(data, static_cast<int>(i), &sym)) break;
    int type = GELF_ST_TYPE(sym.st_info);
    if ((type != STT_FUNC && type != STT_GNU_IFUNC) || sym.st_shndx == SHN_UNDEF || sym.st_value == 0) continue;
    const char* name = elf_strptr(elf, sh.sh_link, sym.st_name);
    if (!name || !*name) continue;
    s.symbols.push_back({sym.st_value, sym.st_size, demangled(name)});
  }
  // Aliases share an address; the one with fewer leading underscores is the public name.
  auto underscores = [](const std::string& n) { return n.find_first_not_of('_'); };
  std::sort(s.symbols.begin(), s.symbols.end(), [&](const Symbol& a, const Symbol& b) {
    if (a.address != b.address) return a.address < b.address;
    return underscores(a.name) < underscores(b.name);
  });
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<CFUUIDBytes> CFUUIDCreateFromString(std::string_view text) {
  if (text.size() != 36) return std::nullopt;
  CFUUIDBytes uuid{};
  std::size_t byte = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i++] != '-') return std::nullopt;
      continue;
    }
    int high = hexValue(text[i]), low = hexValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    uuid.bytes[byte++] = static_cast<std::uint8_t>(high << 4 | low);
    i += 2;
  }
  return uuid;
}

bool CSIsNull(CSTypeRef ref) { return ref.csCppObj == nullptr; }

CSSymbolicatorRef CSSymbolicatorCreateWithPathAndArchitecture(const char* path, CSArchitecture architecture) {
  if (!path || elf_version(EV_CURRENT) == EV_NONE) return {};
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  CSSymbolicatorRef result;
  if (Elf* elf = elf_begin(fd, ELF_C_READ_MMAP, nullptr)) {
    GElf_Ehdr eh;
    if (elf_kind(elf) == ELF_K_ELF && gelf_getehdr(elf, &eh) && eh.e_machine == machineFor(architecture)) {
      auto* s = new Symbolicator;
      readBaseAndBuildId(elf, *s);
      readSymbols(elf, *s);
      result = {s, s};
    }
    elf_end(elf);
  }
  ::close(fd);
  return result;
}

CSSymbolOwnerRef CSSymbolicatorGetSymbolOwnerWithUUIDAtTime(CSSymbolicatorRef symbolicator, const CFUUIDBytes& uuid,
                                                            std::uint64_t) {
  auto* s = static_cast<Symbolicator*>(symbolicator.csCppData);
  if (CSIsNull(symbolicator) || !s->uuid || *s->uuid != uuid.bytes) return {};
  return {s, &s->owner};
}

std::uint64_t CSSymbolOwnerGetBaseAddress(CSSymbolOwnerRef owner) {
  return CSIsNull(owner) ? 0 : static_cast<SymbolOwner*>(owner.csCppObj)->symbolicator->base;
}

CSSymbolRef CSSymbolOwnerGetSymbolWithAddress(CSSymbolOwnerRef owner, std::uint64_t address) {
  if (CSIsNull(owner)) return {};
  Symbolicator* s = static_cast<SymbolOwner*>(owner.csCppObj)->symbolicator;
  auto it = std::upper_bound(s->symbols.begin(), s->symbols.end(), address,
                             [](std::uint64_t a, const Symbol& sym) { return a < sym.address; });
  // The nearest symbols starting at or below the address are tried, nearest first; a symbol
  // without a size contains only its own address. A few steps back are enough for the symbols a
  // linker nests (a function's cold part inside the range of a larger one).
  for (int step = 0; step < 8 && it != s->symbols.begin(); ++step) {
    --it;
    std::uint64_t start = it->address;
    while (it != s->symbols.begin() && std::prev(it)->address == start) --it;
    for (auto alias = it; alias != s->symbols.end() && alias->address == start; ++alias)
      if (address < start + std::max<std::uint64_t>(alias->size, 1)) return {s, &*alias};
  }
  return {};
}

const char* CSSymbolGetName(CSSymbolRef symbol) {
  return CSIsNull(symbol) ? nullptr : static_cast<Symbol*>(symbol.csCppObj)->name.c_str();
}

void CSRelease(CSTypeRef ref) {
  // Only a symbolicator refers to itself; owners and symbols are borrowed from one.
  if (!CSIsNull(ref) && ref.csCppObj == ref.csCppData) delete static_cast<Symbolicator*>(ref.csCppData);
}

}  // namespace platform
