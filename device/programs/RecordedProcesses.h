#pragma once
// The processes of one device: those its supervisor (launchd's role) or its launcher started and
// recorded in pid files, <root>/private/var/simulator/<name>.pid. A pid file is only a hint: the
// number may belong to another program by now (the device crashed, the machine restarted), so a
// process counts as the device's only while it is alive, runs under the name its pid file gives
// (SpringBoard.pid: a process named SpringBoard), and runs with that very device root in its
// environment.
#include <sys/types.h>

#include <string>
#include <vector>

inline constexpr const char* kRecordedProcessesFolder = "private/var/simulator";

struct RecordedProcess {
  pid_t pid = 0;
  std::string record;               // the pid file's name without ".pid"
  std::vector<std::string> names;   // what the process answers to: short name, argv[0], executable
};

// The recorded processes that really are the device's (see above), in pid-file name order. The
// supervisor is left out: like a device's init process it is not its user's to signal, and ending
// it would take the whole device down.
std::vector<RecordedProcess> recordedProcesses(const std::string& canonicalRoot);

// The parts of the check, for one pid (beside platform::isRunningProcess).
std::vector<std::string> processNames(pid_t pid);
// The canonical device root in the process's environment; empty when it has none or it cannot be read.
std::string processDeviceRoot(pid_t pid);

// The number in a pid file's text; 0 when it holds no plausible pid.
pid_t parsePid(const std::string& text);
