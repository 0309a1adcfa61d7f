#pragma once
// The time-of-day timeline: which entry of `ImageTimeline` covers now, handed out once per change.
#include <functional>
#include <optional>
#include <string>

#include "platform/foundation/PlistValue.h"

class TovaluneTimeManager {
 public:
  using Completion = std::function<void(const std::string& imagePath)>;

  // Reads the timeline and calls `completion` synchronously, at most once, when a new entry is
  // due.
  static void checkIfWallpaperNeedsUpdate(const Completion& completion);
  // The `ImagePath` of the entry due at `now` (seconds since 1970), or nothing when none is due or
  // it is the entry handed out last time.
  static std::optional<std::string> imagePathForTime(double now, const platform::Array& entries);
  // The date on the same calendar day with the time of day h:m:s (each truncated toward zero).
  static double setDate(double date, float hour, float minute, float second);
  // The same entry: both present, equal `Start` and equal `ImagePath`.
  static bool compareDict(const platform::Dictionary* a, const platform::Dictionary* b);

  // The entry selected last; nothing until the first selection. Lives for the process.
  static std::optional<platform::Dictionary> previousTimelineEntry();
  // For tests: forget the previous entry, as a fresh SpringBoard would.
  static void resetPreviousTimelineEntry();
};
