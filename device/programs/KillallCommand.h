#pragma once
// The device's /usr/bin/killall: signals, by name, the processes of its own device and of no
// other. It knows the device's processes from their pid files (see RecordedProcesses.h), so a
// SpringBoard of another device or of a test, or a stranger that inherited a stale pid, is
// never touched.
//
//   killall [-v] [-SIGNAL | -s SIGNAL] NAME...    (SIGTERM when no signal is given)
//   killall -l                                     (the signal names)
//
// Exit status: 0 when at least one process was signalled, 1 when none matched (or none could be
// signalled), 2 for a usage error.
#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

struct KillallRequest {
  int signal = SIGTERM;
  bool listSignals = false;
  bool verbose = false;
  std::vector<std::string> names;
};

// Reads killall's arguments (argv without argv[0]). False, with the message in *error, on a
// usage error.
bool parseKillallArguments(const std::vector<std::string>& args, KillallRequest* request, std::string* error);

// Carries the request out on the device at `canonicalRoot` (empty: the program belongs to no
// device), printing to `out` and `err`. Returns the exit status.
int runKillall(const KillallRequest& request, const std::string& canonicalRoot, std::FILE* out, std::FILE* err);

// The whole program: parse, find the device, run.
int killallMain(const std::vector<std::string>& args, const std::string& canonicalRoot, std::FILE* out,
                std::FILE* err);
