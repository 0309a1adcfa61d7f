#pragma once
// The refresh cycle's hooks installed on the simulated SpringBoard's own classes, a fresh device per
// test, and what a person would look at: the wallpaper files SpringBoard keeps.
#include <gtest/gtest.h>

#include <string>

#include "device/uiservices/SBSUIWallpaper.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PlistValue.h"
#include "tests/support/TempDeviceRoot.h"

// The log line of a refresh that draws from the local folder.
inline constexpr const char* kFetchLocal = "Fetching random local image...";

class RefreshTest : public ::testing::Test {
 protected:
  RefreshTest();
  ~RefreshTest() override;

  // Pictures whose width tells them apart.
  static std::string writePicture(const std::string& devicePath, int width, int height = 7);
  void setPrefs(const platform::Dictionary& prefs);
  void setLocalPictures(std::initializer_list<int> widths);
  void setDevice(const std::string& iosVersion, const std::string& network = "wifi");
  // Binds SpringBoardUIServices as start-up does on iOS 13 and later.
  void bindSpringBoardUIServices();
  // What the bound library recorded (its test interface, found with dlsym like the function).
  std::vector<SBSUIWallpaperCall> uiservicesCalls();
  void resetUIServicesCalls();
  int uiservicesMaxConcurrentCalls();

  // SpringBoard's events; each waits until the work they started has finished.
  void displayOff();
  void displayOn(double oldFactor = 0.0, double newFactor = 1.0);
  void displayOnWithoutFactors();
  void hideAddOnWindow();
  static void settle();

  // The light wallpaper's width in points on that screen, 0 when there is none.
  double lockWidth();
  double homeWidth();
  std::uint64_t changes();

  TempDeviceRoot root;
  platform::LogCapture log;

 private:
  void* uiservices_ = nullptr;
};
