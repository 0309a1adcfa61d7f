#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>
#include <ctime>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"
#include "tests/support/TempDeviceRoot.h"

using namespace platform;

namespace {

class Calendar : public ::testing::Test {
 protected:
  void SetUp() override {
    DeviceSettings s;
    s.timeZone = "Europe/Berlin";
    ASSERT_TRUE(saveDeviceSettings(s));
    deviceSettings();
  }
  TempDeviceRoot root;
};

TEST_F(Calendar, SettingTheTimeKeepsTheDayInTheDevicesTimeZone) {
  // 2026-06-15 23:30 in Berlin (UTC+2) is 21:30 UTC.
  double date = dateFromComponents({2026, 6, 15, 23, 30, 0});
  EXPECT_EQ(static_cast<long long>(date), 1781559000LL);
  double morning = dateBySettingTime(date, 8, 0, 0);
  EXPECT_EQ(date - morning, 15.5 * 3600);
  auto c = calendarComponents(morning);
  EXPECT_EQ(c.day, 15);
  EXPECT_EQ(c.hour, 8);
}

TEST_F(Calendar, SpringForwardDayIsOneHourShort) {
  double noon = dateFromComponents({2026, 3, 29, 12, 0, 0});
  double midnight = dateBySettingTime(noon, 0, 0, 0);
  EXPECT_EQ(noon - midnight, 11 * 3600);
  EXPECT_EQ(dateBySettingTime(noon, 4, 0, 0) - midnight, 3 * 3600);
}

TEST_F(Calendar, DatesBeyondTheCalendarAreTakenAtItsEnds) {
  // A date that is no number is 1970; one millions of years out is held at the calendar's end,
  // and setting its time of day still gives a number.
  const auto epoch = calendarComponents(0);
  const auto nan = calendarComponents(std::nan(""));
  EXPECT_EQ(std::tie(nan.year, nan.month, nan.day, nan.hour), std::tie(epoch.year, epoch.month, epoch.day, epoch.hour));
  const struct {
    double date;
    bool future;
  } table[] = {{1e300, true}, {HUGE_VAL, true}, {1e15, true}, {-1e300, false}, {-HUGE_VAL, false}};
  for (const auto& row : table) {
    SCOPED_TRACE(row.date);
    const auto c = calendarComponents(row.date);
    if (row.future) EXPECT_GT(c.year, 1'000'000);
    else EXPECT_LT(c.year, -1'000'000);
    EXPECT_GE(c.month, 1);
    EXPECT_LE(c.month, 12);
    const double morning = dateBySettingTime(row.date, 8, 0, 0);
    EXPECT_TRUE(std::isfinite(morning));
    EXPECT_EQ(row.future, morning > 0);
  }
}

TEST_F(Calendar, FixedClockMovesOnlyWhenTold) {
  setFixedNow(1000);
  EXPECT_EQ(now(), 1000);
  advanceFixedNow(1.5);
  EXPECT_EQ(now(), 1001.5);
  EXPECT_EQ(timeIntervalSinceNow(1000), -1.5);
  clearFixedNow();
  EXPECT_GT(now(), 1.7e9);
}

TEST_F(Calendar, DeviceClockOffsetMovesNow) {
  double before = now();
  DeviceSettings s = deviceSettings();
  s.clockOffset = 7200;
  ASSERT_TRUE(saveDeviceSettings(s));
  EXPECT_NEAR(now() - before, 7200, 60);
}

TEST(DeviceSettingsTest, VersionChecksAndKinds) {
  TempDeviceRoot root;
  EXPECT_TRUE(isOperatingSystemAtLeastVersion(13));  // a fresh device runs 16.0
  DeviceSettings s;
  s.iosVersion = "12.4";
  s.network = NetworkKind::Cellular;
  s.routes["picsum.photos"] = "127.0.0.1:8080";
  ASSERT_TRUE(saveDeviceSettings(s));
  EXPECT_FALSE(isOperatingSystemAtLeastVersion(13, 0, 0));
  EXPECT_TRUE(isOperatingSystemAtLeastVersion(12, 4, 0));
  EXPECT_FALSE(isOperatingSystemAtLeastVersion(12, 4, 1));
  EXPECT_EQ(deviceSettings().network, NetworkKind::Cellular);
  EXPECT_EQ(deviceSettings().routes.at("picsum.photos"), "127.0.0.1:8080");
}

}  // namespace
