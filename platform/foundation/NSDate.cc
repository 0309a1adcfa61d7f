#include "platform/foundation/NSDate.h"

#include <sys/time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>

#include "platform/foundation/DeviceSettings.h"

namespace platform {
namespace {
std::atomic<bool> fixedSet{false};
std::atomic<double> fixedValue{0};
}  // namespace

double now() {
  if (fixedSet) return fixedValue;
  timeval tv{};
  gettimeofday(&tv, nullptr);
  return tv.tv_sec + tv.tv_usec / 1e6 + deviceSettings().clockOffset;
}

void setFixedNow(double s) {
  fixedValue = s;
  fixedSet = true;
}

void advanceFixedNow(double seconds) { fixedValue = fixedValue + seconds; }
void clearFixedNow() { fixedSet = false; }

CalendarComponents calendarComponents(double date) {
  deviceSettings();  // applies the device's time zone
  // The calendar places dates within about three million years of 1970; a date beyond (a wild
  // clock offset, a corrupt value) is taken as the nearest end, and one that is not a number as
  // 1970, rather than a conversion with no defined result.
  constexpr double kCalendarLimit = 1e14;
  date = std::isnan(date) ? 0.0 : std::clamp(date, -kCalendarLimit, kCalendarLimit);
  time_t t = static_cast<time_t>(std::floor(date));
  tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

double dateFromComponents(const CalendarComponents& c) {
  deviceSettings();
  tm local{};
  local.tm_year = c.year - 1900;
  local.tm_mon = c.month - 1;
  local.tm_mday = c.day;
  local.tm_hour = c.hour;
  local.tm_min = c.minute;
  local.tm_sec = c.second;
  local.tm_isdst = -1;
  return static_cast<double>(mktime(&local));
}

double dateBySettingTime(double date, int hour, int minute, int second) {
  CalendarComponents c = calendarComponents(date);
  c.hour = hour;
  c.minute = minute;
  c.second = second;
  return dateFromComponents(c);
}

}  // namespace platform
