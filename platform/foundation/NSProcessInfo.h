#pragma once
// The running process and its neighbours on the host, read from /proc.
//
// This is the one place that reads them. It depends on the C++ library alone and is compiled into
// each library and program that needs it (Foundation, the dynamic loader's image list, the
// device's own programs, which must run without the platform libraries beside them).
#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// NSProcessInfo arguments: the process's argument list as it was started (argv).
std::vector<std::string> processArguments();

// The host path of the running program's executable (NSBundle mainBundle executablePath, before
// any mapping into the device); empty when it cannot be read.
std::string executablePath();

// Whether the process `pid` runs: it exists and has not ended (a zombie, ended but not yet
// collected by its parent, does not run). A process of another user counts: it may not be
// signalled, but it runs.
bool isRunningProcess(pid_t pid);

}  // namespace platform
