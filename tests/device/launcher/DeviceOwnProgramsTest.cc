// Booted devices in real processes: boot installs the package of the device's kind with dpkg and
// SpringBoard loads the engine from it; the device's own dpkg-query answers about the device's
// packages as the pane asks it; and the device's own killall, started as the pane starts it, ends
// this device's SpringBoard and no other device's.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <sstream>

#include "device/jailbreak/JailbreakLayout.h"
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

std::string lockHash(const json& s) {
  for (const auto& w : s["wallpapers"])
    if (w["screen"] == "lock" && w["appearance"] == "light") return w.value("hash", "");
  return "";
}

// The pane's question: the device's /usr/bin/dpkg-query -s, run from "/".
std::string paneQuery(const std::string& identifier) {
  NSTask task(devicePackagePath("/usr/bin/dpkg-query"), {"-s", identifier});
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

// One device of each kind side by side, each from its own package: the one booted for iOS 12.4 is
// rootful, the default one (iOS 16) rootless. On each the engine loads from that kind's place and
// changes the lock screen, the pane's footer names the installed version, the pane's restart ends
// that device's SpringBoard only, the other kind's package is refused, and removal leaves nothing.
TEST_F(DeviceOwnProgramsTest, EachKindRunsItsOwnPackageEndToEndAndTouchesNoOtherDevice) {
  SecondDevice other;
  const struct {
    std::string root;
    std::vector<std::string> boot;
    platform::JailbreakKind kind;
    std::string prefix;
  } phones[] = {{other.path(), {"--ios", "12.4"}, platform::JailbreakKind::Rootful, ""},
                {platform::deviceRoot(), {}, platform::JailbreakKind::Rootless, "/var/jb"}};
  for (const auto& phone : phones) boot(phone.root, phone.boot);
  for (const auto& phone : phones) {
    const std::string kind = platform::jailbreakKindName(phone.kind);
    SCOPED_TRACE(kind);
    auto on = [&](std::vector<std::string> args) {
      args.insert(args.begin(), {launcherPath(), "--device", phone.root});
      auto result = runProgram(args);
      EXPECT_EQ(result.status, 0) << args[3] << ": " << result.out << result.err;
      return result.out;
    };
    const std::string& neighbour = (&phone == &phones[0] ? phones[1] : phones[0]).root;
    json s = statusOf(phone.root);
    EXPECT_EQ(s.value("jailbreak", ""), kind);
    EXPECT_EQ(s.value("packageVersion", ""), projectVersion());
    ASSERT_TRUE(s.value("engineLoaded", false)) << s.dump();
    EXPECT_NE(on({"logs"}).find("SpringBoard: loading " + phone.prefix + "/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib"),
              std::string::npos);

    on({"tap", "OK"});
    on({"defaults", "write", "ImageMode", "-int", "0"});
    on({"defaults", "write", "Location", "-int", "1"});
    const std::string before = lockHash(s);
    on({"lock"});
    on({"unlock"});
    const std::string changed = lockHash(statusOf(phone.root));
    EXPECT_NE(changed, before);

    on({"settings", "open", "Tovalune"});
    EXPECT_NE(on({"settings", "show"}).find("Tovalune " + projectVersion()), std::string::npos);
    pid_t mine = statusOf(phone.root).value("springBoardPid", 0);
    pid_t theirs = statusOf(neighbour).value("springBoardPid", 0);
    ASSERT_GT(theirs, 0);
    on({"settings", "tap", "Restart SpringBoard"});
    EXPECT_GT(freshSpringBoard(phone.root, mine), 0) << "the supervisor starts SpringBoard again";
    EXPECT_FALSE(platform::isRunningProcess(mine));
    EXPECT_EQ(statusOf(neighbour).value("springBoardPid", 0), theirs);
    on({"settings", "close"});

    const auto otherKind = phone.kind == platform::JailbreakKind::Rootful ? platform::JailbreakKind::Rootless
                                                                           : platform::JailbreakKind::Rootful;
    auto refused = runProgram({launcherPath(), "--device", phone.root, "install", builtPackageFor(otherKind)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("does not match system"), std::string::npos) << refused.err;
    EXPECT_EQ(statusOf(phone.root).value("packageVersion", ""), projectVersion());

    on({"uninstall"});
    auto listing = runProgram({"/usr/bin/dpkg-deb", "--contents", builtPackageFor(phone.kind)});
    std::istringstream lines(listing.out);
    for (std::string mode, owner, size, date, time, path; lines >> mode >> owner >> size >> date >> time >> path;) {
      if (mode[0] != 'd') {
        EXPECT_FALSE(fs::exists(phone.root + path.substr(1))) << path;
      }
    }
    json without = statusOf(phone.root);
    EXPECT_FALSE(without.value("engineLoaded", true));
    EXPECT_EQ(without.value("wallpaperDirectory", ""), "/var/mobile/Library/SpringBoard");
    EXPECT_NE(lockHash(without), "");
    EXPECT_NE(lockHash(without), changed) << "SpringBoard's own wallpaper is back";
  }

  // The other device's own killall, run from its place, ends its SpringBoard and no other.
  pid_t theirs = statusOf(other.path()).value("springBoardPid", 0);
  pid_t mine = statusOf(platform::deviceRoot()).value("springBoardPid", 0);
  auto result = runProgram({other.path() + "/usr/bin/killall", "-KILL", "SpringBoard"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_GT(freshSpringBoard(other.path(), theirs), 0);
  EXPECT_EQ(statusOf(platform::deviceRoot()).value("springBoardPid", 0), mine);

  auto usage = runProgram({platform::hostPath(devicePackagePath("/usr/bin/killall"))});
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("usage: killall"), std::string::npos) << usage.err;
}

}  // namespace
