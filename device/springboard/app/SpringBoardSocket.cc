#include "device/springboard/app/SpringBoardSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"

namespace springboard_socket {
namespace {

using Clock = std::chrono::steady_clock;

// sun_path holds about a hundred bytes; a deeper device root is reached through a descriptor of
// the socket's folder, whose /proc name is short whatever the folder's own path.
struct Address {
  sockaddr_un addr{};
  int folderFd = -1;
  ~Address() {
    if (folderFd >= 0) ::close(folderFd);
  }
};

bool makeAddress(const std::string& hostPath, Address& out) {
  out.addr.sun_family = AF_UNIX;
  std::string path = hostPath;
  if (path.size() >= sizeof(out.addr.sun_path)) {
    auto slash = hostPath.rfind('/');
    std::string folder = slash == std::string::npos ? "." : hostPath.substr(0, slash);
    out.folderFd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (out.folderFd < 0) return false;
    path = fmt::format("/proc/self/fd/{}/{}", out.folderFd, hostPath.substr(slash + 1));
    if (path.size() >= sizeof(out.addr.sun_path)) {
      errno = ENAMETOOLONG;
      return false;
    }
  }
  std::memcpy(out.addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int remainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : int(left);
}

}  // namespace

int listenAt(const std::string& hostPath) {
  Address a;
  if (!makeAddress(hostPath, a)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  // Bound under a private name, made the owner's alone, then renamed into place: nobody else can
  // connect in between, whatever the umask.
  std::string finalPath = a.addr.sun_path;
  auto slash = finalPath.rfind('/');
  std::string privatePath =
      fmt::format("{}.{}.sock", slash == std::string::npos ? "" : finalPath.substr(0, slash + 1), ::getpid());
  if (privatePath.size() >= sizeof(a.addr.sun_path)) {
    ::close(fd);
    errno = ENAMETOOLONG;
    return -1;
  }
  sockaddr_un bound = a.addr;
  std::memcpy(bound.sun_path, privatePath.c_str(), privatePath.size() + 1);
  ::unlink(privatePath.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof(bound)) != 0 || ::chmod(privatePath.c_str(), 0600) != 0 ||
      ::listen(fd, 16) != 0 || ::rename(privatePath.c_str(), finalPath.c_str()) != 0) {
    int saved = errno;
    ::unlink(privatePath.c_str());
    ::close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

int connectTo(const std::string& hostPath) {
  Address a;
  if (!makeAddress(hostPath, a)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a.addr), sizeof(a.addr)) != 0) {
    int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

std::optional<std::string> readLine(int fd, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  std::string line;
  char buffer[4096];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    int ready = ::poll(&p, 1, remainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    line.append(buffer, std::size_t(n));
    if (auto end = line.find('\n'); end != std::string::npos) {
      line.resize(end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (line.size() > kSpringBoardMaxLineBytes) return std::nullopt;
  }
}

bool writeAll(int fd, std::string_view bytes, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (!bytes.empty()) {
    pollfd p{fd, POLLOUT, 0};
    int ready = ::poll(&p, 1, remainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(std::size_t(n));
  }
  return true;
}

Exchange request(const std::string& line, std::chrono::milliseconds timeout) {
  return requestAt(kSpringBoardSocketPath, "SpringBoard", line, timeout);
}

Exchange requestAt(const std::string& socketDevicePath, const std::string& processName, const std::string& line,
                   std::chrono::milliseconds timeout) {
  Exchange result;
  std::string path = platform::hostPath(socketDevicePath);
  int fd = connectTo(path);
  if (fd < 0) {
    result.error = fmt::format("nothing answers at {} ({})", path, std::strerror(errno));
    return result;
  }
  result.connected = true;
  const bool sent = writeAll(fd, line + "\n", timeout);
  // A process that turns the connection away (too busy) answers and closes before reading, so the
  // request may not get through while its reply is already here: it is read either way.
  if (auto reply = readLine(fd, sent ? timeout : std::chrono::milliseconds(100))) {
    result.reply = std::move(*reply);
  } else if (!sent) {
    result.error = fmt::format("{} did not take the request", processName);
  } else {
    result.error = fmt::format("{} gave no reply within {} ms", processName, timeout.count());
  }
  ::close(fd);
  return result;
}

}  // namespace springboard_socket
