#include "fuzz/FuzzDevice.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSLog.h"

namespace fuzz {
namespace {

std::string root;

void removeRoot() {
  std::error_code ec;
  if (!root.empty()) std::filesystem::remove_all(root, ec);
}

}  // namespace

const char* prepareDevice() {
  if (!root.empty()) return root.c_str();
  // Memory when there is some: the targets that go through files write one per input.
  const char* base = std::getenv("TMPDIR");
  std::string folder = base && *base ? base : (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
  std::string pattern = folder + "/tovalune-fuzz-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror("tovalune fuzz: cannot make a device root");
    std::abort();
  }
  root = pattern;
  std::atexit(removeRoot);
  platform::setDeviceRoot(root);
  platform::setLogToStderr(false);
  return root.c_str();
}

void check(bool condition, std::string_view what) {
  if (condition) return;
  std::fprintf(stderr, "tovalune fuzz: invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

}  // namespace fuzz
