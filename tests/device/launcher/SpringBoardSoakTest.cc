// A long walk of display-offs in the real SpringBoard with the real engine: whatever a refresh
// keeps must be let go by the next one, on both wallpaper paths (SpringBoardUIServices from iOS 13
// on, the Photos wallpaper controller before). A SpringBoard that grows with every screen-off is
// killed by the system within a day.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/foundation/DeviceSettings.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/TempDeviceRoot.h"
#include "tests/support/Sanitizers.h"

namespace {

constexpr int kWidth = 390, kHeight = 844;  // pixels at scale 1: the local pictures' size too
constexpr long kDecodedPictureBytes = long{kWidth} * kHeight * 4;
constexpr int kRefreshes = 200;

long residentBytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) * 1024;
  return -1;
}

// Under AddressSanitizer freed memory waits in a quarantine (256 MiB by default) before it is
// reused, so resident memory grows with every refresh whether anything leaks or not. The
// SpringBoard of this test (the supervisor passes the environment on) reuses freed memory at once,
// so that only a real leak shows.
class QuarantineOff {
 public:
  QuarantineOff() {
#if TOVALUNE_TESTS_UNDER_ASAN
    const char* options = std::getenv("ASAN_OPTIONS");
    if (options) saved_ = options;
    std::string changed = saved_.value_or("");
    ::setenv("ASAN_OPTIONS", (changed + (changed.empty() ? "" : ":") + "quarantine_size_mb=0:thread_local_quarantine_size_kb=0").c_str(), 1);
#endif
  }
  ~QuarantineOff() {
#if TOVALUNE_TESTS_UNDER_ASAN
    if (saved_) ::setenv("ASAN_OPTIONS", saved_->c_str(), 1);
    else ::unsetenv("ASAN_OPTIONS");
#endif
  }

 private:
  std::optional<std::string> saved_;
};

class SpringBoardSoak : public ::testing::TestWithParam<const char*> {
 protected:
  TempDeviceRoot root_;
  QuarantineOff quarantineOff_;
  BootedDeviceGuard guard_;
};

TEST_P(SpringBoardSoak, ResidentMemoryStaysFlatOverHundredsOfRefreshes) {
  auto booted = runLauncher({"boot", "--ios", GetParam(), "--screen-width", std::to_string(kWidth),
                             "--screen-height", std::to_string(kHeight), "--screen-scale", "1", "--network",
                             "wifi", "--engine", ENGINE_LIBRARY});
  ASSERT_EQ(booted.status, 0) << booted.out << booted.err;
  ASSERT_EQ(runLauncher({"tap", "OK"}).status, 0);
  TovalunePreferencesManager::setPrefForKey("ImageMode", 0);
  TovalunePreferencesManager::setPrefForKey("Location", 3);
  pid_t springBoard = pidFromFile("/private/var/simulator/SpringBoard.pid");
  ASSERT_GT(springBoard, 0);

  long afterTenth = 0;
  for (int refresh = 1; refresh <= kRefreshes; ++refresh) {
    // Past the engine's cool-down without waiting for it.
    platform::DeviceSettings settings = platform::deviceSettings();
    settings.clockOffset += 3;
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
    auto locked = askSpringBoard("lock");
    ASSERT_TRUE(locked && locked->value("ok", false)) << "refresh " << refresh;
    ASSERT_TRUE(askSpringBoard("unlock"));
    if (refresh == 10) afterTenth = residentBytes(springBoard);
  }
  long afterLast = residentBytes(springBoard);
  ASSERT_GT(afterTenth, 0);
  EXPECT_LT(afterLast - afterTenth, 3 * kDecodedPictureBytes)
      << "after the 10th refresh " << afterTenth / 1024 << " KiB, after the " << kRefreshes << "th "
      << afterLast / 1024 << " KiB";
  // The walk really refreshed: SpringBoard was the same process throughout.
  EXPECT_EQ(pidFromFile("/private/var/simulator/SpringBoard.pid"), springBoard);
  std::string log = runLauncher({"logs"}).out;
  std::size_t fetches = 0;
  for (std::size_t at = log.find("Fetching random local image..."); at != std::string::npos;
       at = log.find("Fetching random local image...", at + 1))
    ++fetches;
  EXPECT_EQ(fetches, static_cast<std::size_t>(kRefreshes));
}

INSTANTIATE_TEST_SUITE_P(BothWallpaperPaths, SpringBoardSoak, ::testing::Values("16.0", "12.4"),
                         [](const auto& info) { return std::string(info.param[0] == '1' && info.param[1] == '6' ? "UIServices" : "PhotosController"); });

}  // namespace
