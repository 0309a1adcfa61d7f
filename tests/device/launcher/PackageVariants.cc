#include "tests/device/launcher/PackageVariants.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "device/jailbreak/JailbreakLayout.h"
#include "platform/foundation/DeviceRoot.h"

namespace fs = std::filesystem;

std::string builtPackageFor(platform::JailbreakKind kind) {
  return kind == platform::JailbreakKind::Rootful ? TOVALUNE_TEST_ROOTFUL_PACKAGE : TOVALUNE_TEST_ROOTLESS_PACKAGE;
}
std::string builtPackage() { return builtPackageFor(deviceJailbreakKind()); }
std::string projectVersion() { return TOVALUNE_TEST_VERSION; }

std::string packageVariant(const std::string& folder, const std::string& name,
                           const std::map<std::string, std::string>& fields,
                           const std::map<std::string, std::string>& scripts) {
  fs::path tree = fs::path(folder) / (name + ".tree");
  fs::remove_all(tree);
  auto unpacked = runProgram({"/usr/bin/dpkg-deb", "--raw-extract", builtPackage(), tree.string()});
  EXPECT_EQ(unpacked.status, 0) << unpacked.out << unpacked.err;
  fs::path controlPath = tree / "DEBIAN" / "control";
  std::ifstream in(controlPath);
  std::string control, line;
  std::map<std::string, std::string> pending = fields;
  while (std::getline(in, line)) {
    auto colon = line.find(':');
    if (line[0] != ' ' && colon != std::string::npos && pending.count(line.substr(0, colon))) {
      std::string field = line.substr(0, colon);
      line = field + ": " + pending[field];
      pending.erase(field);
    }
    control += line + "\n";
  }
  in.close();
  std::string added;
  for (const auto& [field, value] : pending) added += field + ": " + value + "\n";
  control.insert(0, added);
  std::ofstream(controlPath, std::ios::trunc) << control;
  for (const auto& [script, text] : scripts) {
    std::ofstream(tree / "DEBIAN" / script, std::ios::trunc) << text;
    fs::permissions(tree / "DEBIAN" / script, fs::perms(0755));
  }
  fs::path deb = fs::path(folder) / (name + ".deb");
  auto built = runProgram(
      {"/usr/bin/dpkg-deb", "--root-owner-group", "-Zgzip", "-z1", "--build", tree.string(), deb.string()});
  EXPECT_EQ(built.status, 0) << built.out << built.err;
  return deb.string();
}

ProgramResult queryDevicePackages(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"/usr/bin/dpkg-query",
                                "--admindir=" + platform::hostPath(devicePackagePath("/var/lib/dpkg"))};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv);
}

std::string packageState(const std::string& name) {
  auto result = queryDevicePackages({"--show", "--showformat=${Status} ${Version}", name});
  return result.status == 0 ? result.out : std::string();
}
