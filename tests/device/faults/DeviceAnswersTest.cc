// The device keeps answering while the engine waits on the network: SpringBoard answers each
// request on its own, a display event never waits for a download, lock waits for its refresh at
// most as long as asked, and its socket (and the Settings app's) is its owner's alone and survives
// whatever a client sends.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "device/springboard/app/SpringBoardSocket.h"
#include "platform/foundation/DeviceRoot.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/device/faults/FaultDevice.h"

using namespace std::chrono_literals;

namespace {

class DeviceAnswers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(bootDeviceWithEngine());
    TovalunePreferencesManager::setPrefForKey("ImageMode", 1);
    TovalunePreferencesManager::setPrefForKey("Location", 3);
    TovalunePreferencesManager::setPrefForKey("CustomURL", server_.url("/held.png"));
    ASSERT_NO_FATAL_FAILURE(passCoolDown());
  }

  static std::string logOfSpringBoard() { return runLauncher({"logs"}).out; }

  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
  LocalHttpServer server_;
  HeldPicture held_{server_, "/held.png", pngPicture(40, 80, 200)};
};

TEST_F(DeviceAnswers, StatusScreenshotTapAndUnlockAnswerWhileALockWaitsForAHeldDownload) {
  auto before = wallpaperHashes();
  ASSERT_FALSE(before.empty());
  ProgramResult locked;
  std::thread locker([&] { locked = runLauncher({"lock", "--wait", "120"}); });
  ASSERT_TRUE(waitUntil([&] { return held_.arrived() > 0; }, 20s)) << logOfSpringBoard();

  // Each answer comes while the download provably has not: the server still holds it.
  auto status = askSpringBoard("status", 20s);
  ASSERT_TRUE(status && status->value("ok", false)) << "status waited behind the lock";
  EXPECT_FALSE(status->value("displayOn", true));
  EXPECT_EQ(wallpaperHashes(), before);
  auto shot = askSpringBoard("screenshot lock " + root_.path() + "/lock.png", 20s);
  EXPECT_TRUE(shot && shot->value("ok", false)) << "screenshot waited behind the lock";
  auto tap = askSpringBoard("tap Nothing Titled So", 20s);
  EXPECT_TRUE(tap && tap->value("ok", false) && !tap->value("tapped", true)) << "tap waited behind the lock";
  auto unlocked = askSpringBoard("unlock 120", 20s);
  ASSERT_TRUE(unlocked && unlocked->value("ok", false)) << "unlock waited behind the lock";
  EXPECT_TRUE(unlocked->value("settled", false)) << "unlock waited for the lock's download";
  EXPECT_TRUE(springBoardStatus().value("displayOn", false));
  EXPECT_EQ(held_.answered(), 0);

  held_.release();
  locker.join();
  EXPECT_EQ(locked.status, 0) << locked.out << locked.err;
  EXPECT_NE(locked.out.find("The display is off."), std::string::npos) << locked.out;
  EXPECT_EQ(locked.out.find("still running"), std::string::npos) << "lock waited for its refresh: " << locked.out;
  EXPECT_NE(wallpaperHashes(), before) << "the held picture became the wallpaper once released";
}

TEST_F(DeviceAnswers, LockStopsWaitingAfterItsWaitAndSaysTheRefreshStillRuns) {
  auto before = wallpaperHashes();
  auto locked = runLauncher({"lock", "--wait", "1"});
  EXPECT_EQ(locked.status, 0) << locked.err;
  EXPECT_NE(locked.out.find("The display is off."), std::string::npos) << locked.out;
  EXPECT_NE(locked.out.find("The refresh is still running"), std::string::npos) << locked.out;
  EXPECT_EQ(held_.answered(), 0);
  EXPECT_NE(logOfSpringBoard().find("SpringBoard: the work started by lock is still running after 1 s"),
            std::string::npos);

  // The refresh was only left to run: released, it still lands.
  held_.release();
  EXPECT_TRUE(waitUntil([&] { return wallpaperHashes() != before; }, 20s));
  for (const char* refused : {"lock 3601", "lock -1", "unlock soon", "lock 1 2"}) {
    auto reply = askSpringBoard(refused, 20s);
    ASSERT_TRUE(reply) << refused;
    EXPECT_FALSE(reply->value("ok", true)) << refused;
  }
  EXPECT_EQ(runLauncher({"lock", "--wait", "-3"}).status, 2);
}

TEST_F(DeviceAnswers, SocketsAreTheOwnersAloneAndNoRequestTakesTheServerDown) {
  struct stat st {};
  ASSERT_EQ(::stat(platform::hostPath(kSpringBoardSocketPath).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  auto opened = runLauncher({"settings", "open"});
  ASSERT_EQ(opened.status, 0) << opened.out << opened.err;
  ASSERT_EQ(::stat(platform::hostPath(kSettingsSocketPath).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_TRUE(temporaryFiles("/private/var/simulator").empty());

  const std::string socket = platform::hostPath(kSpringBoardSocketPath);
  // More silent clients than the server answers at once: it turns the rest away, never hangs.
  std::vector<int> silent;
  for (int i = 0; i < 40; ++i) silent.push_back(springboard_socket::connectTo(socket));
  auto crowded = askSpringBoard("status", 20s);
  EXPECT_TRUE(crowded) << "no answer at all while silent clients hold connections";
  for (int fd : silent)
    if (fd >= 0) ::close(fd);

  const std::string malformed[] = {
      std::string("status\0trailing", 15),
      std::string("\0", 1),
      std::string(2u << 20, 'x'),
      "\xff\xfe\xfd",
      "lock \xc3\x28",
  };
  for (const auto& request : malformed) {
    auto exchange = springboard_socket::request(request, 20s);
    ASSERT_TRUE(exchange.connected);
    if (exchange.reply) {
      auto reply = nlohmann::json::parse(*exchange.reply, nullptr, false);
      ASSERT_TRUE(reply.is_object()) << *exchange.reply;
      EXPECT_FALSE(reply.value("ok", true)) << request.substr(0, 40);
    }
    ASSERT_TRUE(springBoardStatus().value("ok", false)) << "after " << request.substr(0, 40);
  }
  for (const char* settingsRequest : {"\xff", "tap", ""}) {
    auto exchange = springboard_socket::requestAt(kSettingsSocketPath, "Settings", settingsRequest, 20s);
    ASSERT_TRUE(exchange.reply) << exchange.error;
  }
  EXPECT_EQ(runLauncher({"settings", "show"}).status, 0);
}

}  // namespace
