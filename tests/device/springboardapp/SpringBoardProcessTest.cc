// The SpringBoard executable in a real process over a temporary device root: its loader, its
// launch, its socket requests, its screens and its ends.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "device/jailbreak/JailbreakLayout.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/image/ImageCodec.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/TempDeviceRoot.h"

using namespace std::chrono_literals;
using nlohmann::json;

namespace {

class SpringBoardProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::DeviceSettings settings;
    settings.screenWidth = 100;
    settings.screenHeight = 200;
    settings.screenScale = 2;
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
  }

  std::string hostFile(const std::string& name) { return platform::hostPath("/" + name); }

  static std::string mappedFiles(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  static std::optional<platform::Bitmap> decodeFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return platform::decodeImage(bytes);
  }

  static std::string lockLightHash(const json& status) {
    for (const auto& w : status["wallpapers"])
      if (w["screen"] == "lock" && w["appearance"] == "light") return w["hash"];
    return "";
  }

  TempDeviceRoot root_;
};

TEST_F(SpringBoardProcessTest, LoaderOpensOnlyLibrariesWhoseFilterNamesSpringBoard) {
  installTestTweak("ByBundle", TweakFilter::SpringBoardBundle);
  installTestTweak("ByExecutable", TweakFilter::SpringBoardExecutable);
  installTestTweak("NoFilter", TweakFilter::None);
  installTestTweak("ForPreferences", TweakFilter::OtherProcess);
  installTestTweak("Broken", TweakFilter::SpringBoardBundle);
  const std::string substrate = devicePackagePath("/Library/MobileSubstrate/DynamicLibraries/");
  platform::writeFile(substrate + "Broken.dylib", "not a shared object");

  SpringBoardProcess springBoard;
  ASSERT_TRUE(springBoard.waitUntilReady()) << springBoard.output();
  std::string maps = mappedFiles(springBoard.pid());
  const std::string folder = platform::hostPath(substrate);
  EXPECT_NE(maps.find(folder + "ByBundle.dylib"), std::string::npos);
  EXPECT_NE(maps.find(folder + "ByExecutable.dylib"), std::string::npos);
  EXPECT_EQ(maps.find(folder + "NoFilter.dylib"), std::string::npos);
  EXPECT_EQ(maps.find(folder + "ForPreferences.dylib"), std::string::npos);
  EXPECT_NE(springBoard.output().find("could not load " + substrate + "Broken.dylib"),
            std::string::npos)
      << springBoard.output();
  // The loaded add-ons ran in SpringBoard: their notices are on screen.
  EXPECT_EQ(askSpringBoard("status")->value("visibleWindows", 0), 2);
}

TEST_F(SpringBoardProcessTest, RunsUnderItsOwnProcessNameAndReportsItself) {
  SpringBoardProcess springBoard;
  ASSERT_TRUE(springBoard.waitUntilReady()) << springBoard.output();
  std::ifstream comm("/proc/" + std::to_string(springBoard.pid()) + "/comm");
  std::string name;
  std::getline(comm, name);
  EXPECT_EQ(name, "SpringBoard");

  auto status = askSpringBoard("status");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->value("iosVersion", ""), platform::deviceSettings().iosVersion);
  EXPECT_FALSE(status->value("engineLoaded", true));
  EXPECT_TRUE(status->value("displayOn", false));
  EXPECT_EQ(status->value("wallpaperDirectory", ""), "/var/mobile/Library/SpringBoard");
  ASSERT_EQ((*status)["wallpapers"].size(), 4u);
  for (const auto& w : (*status)["wallpapers"]) EXPECT_FALSE(w.value("exists", true));
}

TEST_F(SpringBoardProcessTest, NoticeShowsOnTheScreenshotUntilItsButtonIsTapped) {
  installTestTweak("Notice", TweakFilter::SpringBoardBundle);
  SpringBoardProcess springBoard;
  ASSERT_TRUE(springBoard.waitUntilReady()) << springBoard.output();

  auto withNotice = askSpringBoard("screenshot lock " + hostFile("with.png"));
  ASSERT_TRUE(withNotice && withNotice->value("ok", false)) << withNotice->dump();
  auto tapped = askSpringBoard("tap OK");
  ASSERT_TRUE(tapped);
  EXPECT_TRUE(tapped->value("tapped", false));
  EXPECT_FALSE(askSpringBoard("tap OK")->value("tapped", true)) << "the notice is gone, so nothing is titled OK";
  ASSERT_TRUE(askSpringBoard("screenshot lock " + hostFile("without.png"))->value("ok", false));

  auto with = decodeFile(hostFile("with.png"));
  auto without = decodeFile(hostFile("without.png"));
  ASSERT_TRUE(with && without);
  EXPECT_EQ(with->width, 200u);
  EXPECT_EQ(with->height, 400u);
  EXPECT_NE(with->rgba, without->rgba);
  EXPECT_EQ(askSpringBoard("status")->value("visibleWindows", -1), 0);
}

