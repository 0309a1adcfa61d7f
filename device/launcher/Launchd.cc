#include "device/launcher/Launchd.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSProcessInfo.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A SpringBoard that fails sooner than this after its start counts towards the crash loop.
constexpr auto kQuickExit = 10s;
constexpr int kCrashLoopLimit = 10;
constexpr auto kFirstBackOff = 100ms;
constexpr auto kLongestBackOff = 5s;
constexpr auto kStopGrace = 5s;

std::string procFile(pid_t pid, const char* name) {
  std::ifstream in(fmt::format("/proc/{}/{}", pid, name), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

pid_t readPidFile(const char* devicePath) {
  auto text = platform::readFile(devicePath);
  if (!text) return 0;
  char* end = nullptr;
  long pid = std::strtol(text->c_str(), &end, 10);
  return pid > 0 && pid < (1L << 22) ? pid_t(pid) : 0;
}

void writePidFile(const char* devicePath, pid_t pid) {
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(devicePath));
  platform::writeFile(devicePath, fmt::format("{}\n", pid));
}

bool isFatalCrash(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status) != 0;
  // Killed from outside (killall -9, a restart) is not SpringBoard's own failure.
  return WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL && WTERMSIG(status) != SIGTERM;
}

std::string describeExit(int status) {
  if (WIFEXITED(status)) return fmt::format("exited with status {}", WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return fmt::format("was ended by signal {} ({})", WTERMSIG(status), strsignal(WTERMSIG(status)));
  return "ended";
}

// In a freshly forked child: input from nowhere, output and errors appended to the log, and no
// descriptor of the parent's left open.
void redirectStandardFiles(const std::string& log) {
  int in = ::open("/dev/null", O_RDONLY);
  int out = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (in >= 0) ::dup2(in, 0);
  if (out >= 0) {
    ::dup2(out, 1);
    ::dup2(out, 2);
  }
  ::close_range(3, ~0U, 0);
}

pid_t spawnSpringBoard(const sigset_t& childMask) {
  std::string path = springBoardExecutablePath();
  std::string log = platform::hostPath(kSpringBoardLogPath);
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::sigprocmask(SIG_SETMASK, &childMask, nullptr);
  redirectStandardFiles(log);
  // argv[0] is the executable's path, whose last component says SpringBoard to everyone who asks.
  char* argv[] = {path.data(), nullptr};
  ::execv(path.c_str(), argv);
  std::fprintf(stderr, "launchd: cannot start %s: %s\n", path.c_str(), std::strerror(errno));
  std::_Exit(127);
}

// Waits for a signal of the set for at most `timeout`; 0 on timeout.
int waitForSignal(const sigset_t& set, std::chrono::milliseconds timeout) {
  auto ms = std::max<long long>(0, timeout.count());
  timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000};
  int sig = ::sigtimedwait(&set, nullptr, &ts);
  return sig < 0 ? 0 : sig;
}

void stopChild(pid_t child, const sigset_t& set) {
  if (child <= 0) return;
  ::kill(child, SIGTERM);
  auto deadline = Clock::now() + kStopGrace;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (Clock::now() >= deadline) {
      NSLog("launchd: SpringBoard did not stop in time; killing it");
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return;
    }
    waitForSignal(set, 100ms);
  }
}

}  // namespace

std::string launcherExecutablePath() { return platform::executablePath(); }

std::string springBoardExecutablePath() {
  return platform::stringByAppendingPathComponent(
      platform::stringByDeletingLastPathComponent(launcherExecutablePath()), "SpringBoard");
}

pid_t runningLaunchdPid() {
  pid_t pid = readPidFile(kLaunchdPidPath);
  if (!platform::isRunningProcess(pid)) return 0;
  // A pid file outlives a machine restart; the number may belong to someone else by now.
  std::string cmdline = procFile(pid, "cmdline");
  return cmdline.find(std::string("launchd") + '\0') != std::string::npos ? pid : 0;
}

pid_t runningSpringBoardPid() {
  pid_t pid = readPidFile(kSpringBoardPidPath);
  if (!platform::isRunningProcess(pid)) return 0;
  std::string comm = procFile(pid, "comm");
  return comm.rfind("SpringBoard", 0) == 0 ? pid : 0;
}

