#include "platform/foundation/NSLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"

namespace platform {

bool FileLock::open(const std::string& devicePath) {
  createDirectoryAtPath(stringByDeletingLastPathComponent(devicePath));
  fd_ = ::open(hostPath(devicePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

FileLock::FileLock(const std::string& devicePath) {
  if (!open(devicePath)) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
}

FileLock::FileLock(const std::string& devicePath, std::chrono::milliseconds wait) {
  if (!open(devicePath)) return;
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
  if (errno != EWOULDBLOCK) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  // flock has no timed form, and trying again and again loses to a holder that takes the lock
  // back at once (a writer changing key after key). So a helper thread waits in the blocking call,
  // where the kernel wakes it the moment the lock is let go, on a second descriptor of the same
  // open file: the lock it gets is this object's. A helper still waiting when the time is up lets
  // go of the lock as soon as it gets it.
  struct Waiting {
    std::mutex mu;
    std::condition_variable cv;
    bool answered = false;
    bool locked = false;
    bool abandoned = false;
  };
  auto waiting = std::make_shared<Waiting>();
  const int helperFd = ::dup(fd_);
  if (helperFd < 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  std::thread([waiting, helperFd] {
    int rc;
    while ((rc = ::flock(helperFd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    std::lock_guard lock(waiting->mu);
    if (waiting->abandoned && rc == 0) ::flock(helperFd, LOCK_UN);
    // The lock stays with the open file while this object's descriptor keeps it open.
    ::close(helperFd);
    waiting->answered = true;
    waiting->locked = rc == 0;
    waiting->cv.notify_all();
  }).detach();
  std::unique_lock lock(waiting->mu);
  if (waiting->cv.wait_for(lock, wait, [&] { return waiting->answered; }) && waiting->locked) return;
  timedOut_ = !waiting->answered;
  waiting->abandoned = true;
  ::close(fd_);
  fd_ = -1;
}

FileLock::~FileLock() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
}

}  // namespace platform
