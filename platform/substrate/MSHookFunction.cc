// Symbol rebinding for ELF images: the counterpart of rebinding lazy and non-lazy symbol pointers
// in Mach-O images.
//
// Every loaded image lists its imports in two relocation tables reached from its PT_DYNAMIC
// segment: DT_JMPREL (the PLT slots, bound lazily unless the image asked for -z now) and DT_RELA
// (GLOB_DAT slots, used when code takes a function's address). Each relocation names a symbol in
// DT_SYMTAB/DT_STRTAB and gives the address of its slot. Rebinding writes the replacement into the
// slot of every relocation whose imported name denotes the hooked function.
//
// A slot is chosen by the name it imports, never by the address it holds: a lazily bound slot
// still points at its PLT resolver stub until the first call, and must be hooked all the same.
// A name denotes the function when it is the name dladdr gives for it or when it resolves to it in
// the global scope; the second rule covers aliases (`open`, `open64`, `__open64` are one function).
#include "platform/substrate/MSHookFunction.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Hook {
  void* original;     // the function as the dynamic linker resolves it
  void* replacement;  // what its slots lead to now
  std::string name;   // dladdr's name for it
};

struct Image {
  ElfW(Addr) base;
  const ElfW(Phdr)* phdrs;
  ElfW(Half) phnum;
};

std::mutex gMutex;
std::vector<Hook> gHooks;
// Imported name -> the function it resolves to in the global scope (nullptr when none). Names are
// looked up once each; there are a few thousand in a large process.
std::unordered_map<std::string, void*> gResolved;
void* (*gRealDlopen)(const char*, int) = nullptr;

#if defined(__x86_64__)
constexpr unsigned kJumpSlot = R_X86_64_JUMP_SLOT, kGlobDat = R_X86_64_GLOB_DAT;
#elif defined(__aarch64__)
constexpr unsigned kJumpSlot = R_AARCH64_JUMP_SLOT, kGlobDat = R_AARCH64_GLOB_DAT;
#else
#error "import-slot relocation types are only known for x86_64 and aarch64"
#endif

void rebindAllImages();

// Reached instead of dlopen once a hook exists, so that libraries loaded later get the hooks too.
void* hookedDlopen(const char* file, int mode) {
  void* handle = gRealDlopen(file, mode);
  if (handle) {
    int savedErrno = errno;
    rebindAllImages();
    dlerror();  // the name lookups may have left an error behind; dlopen itself succeeded
    errno = savedErrno;
  }
  return handle;
}

const Hook* hookFor(const char* name) {
  for (const Hook& hook : gHooks)
    if (hook.name == name) return &hook;
  auto [it, fresh] = gResolved.try_emplace(name, nullptr);
  if (fresh) it->second = dlsym(RTLD_DEFAULT, name);
  if (!it->second) return nullptr;
  for (const Hook& hook : gHooks)
    if (hook.original == it->second) return &hook;
  return nullptr;
}

// Dynamic-section pointers are relocated in place by the loader for most images, but not for
// read-only dynamic sections (the vDSO); an unrelocated value is below the image base.
ElfW(Addr) dynamicPointer(const Image& image, ElfW(Addr) value) {
  return value < image.base ? value + image.base : value;
}

// The pages the loader made read-only after relocation (PT_GNU_RELRO), rounded as it rounds them.
bool insideRelro(const Image& image, ElfW(Addr) address) {
  const ElfW(Addr) page = static_cast<ElfW(Addr)>(sysconf(_SC_PAGESIZE));
  for (ElfW(Half) i = 0; i < image.phnum; ++i) {
    const ElfW(Phdr)& ph = image.phdrs[i];
    if (ph.p_type != PT_GNU_RELRO) continue;
    ElfW(Addr) start = (image.base + ph.p_vaddr) & ~(page - 1);
    ElfW(Addr) end = (image.base + ph.p_vaddr + ph.p_memsz) & ~(page - 1);
    if (address >= start && address < end) return true;
  }
  return false;
}

void writeSlot(const Image& image, void** slot, void* value) {
  if (__atomic_load_n(slot, __ATOMIC_RELAXED) == value) return;
  auto address = reinterpret_cast<ElfW(Addr)>(slot);
  if (!insideRelro(image, address)) {
    __atomic_store_n(slot, value, __ATOMIC_RELEASE);
    return;
  }
  const ElfW(Addr) pageSize = static_cast<ElfW(Addr)>(sysconf(_SC_PAGESIZE));
  void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
  if (mprotect(page, pageSize, PROT_READ | PROT_WRITE) != 0) return;
  __atomic_store_n(slot, value, __ATOMIC_RELEASE);
  mprotect(page, pageSize, PROT_READ);
}

