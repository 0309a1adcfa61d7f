#include "platform/preferences/DefaultsDomain.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLock.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"

namespace platform {

namespace {
constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences";
}  // namespace

std::optional<std::string> defaultsDomainPath(const std::string& domain) {
  if (domain.empty() || domain.front() == '.' || domain.find('/') != std::string::npos ||
      domain.find('\0') != std::string::npos)
    return std::nullopt;
  return stringByAppendingPathComponent(kPreferencesFolder, domain + ".plist");
}

std::optional<Value> defaultsValueForKey(const std::string& domain, const std::string& key) {
  auto path = defaultsDomainPath(domain);
  if (!path) {
    NSLog("Preferences: \"{}\" is not a defaults domain; {} not read", domain, key);
    return std::nullopt;
  }
  Value value;
  switch (valueForKeyInFile(*path, key, &value)) {
    case FileLookup::Found: return value;
    case FileLookup::Unreadable: NSLog("Preferences: {} is not a readable preferences file", *path); break;
    case FileLookup::NoKey:
    case FileLookup::NoFile: break;
  }
  return std::nullopt;
}

bool setDefaultsValueForKey(const std::string& domain, const std::string& key, const std::optional<Value>& value) {
  auto path = defaultsDomainPath(domain);
  if (!path) {
    NSLog("Preferences: \"{}\" is not a defaults domain; {} not written", domain, key);
    return false;
  }
  if (key.empty()) {
    NSLog("Preferences: a value for {} without a key is not written", *path);
    return false;
  }
  createDirectoryAtPath(kPreferencesFolder);
  // Bounded: Settings writes on its main thread, and a writer stopped while holding the lock
  // must not freeze it.
  FileLock lock(*path + ".lock", std::chrono::seconds(2));
  if (!lock.locked()) NSLog("Preferences: could not lock {}; writing without the lock", *path);

  Dictionary prefs;
  if (fileExistsAtPath(*path)) {
    if (auto stored = dictionaryWithContentsOfFile(*path)) {
      prefs = std::move(*stored);
    } else {
      std::string keep = *path + ".unreadable";
      removeItemAtPath(keep);
      if (!copyItemAtPath(*path, keep)) {
        NSLog("Preferences: {} could not be read nor kept aside; {} not written", *path, key);
        return false;
      }
      NSLog("Preferences: {} could not be read; kept as {} and replaced", *path, keep);
    }
  }
  if (value) prefs[key] = *value;
  else prefs.erase(key);
  if (!writeToFile(prefs, *path, true)) {
    NSLog("Preferences: could not write {}", *path);
    return false;
  }
  return true;
}

}  // namespace platform
