// Timeline mode: display-ons (and the add-on window) apply the entry the timeline says is due.
#include "engine/schedule/TovaluneTimeManager.h"
#include "platform/foundation/NSDate.h"
#include "shared/ImageFolders.h"
#include "tests/engine/refresh/RefreshTestSupport.h"

namespace {

constexpr const char* kChecking = "[Tovalune] Checking for new wallpaper...";

platform::Value entry(const std::string& start, const std::string& path) {
  return platform::Dictionary{{"Start", start}, {"ImagePath", path}};
}

class TimelineMode : public RefreshTest {
 protected:
  TimelineMode() {
    a = writePicture(std::string(kTimelineImagesPath) + "/A.png", 8);
    b = writePicture(std::string(kTimelineImagesPath) + "/B.png", 20);
    setLocalPictures({12});
    setPrefs({{"UpdateMode", 1}, {"ImageMode", 0}, {"Location", 1},
              {"ImageTimeline", platform::Array{entry("08:00:00", a), entry("20:00:00", b)}}});
  }
  static double at(int h, int m, int s = 0, int month = 6, int day = 15) {
    return platform::dateFromComponents({2026, month, day, h, m, s});
  }
  std::string a, b;
};

TEST_F(TimelineMode, WakesAcrossTheDayApplyTheDueEntry) {
  const struct {
    int h, m, s;
    double width;
  } table[] = {{7, 59, 0, 20}, {8, 0, 30, 8}, {19, 59, 0, 8}, {20, 0, 30, 20}, {23, 59, 0, 20}};
  for (const auto& row : table) {
    SCOPED_TRACE(fmt::format("{:02d}:{:02d}:{:02d}", row.h, row.m, row.s));
    platform::setFixedNow(at(row.h, row.m, row.s));
    displayOn();
    EXPECT_EQ(lockWidth(), row.width);
  }
  // 19:59 and 23:59 found the entry already applied.
  EXPECT_EQ(log.count("(imagePathForTime) Same as previous, ignoring."), 2u);
}

TEST_F(TimelineMode, BacklightFactorsDecideWhetherTheTimelineIsConsulted) {
  platform::setFixedNow(at(9, 0));
  const struct {
    double oldFactor, newFactor;
    bool consulted;
  } table[] = {{0.0, 0.5, true}, {0.5, 0.0, false}, {0.5, 1.0, false}, {0.0, 0.3, true}, {0.0, 0.0, false}};
  for (const auto& row : table) {
    log.clear();
    platform::advanceFixedNow(10);
    displayOn(row.oldFactor, row.newFactor);
    EXPECT_EQ(log.contains(kChecking), row.consulted) << row.oldFactor << " -> " << row.newFactor;
  }
  log.clear();
  platform::advanceFixedNow(10);
  displayOnWithoutFactors();
  EXPECT_FALSE(log.contains(kChecking));
}

TEST_F(TimelineMode, UpdateModeDecidesWhichTriggersCount) {
  const struct {
    int mode;
    bool offReloads, onChecks, hideChecks;
  } table[] = {{0, true, false, false}, {1, false, true, true}, {2, false, false, false}};
  for (const auto& row : table) {
    SCOPED_TRACE(row.mode);
    setPrefs({{"UpdateMode", row.mode}});
    log.clear();
    platform::setFixedNow(at(9, 0) + row.mode * 100);
    displayOff();
    EXPECT_EQ(log.contains(kFetchLocal), row.offReloads);
    platform::advanceFixedNow(10);
    displayOn();
    EXPECT_EQ(log.count(kChecking), row.onChecks ? 1u : 0u);
    platform::advanceFixedNow(10);
    hideAddOnWindow();
    EXPECT_EQ(log.count(kChecking), (row.onChecks ? 1u : 0u) + (row.hideChecks ? 1u : 0u));
  }
}

TEST_F(TimelineMode, CheckHasItsOwnCoolDown) {
  platform::setFixedNow(at(9, 0));
  displayOn();
  platform::advanceFixedNow(1.0);
  hideAddOnWindow();
  EXPECT_TRUE(log.contains("[Tovalune] Tovalune reload is cooling down (2)!"));
  EXPECT_EQ(log.count(kChecking), 1u);
}

TEST_F(TimelineMode, FileEntriesIgnoreEnabledAndCellularAndSeparateBecomesBoth) {
  setPrefs({{"Enabled", false}, {"DisableOnCellular", true}, {"Location", 4}});
  setDevice("12.4", "cellular");
  platform::setFixedNow(at(9, 0));
  displayOn();
  EXPECT_EQ(lockWidth(), 8);
  EXPECT_EQ(homeWidth(), 8);
}

TEST_F(TimelineMode, SingleEntryAppliesOnceThenIgnoresLaterWakes) {
  setPrefs({{"ImageTimeline", platform::Array{entry("07:05:00", b)}}});
  platform::setFixedNow(at(3, 0));
  displayOn();
  EXPECT_EQ(lockWidth(), 20);
  const auto after = changes();
  platform::advanceFixedNow(3600);
  displayOn();
  EXPECT_EQ(changes(), after);
  EXPECT_TRUE(log.contains("(imagePathForTime) Same as previous, ignoring."));
  EXPECT_TRUE(log.contains("checkIfWallpaperNeedsUpdate: Nothing to set."));
}

TEST_F(TimelineMode, ChangedPictureOfTheDueEntryIsApplied) {
  platform::setFixedNow(at(9, 0));
  displayOn();
  EXPECT_EQ(lockWidth(), 8);
  std::string a2 = writePicture(std::string(kTimelineImagesPath) + "/A2.png", 15);
  setPrefs({{"ImageTimeline", platform::Array{entry("08:00:00", a2), entry("20:00:00", b)}}});
  platform::advanceFixedNow(60);
  displayOn();
  EXPECT_EQ(lockWidth(), 15);
}

TEST_F(TimelineMode, RandomEntryFetchesOnceWhenItBecomesDue) {
  setPrefs({{"ImageTimeline", platform::Array{entry("08:00:00", kRandomImageMarker), entry("20:00:00", b)}}});
  platform::setFixedNow(at(9, 0));
  for (int i = 0; i < 3; ++i) {
    displayOn();
    platform::advanceFixedNow(30);
  }
  EXPECT_EQ(log.count(kFetchLocal), 1u);
  EXPECT_EQ(lockWidth(), 12);
}

TEST_F(TimelineMode, UnreadableFileChangesNothing) {
  setPrefs({{"ImageTimeline", platform::Array{entry("08:00:00", "/var/mobile/Library/TovaluneTimeline/gone.png")}}});
  platform::setFixedNow(at(9, 0));
  const auto before = changes();
  displayOn();
  EXPECT_EQ(changes(), before);
}

TEST_F(TimelineMode, SpringForwardDayFollowsTheWallClock) {
  setPrefs({{"ImageTimeline", platform::Array{entry("01:30:00", a), entry("03:30:00", b)}}});
  platform::setFixedNow(at(3, 15, 0, 3, 29));  // 02:00-03:00 does not exist that day
  displayOn();
  EXPECT_EQ(lockWidth(), 8);
  platform::setFixedNow(at(3, 45, 0, 3, 29));
  displayOn();
  EXPECT_EQ(lockWidth(), 20);
}

TEST_F(TimelineMode, WorksThroughSpringBoardUIServicesOnIOS13) {
  bindSpringBoardUIServices();
  platform::setFixedNow(at(21, 0));
  displayOn();
  EXPECT_EQ(lockWidth(), 20);
}

}  // namespace
