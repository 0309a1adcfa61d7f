#include "device/programs/KillallCommand.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include <fmt/format.h>

#include "device/programs/RecordedProcesses.h"
#include "device/programs/SignalNames.h"
#include "platform/foundation/NSProcessInfo.h"

namespace {

constexpr const char* kUsage = "usage: killall [-v] [-SIGNAL | -s SIGNAL] NAME...\n       killall -l";

bool answersTo(const RecordedProcess& process, const std::string& name) {
  return std::find(process.names.begin(), process.names.end(), name) != process.names.end();
}

bool stillTheSame(const RecordedProcess& process, const std::string& name, const std::string& root) {
  std::vector<std::string> names = processNames(process.pid);
  return platform::isRunningProcess(process.pid) && processDeviceRoot(process.pid) == root &&
         std::find(names.begin(), names.end(), name) != names.end();
}

// The process is pinned through a pidfd before it is checked again, so the signal reaches the
// very process that passed the check even if its pid is handed on in between. A kernel without
// pidfds gets the check and a plain kill right after it.
int signalPinned(const RecordedProcess& process, const std::string& name, const std::string& root, int signal) {
  int fd = int(::syscall(SYS_pidfd_open, process.pid, 0));
  if (fd < 0 && errno == ENOSYS) {
    if (!stillTheSame(process, name, root)) return ESRCH;
    return ::kill(process.pid, signal) == 0 ? 0 : errno;
  }
  if (fd < 0) return errno;
  int result = 0;
  if (!stillTheSame(process, name, root)) {
    result = ESRCH;
  } else if (::syscall(SYS_pidfd_send_signal, fd, signal, nullptr, 0) != 0) {
    result = errno;
  }
  ::close(fd);
  return result;
}

}  // namespace

bool parseKillallArguments(const std::vector<std::string>& args, KillallRequest* request, std::string* error) {
  *request = KillallRequest{};
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.size() < 2 || arg[0] != '-') break;
    if (arg == "-l") {
      request->listSignals = true;
    } else if (arg == "-v") {
      request->verbose = true;
    } else if (arg == "-s") {
      if (i + 1 == args.size()) {
        *error = "killall: -s needs a signal";
        return false;
      }
      auto signal = signalFromText(args[++i]);
      if (!signal) {
        *error = fmt::format("killall: unknown signal {}; killall -l lists them", args[i]);
        return false;
      }
      request->signal = *signal;
    } else if (auto signal = signalFromText(std::string_view(arg).substr(1))) {
      request->signal = *signal;
    } else {
      *error = fmt::format("killall: unknown signal or option {}; killall -l lists the signals", arg);
      return false;
    }
  }
  request->names.assign(args.begin() + std::ptrdiff_t(i), args.end());
  if (std::any_of(request->names.begin(), request->names.end(), [](const std::string& n) { return n.empty(); })) {
    *error = "killall: a process name cannot be empty";
    return false;
  }
  if (request->names.empty() && !request->listSignals) {
    *error = "killall: no process name given";
    return false;
  }
  return true;
}

int runKillall(const KillallRequest& request, const std::string& canonicalRoot, std::FILE* out, std::FILE* err) {
  if (request.listSignals) {
    fmt::print(out, "{}\n", signalList());
    if (request.names.empty()) return 0;
  }
  if (canonicalRoot.empty()) {
    fmt::print(err, "killall: cannot tell which device this is (not run from a device's /usr/bin, and "
                    "SIMULATED_DEVICE_ROOT names no device folder)\n");
    return 2;
  }
  std::vector<RecordedProcess> processes = recordedProcesses(canonicalRoot);
  std::set<pid_t> signalled;
  bool failed = false;
  for (const std::string& name : request.names) {
    for (const RecordedProcess& process : processes) {
      if (!answersTo(process, name) || signalled.count(process.pid)) continue;
      int result = signalPinned(process, name, canonicalRoot, request.signal);
      if (result == ESRCH) continue;  // ended (or changed) since it was listed: nothing to signal
      if (result != 0) {
        fmt::print(err, "killall: cannot signal {} (pid {}): {}\n", name, process.pid, std::strerror(result));
        failed = true;
        continue;
      }
      signalled.insert(process.pid);
      if (request.verbose) fmt::print(out, "Sent {} to {} (pid {})\n", signalName(request.signal), name, process.pid);
    }
  }
  if (!signalled.empty()) return 0;
  if (!failed) fmt::print(err, "No matching processes were found on this device\n");
  return 1;
}

int killallMain(const std::vector<std::string>& args, const std::string& canonicalRoot, std::FILE* out,
                std::FILE* err) {
  KillallRequest request;
  std::string error;
  if (!parseKillallArguments(args, &request, &error)) {
    fmt::print(err, "{}\n{}\n", error, kUsage);
    return 2;
  }
  return runKillall(request, canonicalRoot, out, err);
}
