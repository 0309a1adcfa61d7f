// Symbol rebinding for ELF images: the counterpart of rebinding lazy and non-lazy symbol pointers
// in Mach-O images.
//
// Every loaded image lists its imports in two relocation tables reached from its PT_DYNAMIC
// segment: DT_JMPREL (the PLT slots, bound lazily unless the image asked for -z now) and DT_RELA
// (GLOB_DAT slots, used when code takes a function's address). Each relocation names a symbol in
// DT_SYMTAB/DT_STRTAB and gives the address of its slot. Rebinding writes the replacement into the
// slot of every relocation that imports one of the hooked function's names.
//
// A slot is chosen by the name it imports, never by the address it holds: a lazily bound slot
// still points at its PLT resolver stub until the first call, and must be hooked all the same.
// A function's names are every name its defining image exports it under (`open`, `open64` and
// `__open64` are one function in the C library), found by reading that image's dynamic symbols.
//
// Locking: the loader holds its own lock while a new library's constructors run, and such a
// constructor may call MSHookFunction. So nothing that takes the loader's lock (dladdr, dlsym) is
// called while gMutex is held; dl_iterate_phdr takes another lock, which dlopen holds only briefly.
#include "platform/substrate/MSHookFunction.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Hook {
  void* original;                  // the function as the dynamic linker resolves it
  void* replacement;               // what its slots lead to now
  std::vector<std::string> names;  // the names it is imported under
};

// A loaded image as dl_iterate_phdr describes it, with the tables of its dynamic section.
struct Image {
  ElfW(Addr) base = 0;
  const ElfW(Phdr)* phdrs = nullptr;
  ElfW(Half) phnum = 0;
  const ElfW(Rela)* jmprel = nullptr;
  std::size_t jmprelBytes = 0;
  const ElfW(Rela)* rela = nullptr;
  std::size_t relaBytes = 0;
  const ElfW(Sym)* symtab = nullptr;
  const char* strtab = nullptr;
  std::size_t strsz = 0;
  const std::uint32_t* hash = nullptr;     // DT_HASH
  const std::uint32_t* gnuHash = nullptr;  // DT_GNU_HASH
};

#if defined(__x86_64__)
constexpr unsigned kJumpSlot = R_X86_64_JUMP_SLOT, kGlobDat = R_X86_64_GLOB_DAT;
#elif defined(__aarch64__)
constexpr unsigned kJumpSlot = R_AARCH64_JUMP_SLOT, kGlobDat = R_AARCH64_GLOB_DAT;
#else
#error "import-slot relocation types are only known for x86_64 and aarch64"
#endif

std::mutex gMutex;
std::vector<Hook> gHooks;
void* (*gRealDlopen)(const char*, int) = nullptr;

// Dynamic-section pointers are relocated in place by the loader for most images, but not for
// read-only dynamic sections (the vDSO); an unrelocated value is below the image base.
template <typename T>
const T* dynamicPointer(ElfW(Addr) base, ElfW(Addr) value) {
  return reinterpret_cast<const T*>(value < base ? value + base : value);
}

Image describe(const dl_phdr_info& info) {
  Image image{info.dlpi_addr, info.dlpi_phdr, info.dlpi_phnum};
  const ElfW(Dyn)* dynamic = nullptr;
  for (ElfW(Half) i = 0; i < info.dlpi_phnum; ++i)
    if (info.dlpi_phdr[i].p_type == PT_DYNAMIC)
      dynamic = reinterpret_cast<const ElfW(Dyn)*>(info.dlpi_addr + info.dlpi_phdr[i].p_vaddr);
  bool pltIsRela = true;
  for (const ElfW(Dyn)* d = dynamic; d && d->d_tag != DT_NULL; ++d) {
    const ElfW(Addr) p = d->d_un.d_ptr;
    switch (d->d_tag) {
      case DT_JMPREL: image.jmprel = dynamicPointer<ElfW(Rela)>(image.base, p); break;
      case DT_PLTRELSZ: image.jmprelBytes = d->d_un.d_val; break;
      case DT_PLTREL: pltIsRela = d->d_un.d_val == DT_RELA; break;
      case DT_RELA: image.rela = dynamicPointer<ElfW(Rela)>(image.base, p); break;
      case DT_RELASZ: image.relaBytes = d->d_un.d_val; break;
      case DT_SYMTAB: image.symtab = dynamicPointer<ElfW(Sym)>(image.base, p); break;
      case DT_STRTAB: image.strtab = dynamicPointer<char>(image.base, p); break;
      case DT_STRSZ: image.strsz = d->d_un.d_val; break;
      case DT_HASH: image.hash = dynamicPointer<std::uint32_t>(image.base, p); break;
      case DT_GNU_HASH: image.gnuHash = dynamicPointer<std::uint32_t>(image.base, p); break;
    }
  }
  if (!pltIsRela) image.jmprel = nullptr;  // x86_64 and aarch64 use RELA only
  return image;
}

