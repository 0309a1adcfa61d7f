#pragma once
// launchd's role on the simulated device: a small supervisor process that keeps SpringBoard
// running. `boot` starts it detached; it starts SpringBoard (its output appended to
// SpringBoard.log), starts it again whenever it ends, backing off when it keeps crashing, and on
// SIGTERM stops SpringBoard and itself. Pid files in the device root name both.
#include <sys/types.h>

#include <string>
#include <vector>

inline constexpr const char* kLaunchdPidPath = "/private/var/simulator/launchd.pid";
inline constexpr const char* kSpringBoardPidPath = "/private/var/simulator/SpringBoard.pid";
inline constexpr const char* kLaunchdLogPath = "/private/var/log/launchd.log";
inline constexpr const char* kSpringBoardLogPath = "/private/var/log/SpringBoard.log";

// The launcher's own executable, and SpringBoard beside it.
std::string launcherExecutablePath();
std::string springBoardExecutablePath();

// The supervisor of this device while it runs; 0 otherwise (a stale pid file is not trusted).
pid_t runningLaunchdPid();
// The SpringBoard the supervisor started last, while it runs; 0 otherwise.
pid_t runningSpringBoardPid();

// The supervisor itself (hidden subcommand `launchd`); returns when told to stop.
int runLaunchd();
// Starts the supervisor detached from the launcher; false with the reason in *error.
bool startLaunchd(std::string* error);
// `shutdown`: stops the supervisor and SpringBoard and waits until both are gone.
int runShutdown();

// Starts a program detached from the launcher: a session of its own, input from nowhere, output
// appended to the log (a host path), and not the launcher's child (a long-running launcher leaves
// no zombie behind). Its pid, or 0 when it could not be started.
pid_t spawnDetached(const std::string& path, const std::vector<std::string>& argv, const std::string& hostLog);
// True while the process lives (not a zombie) under a name that begins with `name`.
bool isLiveDeviceProcess(pid_t pid, const std::string& name);
