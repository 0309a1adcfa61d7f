#pragma once
// CoreFoundation's ownership rule for the platform's C-style objects: a Create function hands out
// one reference, CFRetain adds one, CFRelease gives one back and the last one frees the object.
#include <atomic>

namespace platform {

struct __CFType {
  virtual ~__CFType() = default;
  std::atomic<long> retainCount{1};
};
using CFTypeRef = __CFType*;

// The default allocator is the only one; the parameter keeps the platform's call shape.
using CFAllocatorRef = const void*;
inline constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;

CFTypeRef CFRetain(CFTypeRef object);
// Releasing nothing is a programming error on the device; here it is logged and ignored.
void CFRelease(CFTypeRef object);
long CFGetRetainCount(CFTypeRef object);

}  // namespace platform