int runLaunchd() {
  platform::setProcessName("launchd");
  if (pid_t other = runningLaunchdPid(); other && other != ::getpid()) {
    NSLog("launchd: the device already has a supervisor (pid {})", other);
    return 0;
  }
  writePidFile(kLaunchdPidPath, ::getpid());

  sigset_t set, previous;
  sigemptyset(&set);
  for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&set, sig);
  ::sigprocmask(SIG_BLOCK, &set, &previous);

  pid_t child = 0;
  auto startedAt = Clock::now();
  auto nextStart = Clock::now();
  int quickCrashes = 0;
  NSLog("launchd: supervising {}", springBoardExecutablePath());
  for (;;) {
    if (!child && Clock::now() >= nextStart) {
      child = spawnSpringBoard(previous);
      if (child < 0) {
        NSLog("launchd: cannot fork: {}", std::strerror(errno));
        child = 0;
        nextStart = Clock::now() + kLongestBackOff;
      } else {
        startedAt = Clock::now();
        writePidFile(kSpringBoardPidPath, child);
        NSLog("launchd: started SpringBoard (pid {})", child);
      }
    }
    auto wait = child ? std::chrono::milliseconds(1000)
                      : std::chrono::duration_cast<std::chrono::milliseconds>(nextStart - Clock::now());
    int sig = waitForSignal(set, wait);
    if (sig == SIGTERM || sig == SIGINT || sig == SIGHUP) break;

    int status = 0;
    for (pid_t ended; (ended = ::waitpid(-1, &status, WNOHANG)) > 0;) {
      if (ended != child) continue;
      child = 0;
      bool quick = Clock::now() - startedAt < kQuickExit;
      quickCrashes = isFatalCrash(status) && quick ? quickCrashes + 1 : 0;
      if (quickCrashes >= kCrashLoopLimit) {
        NSLog("launchd: SpringBoard {} and has crashed {} times in a row; giving up", describeExit(status),
              quickCrashes);
        platform::removeItemAtPath(kSpringBoardPidPath);
        platform::removeItemAtPath(kLaunchdPidPath);
        return 1;
      }
      auto backOff = quickCrashes == 0 ? kFirstBackOff : std::min<std::chrono::milliseconds>(
                                                             kFirstBackOff * (1 << quickCrashes), kLongestBackOff);
      NSLog("launchd: SpringBoard {}; starting it again in {} ms", describeExit(status), backOff.count());
      nextStart = Clock::now() + backOff;
    }
  }

  NSLog("launchd: stopping");
  stopChild(child, set);
  platform::removeItemAtPath(kSpringBoardPidPath);
  platform::removeItemAtPath(kLaunchdPidPath);
  return 0;
}

bool startLaunchd(std::string* error) {
  std::string launcher = launcherExecutablePath();
  if (::access(springBoardExecutablePath().c_str(), X_OK) != 0) {
    *error = fmt::format("SpringBoard is not built ({} is missing)", springBoardExecutablePath());
    return false;
  }
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(kLaunchdLogPath));
  std::string root = platform::deviceRoot();
  std::string log = platform::hostPath(kLaunchdLogPath);
  pid_t first = ::fork();
  if (first < 0) {
    *error = fmt::format("cannot fork: {}", std::strerror(errno));
    return false;
  }
  if (first == 0) {
    // A session of its own and a second fork: the supervisor outlives the launcher and never
    // holds the launcher's terminal or pipes open.
    ::setsid();
    if (::fork() != 0) std::_Exit(0);
    redirectStandardFiles(log);
    std::string device = "--device";
    std::string command = "launchd";
    char* argv[] = {launcher.data(), device.data(), root.data(), command.data(), nullptr};
    ::execv(launcher.c_str(), argv);
    std::_Exit(127);
  }
  int status = 0;
  ::waitpid(first, &status, 0);
  auto deadline = Clock::now() + 5s;
  while (!runningLaunchdPid()) {
    if (Clock::now() >= deadline) {
      *error = fmt::format("the supervisor did not start (see {})", log);
      return false;
    }
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

int runShutdown() {
  pid_t launchd = runningLaunchdPid();
  pid_t springBoard = runningSpringBoardPid();
  if (!launchd && !springBoard) {
    fmt::print("The device at {} is not running.\n", platform::deviceRoot());
    return 0;
  }
  if (launchd) ::kill(launchd, SIGTERM);
  else ::kill(springBoard, SIGTERM);  // left behind by a supervisor that was killed
  auto deadline = Clock::now() + kStopGrace + 2s;
  while (platform::isRunningProcess(launchd) || platform::isRunningProcess(springBoard)) {
    if (Clock::now() >= deadline) {
      if (platform::isRunningProcess(launchd)) ::kill(launchd, SIGKILL);
      if (platform::isRunningProcess(springBoard)) ::kill(springBoard, SIGKILL);
      deadline = Clock::now() + 2s;
    }
    std::this_thread::sleep_for(20ms);
  }
  platform::removeItemAtPath(kSpringBoardPidPath);
  platform::removeItemAtPath(kLaunchdPidPath);
  fmt::print("The device at {} is shut down.\n", platform::deviceRoot());
  return 0;
}

pid_t spawnDetached(const std::string& path, const std::vector<std::string>& argv, const std::string& hostLog) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return 0;
  pid_t first = ::fork();
  if (first < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return 0;
  }
  if (first == 0) {
    ::setsid();
    pid_t second = ::fork();
    if (second != 0) {
      // Tells the launcher who the program is, then leaves it to init.
      ssize_t written = ::write(report[1], &second, sizeof second);
      std::_Exit(written == sizeof second ? 0 : 1);
    }
    redirectStandardFiles(hostLog);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(path.c_str(), args.data());
    std::fprintf(stderr, "launcher: cannot start %s: %s\n", path.c_str(), std::strerror(errno));
    std::_Exit(127);
  }
  ::close(report[1]);
  pid_t started = 0;
  if (::read(report[0], &started, sizeof started) != sizeof started) started = 0;
  ::close(report[0]);
  int status = 0;
  ::waitpid(first, &status, 0);
  return started > 0 ? started : 0;
}

bool isLiveDeviceProcess(pid_t pid, const std::string& name) {
  return platform::isRunningProcess(pid) && procFile(pid, "comm").rfind(name, 0) == 0;
}
