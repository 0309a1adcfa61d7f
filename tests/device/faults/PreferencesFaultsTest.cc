// The preferences file changed under the engine between two reads (replaced by garbage, cut
// short, a FIFO, a folder, a sparse file of gigabytes, its folder a file): each refresh ends with the defaults or the last good state, SpringBoard never hangs or crashes,
// and once the file is good again the engine follows it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/device/faults/FaultDevice.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class PreferencesFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    // With no readable preferences the engine falls back to its default provider, the Microsoft
    // feed: routed to the test's server, which answers nothing useful.
    ASSERT_NO_FATAL_FAILURE(bootDeviceWithEngine());
    ASSERT_EQ(runLauncher({"route", "arc.msn.com", server_.address()}).status, 0);
    TovalunePreferencesManager::setPrefForKey("ImageMode", 0);
    TovalunePreferencesManager::setPrefForKey("Location", 3);
  }

  std::string prefsHost() const { return root_.host(TovalunePreferencesManager::kPreferencesPath); }

  // One display-off: it must settle, in the same SpringBoard.
  void refresh(const std::string& when) {
    ASSERT_NO_FATAL_FAILURE(passCoolDown());
    auto locked = runLauncher({"lock", "--wait", "20"});
    ASSERT_EQ(locked.status, 0) << when << locked.err;
    EXPECT_EQ(locked.out.find("still running"), std::string::npos) << when << ": the refresh hung";
    EXPECT_EQ(springBoardPid(), pid_) << when << ": SpringBoard restarted";
    ASSERT_EQ(runLauncher({"unlock"}).status, 0);
  }

  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
  LocalHttpServer server_;
  pid_t pid_ = 0;
};

TEST_F(PreferencesFaults, ABrokenFileBetweenReadsMeansDefaultsNeverAHang) {
  pid_ = springBoardPid();
  const std::string host = prefsHost();
  auto remove = [&] { fs::remove_all(host); };
  const std::string path = TovalunePreferencesManager::kPreferencesPath;
  const struct {
    const char* name;
    std::function<void()> corrupt;
  } faults[] = {
      {"garbage", [&] { platform::writeFile(path, "\x01\xffnot a plist"); }},
      {"cut short",
       [&] {
         std::string whole = platform::readFile(path).value_or("");
         platform::writeFile(path, whole.substr(0, whole.size() / 2));
       }},
      {"a FIFO",
       [&] {
         remove();
         ::mkfifo(host.c_str(), 0644);
       }},
      {"a folder",
       [&] {
         remove();
         fs::create_directories(host + "/inside");
       }},
      {"eight sparse gigabytes", [&] { fs::resize_file(host, 8ull << 30); }},
      {"a dangling link",
       [&] {
         remove();
         fs::create_symlink(host + ".gone", host);
       }},
      {"its folder is a file",
       [&] {
         fs::remove_all(fs::path(host).parent_path());
         platform::writeFile("/var/mobile/Library/Preferences", "no folder");
       }},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.name);
    // A good file first, then the fault between this read and the next.
    fs::remove_all(fs::path(host).parent_path());
    ASSERT_TRUE(TovalunePreferencesManager::setPrefForKey("ImageMode", 0));
    ASSERT_NO_FATAL_FAILURE(refresh(std::string(fault.name) + ", before"));
    fault.corrupt();
    std::size_t asked = server_.requestCount();
    ASSERT_NO_FATAL_FAILURE(refresh(fault.name));
    EXPECT_GT(server_.requestCount(), asked) << "the engine did not fall back to its default provider";
    auto status = springBoardStatus();
    for (const auto& w : status["wallpapers"]) {
      if (w.value("exists", false)) {
        EXPECT_TRUE(w.value("readable", false)) << w.dump();
      }
    }
    // The launcher reads the same file: it must not hang on it either.
    auto listed = runProgram({launcherPath(), "--device", root_.path(), "defaults", "read"}, 20s);
    EXPECT_NE(listed.status, -1) << "defaults read hung";
  }
  fs::remove_all(fs::path(host).parent_path());

  // A good file again: the engine follows it (a local picture, no request to the server).
  ASSERT_TRUE(TovalunePreferencesManager::setPrefForKey("ImageMode", 0));
  // Counted in the log rather than by a changed wallpaper: a random local pick may be the picture
  // already shown.
  auto localFetches = [&] {
    const std::string logs = runLauncher({"logs"}).out;
    std::size_t n = 0;
    for (std::size_t at = 0; (at = logs.find("Fetching random local image...", at)) != std::string::npos; ++at) ++n;
    return n;
  };
  const std::size_t fetchedBefore = localFetches();
  std::size_t asked = server_.requestCount();
  ASSERT_NO_FATAL_FAILURE(refresh("good again"));
  EXPECT_EQ(server_.requestCount(), asked);
  EXPECT_GT(localFetches(), fetchedBefore) << "the engine did not follow the good file";
  EXPECT_EQ(runLauncher({"logs"}).out.find("terminating"), std::string::npos);
}

}  // namespace
