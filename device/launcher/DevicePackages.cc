#include "device/launcher/DevicePackages.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <fmt/format.h>

#include "device/launcher/DeviceBaseSystem.h"
#include "device/launcher/EngineInstall.h"
#include "device/launcher/HostProgram.h"
#include "platform/foundation/DeviceRoot.h"

namespace fs = std::filesystem;

namespace {

std::string adminDir() { return platform::hostPath(packageDatabasePath()); }

std::string trimmedEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// dpkg-query's answer for one package: "<Status>\t<Version>", empty when unknown.
std::string queryStatusAndVersion(const std::string& name) {
  auto result = runHostProgram({"dpkg-query", "--admindir=" + adminDir(), "--show",
                                "--showformat=${Status}\\t${Version}", name});
  return result.status == 0 ? trimmedEnd(result.output) : std::string();
}

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return bool(out.flush());
}

// Replaces the value of a one-line field of a control file; false when it has no such field.
bool replaceField(std::string& control, const std::string& field, const std::string& value) {
  std::size_t at = control.rfind(field + ":", 0) == 0 ? 0 : control.find("\n" + field + ":");
  if (at == std::string::npos) return false;
  if (at != 0) ++at;
  std::size_t end = control.find('\n', at);
  control.replace(at, end == std::string::npos ? std::string::npos : end - at, field + ": " + value);
  return true;
}

}  // namespace

std::vector<std::string> deviceDpkgCommand(const std::vector<std::string>& args) {
  std::vector<std::string> command{"dpkg", "--root=" + platform::deviceRoot(), "--admindir=" + adminDir(),
                                   "--log=" + platform::hostPath(packageLogPath()), "--force-not-root"};
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

bool addDeviceArchitecture(std::string* error) {
  const std::string architecture = deviceArchitecture();
  auto result = runHostProgram(deviceDpkgCommand({"--add-architecture", architecture}));
  if (result.status != 0) *error = fmt::format("dpkg cannot add the architecture {}: {}", architecture,
                                               trimmedEnd(result.output));
  return result.status == 0;
}

std::optional<PackageFields> readPackageFile(const std::string& hostPackage, std::string* error) {
  std::error_code ec;
  if (!fs::is_regular_file(hostPackage, ec)) {
    *error = fmt::format("there is no package file at {}", hostPackage);
    return std::nullopt;
  }
  auto result = runHostProgram(
      {"dpkg-deb", "--showformat=${Package}\\n${Version}\\n${Architecture}\\n${Pre-Depends}\\n${Depends}\\n",
       "--show", hostPackage});
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < result.output.size();) {
    std::size_t end = result.output.find('\n', start);
    if (end == std::string::npos) end = result.output.size();
    lines.push_back(result.output.substr(start, end - start));
    start = end + 1;
  }
  if (result.status != 0 || lines.size() < 5 || lines[0].empty() || lines[1].empty()) {
    *error = fmt::format("{} is not a Debian package: {}", hostPackage, trimmedEnd(result.output));
    return std::nullopt;
  }
  std::string depends = lines[3].empty() || lines[4].empty() ? lines[3] + lines[4] : lines[3] + ", " + lines[4];
  return PackageFields{lines[0], lines[1], lines[2], depends};
}

bool installPackageFile(const std::string& hostPackage, std::string* error) {
  auto result = runHostProgram(deviceDpkgCommand({"--install", fs::absolute(hostPackage).string()}));
  if (result.status != 0) *error = trimmedEnd(result.output);
  return result.status == 0;
}

bool removePackage(const std::string& name, std::string* error) {
  auto result = runHostProgram(deviceDpkgCommand({"--remove", name}));
  if (result.status != 0) *error = trimmedEnd(result.output);
  return result.status == 0;
}

std::optional<std::string> installedVersion(const std::string& name) {
  std::string answer = queryStatusAndVersion(name);
  std::size_t tab = answer.find('\t');
  if (tab == std::string::npos) return std::nullopt;
  std::string status = answer.substr(0, tab);
  if (status.size() < 10 || status.compare(status.size() - 10, 10, " installed") != 0) return std::nullopt;
  return answer.substr(tab + 1);
}

bool isPackageKnown(const std::string& name) {
  std::string answer = queryStatusAndVersion(name);
  return !answer.empty() && answer.rfind("unknown ok not-installed", 0) != 0;
}

bool isNewerVersion(const std::string& a, const std::string& b) {
  return runHostProgram({"dpkg", "--compare-versions", a, "gt", b}).status == 0;
}

std::optional<std::string> packageWithEngine(const std::string& hostPackage, const std::string& hostEngine,
                                             const std::string& folder, std::string* error) {
  fs::path tree = fs::path(folder) / "tree";
  auto unpacked = runHostProgram({"dpkg-deb", "--raw-extract", hostPackage, tree.string()});
  if (unpacked.status != 0) {
    *error = fmt::format("cannot unpack {}: {}", hostPackage, trimmedEnd(unpacked.output));
    return std::nullopt;
  }
  const std::string engineEntry = engineDevicePath().substr(1);
  std::error_code ec;
  fs::copy_file(hostEngine, tree / engineEntry, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::permissions(tree / engineEntry, fs::perms(0755), ec);
  if (ec) {
    *error = fmt::format("cannot put {} into the package: {}", hostEngine, ec.message());
    return std::nullopt;
  }

  // The checksum dpkg keeps for the engine, and the installed size, are the new engine's.
  fs::path md5sums = tree / "DEBIAN" / "md5sums";
  if (fs::exists(md5sums, ec)) {
    auto sum = runHostProgram({"md5sum", (tree / engineEntry).string()});
    std::string text = readText(md5sums), updated;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find('\n', start);
      std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      start = end == std::string::npos ? text.size() : end + 1;
      if (line.size() > 34 && line.substr(34) == engineEntry && sum.status == 0 && sum.output.size() >= 32)
        line = sum.output.substr(0, 32) + "  " + engineEntry;
      updated += line + "\n";
    }
    if (!writeText(md5sums, updated)) {
      *error = "cannot write the package's checksums";
      return std::nullopt;
    }
  }
  std::uintmax_t kib = 0;
  for (fs::recursive_directory_iterator it(tree, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().lexically_relative(tree).begin()->string() == "DEBIAN") continue;
    if (it->is_regular_file(ec)) kib += (it->file_size(ec) + 1023) / 1024;
  }
  fs::path controlPath = tree / "DEBIAN" / "control";
  std::string control = readText(controlPath);
  replaceField(control, "Installed-Size", std::to_string(kib));
  if (!writeText(controlPath, control)) {
    *error = "cannot write the package's control file";
    return std::nullopt;
  }

  fs::path output = fs::path(folder) / fs::path(hostPackage).filename();
  // Made to be installed at once and thrown away: quick compression serves it best.
  auto built = runHostProgram(
      {"dpkg-deb", "--root-owner-group", "-Zgzip", "-z1", "--build", tree.string(), output.string()});
  if (built.status != 0) {
    *error = fmt::format("cannot build the package around {}: {}", hostEngine, trimmedEnd(built.output));
    return std::nullopt;
  }
  return output.string();
}
