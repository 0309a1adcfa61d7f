#include "device/programs/DpkgQueryCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

namespace fs = std::filesystem;

std::vector<std::string> dpkgQueryCommandLine(const std::string& canonicalRoot, const std::string& prefix,
                                              const std::vector<std::string>& args) {
  std::vector<std::string> argv{kHostDpkgQuery, "--admindir=" + canonicalRoot + prefix + "/var/lib/dpkg"};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

int execDpkgQuery(const std::string& canonicalRoot, const std::string& prefix, const std::vector<std::string>& args) {
  if (canonicalRoot.empty()) {
    fmt::print(stderr, "dpkg-query: cannot tell which device this is (not run from a device's /usr/bin, and "
                       "SIMULATED_DEVICE_ROOT names no device folder)\n");
    return 2;
  }
  // Should this program ever stand at the host's own path, running "the host's" would run itself.
  std::error_code ec;
  if (fs::equivalent("/proc/self/exe", kHostDpkgQuery, ec)) {
    fmt::print(stderr, "dpkg-query: {} is this program itself, not the machine's dpkg-query\n", kHostDpkgQuery);
    return 2;
  }
  std::vector<std::string> argv = dpkgQueryCommandLine(canonicalRoot, prefix, args);
  std::vector<char*> raw;
  for (std::string& arg : argv) raw.push_back(arg.data());
  raw.push_back(nullptr);
  ::execv(kHostDpkgQuery, raw.data());
  fmt::print(stderr, "dpkg-query: cannot run {}: {}\n", kHostDpkgQuery, std::strerror(errno));
  return 2;
}
