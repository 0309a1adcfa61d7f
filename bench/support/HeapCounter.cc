#include "bench/support/HeapCounter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>

// glibc's allocator under its second names; the wrappers below take the public ones, so every
// library of the process (decoders, cairo, libcurl) allocates through them.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

void added(void* p) {
  if (!p) return;
  std::size_t now = live.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
  std::size_t seen = peak.load(std::memory_order_relaxed);
  while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
  }
}

void removed(void* p) {
  if (p) live.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
}

}  // namespace

namespace heap_counter {
std::size_t liveBytes() { return live.load(); }
std::size_t peakBytes() { return peak.load(); }
void resetPeak() { peak.store(live.load()); }
}  // namespace heap_counter

extern "C" {

void* malloc(std::size_t size) {
  void* p = __libc_malloc(size);
  added(p);
  return p;
}

void* calloc(std::size_t n, std::size_t size) {
  void* p = __libc_calloc(n, size);
  added(p);
  return p;
}

void* realloc(void* old, std::size_t size) {
  std::size_t before = old ? malloc_usable_size(old) : 0;
  void* p = __libc_realloc(old, size);
  if (p) {
    live.fetch_sub(before, std::memory_order_relaxed);
    added(p);
  } else if (size == 0) {
    live.fetch_sub(before, std::memory_order_relaxed);
  }
  return p;
}

void free(void* p) {
  removed(p);
  __libc_free(p);
}

void* memalign(std::size_t alignment, std::size_t size) {
  void* p = __libc_memalign(alignment, size);
  added(p);
  return p;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  void* p = memalign(alignment, size);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}

}  // extern "C"
