#pragma once
// What the fuzz targets share: a device root of their own and a quiet log.
//
// A target runs millions of inputs in one process, so the log goes to captures only (a line per
// input on stderr would cost more than the parsing), and the device root is made once, in a
// temporary folder that is removed when the process ends normally.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fuzz {

// Chooses a fresh device root for this process and silences the log; call from
// LLVMFuzzerInitialize. Returns the root's host path.
const char* prepareDevice();

// Stops the run with a message when an invariant of the code under test does not hold: the
// fuzzer records the input as a crash, as it does for a sanitizer's report.
void check(bool condition, std::string_view what);

inline std::string_view bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz
