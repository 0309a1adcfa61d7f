// Booted devices in real processes: boot installs the package with dpkg and SpringBoard loads
// the engine from it; the device's own dpkg-query answers about the device's packages as the
// pane asks it; and the device's own killall, started as the pane starts it, ends this device's
// SpringBoard and no other device's.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/system/NSTask.h"
#include "tests/device/launcher/PackageVariants.h"
#include "tests/support/TempDeviceRoot.h"

using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

json statusOf(const std::string& root) {
  auto result = runProgram({launcherPath(), "--device", root, "status", "--json"});
  json parsed = json::parse(result.out, nullptr, false);
  return parsed.is_discarded() ? json::object() : parsed;
}

// The pane's question: the device's /usr/bin/dpkg-query -s, run from "/".
std::string paneQuery(const std::string& identifier) {
  NSTask task("/usr/bin/dpkg-query", {"-s", identifier});
  task.setCurrentDirectoryPath("/");
  if (!task.launch()) return {};
  std::string out = task.readDataToEndOfFile();
  task.waitUntilExit();
  return out;
}

// A second device beside the test's own, shut down and removed at the end.
class SecondDevice {
 public:
  SecondDevice() : path_(fs::path(platform::deviceRoot()).parent_path() / (fs::path(platform::deviceRoot()).filename().string() + "-b")) {}
  ~SecondDevice() {
    json s = statusOf(path_);
    runProgram({launcherPath(), "--device", path_, "shutdown"});
    for (const char* key : {"supervisorPid", "springBoardPid"})
      if (pid_t pid = s.value(key, 0); pid > 0 && platform::isRunningProcess(pid)) ::kill(pid, SIGKILL);
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class DeviceOwnProgramsTest : public ::testing::Test {
 protected:
  void boot(const std::string& root, std::vector<std::string> extra = {}) {
    std::vector<std::string> argv{launcherPath(), "--device", root, "boot", "--screen-width", "40", "--screen-height", "80",
                                  "--screen-scale", "1"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    auto result = runProgram(argv);
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    lastBoot_ = result.out;
  }
  // The SpringBoard that answers for the device, once it answers with a pid other than `old`.
  pid_t freshSpringBoard(const std::string& root, pid_t old) {
    pid_t fresh = 0;
    waitUntil(
        [&] {
          json s = statusOf(root);
          fresh = s.value("springBoardRunning", false) ? s.value("springBoardPid", 0) : 0;
          return fresh > 0 && fresh != old;
        },
        20s);
    return fresh;
  }

  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
  std::string lastBoot_;
};

TEST_F(DeviceOwnProgramsTest, BootInstallsThePackageThatSpringBoardLoadsAndTheDevicesQueryReportsIt) {
  boot(platform::deviceRoot());
  json s = statusOf(platform::deviceRoot());
  EXPECT_TRUE(s.value("engineLoaded", false)) << s.dump();
  EXPECT_EQ(s.value("packageVersion", ""), projectVersion());
  EXPECT_EQ(packageState("com.orbel.tovalune"), "install ok installed " + projectVersion());

  std::string answer = paneQuery("com.orbel.tovalune");
  EXPECT_NE(answer.find("Status: install ok installed\n"), std::string::npos) << answer;
  EXPECT_NE(answer.find("\nVersion: " + projectVersion() + "\n"), std::string::npos) << answer;
  EXPECT_EQ(paneQuery("com.example.absent"), "") << "the machine's own packages are not the device's";
  EXPECT_EQ(paneQuery("dpkg"), "") << "the machine's own packages are not the device's";

  // An upgrade: SpringBoard restarts with the new package's engine, the query sees the new version.
  pid_t before = s.value("springBoardPid", 0);
  auto upgraded = runLauncher({"install", packageVariant(root_.path(), "newer", {{"Version", "99.0.2"}})});
  ASSERT_EQ(upgraded.status, 0) << upgraded.out << upgraded.err;
  EXPECT_NE(statusOf(platform::deviceRoot()).value("springBoardPid", before), before);
  EXPECT_TRUE(statusOf(platform::deviceRoot()).value("engineLoaded", false));
  EXPECT_NE(paneQuery("com.orbel.tovalune").find("\nVersion: 99.0.2\n"), std::string::npos);

  // Booting again keeps the newer package a person installed.
  boot(platform::deviceRoot());
  EXPECT_NE(lastBoot_.find("Keeps com.orbel.tovalune 99.0.2"), std::string::npos) << lastBoot_;
  EXPECT_EQ(packageState("com.orbel.tovalune"), "install ok installed 99.0.2");
}

TEST_F(DeviceOwnProgramsTest, KillallOfOneDeviceEndsItsSpringBoardAndLeavesTheOtherDevicesAlone) {
  SecondDevice other;
  boot(platform::deviceRoot(), {"--engine", testTweakPath()});
  boot(other.path(), {"--engine", testTweakPath()});
  pid_t mine = statusOf(platform::deviceRoot()).value("springBoardPid", 0);
  pid_t theirs = statusOf(other.path()).value("springBoardPid", 0);
  ASSERT_GT(mine, 0);
  ASSERT_GT(theirs, 0);

  // As the pane restarts SpringBoard: posix_spawn of /usr/bin/killall -9 SpringBoard.
  pid_t killall = -1;
  ASSERT_EQ(platform::posix_spawn(&killall, "/usr/bin/killall", {"killall", "-9", "SpringBoard"}), 0);
  EXPECT_EQ(platform::waitForProcess(killall), 0);
  pid_t restarted = freshSpringBoard(platform::deviceRoot(), mine);
  EXPECT_GT(restarted, 0) << "the supervisor starts SpringBoard again";
  EXPECT_FALSE(platform::isRunningProcess(mine));
  EXPECT_TRUE(platform::isRunningProcess(theirs));
  EXPECT_EQ(statusOf(other.path()).value("springBoardPid", 0), theirs);

  // And the other device's own killall, run from its place, the other way round.
  auto result = runProgram({other.path() + "/usr/bin/killall", "-KILL", "SpringBoard"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_GT(freshSpringBoard(other.path(), theirs), 0);
  EXPECT_EQ(statusOf(platform::deviceRoot()).value("springBoardPid", 0), restarted);
  EXPECT_TRUE(platform::isRunningProcess(restarted));

  auto usage = runProgram({platform::hostPath("/usr/bin/killall")});
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("usage: killall"), std::string::npos) << usage.err;
}

}  // namespace
