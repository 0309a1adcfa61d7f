#include "device/launcher/DeviceBaseSystem.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <fmt/format.h>

#include "device/jailbreak/JailbreakLayout.h"
#include "device/launcher/DevicePackages.h"
#include "device/launcher/Launchd.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"

namespace fs = std::filesystem;

namespace {

const char* const kDevicePrograms[] = {"killall", "dpkg-query"};

std::string stanzaField(const std::string& stanza, const std::string& field) {
  std::size_t at = stanza.rfind(field + ": ", 0) == 0 ? 0 : stanza.find("\n" + field + ": ");
  if (at == std::string::npos) return {};
  if (at != 0) ++at;
  std::size_t begin = at + field.size() + 2;
  return stanza.substr(begin, stanza.find('\n', begin) - begin);
}

std::vector<std::string> stanzas(const std::string& text) {
  std::vector<std::string> out;
  std::string current;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? text.size() : end + 1;
    if (line.find_first_not_of(" \t\r") == std::string::npos) {
      if (!current.empty()) out.push_back(std::move(current));
      current.clear();
    } else {
      current += line + "\n";
    }
  }
  if (!current.empty()) out.push_back(std::move(current));
  return out;
}

// The third word of Status is the package's state; "installed" whatever was wanted of it.
bool isInstalledStanza(const std::string& stanza) {
  std::string status = stanzaField(stanza, "Status");
  std::size_t last = status.rfind(' ');
  return last != std::string::npos && status.substr(last + 1) == "installed";
}

std::string stanzaFor(const BasePackage& package) {
  return fmt::format(
      "Package: {}\nStatus: install ok installed\nPriority: required\nSection: System\nInstalled-Size: 0\n"
      "Maintainer: Tovalune device\nArchitecture: {}\nVersion: {}\nDescription: {}\n",
      package.name, deviceArchitecture(), package.version, package.summary);
}

bool copyExecutable(const fs::path& from, const std::string& devicePath, std::string* error) {
  // A copy beside the target renamed over it: a program of the device that is running keeps its file.
  std::string target = platform::hostPath(devicePath);
  std::string temporary = target + ".installing";
  std::error_code ec;
  fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::permissions(temporary, fs::perms(0755), ec);
  if (!ec) fs::rename(temporary, target, ec);
  if (ec) {
    fs::remove(temporary, ec);
    *error = fmt::format("cannot install {} as {}: {}", from.string(), devicePath, ec.message());
    return false;
  }
  return true;
}

}  // namespace

std::string packageDatabasePath() { return devicePackagePath("/var/lib/dpkg"); }
std::string packageLogPath() { return devicePackagePath("/var/log/dpkg.log"); }
std::string deviceArchitecture() { return packageArchitectureOf(deviceJailbreakKind()); }

std::vector<BasePackage> basePackages() {
  // The folders a package owns as dpkg lists them: each one from the top, below the prefix too.
  auto owned = [](std::vector<std::string> rootful) {
    std::vector<std::string> folders;
    std::string prefix(installPrefixOf(deviceJailbreakKind()));
    for (std::size_t at = prefix.find('/', 1); !prefix.empty(); at = prefix.find('/', at + 1)) {
      folders.push_back(prefix.substr(0, at));
      if (at == std::string::npos) break;
    }
    for (const std::string& folder : rootful) folders.push_back(prefix + folder);
    return folders;
  };
  return {
      {"mobilesubstrate", "1.0", "the substrate loader: SpringBoard loads the libraries its filters name",
       owned({"/Library", "/Library/MobileSubstrate", "/Library/MobileSubstrate/DynamicLibraries"})},
      {"preferenceloader", "2.2.6", "the pane loader: Settings lists the panes of its entries",
       owned({"/Library", "/Library/PreferenceLoader", "/Library/PreferenceLoader/Preferences"})},
      // What packages name for the oldest iOS they run on, as the phone's package manager makes it.
      {"firmware", platform::deviceSettings().iosVersion, "the device's iOS version", {}},
  };
}

std::string builtDeviceProgramsFolder() {
  fs::path launcher(launcherExecutablePath());
  return (launcher.parent_path().parent_path() / "device-base" / "usr" / "bin").lexically_normal().string();
}

bool installDevicePrograms(std::string* error) {
  const std::string bin = devicePackagePath("/usr/bin");
  if (!platform::createDirectoryAtPath(bin)) {
    *error = fmt::format("cannot create {}", bin);
    return false;
  }
  fs::path folder(builtDeviceProgramsFolder());
  for (const char* program : kDevicePrograms) {
    fs::path built = folder / program;
    if (::access(built.c_str(), X_OK) != 0) {
      *error = fmt::format("the device's {} is not built ({} is missing)", program, built.string());
      return false;
    }
    if (!copyExecutable(built, bin + "/" + program, error)) return false;
  }
  return true;
}

std::string statusWithBasePackages(const std::string& status) {
  std::vector<std::string> kept;
  const std::vector<BasePackage> wanted = basePackages();
  std::vector<const BasePackage*> missing;
  for (const BasePackage& package : wanted) missing.push_back(&package);
  for (std::string& stanza : stanzas(status)) {
    std::string name = stanzaField(stanza, "Package");
    auto base = std::find_if(missing.begin(), missing.end(), [&](const BasePackage* p) { return name == p->name; });
    if (base != missing.end()) {
      if (!isInstalledStanza(stanza) || stanzaField(stanza, "Version") != (*base)->version ||
          stanzaField(stanza, "Architecture") != deviceArchitecture())
        continue;  // written anew below
      missing.erase(base);
    }
    kept.push_back(std::move(stanza));
  }
  if (missing.empty()) return status;
  for (const BasePackage* package : missing) kept.push_back(stanzaFor(*package));
  std::string text;
  for (const std::string& stanza : kept) text += stanza + "\n";
  return text;
}

bool preparePackageDatabase(std::string* error) {
  const std::string admin = packageDatabasePath();
  for (const std::string& folder : {admin, admin + "/info", admin + "/updates", admin + "/triggers",
                                    platform::stringByDeletingLastPathComponent(packageLogPath())}) {
    if (!platform::createDirectoryAtPath(folder)) {
      *error = fmt::format("cannot create {}", folder);
      return false;
    }
  }
  for (const BasePackage& package : basePackages()) {
    std::string list = "/.\n";
    for (const std::string& folder : package.folders) {
      if (!platform::createDirectoryAtPath(folder)) {
        *error = fmt::format("cannot create {}", folder);
        return false;
      }
      list += folder + "\n";
    }
    // What the package owns, and the checksums of its files (it owns folders only: none).
    const std::pair<std::string, std::string> records[] = {{".list", list}, {".md5sums", ""}};
    for (const auto& [suffix, text] : records) {
      std::string path = admin + "/info/" + package.name + suffix;
      if (!platform::fileExistsAtPath(path) && !platform::writeFile(path, text)) {
        *error = fmt::format("cannot write {}", path);
        return false;
      }
    }
  }
  std::string statusPath = admin + "/status";
  std::string current = platform::readFile(statusPath).value_or("");
  std::string wanted = statusWithBasePackages(current);
  if (wanted != current && !platform::writeFile(statusPath, wanted)) {
    *error = fmt::format("cannot write {}", statusPath);
    return false;
  }
  return addDeviceArchitecture(error);
}
