#include "device/programs/ProgramDevice.h"

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/NSProcessInfo.h"

namespace fs = std::filesystem;

namespace {

std::string canonicalFolder(const fs::path& path) {
  std::error_code ec;
  fs::path canonical = fs::canonical(path, ec);
  if (ec || !fs::is_directory(canonical, ec)) return {};
  return canonical.string();
}

}  // namespace

std::string deviceRootFor(const std::string& executablePath, const char* inheritedRoot) {
  fs::path program(executablePath);
  fs::path bin = program.parent_path();
  if (bin.filename() == "bin" && bin.parent_path().filename() == "usr") {
    fs::path root = bin.parent_path().parent_path();
    // Only a folder that holds a device counts: a copy in the host's own /usr/bin would
    // otherwise take the whole host for its device.
    std::error_code ec;
    if (fs::is_directory(root / "var" / "mobile", ec)) {
      if (std::string canonical = canonicalFolder(root); !canonical.empty()) return canonical;
    }
  }
  if (inheritedRoot && *inheritedRoot) return canonicalFolder(inheritedRoot);
  return {};
}

std::string deviceRootOfThisProgram() {
  return deviceRootFor(platform::executablePath(), std::getenv("SIMULATED_DEVICE_ROOT"));
}
