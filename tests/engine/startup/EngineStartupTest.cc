// Start-up in real processes: the engine loaded into a stand-in SpringBoard under various names,
// iOS versions and add-ons.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>

#include "device/uiservices/SpringBoardUIServicesInstall.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "tests/support/TempDeviceRoot.h"

extern char** environ;

namespace {

using Report = std::map<std::string, std::string>;

class EngineStartup : public ::testing::Test {
 protected:
  void device(const std::string& ios) {
    platform::DeviceSettings s;
    s.iosVersion = ios;
    ASSERT_TRUE(platform::saveDeviceSettings(s));
    installSpringBoardUIServices();
    platform::createDirectoryAtPath("/var/mobile/Library/SpringBoard");
    platform::writeFile("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap", "stock");
  }
  static std::string readHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Runs the host under `name` and returns its report.
  Report run(const std::string& name, bool withAddOn = false, std::string engine = ENGINE_LIBRARY) {
    std::string out = root.path() + "/host-output.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> args{name, engine};
    if (withAddOn) args.push_back("--lumenhold");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, ENGINE_HOST, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "host status " << status;
    Report report;
    std::istringstream in(readHostFile(out));
    for (std::string line; std::getline(in, line);) {
      auto eq = line.rfind('=');
      if (eq != std::string::npos) report[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return report;
  }
  static int hookCount(const Report& r) {
    int n = 0;
    for (const auto& [k, v] : r)
      if (k.rfind("hooked ", 0) == 0 && v == "1") ++n;
    return n;
  }
  TempDeviceRoot root;
};

TEST_F(EngineStartup, InertOutsideSpringBoard) {
  device("16.0");
  for (const char* name : {"/Applications/Preferences.app/Settings", "/System/Library/CoreServices/SpringBoardX",
                           "SpringBoard.app", "springboard"}) {
    SCOPED_TRACE(name);
    Report r = run(name);
    EXPECT_EQ(r["lock"], "0");
    EXPECT_EQ(r["uiservices"], "0");
    EXPECT_EQ(hookCount(r), 0);
    EXPECT_EQ(r["openRefused"], "0");
  }
}

TEST_F(EngineStartup, IOS13BindsSpringBoardUIServicesAndHooksAll) {
  device("13.0");
  Report r = run("/System/Library/CoreServices/SpringBoard.app/SpringBoard", true);
  EXPECT_EQ(r["lock"], "1");
  EXPECT_EQ(r["uiservices"], "1");
  EXPECT_EQ(hookCount(r), 8);
  EXPECT_EQ(r["hooked OrbelLumenholdWindow hide"], "1");
  EXPECT_EQ(r["openRefused"], "1");
  EXPECT_EQ(r["openKeptErrno"], "1");
  for (const char* name : {"nameForSymbol", "symbolicatedStackSymbols", "symbolicatedCallStack", "PrintCallStack",
                           "setWallpaperImage", "setLightAndDarkWallpaperImages"})
    EXPECT_EQ(r[std::string("exported ") + name], "1") << name;
  EXPECT_EQ(r["companion"], "-1");
}

TEST_F(EngineStartup, IOS12HooksWithoutSpringBoardUIServicesAndSkipsAMissingClass) {
  device("12.4");
  EXPECT_FALSE(platform::fileExistsAtPath(
      "/System/Library/PrivateFrameworks/SpringBoardUIServices.framework/SpringBoardUIServices"));
  Report r = run("SpringBoard");
  EXPECT_EQ(r["lock"], "1");
  EXPECT_EQ(r["uiservices"], "0");
  EXPECT_EQ(r["hooked OrbelLumenholdWindow hide"], "0");
  EXPECT_EQ(hookCount(r), 7);
  EXPECT_EQ(r["openRefused"], "1");
}

TEST_F(EngineStartup, CompanionLibraryLoadsFromWhereItsBuildsPhonesKeepItBeforeTheFirstHook) {
  device("16.0");
  // The engine for rootful phones and the one for rootless phones, each with its phone's place.
  const struct {
    const char* engine;
    const char* companion;
  } builds[] = {{ENGINE_LIBRARY, "/Library/MobileSubstrate/DynamicLibraries/Quorvex.dylib"},
                {ROOTLESS_ENGINE_LIBRARY, "/var/jb/Library/MobileSubstrate/DynamicLibraries/Quorvex.dylib"}};
  for (const auto& placed : builds) {
    for (const auto& other : builds) platform::removeItemAtPath(other.companion);
    platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(placed.companion));
    ASSERT_TRUE(platform::writeFile(placed.companion, readHostFile(COMPANION_PROBE)));
    for (const auto& build : builds) {
      Report r = run("SpringBoard", false, build.engine);
      // 0: loaded with no hook in place yet; -1: not loaded.
      EXPECT_EQ(r["companion"], &build == &placed ? "0" : "-1") << build.engine << " with " << placed.companion;
      EXPECT_EQ(hookCount(r), 7);
    }
  }
}

}  // namespace
