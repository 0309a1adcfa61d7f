#include "device/programs/RecordedProcesses.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/foundation/NSProcessInfo.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kRootVariable = "SIMULATED_DEVICE_ROOT=";
constexpr const char* kSupervisorRecord = "launchd";

std::string procFile(pid_t pid, const char* name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// /proc lists of NUL-terminated strings (cmdline, environ).
std::vector<std::string> nulSeparated(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    items.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

void addName(std::vector<std::string>& names, const std::string& name) {
  if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

}  // namespace

pid_t parsePid(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return 0;
  errno = 0;
  char* end = nullptr;
  long pid = std::strtol(text.c_str() + begin, &end, 10);
  if (errno != 0 || end == text.c_str() + begin) return 0;
  for (const char* rest = end; *rest; ++rest)
    if (*rest != '\n' && *rest != ' ' && *rest != '\t' && *rest != '\r') return 0;
  // The kernel hands out pids below 2^22; pid 1 is the machine's init, never a device's.
  return pid > 1 && pid < (1L << 22) ? pid_t(pid) : 0;
}

std::vector<std::string> processNames(pid_t pid) {
  std::vector<std::string> names;
  std::string comm = procFile(pid, "comm");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();
  addName(names, comm);
  // The short name stops at 15 characters; argv[0] and the executable carry the whole name.
  auto argv = nulSeparated(procFile(pid, "cmdline"));
  if (!argv.empty()) addName(names, fs::path(argv.front()).filename().string());
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
  if (!ec) addName(names, exe.filename().string());
  return names;
}

std::string processDeviceRoot(pid_t pid) {
  const std::string prefix = kRootVariable;
  std::string root;
  for (const std::string& entry : nulSeparated(procFile(pid, "environ")))
    if (entry.rfind(prefix, 0) == 0) root = entry.substr(prefix.size());
  if (root.empty()) return {};
  fs::path path(root);
  if (path.is_relative()) path = fs::path("/proc/" + std::to_string(pid) + "/cwd") / path;
  std::error_code ec;
  fs::path canonical = fs::canonical(path, ec);
  return ec ? std::string() : canonical.string();
}

std::vector<RecordedProcess> recordedProcesses(const std::string& canonicalRoot) {
  std::vector<RecordedProcess> found;
  if (canonicalRoot.empty()) return found;
  fs::path folder = fs::path(canonicalRoot) / kRecordedProcessesFolder;
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".pid" && it->is_regular_file(ec)) files.push_back(it->path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::string record = file.stem().string();
    if (record == kSupervisorRecord) continue;
    std::ifstream in(file);
    pid_t pid = parsePid(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    if (!platform::isRunningProcess(pid) || processDeviceRoot(pid) != canonicalRoot) continue;
    // The number of a pid file that outlived its process may have gone to any program since.
    auto names = processNames(pid);
    if (std::find(names.begin(), names.end(), record) == names.end()) continue;
    bool listed = std::any_of(found.begin(), found.end(), [&](const RecordedProcess& p) { return p.pid == pid; });
    if (!listed) found.push_back(RecordedProcess{pid, record, std::move(names)});
  }
  return found;
}
