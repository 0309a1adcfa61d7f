// SpringBoard killed (SIGKILL) at random moments while the engine writes the store and SpringBoard
// its wallpaper files: after each restart every wallpaper and every stored picture is a whole
// picture, old or new, SpringBoard starts (a torn wallpaper file would stop it at migration), and
// the engine still changes wallpapers.
#include <gtest/gtest.h>
#include <signal.h>

#include <random>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/device/faults/FaultDevice.h"

using namespace std::chrono_literals;

namespace {

constexpr int kTries = 12;
constexpr const char* kStore = "/var/mobile/Library/TovaluneStore";

class KillDuringWrites : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each request a picture of its own, large enough that writing it takes a moment.
    server_.server().Get("/picture.png", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(pngPicture(1000, 2000, static_cast<unsigned char>(++served_ * 37)), "image/png");
    });
    ASSERT_NO_FATAL_FAILURE(bootDeviceWithEngine());
    TovalunePreferencesManager::setPrefForKey("ImageMode", 1);
    TovalunePreferencesManager::setPrefForKey("Location", 4);  // two pictures, two store files
    TovalunePreferencesManager::setPrefForKey("CustomURL", server_.url("/picture.png"));
  }

  void expectEverythingWhole(const std::string& when) {
    std::string folder = springBoardStatus().value("wallpaperDirectory", "");
    ASSERT_FALSE(folder.empty()) << when;
    int wallpapers = 0, stored = 0;
    EXPECT_EQ(brokenPictures(folder, &wallpapers), std::vector<std::string>{}) << when;
    EXPECT_EQ(brokenPictures(kStore, &stored), std::vector<std::string>{}) << when;
    EXPECT_EQ(temporaryFiles(kStore), std::vector<std::string>{}) << when;
    EXPECT_EQ(temporaryFiles(folder), std::vector<std::string>{}) << when;
    const nlohmann::json status = springBoardStatus();  // a temporary would be gone before the loop's body
    for (const auto& w : status["wallpapers"]) EXPECT_TRUE(w.value("readable", false)) << when << w.dump();
    EXPECT_TRUE(platform::dictionaryWithContentsOfFile(TovalunePreferencesManager::kPreferencesPath)) << when;
  }

  std::atomic<int> served_{0};
  LocalHttpServer server_;
  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
};

TEST_F(KillDuringWrites, EveryFileIsWholeAfterEachKillAndTheEngineStillWorks) {
  ASSERT_NO_FATAL_FAILURE(passCoolDown());
  ASSERT_EQ(runLauncher({"lock"}).status, 0);
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> moment(0, 600);
  int killedWhileWriting = 0;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    SCOPED_TRACE("try " + std::to_string(attempt));
    pid_t pid = springBoardPid();
    ASSERT_GT(pid, 0);
    ASSERT_NO_FATAL_FAILURE(passCoolDown());
    int servedBefore = served_;
    auto filesNow = [] { return platform::contentsOfDirectoryAtPath(kStore).value_or(std::vector<std::string>{}); };
    const auto filesBefore = filesNow();
    // lock 0 answers once the display is off; the refresh goes on while the clock runs.
    auto locked = askSpringBoard("lock 0", 20s);
    ASSERT_TRUE(locked && locked->value("ok", false));
    if (attempt % 2 == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
    } else {
      // The moment a new file shows in the store (a temporary one, or the picture itself being
      // written): writes take milliseconds, so random moments alone rarely land inside one.
      waitUntil([&] { return filesNow() != filesBefore; }, 10s);
    }
    if (served_ > servedBefore) ++killedWhileWriting;
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] {
      pid_t now = springBoardPid();
      return now > 0 && now != pid;
    }, 30s)) << "SpringBoard did not come back: " << runLauncher({"logs"}).out;
    ASSERT_NO_FATAL_FAILURE(expectEverythingWhole("after the kill"));
  }
  EXPECT_GT(killedWhileWriting, 0) << "no kill came after a picture had been fetched";

  auto before = wallpaperHashes();
  ASSERT_NO_FATAL_FAILURE(passCoolDown());
  auto locked = runLauncher({"lock"});
  ASSERT_EQ(locked.status, 0) << locked.err;
  EXPECT_NE(wallpaperHashes(), before) << "the engine no longer changes wallpapers";
  expectEverythingWhole("after the last refresh");
}

}  // namespace
