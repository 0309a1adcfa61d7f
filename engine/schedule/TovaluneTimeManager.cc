#include "engine/schedule/TovaluneTimeManager.h"

#include <cmath>
#include <mutex>
#include <vector>

#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "shared/TovalunePreferencesManager.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

// Timeline checks run on background tasks that may overlap; the entry handed out last is shared.
std::mutex previousMutex;
std::optional<Dictionary> previousEntry;

struct StartTime {
  float hour, minute, second;
};


// The pane writes every entry as {Start "HH:mm:00", ImagePath string}; anything else came from
// elsewhere and is passed over so that one bad element does not stop the whole timeline.
const Dictionary* validEntry(const Value& element, StartTime* start) {
  const Dictionary* entry = element.dictionary();
  const Value* s = entry ? platform::find(*entry, "Start") : nullptr;
  const Value* path = entry ? platform::find(*entry, "ImagePath") : nullptr;
  if (!s || !s->string() || !path || !path->string()) return nullptr;
  std::vector<std::string> fields = platform::componentsSeparatedByString(*s->string(), ":");
  if (fields.size() < 3) return nullptr;
  *start = {Value(fields[0]).floatValue(), Value(fields[1]).floatValue(), Value(fields[2]).floatValue()};
  return entry;
}

int truncated(float v) {
  if (!std::isfinite(v) || std::fabs(v) > 1e6f) return 0;
  return static_cast<int>(v);
}

}  // namespace

double TovaluneTimeManager::setDate(double date, float hour, float minute, float second) {
  return platform::dateBySettingTime(date, truncated(hour), truncated(minute), truncated(second));
}

bool TovaluneTimeManager::compareDict(const Dictionary* a, const Dictionary* b) {
  if (!a || !b) return false;
  const Value* startA = platform::find(*a, "Start");
  const Value* startB = platform::find(*b, "Start");
  const Value* pathA = platform::find(*a, "ImagePath");
  const Value* pathB = platform::find(*b, "ImagePath");
  return startA && startB && pathA && pathB && *startA == *startB && *pathA == *pathB;
}

std::optional<std::string> TovaluneTimeManager::imagePathForTime(double now, const Array& entries) {
  const double midnight = setDate(now, 0, 0, 0);
  const float secondsSinceMidnight = static_cast<float>(now - midnight);
  NSLog("(imagePathForTime) seconds since midnight: {:f}", secondsSinceMidnight);

  std::vector<std::pair<const Dictionary*, StartTime>> walk;
  for (const Value& element : entries) {
    StartTime start{};
    if (const Dictionary* entry = validEntry(element, &start)) walk.emplace_back(entry, start);
    else NSLog("(imagePathForTime) Skipping malformed timeline entry: {}", element.description());
  }

  const Dictionary* due = nullptr;
  float previousStart = -1.0f;
  for (std::size_t i = 0; i < walk.size(); ++i) {
    const StartTime& t = walk[i].second;
    const float start = static_cast<float>(setDate(now, t.hour, t.minute, t.second) - midnight);
    if (previousStart < secondsSinceMidnight && i >= 1 && secondsSinceMidnight < start) {
      due = walk[i - 1].first;
      break;
    }
    if (i == walk.size() - 1) {
      due = walk[i].first;
      break;
    }
    previousStart = start;
  }
  if (!due) {
    NSLog("(imagePathForTime) Found nothing.");
    return std::nullopt;
  }

  std::lock_guard lock(previousMutex);
  if (compareDict(due, previousEntry ? &*previousEntry : nullptr)) {
    NSLog("(imagePathForTime) Same as previous, ignoring.");
    return std::nullopt;
  }
  previousEntry = *due;
  return *platform::find(*due, "ImagePath")->string();
}

void TovaluneTimeManager::checkIfWallpaperNeedsUpdate(const Completion& completion) {
  std::optional<Value> timeline = TovalunePreferencesManager::getPrefForKey("ImageTimeline");
  const Array* entries = timeline ? timeline->array() : nullptr;
  if (!entries || entries->empty()) {
    NSLog("checkIfWallpaperNeedsUpdate: Timeline is null or empty.");
    return;
  }
  if (auto path = imagePathForTime(platform::now(), *entries)) {
    completion(*path);
    return;
  }
  NSLog("checkIfWallpaperNeedsUpdate: Nothing to set.");
}

std::optional<Dictionary> TovaluneTimeManager::previousTimelineEntry() {
  std::lock_guard lock(previousMutex);
  return previousEntry;
}

void TovaluneTimeManager::resetPreviousTimelineEntry() {
  std::lock_guard lock(previousMutex);
  previousEntry.reset();
}
