#include "platform/substrate/MSHookFunction.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include "tests/support/TempDeviceRoot.h"
#include "tests/support/Sanitizers.h"

extern "C" int openThroughLibrary(const char* path, int flags, int mode);

namespace {

using OpenFunction = int (*)(const char*, int, ...);
using AccessFunction = int (*)(const char*, int);

OpenFunction previousOpen = nullptr;
std::atomic<int> openCalls{0};

// Refuses paths naming "refused" without touching errno, as the engine's replacement does, and
// passes every other call through with its mode.
int replacementOpen(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (platform::openTakesMode(flags)) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  if (std::strstr(path, "substrate-test")) ++openCalls;
  if (std::strstr(path, "refused")) return -1;
  return previousOpen(path, flags, mode);
}

void hookOpen() {
  static std::once_flag once;
  std::call_once(once, [] {
    MSHookFunction(reinterpret_cast<void*>(&::open), reinterpret_cast<void*>(&replacementOpen),
                   reinterpret_cast<void**>(&previousOpen));
  });
}

class MSHookFunctionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hookOpen();
    ASSERT_NE(previousOpen, nullptr);
    plain = root.path() + "/substrate-test-plain";
    refused = root.path() + "/substrate-test-refused";
    std::ofstream(plain) << "plain";
    std::ofstream(refused) << "refused";
  }

  // Calls reaching the replacement while `call` runs.
  template <typename F>
  int callsDuring(F call) {
    int before = openCalls;
    call();
    return openCalls - before;
  }

  TempDeviceRoot root;
  std::string plain, refused;
};

int expectOpens(int fd) {
  EXPECT_GE(fd, 0);
  if (fd >= 0) close(fd);
  return fd;
}

TEST_F(MSHookFunctionTest, CallsFromTheExecutableReachTheReplacementUnderEveryAliasName) {
  EXPECT_EQ(callsDuring([&] { expectOpens(::open(plain.c_str(), O_RDONLY)); }), 1);
  EXPECT_EQ(callsDuring([&] { expectOpens(::open64(plain.c_str(), O_RDONLY)); }), 1);
  // The file exists, so only the replacement can make these fail.
  EXPECT_EQ(::open(refused.c_str(), O_RDONLY), -1);
  EXPECT_EQ(::open64(refused.c_str(), O_RDONLY), -1);
  // A pointer taken after the hook goes through the executable's non-lazy slot.
  OpenFunction pointer = &::open;
  EXPECT_EQ(pointer(refused.c_str(), O_RDONLY), -1);
}

TEST_F(MSHookFunctionTest, CallsFromALazilyBoundLibraryReachTheReplacement) {
  EXPECT_EQ(callsDuring([&] { expectOpens(openThroughLibrary(plain.c_str(), O_RDONLY, 0)); }), 1);
  EXPECT_EQ(openThroughLibrary(refused.c_str(), O_RDONLY, 0), -1);
}

