#include "platform/foundation/FileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSLog.h"

namespace platform {
namespace fs = std::filesystem;

bool fileExistsAtPath(const std::string& path, bool* isDirectory) {
  struct stat st {};
  if (::stat(hostPath(path).c_str(), &st) != 0) return false;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return true;
}

bool itemExistsAtPath(const std::string& path, bool* isDirectory) {
  struct stat st {};
  if (::lstat(hostPath(path).c_str(), &st) != 0) return false;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return true;
}

bool directoryExistsAtPath(const std::string& path) {
  bool dir = false;
  return fileExistsAtPath(path, &dir) && dir;
}

std::optional<std::vector<std::string>> contentsOfDirectoryAtPath(const std::string& path) {
  DIR* d = ::opendir(hostPath(path).c_str());
  if (!d) return std::nullopt;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    std::string_view n = e->d_name;
    if (n == "." || n == "..") continue;
    names.emplace_back(n);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

bool createDirectoryAtPath(const std::string& path, bool withIntermediateDirectories) {
  std::error_code ec;
  if (withIntermediateDirectories) {
    fs::create_directories(hostPath(path), ec);
    return !ec && directoryExistsAtPath(path);
  }
  return ::mkdir(hostPath(path).c_str(), 0755) == 0;
}

bool removeItemAtPath(const std::string& path) {
  std::string host = hostPath(path);
  struct stat st {};
  if (::lstat(host.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    std::error_code ec;
    return fs::remove_all(host, ec) != static_cast<std::uintmax_t>(-1) && !ec;
  }
  return ::unlink(host.c_str()) == 0;
}

bool moveItemAtPath(const std::string& from, const std::string& to) {
  return ::rename(hostPath(from).c_str(), hostPath(to).c_str()) == 0;
}

bool copyItemAtPath(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::copy(hostPath(from), hostPath(to), fs::copy_options::recursive, ec);
  return !ec;
}

std::optional<double> contentModificationDate(const std::string& path) {
  struct stat st {};
  if (::stat(hostPath(path).c_str(), &st) != 0) return std::nullopt;
  return static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
}

bool setContentModificationDate(const std::string& path, double secondsSince1970) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(secondsSince1970);
  times[1].tv_nsec = static_cast<long>((secondsSince1970 - times[1].tv_sec) * 1e9);
  return ::utimensat(AT_FDCWD, hostPath(path).c_str(), times, 0) == 0;
}

std::optional<std::string> readFile(const std::string& path, std::size_t maxBytes) {
  // Not blocking on open: a FIFO put where a file was expected would otherwise wait for a writer
  // forever. Only regular files are read: a device or a FIFO has no end.
  int fd = ::open(hostPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
    NSLog("Not reading {}: {} bytes is more than the {} a file of its kind may have", path, st.st_size, maxBytes);
    ::close(fd);
    return std::nullopt;
  }
  std::string out;
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    // A file that grows while it is read is held to the same limit.
    if (n < 0 || out.size() + static_cast<std::size_t>(std::max<ssize_t>(n, 0)) > maxBytes) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

std::optional<std::string> readFile(const std::string& path) { return readFile(path, kMaxReadFileBytes); }

namespace {
bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A full disk (or a size limit) shows while writing, after the file could be created: say so,
// since the callers carry on as if nothing had changed, which is true: the old file stays.
void logFailedWrite(const std::string& path, int error) {
  NSLog("Could not write {}: {}; the file is left as it was", path, std::strerror(error));
}

// A name in the host folder no one else picks, hidden from listings that skip dot files.
std::string hiddenTemporaryName(const std::string& hostFolder) {
  thread_local std::mt19937_64 rng{std::random_device{}()};
  return fmt::format("{}/.tmp-{}-{:x}", hostFolder, ::getpid(), rng());
}
}  // namespace

UnnamedFile::UnnamedFile(int fd, std::string hostFolder, std::string namedTemp)
    : fd_(fd), hostFolder_(std::move(hostFolder)), namedTemp_(std::move(namedTemp)) {}

UnnamedFile::UnnamedFile(UnnamedFile&& other) noexcept { *this = std::move(other); }

UnnamedFile& UnnamedFile::operator=(UnnamedFile&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
    hostFolder_ = std::move(other.hostFolder_);
    namedTemp_ = std::exchange(other.namedTemp_, std::string());
  }
  return *this;
}

UnnamedFile::~UnnamedFile() { release(); }

void UnnamedFile::release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!namedTemp_.empty()) ::unlink(namedTemp_.c_str());
  namedTemp_.clear();
}

