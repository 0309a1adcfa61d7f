#include "platform/foundation/NSLog.h"

#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>

namespace platform {
namespace {
std::mutex& sinksMutex() {
  static std::mutex m;
  return m;
}
std::vector<LogCapture*>& sinks() {
  static std::vector<LogCapture*> s;
  return s;
}
std::string& nameStorage() {
  static std::string name = program_invocation_short_name ? program_invocation_short_name : "process";
  return name;
}
std::atomic<bool> toStderr{true};
}  // namespace

void setProcessName(std::string name) { nameStorage() = std::move(name); }
const std::string& processName() { return nameStorage(); }
void setLogToStderr(bool enabled) { toStderr = enabled; }

void logLine(std::string_view message) {
  {
    std::lock_guard lock(sinksMutex());
    for (LogCapture* c : sinks()) c->receive(message);
  }
  if (!toStderr) return;
  timeval tv{};
  gettimeofday(&tv, nullptr);
  tm local{};
  localtime_r(&tv.tv_sec, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::string line = fmt::format("{}.{:03d} {}[{}] {}\n", stamp, static_cast<int>(tv.tv_usec / 1000),
                                 processName(), ::getpid(), message);
  // One write per line so that lines of concurrent threads and processes do not interleave.
  std::string_view rest = line;
  while (!rest.empty()) {
    ssize_t n = ::write(STDERR_FILENO, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

LogCapture::LogCapture() {
  std::lock_guard lock(sinksMutex());
  sinks().push_back(this);
}

LogCapture::~LogCapture() {
  std::lock_guard lock(sinksMutex());
  auto& s = sinks();
  s.erase(std::remove(s.begin(), s.end(), this), s.end());
}

void LogCapture::receive(std::string_view message) {
  std::lock_guard lock(mu_);
  lines_.emplace_back(message);
}

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard lock(mu_);
  return lines_;
}

bool LogCapture::contains(std::string_view message) const { return count(message) > 0; }

bool LogCapture::containsSubstring(std::string_view part) const {
  std::lock_guard lock(mu_);
  return std::any_of(lines_.begin(), lines_.end(),
                     [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

std::size_t LogCapture::count(std::string_view message) const {
  std::lock_guard lock(mu_);
  return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), message));
}

void LogCapture::clear() {
  std::lock_guard lock(mu_);
  lines_.clear();
}

}  // namespace platform
