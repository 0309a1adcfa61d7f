// The device's killall against real processes: stand-ins named like the device's programs (a
// copy of sleep), started with a device root in their environment and recorded in pid files as
// the supervisor records SpringBoard. Only the processes of the killall's own device die.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/TempDeviceRoot.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct KillallRun {
  int status = -1;
  std::string out, err;
};

std::string slurp(const fs::path& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A device folder of its own, with or without its own copy of killall.
struct Device {
  explicit Device(const fs::path& folder) : root(folder) {
    fs::create_directories(root / "var/mobile");
    fs::create_directories(root / "usr/bin");
    fs::create_directories(root / "private/var/simulator");
    root = fs::canonical(root);
  }
  void giveKillall() {
    fs::copy_file(TOVALUNE_TEST_KILLALL, root / "usr/bin/killall", fs::copy_options::overwrite_existing);
  }
  void record(const std::string& name, pid_t pid) const {
    std::ofstream(root / "private/var/simulator" / (name + ".pid")) << pid << "\n";
  }
  fs::path root;
};

class KillallProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::canonical(temp_.path());
    fs::create_directories(base_ / "programs");
    // sleep under the names the device's programs have.
    for (const char* name : {"SpringBoard", "Settings", "launchd", "sleep"})
      fs::copy_file("/bin/sleep", base_ / "programs" / name);
  }
  void TearDown() override {
    for (pid_t pid : started_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }

  // Starts a stand-in named `name` with `root` (empty: none) as its device root.
  pid_t start(const std::string& name, const fs::path& root) {
    std::string program = (base_ / "programs" / name).string();
    std::vector<std::string> env{"PATH=/usr/bin:/bin"};
    if (!root.empty()) env.push_back("SIMULATED_DEVICE_ROOT=" + root.string());
    pid_t pid = spawn({program, "60"}, env, "/dev/null", "/dev/null");
    started_.push_back(pid);
    return pid;
  }

  // How a started stand-in ended (128 + signal), or nothing while it runs.
  std::optional<int> ended(pid_t pid, std::chrono::milliseconds wait = 3s) {
    auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      int raw = 0;
      if (::waitpid(pid, &raw, WNOHANG) == pid) {
        std::erase(started_, pid);
        return WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : WEXITSTATUS(raw);
      }
      if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(10ms);
    }
  }
  bool running(pid_t pid) { return !ended(pid, 0ms); }

  // Runs a killall with SIMULATED_DEVICE_ROOT set to `inheritedRoot`.
  KillallRun killall(const fs::path& program, const std::vector<std::string>& args, const fs::path& inheritedRoot = {}) {
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env{"PATH=/usr/bin:/bin"};
    if (!inheritedRoot.empty()) env.push_back("SIMULATED_DEVICE_ROOT=" + inheritedRoot.string());
    fs::path out = base_ / "killall.out", err = base_ / "killall.err";
    pid_t pid = spawn(argv, env, out.string(), err.string());
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return KillallRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), slurp(out), slurp(err)};
  }

  static pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& out,
                     const std::string& err) {
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << argv[0];
    return pid;
  }

  TempDeviceRoot temp_;
  fs::path base_;
  std::vector<pid_t> started_;
};

TEST_F(KillallProcessTest, EndsItsOwnDevicesSpringBoardAndNoOtherDevicesOrUnrecordedOne) {
  Device a(base_ / "a"), b(base_ / "b");
  a.giveKillall();
  pid_t springBoardA = start("SpringBoard", a.root);
  pid_t springBoardB = start("SpringBoard", b.root);
  pid_t unrecordedA = start("SpringBoard", a.root);  // a SpringBoard of a test, say: nobody recorded it
  a.record("SpringBoard", springBoardA);
  b.record("SpringBoard", springBoardB);

  // The caller's environment names the other device: the copy's own place decides.
  KillallRun run = killall(a.root / "usr/bin/killall", {"-9", "SpringBoard"}, b.root);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ended(springBoardA), 128 + SIGKILL);
  EXPECT_TRUE(running(springBoardB));
  EXPECT_TRUE(running(unrecordedA));

  // The same again: the recorded pid is gone, so there is nothing left to match.
  run = killall(a.root / "usr/bin/killall", {"-9", "SpringBoard"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("No matching processes"), std::string::npos) << run.err;
  EXPECT_TRUE(running(springBoardB));
  EXPECT_TRUE(running(unrecordedA));
}

