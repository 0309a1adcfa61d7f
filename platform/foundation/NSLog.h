#pragma once
// The system log: one line per call, "<timestamp> <process>[<pid>] <message>" on stderr. Tests
// attach a LogCapture to read the lines back.
#include <fmt/format.h>

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

void logLine(std::string_view message);
void setProcessName(std::string name);
const std::string& processName();
// Silences stderr (the lines still reach captures); for benchmarks and quiet tools.
void setLogToStderr(bool enabled);

// While alive, receives every line logged in this process (messages only, without the prefix).
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const;
  bool contains(std::string_view message) const;  // an exact line
  bool containsSubstring(std::string_view part) const;
  std::size_t count(std::string_view message) const;
  void clear();

  void receive(std::string_view message);

 private:
  mutable std::mutex mu_;
  std::vector<std::string> lines_;
};

}  // namespace platform

template <typename... Args>
inline void NSLog(fmt::format_string<Args...> format, Args&&... args) {
  platform::logLine(fmt::format(format, std::forward<Args>(args)...));
}
