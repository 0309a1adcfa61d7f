#pragma once
// Helpers for tests that run the simulated device's real programs over a temporary device root:
// running the launcher, a SpringBoard of the test's own, asking it over its socket, installing
// test add-ons, and waiting for conditions with a deadline.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Whether a process still runs: platform::isRunningProcess.
#include "platform/foundation/NSProcessInfo.h"

struct ProgramResult {
  int status = -1;  // exit status; 128 + signal when a signal ended it
  std::string out;
  std::string err;
};

// Runs a program to its end (killed after the timeout) with the test's environment.
ProgramResult runProgram(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::seconds(60));
// tovalune-device --device <the current device root> args...
ProgramResult runLauncher(const std::vector<std::string>& args);
// The same, expected to succeed (a failure of the test otherwise, naming the command and its
// output): what it printed.
std::string launcherOk(const std::vector<std::string>& args);
// Boots the test's device root with a phone-sized screen (390 x 844 points at scale 1), the given
// engine and any further boot options; a fatal failure of the test when it cannot.
void bootPhoneSized(const std::string& engine, const std::vector<std::string>& options = {});

std::string launcherPath();
std::string springBoardPath();
std::string testTweakPath();

// Polls until the condition holds; false at the deadline.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The reply of the SpringBoard of the current device root; nothing when none answers.
std::optional<nlohmann::json> askSpringBoard(const std::string& request,
                                             std::chrono::milliseconds timeout = std::chrono::seconds(30));

// How a test add-on's filter names processes.
enum class TweakFilter { None, SpringBoardBundle, SpringBoardExecutable, OtherProcess };
// Copies the test add-on into the device's substrate folder (where the device's kind keeps it) as
// <name>.dylib, with its filter.
void installTestTweak(const std::string& name, TweakFilter filter);

// A SpringBoard started by the test itself (argv[0] its path), its output in a file; ended with
// SIGTERM (then SIGKILL) when the object goes, whatever the test's outcome.
class SpringBoardProcess {
 public:
  SpringBoardProcess();
  ~SpringBoardProcess();
  SpringBoardProcess(const SpringBoardProcess&) = delete;
  SpringBoardProcess& operator=(const SpringBoardProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Waits until it answers on its socket.
  bool waitUntilReady(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Sends SIGTERM and waits for the end: its exit status (128 + signal), nothing at the timeout.
  std::optional<int> terminate(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Waits for it to end by itself.
  std::optional<int> waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  std::string output() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  std::string logPath_;
};

// A device booted by the launcher; shut down (and any leftover process killed) when it goes.
class BootedDeviceGuard {
 public:
  BootedDeviceGuard() = default;
  ~BootedDeviceGuard();
  BootedDeviceGuard(const BootedDeviceGuard&) = delete;
  BootedDeviceGuard& operator=(const BootedDeviceGuard&) = delete;
};

// Pid in a device pid file; 0 when there is none.
pid_t pidFromFile(const std::string& devicePath);
