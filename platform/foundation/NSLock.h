#pragma once
#include <atomic>
#include <mutex>

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
  explicit FileLock(const std::string& devicePath);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace platform
