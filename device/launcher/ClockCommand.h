#pragma once
// `clock HH:MM[:SS]`: sets the device's time of day by moving its clock offset, so that the
// device's local time now is that time today.
#include <optional>
#include <string>

struct TimeOfDay {
  int hour = 0, minute = 0, second = 0;
};
// "HH:MM" or "HH:MM:SS", 24-hour clock, each field in range; nothing otherwise.
std::optional<TimeOfDay> parseTimeOfDay(const std::string& text);

int runClock(const std::string& time);
