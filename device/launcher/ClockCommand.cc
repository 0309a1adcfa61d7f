#include "device/launcher/ClockCommand.h"

#include <cctype>

#include <fmt/format.h>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"

std::optional<TimeOfDay> parseTimeOfDay(const std::string& text) {
  int fields[3] = {0, 0, 0};
  int count = 0;
  std::size_t i = 0;
  while (i < text.size() && count < 3) {
    std::size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i == start || i - start > 2) return std::nullopt;
    fields[count++] = std::stoi(text.substr(start, i - start));
    if (i == text.size()) break;
    if (text[i] != ':') return std::nullopt;
    ++i;
    if (i == text.size()) return std::nullopt;
  }
  if (i != text.size() || count < 2) return std::nullopt;
  TimeOfDay t{fields[0], fields[1], fields[2]};
  if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  return t;
}

int runClock(const std::string& time) {
  auto t = parseTimeOfDay(time);
  if (!t) {
    fmt::print(stderr, "tovalune-device: \"{}\" is not a time of day (HH:MM or HH:MM:SS, 24-hour)\n", time);
    return 2;
  }
  platform::DeviceSettings settings = platform::deviceSettings();
  double now = platform::now();
  double target = platform::dateBySettingTime(now, t->hour, t->minute, t->second);
  settings.clockOffset += target - now;
  if (!platform::saveDeviceSettings(settings)) {
    fmt::print(stderr, "tovalune-device: cannot write the device settings\n");
    return 1;
  }
  auto c = platform::calendarComponents(platform::now());
  fmt::print("The device's time is now {:02}:{:02}:{:02}.\n", c.hour, c.minute, c.second);
  return 0;
}