TEST_F(MSHookFunctionTest, ALibraryLoadedAfterTheHookReachesTheReplacement) {
#if TOVALUNE_TESTS_UNDER_ASAN
  // The sanitizer's runtime, linked into this executable, replaces dlopen there, so this
  // executable's own dlopen call never passes through a slot a hook can rebind. SpringBoard loads
  // its libraries through the platform's loader in a shared library, which the hook does reach.
  GTEST_SKIP() << "dlopen is the sanitizer's own in this executable";
#endif
  void* library = dlopen(LATE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto call = reinterpret_cast<decltype(&openThroughLibrary)>(dlsym(library, "openThroughLibrary"));
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(callsDuring([&] { expectOpens(call(plain.c_str(), O_RDONLY, 0)); }), 1);
  EXPECT_EQ(call(refused.c_str(), O_RDONLY, 0), -1);
}

TEST_F(MSHookFunctionTest, HookedDlopenKeepsTheLoadersErrorReporting) {
  dlerror();
  void* library = dlopen(LATE_LIBRARY, RTLD_NOW);
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(dlerror(), nullptr) << "a successful load must leave no error behind";
  errno = 0;
  EXPECT_EQ(dlopen("/nonexistent/substrate-test.so", RTLD_NOW), nullptr);
  const char* error = dlerror();
  ASSERT_NE(error, nullptr);
  EXPECT_NE(std::strstr(error, "substrate-test.so"), nullptr);
}

TEST_F(MSHookFunctionTest, ModeReachesTheSystemWithAndWithoutAHook) {
  const std::string direct = root.path() + "/substrate-test-direct", hooked = root.path() + "/substrate-test-hooked";
  const mode_t savedMask = umask(0);
  expectOpens(previousOpen(direct.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0600));
  expectOpens(::open(hooked.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0640));
  expectOpens(previousOpen(plain.c_str(), O_RDONLY));
  struct stat info{};
  ASSERT_EQ(stat(direct.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(stat(hooked.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);

  int fd = ::open(root.path().c_str(), O_TMPFILE | O_RDWR, 0600);
  umask(savedMask);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) GTEST_SKIP() << "no O_TMPFILE on this file system";
  ASSERT_GE(fd, 0);
  ASSERT_EQ(fstat(fd, &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  close(fd);
}

TEST(OpenTakesMode, OnlyFlagsThatMayCreateAFileCarryAMode) {
  const struct {
    int flags;
    bool takesMode;
  } table[] = {{O_RDONLY, false},          {O_WRONLY | O_TRUNC, false},         {O_DIRECTORY | O_RDONLY, false},
               {O_CREAT | O_WRONLY, true}, {O_CREAT | O_EXCL | O_RDWR, true}, {O_TMPFILE | O_RDWR, true}};
  for (const auto& row : table) EXPECT_EQ(platform::openTakesMode(row.flags), row.takesMode) << std::oct << row.flags;
}

TEST_F(MSHookFunctionTest, ARefusalThatSetsNoErrorLeavesErrnoAlone) {
  errno = EDOM;
  EXPECT_EQ(::open(refused.c_str(), O_RDONLY), -1);
  EXPECT_EQ(errno, EDOM);
  errno = ERANGE;
  EXPECT_EQ(openThroughLibrary(refused.c_str(), O_RDONLY, 0), -1);
  EXPECT_EQ(errno, ERANGE);
}

// Bytes of the library's mappings per permission string, from /proc/self/maps.
std::string mappingsOf(const std::string& path) {
  std::ifstream maps("/proc/self/maps");
  std::ostringstream out;
  for (std::string line; std::getline(maps, line);) {
    if (line.size() < path.size() || line.compare(line.size() - path.size(), path.size(), path) != 0) continue;
    unsigned long start = 0, end = 0;
    char perms[5] = {};
    std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms);
    out << perms << ' ' << (end - start) << '\n';
  }
  return out.str();
}

AccessFunction firstAccess = nullptr, secondAccess = nullptr;
std::atomic<int> firstAccessCalls{0}, secondAccessCalls{0};
int firstAccessReplacement(const char* path, int mode) { return ++firstAccessCalls, firstAccess(path, mode); }
int secondAccessReplacement(const char* path, int mode) { return ++secondAccessCalls, secondAccess(path, mode); }

// Runs once per process: it hooks `access` for good.
TEST_F(MSHookFunctionTest, ReadOnlySlotsAreRewrittenAndTheirProtectionRestored) {
  // Loaded behind the hooked dlopen's back, so its slots still lead to the system's open.
  auto realDlopen = reinterpret_cast<void* (*)(const char*, int)>(dlsym(RTLD_DEFAULT, "dlopen"));
  void* library = realDlopen(RELRO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr);
  auto call = reinterpret_cast<decltype(&openThroughLibrary)>(dlsym(library, "openThroughLibrary"));
  expectOpens(call(refused.c_str(), O_RDONLY, 0));
  const std::string before = mappingsOf(RELRO_LIBRARY);

  // Any hook rebinds every image, so installing another one brings the open hook to this library.
  MSHookFunction(reinterpret_cast<void*>(&::access), reinterpret_cast<void*>(&firstAccessReplacement),
                 reinterpret_cast<void**>(&firstAccess));
  EXPECT_EQ(call(refused.c_str(), O_RDONLY, 0), -1);
  EXPECT_EQ(mappingsOf(RELRO_LIBRARY), before);

  // Hooking again chains: the second replacement's previous function is the first replacement.
  MSHookFunction(reinterpret_cast<void*>(&::access), reinterpret_cast<void*>(&secondAccessReplacement),
                 reinterpret_cast<void**>(&secondAccess));
  EXPECT_EQ(secondAccess, &firstAccessReplacement);
  EXPECT_EQ(::access(plain.c_str(), R_OK), 0);
  EXPECT_EQ(firstAccessCalls, 1);
  EXPECT_EQ(secondAccessCalls, 1);
}

TEST_F(MSHookFunctionTest, NothingToHookLeavesThePreviousSlotAlone) {
  void* previous = reinterpret_cast<void*>(&expectOpens);
  MSHookFunction(nullptr, reinterpret_cast<void*>(&replacementOpen), &previous);
  MSHookFunction(reinterpret_cast<void*>(&::close), nullptr, &previous);
  int onTheHeap = 0;
  MSHookFunction(&onTheHeap, reinterpret_cast<void*>(&replacementOpen), &previous);
  EXPECT_EQ(previous, reinterpret_cast<void*>(&expectOpens));
}

}  // namespace
