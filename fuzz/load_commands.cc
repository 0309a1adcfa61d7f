// The load-command walk over any bytes: the UUID, when one is found, lies inside the bytes.
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "engine/diagnostics/LoadCommands.h"
#include "fuzz/FuzzDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the input's length, so that a read past it is caught however the fuzzer
  // holds its buffer.
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
  if (size) std::memcpy(copy.get(), data, size);
  auto uuid = imageUUIDFromLoadCommands(std::span<const std::uint8_t>(copy.get(), size));
  if (uuid) {
    const void* found = ::memmem(copy.get(), size, uuid->data(), uuid->size());
    fuzz::check(found != nullptr, "a UUID that is not in the bytes");
  }
  return 0;
}
