#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <thread>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSUUID.h"
#include "tests/support/TempDeviceRoot.h"

using namespace platform;

TEST(DeviceRoot, DevicePathsMapIntoTheRootAndBack) {
  TempDeviceRoot root;
  EXPECT_EQ(hostPath("/var/mobile/x"), root.path() + "/var/mobile/x");
  EXPECT_EQ(devicePathFromHost(root.path() + "/var/mobile/x"), "/var/mobile/x");
  EXPECT_EQ(devicePathFromHost("/elsewhere/x"), "");
  EXPECT_EQ(devicePathFromHost(root.path() + "x/y"), "");
}

TEST(FileManager, ListingCreateRemoveAndDates) {
  TempDeviceRoot root;
  EXPECT_FALSE(contentsOfDirectoryAtPath("/d").has_value());
  ASSERT_TRUE(createDirectoryAtPath("/d/e/f"));
  ASSERT_TRUE(writeFile("/d/b.png", "b"));
  ASSERT_TRUE(writeFile("/d/.hidden", "h"));
  EXPECT_EQ(*contentsOfDirectoryAtPath("/d"), (std::vector<std::string>{".hidden", "b.png", "e"}));
  bool dir = true;
  EXPECT_TRUE(fileExistsAtPath("/d/b.png", &dir));
  EXPECT_FALSE(dir);
  EXPECT_TRUE(directoryExistsAtPath("/d/e"));
  EXPECT_FALSE(directoryExistsAtPath("/d/b.png"));
  ASSERT_TRUE(setContentModificationDate("/d/b.png", 1000.25));
  EXPECT_DOUBLE_EQ(*contentModificationDate("/d/b.png"), 1000.25);
  EXPECT_TRUE(removeItemAtPath("/d/e"));
  EXPECT_FALSE(removeItemAtPath("/d/e"));
  EXPECT_EQ(*readFile("/d/b.png"), "b");
}

// A writer killed at any moment of an atomic write leaves the folder holding the old file or the new
// one, whole, and nothing else: a named temporary file would stay behind for good.
TEST(FileManager, AWriterKilledMidwayLeavesAWholeFileAndNothingElse) {
  TempDeviceRoot root;
  ASSERT_TRUE(createDirectoryAtPath("/d"));
  int probe = ::open(hostPath("/d").c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (probe < 0) GTEST_SKIP() << "this file system makes no unnamed files";
  ::close(probe);
  constexpr std::size_t kSize = std::size_t{24} << 20;
  for (int round = 0; round < 6; ++round) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (char c = 'a';; c = c == 'z' ? 'a' : char(c + 1)) writeFile("/d/picture", std::string(kSize, c));
    }
    // Once the first write is whole, each round kills a little later into the writes that follow.
    for (int i = 0; i < 1000 && !fileExistsAtPath("/d/picture"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(7 * round));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(contentsOfDirectoryAtPath("/d").value_or(std::vector<std::string>{}), std::vector<std::string>{"picture"});
    auto bytes = readFile("/d/picture").value_or("");
    ASSERT_EQ(bytes.size(), kSize);
    EXPECT_EQ(bytes.find_first_not_of(bytes[0]), std::string::npos) << "a torn file";
    ASSERT_TRUE(removeItemAtPath("/d/picture"));
  }
}

TEST(PathHelpers, BehaveAsNSString) {
  EXPECT_EQ(lastPathComponent("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap"), "LockBackground.cpbitmap");
  EXPECT_EQ(lastPathComponent("/a/b/"), "b");
  EXPECT_EQ(lastPathComponent("/"), "/");
  EXPECT_EQ(lastPathComponent("SpringBoard"), "SpringBoard");
  EXPECT_EQ(stringByAppendingPathComponent("/a/", "/b"), "/a/b");
  EXPECT_EQ(stringByDeletingLastPathComponent("/a/b"), "/a");
  EXPECT_EQ(stringByDeletingLastPathComponent("/a"), "/");
  EXPECT_EQ(pathExtension("/x/IMG.PNG"), "PNG");
  EXPECT_EQ(pathExtension("/x/.hidden"), "");
  EXPECT_EQ(pathExtension("/x.d/file"), "");
}

TEST(NSUUID, StringsAreUpperCase8_4_4_4_12) {
  const std::regex form("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
  std::string a = UUIDString(), b = UUIDString();
  EXPECT_TRUE(std::regex_match(a, form)) << a;
  EXPECT_NE(a, b);
  EXPECT_EQ(UUIDStringFromBytes({0xde, 0xad, 0xbe, 0xef, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}),
            "DEADBEEF-0001-0203-0405-060708090A0B");
}