TEST_F(SpringBoardProcessTest, LockRepliesOnlyAfterTheWorkItStartedHasSettled) {
  installTestTweak("Painter", TweakFilter::SpringBoardBundle);
  SpringBoardProcess springBoard;
  ASSERT_TRUE(springBoard.waitUntilReady()) << springBoard.output();

  auto locked = askSpringBoard("lock");
  ASSERT_TRUE(locked && locked->value("ok", false));
  EXPECT_TRUE(locked->value("settled", false));
  auto afterFirst = askSpringBoard("status");
  EXPECT_FALSE(afterFirst->value("displayOn", true));
  EXPECT_EQ(afterFirst->value("wallpaperChanges", 0), 1);
  std::string first = lockLightHash(*afterFirst);
  EXPECT_FALSE(first.empty());

  EXPECT_TRUE(askSpringBoard("unlock")->value("ok", false));
  EXPECT_TRUE(askSpringBoard("status")->value("displayOn", false));
  ASSERT_TRUE(askSpringBoard("lock")->value("ok", false));
  auto afterSecond = askSpringBoard("status");
  EXPECT_EQ(afterSecond->value("wallpaperChanges", 0), 2);
  EXPECT_NE(lockLightHash(*afterSecond), first);
}

TEST_F(SpringBoardProcessTest, LockAndHomeScreensDifferAndTheClockShowsOnTheLockScreen) {
  SpringBoardProcess springBoard;
  ASSERT_TRUE(springBoard.waitUntilReady()) << springBoard.output();
  ASSERT_TRUE(askSpringBoard("screenshot lock " + hostFile("lock.png"))->value("ok", false));
  ASSERT_TRUE(askSpringBoard("screenshot home " + hostFile("home.png"))->value("ok", false));
  platform::DeviceSettings settings = platform::deviceSettings();
  settings.clockOffset += 3 * 3600 + 17 * 60;  // another hour and minute on the lock screen's clock
  ASSERT_TRUE(platform::saveDeviceSettings(settings));
  ASSERT_TRUE(askSpringBoard("screenshot lock " + hostFile("later.png"))->value("ok", false));

  auto lock = decodeFile(hostFile("lock.png"));
  auto home = decodeFile(hostFile("home.png"));
  auto later = decodeFile(hostFile("later.png"));
  ASSERT_TRUE(lock && home && later);
  EXPECT_NE(lock->rgba, home->rgba);
  EXPECT_NE(lock->rgba, later->rgba);
}

TEST_F(SpringBoardProcessTest, BadRequestsAreAnsweredWithReasonsAndServingGoesOn) {
  SpringBoardProcess springBoard;
  ASSERT_TRUE(springBoard.waitUntilReady()) << springBoard.output();
  const std::string refused[] = {
      "bogus",
      "",
      "lock now",
      "screenshot sideways " + hostFile("x.png"),
      "screenshot lock relative.png",
      "screenshot lock",
      "screenshot home " + hostFile("no/such/folder/x.png"),
      "tap",
      std::string("\xc3\x28 garbage"),
  };
  for (const auto& request : refused) {
    auto reply = askSpringBoard(request);
    ASSERT_TRUE(reply) << request;
    EXPECT_FALSE(reply->value("ok", true)) << request;
  }
  // A title that is no UTF-8 finds nothing, and the reply stays readable.
  auto odd = askSpringBoard(std::string("tap \xff\xfe"));
  ASSERT_TRUE(odd);
  EXPECT_FALSE(odd->value("tapped", true));
  // A client that connects and says nothing, and one that sends an endless line, are let go.
  int silent = springboard_socket::connectTo(platform::hostPath(kSpringBoardSocketPath));
  ASSERT_GE(silent, 0);
  ::close(silent);
  int flood = springboard_socket::connectTo(platform::hostPath(kSpringBoardSocketPath));
  ASSERT_GE(flood, 0);
  std::string chunk(64 * 1024, 'x');
  for (int i = 0; i < 20 && springboard_socket::writeAll(flood, chunk, 1s); ++i) {
  }
  ::close(flood);
  auto status = askSpringBoard("status");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->value("pid", 0), springBoard.pid());
}

TEST_F(SpringBoardProcessTest, UnreadableWallpaperAtMigrationEndsTheProcessWithACrashLine) {
  platform::createDirectoryAtPath("/var/mobile/Library/SpringBoard");
  platform::writeFile("/var/mobile/Library/SpringBoard/LockBackground.cpbitmap", "corrupt bytes");
  SpringBoardProcess springBoard;
  auto status = springBoard.waitForExit();
  ASSERT_TRUE(status) << "SpringBoard kept running on a corrupt wallpaper store";
  EXPECT_NE(*status, 0);
  EXPECT_NE(springBoard.output().find("terminating on an uncaught exception"), std::string::npos);
  EXPECT_NE(springBoard.output().find("SBFWallpaperMigrationException"), std::string::npos);
  EXPECT_FALSE(askSpringBoard("status", 1s));
}

TEST_F(SpringBoardProcessTest, SigtermEndsItCleanlyAndRemovesItsSocket) {
  SpringBoardProcess springBoard;
  ASSERT_TRUE(springBoard.waitUntilReady()) << springBoard.output();
  auto status = springBoard.terminate();
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, 0);
  EXPECT_FALSE(platform::fileExistsAtPath(kSpringBoardSocketPath));
  EXPECT_NE(springBoard.output().find("SpringBoard: terminated"), std::string::npos);
}

}  // namespace
