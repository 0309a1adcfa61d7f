#pragma once
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

namespace platform {

// NSLock. Knows whether it is held, which tests of serialised work look at.
class NSLock {
 public:
  void lock() {
    mu_.lock();
    held_ = true;
  }
  void unlock() {
    held_ = false;
    mu_.unlock();
  }
  bool tryLock() {
    if (!mu_.try_lock()) return false;
    held_ = true;
    return true;
  }
  bool isHeld() const { return held_; }

 private:
  std::mutex mu_;
  std::atomic<bool> held_{false};
};

// An advisory lock on a file beside the data it guards (flock), shared by every process of the
// device. Held for the lifetime of the object; the lock file is created when missing.
class FileLock {
 public:
  // Waits as long as another holder keeps the lock.
  explicit FileLock(const std::string& devicePath);
  // Waits at most `wait`: a holder that stopped while holding the lock (a process halted in a
  // debugger, say) must not stop a main thread for good. Not locked when the time ran out.
  FileLock(const std::string& devicePath, std::chrono::milliseconds wait);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool locked() const { return fd_ >= 0; }
  // Whether the bounded wait ran out with the lock still held by another.
  bool timedOut() const { return timedOut_; }

 private:
  bool open(const std::string& devicePath);
  int fd_ = -1;
  bool timedOut_ = false;
};

}  // namespace platform
