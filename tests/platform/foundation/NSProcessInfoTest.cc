#include "platform/foundation/NSProcessInfo.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

namespace {

TEST(NSProcessInfoTest, ExecutableAndArgumentsAreThisProgram) {
  std::string path = platform::executablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(std::filesystem::path(path).is_absolute());
  EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe"));
  auto arguments = platform::processArguments();
  ASSERT_FALSE(arguments.empty());
  EXPECT_EQ(std::filesystem::path(arguments.front()).filename(), std::filesystem::path(path).filename());
}

// A child is followed through its life: running, ended but not collected (a zombie), collected.
TEST(NSProcessInfoTest, RunningProcessesAreThoseNotEnded) {
  EXPECT_TRUE(platform::isRunningProcess(::getpid()));
  // The machine's init runs, also where it is another user's and may not be signalled.
  EXPECT_TRUE(platform::isRunningProcess(1));
  for (pid_t none : {0, -1}) EXPECT_FALSE(platform::isRunningProcess(none)) << none;

  int toChild[2];
  ASSERT_EQ(::pipe(toChild), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char c;
    ::close(toChild[1]);
    (void)!::read(toChild[0], &c, 1);  // ends when the parent closes its end
    ::_exit(0);
  }
  ::close(toChild[0]);
  EXPECT_TRUE(platform::isRunningProcess(child));
  ::close(toChild[1]);
  // Ended: waitid with WNOWAIT sees the end but leaves the zombie in place.
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, id_t(child), &info, WEXITED | WNOWAIT), 0);
  EXPECT_FALSE(platform::isRunningProcess(child));
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  EXPECT_FALSE(platform::isRunningProcess(child));
}

}  // namespace
