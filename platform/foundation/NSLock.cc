#include "platform/foundation/NSLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"

namespace platform {

FileLock::FileLock(const std::string& devicePath) {
  createDirectoryAtPath(stringByDeletingLastPathComponent(devicePath));
  fd_ = ::open(hostPath(devicePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
}

}  // namespace platform
