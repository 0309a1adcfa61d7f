#include "platform/system/NSTask.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

class NSTaskTest : public testing::Test {
 protected:
  TempDeviceRoot root;
};

TEST_F(NSTaskTest, ReadsTheOutputAndTheExitStatus) {
  struct Case {
    std::vector<std::string> args;
    std::string output;
    int status;
  } cases[] = {
      {{"-c", "printf 'ii  tovalune 1.2.0\\n'"}, "ii  tovalune 1.2.0\n", 0},
      {{"-c", "echo partial; exit 3"}, "partial\n", 3},
      {{"-c", "kill -9 $$"}, "", 128 + 9},
  };
  for (const auto& c : cases) {
    NSTask task("/bin/sh", c.args);
    ASSERT_TRUE(task.launch());
    EXPECT_EQ(task.readDataToEndOfFile(), c.output);
    task.waitUntilExit();
    EXPECT_EQ(task.terminationStatus(), c.status) << c.args[1];
  }
}

TEST_F(NSTaskTest, WaitingFirstDoesNotDeadlockOnAFullPipeNorLoseTheOutput) {
  NSTask task("/bin/sh", {"-c", "head -c 300000 /dev/zero"});
  ASSERT_TRUE(task.launch());
  task.waitUntilExit();
  EXPECT_EQ(task.terminationStatus(), 0);
  EXPECT_EQ(task.readDataToEndOfFile().size(), 300000u);
}

TEST_F(NSTaskTest, AMissingProgramDoesNotStart) {
  platform::LogCapture log;
  NSTask task("/usr/bin/no-such-program-here", {});
  EXPECT_FALSE(task.launch());
  EXPECT_EQ(task.terminationStatus(), -1);
  EXPECT_TRUE(log.containsSubstring("Could not start /usr/bin/no-such-program-here"));
  pid_t pid = 0;
  EXPECT_NE(platform::posix_spawn(&pid, "/usr/bin/no-such-program-here", {"x"}), 0);
  EXPECT_EQ(pid, -1);
}

TEST_F(NSTaskTest, AnExecutableInTheDeviceRootStandsInForTheHostsProgram) {
  ASSERT_TRUE(platform::createDirectoryAtPath("/usr/bin"));
  ASSERT_TRUE(platform::writeFile("/usr/bin/killall", "#!/bin/sh\necho \"device killall $*\"\nexit 1\n"));
  ::chmod(platform::hostPath("/usr/bin/killall").c_str(), 0755);
  NSTask task("/usr/bin/killall", {"-9", "SpringBoard"});
  ASSERT_TRUE(task.launch());
  EXPECT_EQ(task.readDataToEndOfFile(), "device killall -9 SpringBoard\n");
  task.waitUntilExit();
  EXPECT_EQ(task.terminationStatus(), 1);

  pid_t pid = 0;
  ASSERT_EQ(platform::posix_spawn(&pid, "/usr/bin/killall", {"killall", "-9", "SpringBoard"}), 0);
  EXPECT_EQ(platform::waitForProcess(pid), 1);
  EXPECT_EQ(platform::resolveLaunchPath("/bin/sh"), "/bin/sh");
}

TEST_F(NSTaskTest, StartsInTheDeviceFolderItIsGivenAndNotInAMissingOne) {
  ASSERT_TRUE(platform::createDirectoryAtPath("/var/lib"));
  NSTask inDevice("/bin/sh", {"-c", "pwd -P"});
  inDevice.setCurrentDirectoryPath("/var/lib");
  ASSERT_TRUE(inDevice.launch());
  char resolved[PATH_MAX];
  ASSERT_TRUE(::realpath(platform::hostPath("/var/lib").c_str(), resolved));
  EXPECT_EQ(inDevice.readDataToEndOfFile(), std::string(resolved) + "\n");

  platform::LogCapture log;
  NSTask missing("/bin/sh", {"-c", "true"});
  missing.setCurrentDirectoryPath("/no/such/folder");
  EXPECT_FALSE(missing.launch());
  EXPECT_TRUE(log.containsSubstring("Could not start /bin/sh"));
}

}  // namespace
