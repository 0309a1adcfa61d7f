#pragma once
// Starting programs: posix_spawn, and NSTask with its standard output in a pipe (NSPipe) read to
// the end. Programs are the real ones of this machine ("/usr/bin/killall", "/usr/bin/dpkg-query"),
// unless the device root holds an executable at that device path, which then stands in for it.
// Children inherit the environment, so they share the device root; standard input is /dev/null.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace platform {

// posix_spawn of `path` with `argv` (argv[0] included, as the program sees it). Returns 0 and the
// child in *pid, or an errno value (and logs why).
int posix_spawn(pid_t* pid, const std::string& path, const std::vector<std::string>& argv);

// Waits for the child to end: its exit status, 128 + the signal number when a signal ended it,
// nothing when it is not a child of this process.
std::optional<int> waitForProcess(pid_t pid);

// The program a launch path stands for on this machine (see above).
std::string resolveLaunchPath(const std::string& path);

}  // namespace platform

class NSTask {
 public:
  NSTask(std::string launchPath, std::vector<std::string> arguments);
  // Reaps the child if it has ended; one still running is left to run.
  ~NSTask();
  NSTask(const NSTask&) = delete;
  NSTask& operator=(const NSTask&) = delete;

  // setCurrentDirectoryPath: the device folder the program starts in; without one it inherits
  // this process's. A folder that does not exist makes launch fail (with a log line).
  void setCurrentDirectoryPath(std::string devicePath) { currentDirectory_ = std::move(devicePath); }
  // Starts the program with its standard output in a pipe. False (and a log line) when it cannot
  // start, or when it was launched already.
  bool launch();
  // [[pipe fileHandleForReading] readDataToEndOfFile]: everything the program writes until it
  // closes its output. Beyond 16 MiB the rest is read and dropped, so a chatty program cannot fill
  // the memory.
  std::string readDataToEndOfFile();
  void waitUntilExit();
  // Exit status after waitUntilExit (128 + signal when a signal ended it); -1 before.
  int terminationStatus() const { return status_; }
  pid_t processIdentifier() const { return pid_; }

 private:
  std::string launchPath_;
  std::vector<std::string> arguments_;
  std::string currentDirectory_;
  pid_t pid_ = -1;
  int outFd_ = -1;
  int status_ = -1;
  std::string unread_;  // output drained by waitUntilExit, still to be handed out
};
