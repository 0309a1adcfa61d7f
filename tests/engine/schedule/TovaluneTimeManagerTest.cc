#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/schedule/TovaluneTimeManager.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/support/TempDeviceRoot.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;
using TM = TovaluneTimeManager;

namespace {

Value entry(const std::string& start, const std::string& path) {
  return Dictionary{{"Start", start}, {"ImagePath", path}};
}

class Timeline : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::DeviceSettings s;
    s.timeZone = "Europe/Berlin";
    ASSERT_TRUE(platform::saveDeviceSettings(s));
    TM::resetPreviousTimelineEntry();
  }
  void TearDown() override { TM::resetPreviousTimelineEntry(); }
  static double at(int day, int h, int m, int s = 0, int month = 6) {
    return platform::dateFromComponents({2026, month, day, h, m, s});
  }
  std::optional<std::string> due(double now, const Array& entries) {
    TM::resetPreviousTimelineEntry();
    return TM::imagePathForTime(now, entries);
  }
  TempDeviceRoot root;
  platform::LogCapture log;
};

TEST_F(Timeline, TwoEntriesWrapOverMidnight) {
  const Array ab{entry("08:00:00", "A"), entry("20:00:00", "B")};
  const struct {
    int h, m;
    const char* expected;
  } table[] = {{7, 59, "B"}, {8, 0, "B"}, {8, 1, "A"}, {19, 59, "A"}, {20, 1, "B"}, {23, 59, "B"}, {0, 0, "B"}};
  for (const auto& row : table) {
    SCOPED_TRACE(fmt::format("{:02d}:{:02d}", row.h, row.m));
    EXPECT_EQ(due(at(15, row.h, row.m), ab), row.expected);
  }
  EXPECT_EQ(due(at(15, 8, 0, 30), ab), "A");
  EXPECT_EQ(due(at(15, 20, 0, 30), ab), "B");
}

TEST_F(Timeline, ThreeEntriesAroundTheirStarts) {
  const Array abc{entry("08:00:00", "A"), entry("12:00:00", "B"), entry("20:00:00", "C")};
  EXPECT_EQ(due(at(15, 11, 59, 59), abc), "A");
  EXPECT_EQ(due(at(15, 12, 0, 1), abc), "B");
  EXPECT_EQ(due(at(15, 21, 0), abc), "C");
  EXPECT_EQ(due(at(15, 3, 0), abc), "C");
}

TEST_F(Timeline, SingleEntryHoldsAllDayAndIsHandedOutOnce) {
  const Array one{entry("07:05:00", "/var/mobile/Library/TovaluneTimeline/X.png")};
  EXPECT_EQ(TM::imagePathForTime(at(15, 1, 0), one), "/var/mobile/Library/TovaluneTimeline/X.png");
  EXPECT_FALSE(TM::imagePathForTime(at(15, 13, 0), one));
  EXPECT_TRUE(log.contains("(imagePathForTime) Same as previous, ignoring."));
  EXPECT_TRUE(log.contains("(imagePathForTime) seconds since midnight: 3600.000000"));
}

TEST_F(Timeline, ChangedPictureOfTheDueEntryIsHandedOutAgain) {
  EXPECT_EQ(TM::imagePathForTime(at(15, 9, 0), {entry("08:00:00", "A"), entry("20:00:00", "B")}), "A");
  EXPECT_EQ(TM::imagePathForTime(at(15, 9, 5), {entry("08:00:00", "A2"), entry("20:00:00", "B")}), "A2");
  EXPECT_EQ(TM::imagePathForTime(at(15, 20, 5), {entry("08:00:00", "A2"), entry("20:00:00", "B")}), "B");
}

TEST_F(Timeline, EmptyArrayFindsNothing) {
  EXPECT_FALSE(TM::imagePathForTime(at(15, 9, 0), {}));
  EXPECT_TRUE(log.contains("(imagePathForTime) Found nothing."));
}

