#include "platform/system/NSTask.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSLog.h"

extern char** environ;

namespace platform {
namespace {

constexpr std::size_t kMaxOutputBytes = 16u << 20;

int spawn(pid_t* pid, const std::string& path, const std::vector<std::string>& argv, int stdoutFd, int closeFd,
          const std::string& directory = {}) {
  std::string program = resolveLaunchPath(path);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  if (args.empty()) args.push_back(const_cast<char*>(path.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  if (closeFd >= 0) posix_spawn_file_actions_addclose(&actions, closeFd);
  std::string hostDirectory = directory.empty() ? std::string() : hostPath(directory);
  if (!hostDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, hostDirectory.c_str());
  int rc = ::posix_spawn(pid, program.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) NSLog("Could not start {}: {}", path, std::strerror(rc));
  return rc;
}

}  // namespace

std::string resolveLaunchPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string device = hostPath(path);
  struct stat st {};
  if (::stat(device.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(device.c_str(), X_OK) == 0) return device;
  return path;
}

int posix_spawn(pid_t* pid, const std::string& path, const std::vector<std::string>& argv) {
  pid_t child = -1;
  int rc = spawn(&child, path, argv, -1, -1);
  if (pid) *pid = rc == 0 ? child : -1;
  return rc;
}

std::optional<int> waitForProcess(pid_t pid) {
  int status = 0;
  for (;;) {
    pid_t r = ::waitpid(pid, &status, 0);
    if (r == pid) break;
    if (r < 0 && errno == EINTR) continue;
    return std::nullopt;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return std::nullopt;
}

}  // namespace platform

NSTask::NSTask(std::string launchPath, std::vector<std::string> arguments)
    : launchPath_(std::move(launchPath)), arguments_(std::move(arguments)) {}

NSTask::~NSTask() {
  if (outFd_ >= 0) ::close(outFd_);
  if (pid_ > 0 && status_ < 0) ::waitpid(pid_, nullptr, WNOHANG);
}

bool NSTask::launch() {
  if (pid_ > 0) {
    NSLog("NSTask {} was launched already", launchPath_);
    return false;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    NSLog("Could not start {}: {}", launchPath_, std::strerror(errno));
    return false;
  }
  std::vector<std::string> argv{launchPath_};
  argv.insert(argv.end(), arguments_.begin(), arguments_.end());
  pid_t child = -1;
  int rc = platform::spawn(&child, launchPath_, argv, fds[1], fds[0], currentDirectory_);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return false;
  }
  pid_ = child;
  outFd_ = fds[0];
  return true;
}

std::string NSTask::readDataToEndOfFile() {
  std::string out = std::move(unread_);
  unread_.clear();
  if (outFd_ < 0) return out;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(outFd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    using platform::kMaxOutputBytes;
    std::size_t keep = std::min<std::size_t>(n, kMaxOutputBytes - std::min(out.size(), kMaxOutputBytes));
    out.append(buffer, keep);
  }
  ::close(outFd_);
  outFd_ = -1;
  return out;
}

void NSTask::waitUntilExit() {
  if (pid_ <= 0 || status_ >= 0) return;
  // A program that fills the pipe would never end if nobody read it.
  if (outFd_ >= 0) unread_ = readDataToEndOfFile();
  status_ = platform::waitForProcess(pid_).value_or(-1);
}