void rebindTable(const Image& image, const ElfW(Rela)* table, std::size_t bytes, const ElfW(Sym)* symtab,
                 const char* strtab, std::size_t strsz) {
  for (std::size_t i = 0; i < bytes / sizeof(ElfW(Rela)); ++i) {
    const ElfW(Rela)& rela = table[i];
    auto type = ELF64_R_TYPE(rela.r_info);
    auto index = ELF64_R_SYM(rela.r_info);
    if ((type != kJumpSlot && type != kGlobDat) || index == 0) continue;
    ElfW(Word) nameOffset = symtab[index].st_name;
    if (nameOffset == 0 || nameOffset >= strsz) continue;
    if (const Hook* hook = hookFor(strtab + nameOffset))
      writeSlot(image, reinterpret_cast<void**>(image.base + rela.r_offset), hook->replacement);
  }
}

void rebindImage(const Image& image) {
  const ElfW(Dyn)* dynamic = nullptr;
  for (ElfW(Half) i = 0; i < image.phnum; ++i)
    if (image.phdrs[i].p_type == PT_DYNAMIC)
      dynamic = reinterpret_cast<const ElfW(Dyn)*>(image.base + image.phdrs[i].p_vaddr);
  if (!dynamic) return;
  ElfW(Addr) jmprel = 0, rela = 0, symtab = 0, strtab = 0;
  std::size_t pltrelsz = 0, relasz = 0, strsz = 0;
  bool pltIsRela = true;
  for (const ElfW(Dyn)* d = dynamic; d->d_tag != DT_NULL; ++d) {
    switch (d->d_tag) {
      case DT_JMPREL: jmprel = dynamicPointer(image, d->d_un.d_ptr); break;
      case DT_PLTRELSZ: pltrelsz = d->d_un.d_val; break;
      case DT_PLTREL: pltIsRela = d->d_un.d_val == DT_RELA; break;
      case DT_RELA: rela = dynamicPointer(image, d->d_un.d_ptr); break;
      case DT_RELASZ: relasz = d->d_un.d_val; break;
      case DT_SYMTAB: symtab = dynamicPointer(image, d->d_un.d_ptr); break;
      case DT_STRTAB: strtab = dynamicPointer(image, d->d_un.d_ptr); break;
      case DT_STRSZ: strsz = d->d_un.d_val; break;
    }
  }
  if (!symtab || !strtab) return;
  auto* syms = reinterpret_cast<const ElfW(Sym)*>(symtab);
  auto* strs = reinterpret_cast<const char*>(strtab);
  if (jmprel && pltIsRela) rebindTable(image, reinterpret_cast<const ElfW(Rela)*>(jmprel), pltrelsz, syms, strs, strsz);
  if (rela) rebindTable(image, reinterpret_cast<const ElfW(Rela)*>(rela), relasz, syms, strs, strsz);
}

bool containsAddress(const dl_phdr_info& info, ElfW(Addr) address) {
  for (ElfW(Half) i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info.dlpi_phdr[i];
    ElfW(Addr) start = info.dlpi_addr + ph.p_vaddr;
    if (ph.p_type == PT_LOAD && address >= start && address < start + ph.p_memsz) return true;
  }
  return false;
}

// This library is left alone: its own calls keep reaching the functions they always reached.
int collectImage(dl_phdr_info* info, std::size_t, void* data) {
  if (!containsAddress(*info, reinterpret_cast<ElfW(Addr)>(&collectImage)))
    static_cast<std::vector<Image>*>(data)->push_back({info->dlpi_addr, info->dlpi_phdr, info->dlpi_phnum});
  return 0;
}

// Called with gMutex held. The images are gathered first and rebound outside dl_iterate_phdr,
// whose loader lock must not be held across the dlsym name lookups.
void rebindAllImagesLocked() {
  std::vector<Image> images;
  dl_iterate_phdr(collectImage, &images);
  for (const Image& image : images) rebindImage(image);
}

void rebindAllImages() {
  std::lock_guard lock(gMutex);
  rebindAllImagesLocked();
}

}  // namespace

void MSHookFunction(void* symbol, void* replacement, void** previous) {
  if (!symbol || !replacement) return;
  std::lock_guard lock(gMutex);
  // A pointer taken after an earlier hook may already be that hook's replacement.
  for (const Hook& hook : gHooks)
    if (hook.replacement == symbol) symbol = hook.original;
  Dl_info info{};
  if (!dladdr(symbol, &info) || !info.dli_sname) return;

  if (!gRealDlopen) {
    gRealDlopen = reinterpret_cast<void* (*)(const char*, int)>(dlsym(RTLD_DEFAULT, "dlopen"));
    if (gRealDlopen) gHooks.push_back({reinterpret_cast<void*>(gRealDlopen), reinterpret_cast<void*>(&hookedDlopen), "dlopen"});
  }
  void* before = symbol;
  bool known = false;
  for (Hook& hook : gHooks) {
    if (hook.original != symbol) continue;
    before = hook.replacement;
    hook.replacement = replacement;
    known = true;
  }
  if (!known) gHooks.push_back({symbol, replacement, info.dli_sname});
  rebindAllImagesLocked();
  if (previous) *previous = before;
}