const char* symbolName(const Image& image, std::size_t index) {
  ElfW(Word) offset = image.symtab[index].st_name;
  return offset != 0 && offset < image.strsz ? image.strtab + offset : nullptr;
}

// The dynamic symbol table has no size of its own: DT_HASH states it, DT_GNU_HASH implies it as
// one past the last symbol of the longest-reaching hash chain.
std::size_t symbolCount(const Image& image) {
  if (image.hash) return image.hash[1];
  if (!image.gnuHash) return 0;
  const std::uint32_t buckets = image.gnuHash[0], first = image.gnuHash[1], bloomWords = image.gnuHash[2];
  auto* bucket = reinterpret_cast<const std::uint32_t*>(
      reinterpret_cast<const ElfW(Addr)*>(image.gnuHash + 4) + bloomWords);
  const std::uint32_t* chain = bucket + buckets;
  std::uint32_t last = 0;
  for (std::uint32_t i = 0; i < buckets; ++i) last = std::max(last, bucket[i]);
  if (last < first) return first;
  while (!(chain[last - first] & 1)) ++last;
  return last + 1;
}

bool loads(const Image& image, ElfW(Addr) address) {
  for (ElfW(Half) i = 0; i < image.phnum; ++i) {
    const ElfW(Phdr)& ph = image.phdrs[i];
    if (ph.p_type == PT_LOAD && address >= image.base + ph.p_vaddr && address < image.base + ph.p_vaddr + ph.p_memsz)
      return true;
  }
  return false;
}

std::vector<Image> loadedImages() {
  std::vector<Image> images;
  dl_iterate_phdr([](dl_phdr_info* info, std::size_t, void* data) {
    static_cast<std::vector<Image>*>(data)->push_back(describe(*info));
    return 0;
  }, &images);
  return images;
}

// Every name the image defining `function` exports it under.
std::vector<std::string> exportedNames(const void* function) {
  const auto address = reinterpret_cast<ElfW(Addr)>(function);
  std::vector<std::string> names;
  for (const Image& image : loadedImages()) {
    if (!loads(image, address) || !image.symtab || !image.strtab) continue;
    for (std::size_t i = 1, count = symbolCount(image); i < count; ++i) {
      const ElfW(Sym)& sym = image.symtab[i];
      if (sym.st_shndx == SHN_UNDEF || ELF64_ST_TYPE(sym.st_info) != STT_FUNC || image.base + sym.st_value != address)
        continue;
      if (const char* name = symbolName(image, i)) names.emplace_back(name);
    }
  }
  return names;
}

const Hook* hookFor(const char* name) {
  for (const Hook& hook : gHooks)
    for (const std::string& hooked : hook.names)
      if (hooked == name) return &hook;
  return nullptr;
}

// The pages the loader made read-only after relocation (PT_GNU_RELRO), rounded as it rounds them.
bool insideRelro(const Image& image, ElfW(Addr) address, ElfW(Addr) pageSize) {
  for (ElfW(Half) i = 0; i < image.phnum; ++i) {
    const ElfW(Phdr)& ph = image.phdrs[i];
    if (ph.p_type != PT_GNU_RELRO) continue;
    ElfW(Addr) start = (image.base + ph.p_vaddr) & ~(pageSize - 1);
    ElfW(Addr) end = (image.base + ph.p_vaddr + ph.p_memsz) & ~(pageSize - 1);
    if (address >= start && address < end) return true;
  }
  return false;
}

