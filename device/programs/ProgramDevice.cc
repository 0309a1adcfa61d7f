#include "device/programs/ProgramDevice.h"

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/NSProcessInfo.h"
#include "shared/InstallPrefix.h"

namespace fs = std::filesystem;

namespace {

std::string canonicalFolder(const fs::path& path) {
  std::error_code ec;
  fs::path canonical = fs::canonical(path, ec);
  if (ec || !fs::is_directory(canonical, ec)) return {};
  return canonical.string();
}

// The folder that holds the program's usr/bin: the device's "/" or its rootless prefix folder.
fs::path installFolderOf(const fs::path& program) {
  fs::path bin = program.parent_path();
  if (bin.filename() != "bin" || bin.parent_path().filename() != "usr") return {};
  return bin.parent_path().parent_path();
}

// The device root above a rootless prefix folder; empty when `folder` is not one.
fs::path rootAbovePrefix(const fs::path& folder) {
  const std::string text = folder.string();
  if (text.size() <= kRootlessInstallPrefix.size() || !text.ends_with(kRootlessInstallPrefix)) return {};
  return text.substr(0, text.size() - kRootlessInstallPrefix.size());
}

}  // namespace

std::string deviceRootFor(const std::string& executablePath, const char* inheritedRoot) {
  if (fs::path folder = installFolderOf(executablePath); !folder.empty()) {
    // Only a folder that holds a device counts: a copy in the host's own /usr/bin would
    // otherwise take the whole host for its device.
    for (const fs::path& root : {folder, rootAbovePrefix(folder)}) {
      std::error_code ec;
      if (root.empty() || !fs::is_directory(root / "var" / "mobile", ec)) continue;
      if (std::string canonical = canonicalFolder(root); !canonical.empty()) return canonical;
    }
  }
  if (inheritedRoot && *inheritedRoot) return canonicalFolder(inheritedRoot);
  return {};
}

std::string devicePrefixFor(const std::string& executablePath, const std::string& canonicalRoot) {
  const std::string rootless = canonicalRoot + std::string(kRootlessInstallPrefix);
  fs::path folder = installFolderOf(executablePath);
  if (!folder.empty()) {
    const std::string here = canonicalFolder(folder);
    if (here == canonicalRoot) return {};
    if (here == rootless) return std::string(kRootlessInstallPrefix);
  }
  std::error_code ec;
  return fs::is_directory(rootless + "/var/lib/dpkg", ec) ? std::string(kRootlessInstallPrefix) : std::string();
}

std::string deviceRootOfThisProgram() {
  return deviceRootFor(platform::executablePath(), std::getenv("SIMULATED_DEVICE_ROOT"));
}

std::string devicePrefixOfThisProgram(const std::string& canonicalRoot) {
  return devicePrefixFor(platform::executablePath(), canonicalRoot);
}
