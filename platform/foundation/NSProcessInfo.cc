#include "platform/foundation/NSProcessInfo.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <fstream>
#include <iterator>

namespace platform {

std::vector<std::string> processArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  std::size_t start = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == '\0') {
      args.push_back(all.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < all.size()) args.push_back(all.substr(start));
  return args;
}

std::string executablePath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  // A path that fills the buffer may have been cut short.
  if (n <= 0 || std::size_t(n) >= sizeof buffer) return {};
  return std::string(buffer, std::size_t(n));
}

bool isRunningProcess(pid_t pid) {
  if (pid <= 0 || (::kill(pid, 0) != 0 && errno != EPERM)) return false;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat", std::ios::binary);
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The state follows the command name, which is in parentheses and may hold any character.
  auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

}  // namespace platform
