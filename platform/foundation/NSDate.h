#pragma once
// The clock (NSDate) and the current calendar (NSCalendar) of the device.
#include <optional>

namespace platform {

// Seconds since 1970: the host's clock plus the device's clock offset, unless a test has fixed it.
double now();
// For tests: fix the clock at a time (seconds since 1970), move it, or let it run again.
void setFixedNow(double secondsSince1970);
void advanceFixedNow(double seconds);
void clearFixedNow();

// NSDate timeIntervalSinceNow.
inline double timeIntervalSinceNow(double date) { return date - now(); }

// The date on the same calendar day (in the device's time zone) with the given time of day, as
// NSCalendar dateFromComponents: does; mktime resolves times that a daylight-saving change skips.
double dateBySettingTime(double date, int hour, int minute, int second);

struct CalendarComponents {
  int year, month, day, hour, minute, second;
};
CalendarComponents calendarComponents(double date);
// NSCalendar dateFromComponents: with year, month, day, hour, minute, second.
double dateFromComponents(const CalendarComponents& c);

}  // namespace platform
