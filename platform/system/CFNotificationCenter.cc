#include "platform/system/CFNotificationCenter.h"

#include <fmt/format.h>

#include <charconv>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLock.h"
#include "platform/foundation/NSLog.h"
#include "platform/system/CFRunLoop.h"

namespace platform {

namespace {
constexpr const char* kCounterFolder = "/var/run/notifyd";
constexpr const char* kCounterLock = "/var/run/notifyd/.lock";
}  // namespace

struct __CFNotificationCenter {
  struct Observation {
    const void* observer;
    CFNotificationCallback callback;
    std::string name;
  };
  // What this process knows of a name's counter: the value its last look found, and how many of
  // the posts since then were its own (already delivered here at posting time).
  struct Watch {
    std::uint64_t seen = 0;
    std::uint64_t ownPosts = 0;
  };
  std::mutex mu;
  std::vector<Observation> observations;
  std::map<std::string, Watch> watches;
  bool polling = false;
};

namespace {

std::uint64_t readCounter(const std::string& name) {
  auto text = readFile(CFNotificationCounterPath(name));
  std::uint64_t value = 0;
  if (text) std::from_chars(text->data(), text->data() + text->size(), value);
  return value;
}

std::vector<__CFNotificationCenter::Observation> observersOf(__CFNotificationCenter* center, const std::string& name) {
  std::vector<__CFNotificationCenter::Observation> out;
  for (const auto& o : center->observations)
    if (o.name == name) out.push_back(o);
  return out;
}

void deliver(__CFNotificationCenter* center, const std::vector<__CFNotificationCenter::Observation>& targets) {
  for (const auto& o : targets) o.callback(center, const_cast<void*>(o.observer), o.name, nullptr, nullptr);
}

// Runs on the main run loop: posts other processes made since the last look.
bool pollOtherProcesses(__CFNotificationCenter* center) {
  std::vector<__CFNotificationCenter::Observation> targets;
  {
    std::lock_guard lock(center->mu);
    for (auto& [name, watch] : center->watches) {
      std::uint64_t now = readCounter(name);
      std::uint64_t fresh = now >= watch.seen ? now - watch.seen : now;
      bool foreign = fresh > watch.ownPosts;
      watch.seen = now;
      watch.ownPosts = 0;
      if (!foreign) continue;
      auto named = observersOf(center, name);
      targets.insert(targets.end(), named.begin(), named.end());
    }
  }
  deliver(center, targets);
  return !targets.empty();
}

}  // namespace

std::string CFNotificationCounterPath(const std::string& name) {
  std::string file;
  for (unsigned char c : name) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                 c == '-' || c == '_';
    if (plain) file += static_cast<char>(c);
    else file += fmt::format("%{:02X}", c);
  }
  // "." and ".." would name folders; the escape keeps every name a plain file.
  if (file == "." || file == "..") file = fmt::format("%2E{}", file.substr(1));
  return stringByAppendingPathComponent(kCounterFolder, file);
}

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter() {
  static CFNotificationCenterRef center = new __CFNotificationCenter();
  return center;
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer,
                                     CFNotificationCallback callback, const std::string& name, const void*,
                                     CFNotificationSuspensionBehavior) {
  if (!center || !callback) return;
  if (name.empty()) {
    NSLog("CFNotificationCenter: the Darwin center needs a notification name; observer not added");
    return;
  }
  bool startPolling = false;
  {
    std::lock_guard lock(center->mu);
    for (const auto& o : center->observations)
      if (o.observer == observer && o.callback == callback && o.name == name) return;
    center->observations.push_back({observer, callback, name});
    if (!center->watches.count(name)) center->watches[name].seen = readCounter(name);
    startPolling = !center->polling;
    center->polling = true;
  }
  if (startPolling)
    CFRunLoopAddPollSource(CFRunLoopGetMain(), center, kCFRunLoopCommonModes,
                           [center] { return pollOtherProcesses(center); });
}

namespace {
template <typename Match>
void removeObservations(CFNotificationCenterRef center, Match match) {
  if (!center) return;
  bool stopPolling = false;
  {
    std::lock_guard lock(center->mu);
    std::erase_if(center->observations, match);
    for (auto it = center->watches.begin(); it != center->watches.end();) {
      if (observersOf(center, it->first).empty()) it = center->watches.erase(it);
      else ++it;
    }
    // With nobody left to tell, the main run loop stops looking at the counters: it keeps no
    // source of the center's that would never be handled.
    stopPolling = center->observations.empty() && center->polling;
    if (stopPolling) center->polling = false;
  }
  if (stopPolling) CFRunLoopRemovePollSource(CFRunLoopGetMain(), center, kCFRunLoopCommonModes);
}
}  // namespace

void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, const std::string& name,
                                        const void*) {
  removeObservations(center, [&](const auto& o) { return o.observer == observer && (name.empty() || o.name == name); });
}

void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer) {
  removeObservations(center, [&](const auto& o) { return o.observer == observer; });
}

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void*,
                                          const Dictionary*, bool) {
  if (!center) return;
  if (name.empty()) {
    NSLog("CFNotificationCenter: a Darwin notification needs a name; nothing posted");
    return;
  }
  std::vector<__CFNotificationCenter::Observation> targets;
  {
    // The counter and this process's own-post count move together, so the poll never takes one
    // of this process's posts for another's.
    std::lock_guard lock(center->mu);
    {
      createDirectoryAtPath(kCounterFolder);
      FileLock counterLock(kCounterLock);
      if (!writeFile(CFNotificationCounterPath(name), std::to_string(readCounter(name) + 1) + "\n"))
        NSLog("CFNotificationCenter: could not count {} for other processes", name);
      else if (auto it = center->watches.find(name); it != center->watches.end())
        ++it->second.ownPosts;
    }
    targets = observersOf(center, name);
  }
  deliver(center, targets);
}

}  // namespace platform
