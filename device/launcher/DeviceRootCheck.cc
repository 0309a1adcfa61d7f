#include "device/launcher/DeviceRootCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

bool requireBootedDevice(const std::string& root) {
  struct stat st {};
  if (::stat(root.c_str(), &st) != 0) {
    fmt::print(stderr, "tovalune-device: no device at {} (run `tovalune-device --device {} boot` first)\n", root, root);
    return false;
  }
  if (!S_ISDIR(st.st_mode) || ::access(root.c_str(), R_OK | W_OK | X_OK) != 0) {
    fmt::print(stderr, "tovalune-device: the device root {} is not a readable and writable folder\n", root);
    return false;
  }
  std::string var = root + "/var/mobile";
  if (::stat(var.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    fmt::print(stderr, "tovalune-device: {} is not a booted device (no /var/mobile); run boot first\n", root);
    return false;
  }
  return true;
}
