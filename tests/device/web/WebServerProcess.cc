#include "tests/device/web/WebServerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/foundation/DeviceRoot.h"
#include "tests/device/springboardapp/DeviceProcesses.h"

using namespace std::chrono_literals;

WebServerProcess::WebServerProcess(const std::vector<std::string>& extraArgs) {
  char errTemplate[] = "/tmp/tovalune-web-err-XXXXXX";
  int errFd = ::mkstemp(errTemplate);
  errPath_ = errTemplate;
  int out[2];
  if (errFd < 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
  std::vector<std::string> args = {launcherPath(), "--device", platform::deviceRoot(), "web", "--port", "0"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], 1);
    ::dup2(errFd, 2);
    int devnull = ::open("/dev/null", O_RDONLY);
    ::dup2(devnull, 0);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(errFd);
  // The address is its first line; a server that does not come up says why on stderr.
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + 30s;
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char c;
    if (::read(out[0], &c, 1) != 1) break;
    line.push_back(c);
  }
  ::close(out[0]);
  if (line.rfind("http://", 0) == 0 && line.back() == '\n') {
    url_ = line.substr(0, line.size() - 1);
    auto colon = url_.rfind(':');
    port_ = std::atoi(url_.c_str() + colon + 1);
  }
}

WebServerProcess::~WebServerProcess() {
  stop();
  ::unlink(errPath_.c_str());
}

int WebServerProcess::stop() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + 10s;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(20ms);
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string WebServerProcess::output() const {
  std::ifstream in(errPath_);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