TEST_F(Timeline, MalformedElementsAreSkippedAndTheRestStillWorks) {
  const Array mixed{Value("08:00:00"),
                    entry("bad", "X"),
                    Dictionary{{"Start", 8}, {"ImagePath", "Y"}},
                    entry("08:00:00", "A"),
                    Dictionary{{"Start", "12:00:00"}},
                    entry("20:00:00", "B")};
  EXPECT_EQ(due(at(15, 9, 0), mixed), "A");
  EXPECT_EQ(due(at(15, 21, 0), mixed), "B");
  EXPECT_GE(log.count("(imagePathForTime) Skipping malformed timeline entry: 08:00:00"), 1u);
  EXPECT_FALSE(due(at(15, 9, 0), Array{Value(3), entry("noon", "Z")}));
  EXPECT_TRUE(log.contains("(imagePathForTime) Found nothing."));
}

TEST_F(Timeline, NonNumericFieldsCountAsZero) {
  // "xx:30:00" starts at 00:30.
  const Array entries{entry("xx:30:00", "A"), entry("10:00:00", "B")};
  EXPECT_EQ(due(at(15, 0, 20), entries), "B");
  EXPECT_EQ(due(at(15, 0, 40), entries), "A");
}

TEST_F(Timeline, SpringForwardDayFollowsTheWallClock) {
  // Europe/Berlin skips 02:00-03:00 on 2026-03-29.
  const Array entries{entry("01:30:00", "A"), entry("03:30:00", "B"), entry("12:00:00", "C")};
  EXPECT_EQ(due(at(29, 3, 15, 0, 3), entries), "A");
  EXPECT_EQ(due(at(29, 3, 45, 0, 3), entries), "B");
  EXPECT_EQ(due(at(29, 1, 0, 0, 3), entries), "C");
  EXPECT_TRUE(log.contains("(imagePathForTime) seconds since midnight: 9900.000000"));
  // setDate: a time the clock skips resolves as the calendar does, one hour later.
  double midnight = TM::setDate(at(29, 12, 0, 0, 3), 0, 0, 0);
  EXPECT_EQ(TM::setDate(at(29, 12, 0, 0, 3), 2.9f, 30.7f, 0) - midnight, 2.5 * 3600);
}

TEST_F(Timeline, CheckUsesStoredTimelineAndCallsBackOncePerChange) {
  platform::setFixedNow(at(15, 9, 0));
  std::vector<std::string> got;
  auto record = [&](const std::string& p) { got.push_back(p); };

  TM::checkIfWallpaperNeedsUpdate(record);
  EXPECT_TRUE(log.contains("checkIfWallpaperNeedsUpdate: Timeline is null or empty."));
  TovalunePreferencesManager::setPrefForKey("ImageTimeline", Array{});
  TM::checkIfWallpaperNeedsUpdate(record);
  EXPECT_EQ(log.count("checkIfWallpaperNeedsUpdate: Timeline is null or empty."), 2u);

  TovalunePreferencesManager::setPrefForKey("ImageTimeline",
                                            Array{entry("08:00:00", "||RANDOM||"), entry("20:00:00", "B")});
  TM::checkIfWallpaperNeedsUpdate(record);
  TM::checkIfWallpaperNeedsUpdate(record);
  EXPECT_TRUE(log.contains("checkIfWallpaperNeedsUpdate: Nothing to set."));
  platform::setFixedNow(at(15, 20, 30));
  TM::checkIfWallpaperNeedsUpdate(record);
  EXPECT_EQ(got, (std::vector<std::string>{"||RANDOM||", "B"}));
  EXPECT_EQ(*TM::previousTimelineEntry(), *entry("20:00:00", "B").dictionary());
}

TEST_F(Timeline, OverlappingChecksHandOutTheEntryOnce) {
  const Array entries{entry("08:00:00", "A"), entry("20:00:00", "B")};
  std::atomic<int> handedOut{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&] {
      if (TM::imagePathForTime(at(15, 9, 0), entries)) ++handedOut;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(handedOut, 1);
}

TEST(TimelineEntries, CompareNeedsBothPresentAndBothKeysEqual) {
  Dictionary a{{"Start", "08:00:00"}, {"ImagePath", "A"}};
  Dictionary b = a;
  Dictionary c{{"Start", "08:00:00"}, {"ImagePath", "C"}};
  EXPECT_TRUE(TM::compareDict(&a, &b));
  EXPECT_FALSE(TM::compareDict(&a, &c));
  EXPECT_FALSE(TM::compareDict(&a, nullptr));
  EXPECT_FALSE(TM::compareDict(nullptr, nullptr));
}

}  // namespace
