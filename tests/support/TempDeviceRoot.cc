#include "tests/support/TempDeviceRoot.h"

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSDate.h"

TempDeviceRoot::TempDeviceRoot() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tovalune-test-XXXXXX";
  path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  platform::setDeviceRoot(path_);
}

TempDeviceRoot::~TempDeviceRoot() {
  platform::clearFixedNow();
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string TempDeviceRoot::host(const std::string& devicePath) const { return platform::hostPath(devicePath); }
