#include "platform/foundation/DeviceRoot.h"

#include <cstdlib>
#include <mutex>
#include <shared_mutex>

namespace platform {
namespace {
std::string& rootStorage() {
  static std::string root = [] {
    const char* env = std::getenv("SIMULATED_DEVICE_ROOT");
    return std::string(env && *env ? env : "./device");
  }();
  return root;
}

std::string trimmed(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}
}  // namespace

void setDeviceRoot(const std::string& hostFolder) {
  rootStorage() = trimmed(hostFolder);
  // Children (SpringBoard started by the launcher, helper programs) share the same device.
  ::setenv("SIMULATED_DEVICE_ROOT", rootStorage().c_str(), 1);
}

const std::string& deviceRoot() { return rootStorage(); }

std::string hostPath(std::string_view devicePath) {
  std::string out = rootStorage();
  if (devicePath.empty() || devicePath.front() != '/') out += '/';
  out.append(devicePath);
  return out;
}

std::string devicePathFromHost(std::string_view host) {
  const std::string& root = rootStorage();
  if (host.substr(0, root.size()) != root) return {};
  std::string rest(host.substr(root.size()));
  if (rest.empty()) return "/";
  return rest.front() == '/' ? rest : std::string();
}

}  // namespace platform