void writeSlot(const Image& image, void** slot, void* value) {
  if (__atomic_load_n(slot, __ATOMIC_RELAXED) == value) return;
  const auto address = reinterpret_cast<ElfW(Addr)>(slot);
  const auto pageSize = static_cast<ElfW(Addr)>(sysconf(_SC_PAGESIZE));
  if (!insideRelro(image, address, pageSize)) {
    __atomic_store_n(slot, value, __ATOMIC_RELEASE);
    return;
  }
  void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
  if (mprotect(page, pageSize, PROT_READ | PROT_WRITE) != 0) return;
  __atomic_store_n(slot, value, __ATOMIC_RELEASE);
  mprotect(page, pageSize, PROT_READ);
}

void rebindTable(const Image& image, const ElfW(Rela)* table, std::size_t bytes) {
  for (std::size_t i = 0; table && i < bytes / sizeof(ElfW(Rela)); ++i) {
    const auto type = ELF64_R_TYPE(table[i].r_info);
    const auto index = ELF64_R_SYM(table[i].r_info);
    if ((type != kJumpSlot && type != kGlobDat) || index == 0) continue;
    const char* name = symbolName(image, index);
    if (const Hook* hook = name ? hookFor(name) : nullptr)
      writeSlot(image, reinterpret_cast<void**>(image.base + table[i].r_offset), hook->replacement);
  }
}

// Called with gMutex held. This library's own image is left alone: its calls keep reaching the
// functions they always reached.
void rebindAllImagesLocked() {
  const auto self = reinterpret_cast<ElfW(Addr)>(&rebindAllImagesLocked);
  for (const Image& image : loadedImages()) {
    if (loads(image, self) || !image.symtab || !image.strtab) continue;
    rebindTable(image, image.jmprel, image.jmprelBytes);
    rebindTable(image, image.rela, image.relaBytes);
  }
}

// Reached instead of dlopen once a hook exists, so that libraries loaded later get the hooks too.
void* hookedDlopen(const char* file, int mode) {
  void* handle = gRealDlopen(file, mode);
  if (handle) {
    const int savedErrno = errno;
    std::lock_guard lock(gMutex);
    rebindAllImagesLocked();
    errno = savedErrno;
  }
  return handle;
}

}  // namespace

void MSHookFunction(void* symbol, void* replacement, void** previous) {
  if (!symbol || !replacement) return;
  {
    // A pointer taken after an earlier hook may already be that hook's replacement.
    std::lock_guard lock(gMutex);
    for (const Hook& hook : gHooks)
      if (hook.replacement == symbol) symbol = hook.original;
  }
  Dl_info info{};
  if (!dladdr(symbol, &info) || !info.dli_sname) return;
  std::vector<std::string> names = exportedNames(symbol);
  if (std::find(names.begin(), names.end(), info.dli_sname) == names.end()) names.emplace_back(info.dli_sname);
  auto* realDlopen = reinterpret_cast<void* (*)(const char*, int)>(dlsym(RTLD_DEFAULT, "dlopen"));

  std::lock_guard lock(gMutex);
  if (!gRealDlopen && realDlopen) {
    gRealDlopen = realDlopen;
    gHooks.push_back({reinterpret_cast<void*>(realDlopen), reinterpret_cast<void*>(&hookedDlopen),
                      exportedNames(reinterpret_cast<void*>(realDlopen))});
  }
  void* before = symbol;
  bool known = false;
  for (Hook& hook : gHooks) {
    if (hook.original != symbol) continue;
    before = hook.replacement;
    hook.replacement = replacement;
    known = true;
  }
  if (!known) gHooks.push_back({symbol, replacement, std::move(names)});
  rebindAllImagesLocked();
  if (previous) *previous = before;
}