TEST_F(KillallProcessTest, AStalePidFileNeverSignalsAStranger) {
  Device a(base_ / "a"), b(base_ / "b");
  a.giveKillall();
  pid_t otherDevices = start("SpringBoard", b.root);  // the right name, another device
  pid_t noDevice = start("SpringBoard", {});            // the right name, no device at all
  pid_t stranger = start("sleep", a.root);              // this device, another program
  a.record("SpringBoard", otherDevices);
  a.record("Settings", noDevice);
  a.record("Preferences", stranger);
  a.record("Ghost", ::getpid());  // the test itself
  std::ofstream(a.root / "private/var/simulator/Garbage.pid") << "not a pid\n";

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-9", "SpringBoard"}, {"-9", "Settings"}, {"Preferences"}, {"-9", "Ghost"},
        {"-KILL", "sleep", "SpringBoard", "Settings"}, {"Garbage"}}) {
    KillallRun run = killall(a.root / "usr/bin/killall", args);
    EXPECT_EQ(run.status, 1) << args.back() << ": " << run.err;
    EXPECT_NE(run.err.find("No matching processes"), std::string::npos) << run.err;
  }
  EXPECT_TRUE(running(otherDevices));
  EXPECT_TRUE(running(noDevice));
  EXPECT_TRUE(running(stranger));
}

TEST_F(KillallProcessTest, SignalsEachNamedProcessOnceWithTheSignalAskedForButNeverTheSupervisor) {
  Device a(base_ / "a");
  a.giveKillall();
  pid_t springBoard = start("SpringBoard", a.root);
  pid_t settings = start("Settings", a.root);
  pid_t supervisor = start("launchd", a.root);
  a.record("SpringBoard", springBoard);
  a.record("Settings", settings);
  a.record("launchd", supervisor);
  fs::path program = a.root / "usr/bin/killall";

  // Signal 0 only asks: the process is there, and lives on.
  KillallRun probe = killall(program, {"-0", "Settings"});
  EXPECT_EQ(probe.status, 0) << probe.err;
  EXPECT_TRUE(running(settings));

  KillallRun supervisorRun = killall(program, {"-9", "launchd"});
  EXPECT_EQ(supervisorRun.status, 1) << "the device's supervisor is not the user's to end";
  EXPECT_TRUE(running(supervisor));

  // Several names, one of them unknown, one given twice: each match gets the signal once.
  KillallRun both = killall(program, {"-v", "-s", "TERM", "Settings", "Nothing", "SpringBoard", "Settings"});
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(ended(settings), 128 + SIGTERM);
  EXPECT_EQ(ended(springBoard), 128 + SIGTERM);
  EXPECT_NE(both.out.find("Sent TERM to Settings (pid " + std::to_string(settings) + ")"), std::string::npos)
      << both.out;
  std::size_t sent = 0;
  for (auto at = both.out.find("Sent TERM"); at != std::string::npos; at = both.out.find("Sent TERM", at + 1)) ++sent;
  EXPECT_EQ(sent, 2u) << both.out;
  EXPECT_TRUE(running(supervisor));
}

TEST_F(KillallProcessTest, TheBuildsCopyServesTheDeviceItsCallerNames) {
  Device a(base_ / "a"), b(base_ / "b");
  pid_t springBoardA = start("SpringBoard", a.root);
  pid_t springBoardB = start("SpringBoard", b.root);
  a.record("SpringBoard", springBoardA);
  b.record("SpringBoard", springBoardB);

  KillallRun run = killall(TOVALUNE_TEST_KILLALL, {"-KILL", "SpringBoard"}, b.root);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ended(springBoardB), 128 + SIGKILL);
  EXPECT_TRUE(running(springBoardA));

  KillallRun nowhere = killall(TOVALUNE_TEST_KILLALL, {"-KILL", "SpringBoard"});
  EXPECT_EQ(nowhere.status, 2);
  EXPECT_NE(nowhere.err.find("cannot tell which device"), std::string::npos) << nowhere.err;
  EXPECT_TRUE(running(springBoardA));
}

}  // namespace
