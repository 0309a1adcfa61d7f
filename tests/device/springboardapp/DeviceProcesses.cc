#include "tests/device/springboardapp/DeviceProcesses.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <fmt/format.h>

#include "device/jailbreak/JailbreakLayout.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

int statusOf(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

std::optional<int> waitForChild(pid_t pid, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  int raw = 0;
  for (;;) {
    pid_t r = ::waitpid(pid, &raw, WNOHANG);
    if (r == pid) return statusOf(raw);
    if (r < 0) return std::nullopt;
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(10ms);
  }
}

char** argvOf(std::vector<std::string>& args, std::vector<char*>& storage) {
  for (auto& a : args) storage.push_back(a.data());
  storage.push_back(nullptr);
  return storage.data();
}

}  // namespace

std::string launcherPath() { return TOVALUNE_TEST_LAUNCHER; }
std::string springBoardPath() { return TOVALUNE_TEST_SPRINGBOARD; }
std::string testTweakPath() { return TOVALUNE_TEST_TWEAK; }

ProgramResult runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  ProgramResult result;
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return result;
  std::vector<std::string> args = argv;
  std::vector<char*> storage;
  char** raw = argvOf(args, storage);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    ::execv(raw[0], raw);
    std::_Exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  auto deadline = Clock::now() + timeout;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0 && Clock::now() < deadline) {
    if (::poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, std::size_t(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) ::close(f.fd);
  auto status = waitForChild(pid, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::max(deadline - Clock::now(), Clock::duration(0))) + 100ms);
  if (!status) {
    ::kill(pid, SIGKILL);
    status = waitForChild(pid, 5s);
  }
  result.status = status.value_or(-1);
  return result;
}

ProgramResult runLauncher(const std::vector<std::string>& args) {
  std::vector<std::string> argv{launcherPath(), "--device", platform::deviceRoot()};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv);
}

std::string launcherOk(const std::vector<std::string>& args) {
  auto r = runLauncher(args);
  EXPECT_EQ(r.status, 0) << fmt::format("{}", fmt::join(args, " ")) << ": " << r.out << r.err;
  return r.out;
}

void bootPhoneSized(const std::string& engine, const std::vector<std::string>& options) {
  std::vector<std::string> args{"boot", "--screen-width", "390", "--screen-height", "844", "--screen-scale", "1",
                                "--engine", engine};
  args.insert(args.end(), options.begin(), options.end());
  auto booted = runLauncher(args);
  ASSERT_EQ(booted.status, 0) << booted.out << booted.err;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::optional<nlohmann::json> askSpringBoard(const std::string& request, std::chrono::milliseconds timeout) {
  auto exchange = springboard_socket::request(request, timeout);
  if (!exchange.reply) return std::nullopt;
  auto reply = nlohmann::json::parse(*exchange.reply, nullptr, false);
  if (reply.is_discarded()) return std::nullopt;
  return reply;
}

void installTestTweak(const std::string& name, TweakFilter filter) {
  const std::string folder = devicePackagePath("/Library/MobileSubstrate/DynamicLibraries");
  platform::createDirectoryAtPath(folder);
  std::filesystem::copy_file(testTweakPath(), platform::hostPath(folder + "/" + name + ".dylib"),
                             std::filesystem::copy_options::overwrite_existing);
  if (filter == TweakFilter::None) return;
  platform::Dictionary names;
  switch (filter) {
    case TweakFilter::SpringBoardBundle: names["Bundles"] = platform::Array{platform::Value("com.apple.springboard")}; break;
    case TweakFilter::SpringBoardExecutable: names["Executables"] = platform::Array{platform::Value("SpringBoard")}; break;
    default: names["Executables"] = platform::Array{platform::Value("Preferences")}; break;
  }
  platform::Dictionary plist;
  plist["Filter"] = std::move(names);
  platform::writeToFile(plist, folder + "/" + name + ".plist");
}

SpringBoardProcess::SpringBoardProcess() {
  logPath_ = platform::hostPath("/SpringBoard-test.log");
  std::string path = springBoardPath();
  std::string log = logPath_;
  pid_ = ::fork();
  if (pid_ == 0) {
    int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    char* argv[] = {path.data(), nullptr};
    ::execv(path.c_str(), argv);
    std::_Exit(127);
  }
}

SpringBoardProcess::~SpringBoardProcess() {
  if (pid_ > 0 && !status_ && !terminate(5s)) {
    ::kill(pid_, SIGKILL);
    waitForChild(pid_, 5s);
  }
}

bool SpringBoardProcess::waitUntilReady(std::chrono::milliseconds timeout) {
  return waitUntil(
      [&] {
        auto reply = askSpringBoard("status", 2s);
        return reply && reply->value("pid", 0) == pid_;
      },
      timeout);
}

std::optional<int> SpringBoardProcess::terminate(std::chrono::milliseconds timeout) {
  if (status_) return status_;
  ::kill(pid_, SIGTERM);
  return waitForExit(timeout);
}

std::optional<int> SpringBoardProcess::waitForExit(std::chrono::milliseconds timeout) {
  if (!status_) status_ = waitForChild(pid_, timeout);
  return status_;
}

std::string SpringBoardProcess::output() const {
  std::ifstream in(logPath_);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

pid_t pidFromFile(const std::string& devicePath) {
  auto text = platform::readFile(devicePath);
  return text ? pid_t(std::atoi(text->c_str())) : 0;
}

BootedDeviceGuard::~BootedDeviceGuard() {
  pid_t launchd = pidFromFile("/private/var/simulator/launchd.pid");
  pid_t springBoard = pidFromFile("/private/var/simulator/SpringBoard.pid");
  runLauncher({"shutdown"});
  for (pid_t pid : {launchd, springBoard})
    if (platform::isRunningProcess(pid)) ::kill(pid, SIGKILL);
}
