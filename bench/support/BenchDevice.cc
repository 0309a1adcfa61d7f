#include "bench/support/BenchDevice.h"

#include <unistd.h>

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSLog.h"

BenchDevice::BenchDevice(const std::string& name)
    : root_(std::filesystem::temp_directory_path() / fmt::format("tovalune-bench-{}-{}", name, ::getpid())) {
  std::filesystem::remove_all(root_);
  std::filesystem::create_directories(root_);
  platform::setDeviceRoot(root_.string());
  platform::setLogToStderr(false);
}

BenchDevice::~BenchDevice() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}
