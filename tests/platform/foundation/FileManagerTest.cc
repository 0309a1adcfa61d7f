#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <mutex>
#include <regex>
#include <thread>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSUUID.h"
#include "platform/substrate/MSHookFunction.h"
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

namespace {

// Where the file system makes no unnamed files, opening one fails as it does there.
std::atomic<bool> noUnnamedFiles{false};
int (*previousOpen)(const char*, int, ...) = nullptr;

int openWithoutUnnamedFiles(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (openTakesMode(flags)) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  if (noUnnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return previousOpen(path, flags, mode);
}

}  // namespace

// With unnamed files or with the hidden name that stands in for them: a file takes each of its
// names whole, replacing what was there, and nothing else is left in the folder.
TEST(FileManager, UnnamedFilesTakeTheirNamesWholeWithOrWithoutTheFileSystemsHelp) {
  static std::once_flag hooked;
  std::call_once(hooked, [] {
    MSHookFunction(reinterpret_cast<void*>(&::open), reinterpret_cast<void*>(&openWithoutUnnamedFiles),
                   reinterpret_cast<void**>(&previousOpen));
  });
  for (bool fileSystemMakesThem : {true, false}) {
    SCOPED_TRACE(fileSystemMakesThem ? "unnamed files" : "a hidden name instead");
    TempDeviceRoot root;
    ASSERT_TRUE(createDirectoryAtPath("/d"));
    noUnnamedFiles = !fileSystemMakesThem;
    EXPECT_TRUE(writeFile("/d/a", "one"));
    EXPECT_TRUE(writeFile("/d/a", "two"));
    {
      auto file = UnnamedFile::create("/d");
      ASSERT_TRUE(file);
      ASSERT_EQ(::write(file->descriptor(), "three", 5), 5);
      EXPECT_TRUE(file->publish("/d/b"));
      EXPECT_TRUE(file->publish("/d/a"));
      EXPECT_FALSE(file->publish("/d/missing/c"));
    }
    EXPECT_FALSE(UnnamedFile::create("/d/missing"));
    noUnnamedFiles = false;
    EXPECT_EQ(contentsOfDirectoryAtPath("/d").value_or(std::vector<std::string>{}),
              (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(readFile("/d/a"), "three");
    EXPECT_EQ(readFile("/d/b"), "three");
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