std::optional<UnnamedFile> UnnamedFile::create(const std::string& folder) {
  std::string hostFolder = hostPath(folder);
  std::string namedTemp;
  int fd = ::open(hostFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    namedTemp = hiddenTemporaryName(hostFolder);
    fd = ::open(namedTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) namedTemp.clear();
  }
  if (fd < 0) return std::nullopt;
  return UnnamedFile(fd, std::move(hostFolder), std::move(namedTemp));
}

bool UnnamedFile::publish(const std::string& path) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  const std::string host = hostPath(path);
  const std::string source = namedTemp_.empty() ? fmt::format("/proc/self/fd/{}", fd_) : namedTemp_;
  // A name no file has yet is one link, atomic by itself.
  if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, host.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno != EEXIST) {
    // A file system without links takes the named stand-in's one name by a rename.
    if (!namedTemp_.empty() && (errno == EPERM || errno == EOPNOTSUPP) &&
        ::rename(namedTemp_.c_str(), host.c_str()) == 0) {
      namedTemp_.clear();
      return true;
    }
    return false;
  }
  // A link cannot replace a file, a rename can: the new file has a hidden name beside the target
  // only as long as a rename lasts, and the old file stays whole until the new one takes its place.
  const std::string temp = hiddenTemporaryName(fs::path(host).parent_path().string());
  if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) return false;
  if (::rename(temp.c_str(), host.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    errno = error;
    return false;
  }
  return true;
}

bool writeFile(const std::string& path, std::string_view bytes, bool atomically) {
  if (!atomically) {
    int fd = ::open(hostPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = writeAll(fd, bytes);
    return ::close(fd) == 0 && ok;
  }
  auto file = UnnamedFile::create(stringByDeletingLastPathComponent(path));
  if (!file) return false;
  if (!writeAll(file->descriptor(), bytes)) {
    logFailedWrite(path, errno);
    return false;
  }
  return file->publish(path);
}

std::string lastPathComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (path == "/") return "/";
  auto pos = path.rfind('/');
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string stringByAppendingPathComponent(std::string_view path, std::string_view component) {
  std::string out(path);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  while (!component.empty() && component.front() == '/') component.remove_prefix(1);
  if (out.empty()) return std::string(component);
  if (component.empty()) return out;
  if (out.back() != '/') out += '/';
  out += component;
  return out;
}

std::string stringByDeletingLastPathComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  auto pos = path.rfind('/');
  if (pos == std::string_view::npos) return {};
  if (pos == 0) return "/";
  return std::string(path.substr(0, pos));
}

std::string pathExtension(std::string_view path) {
  std::string last = lastPathComponent(path);
  auto pos = last.rfind('.');
  if (pos == std::string::npos || pos == 0) return {};
  return last.substr(pos + 1);
}

std::string stringByResolvingSymlinksInPath(std::string_view path) {
  if (path.empty() || path.front() != '/') return {};
  // Components still to walk, last one first, so a link's target can be pushed in front of them.
  std::vector<std::string> pending;
  auto pushComponents = [&pending](std::string_view p) {
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= p.size();) {
      std::size_t end = p.find('/', start);
      if (end == std::string_view::npos) end = p.size();
      if (end > start) parts.emplace_back(p.substr(start, end - start));
      start = end + 1;
    }
    pending.insert(pending.end(), parts.rbegin(), parts.rend());
  };
  pushComponents(path);
  std::vector<std::string> resolved;
  auto joined = [&resolved] {
    std::string out;
    for (const auto& part : resolved) out += "/" + part;
    return out.empty() ? std::string("/") : out;
  };
  int linksFollowed = 0;
  while (!pending.empty()) {
    std::string part = std::move(pending.back());
    pending.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    resolved.push_back(part);
    std::string host = hostPath(joined());
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) continue;
    if (++linksFollowed > 40) return {};  // SYMLOOP_MAX on the device
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
    ssize_t n = ::readlink(host.c_str(), target.data(), target.size());
    if (n <= 0) return {};
    target.resize(static_cast<std::size_t>(n));
    resolved.pop_back();
    if (target.front() == '/') resolved.clear();
    pushComponents(target);
  }
  return joined();
}

}  // namespace platform
