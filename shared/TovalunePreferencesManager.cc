#include "shared/TovalunePreferencesManager.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLock.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "shared/ImageFolders.h"
#include "shared/PreferenceValues.h"

using platform::Dictionary;
using platform::Value;

Dictionary TovalunePreferencesManager::defaultPrefs() {
  return Dictionary{
      {"Enabled", Value(1)},
      {"Location", Value(LocationLockScreen)},
      {"ImageMode", Value(ProviderMicrosoft)},
      {"DisableOnCellular", Value(0)},
      {"FullResolution", Value(1)},
      {"CustomURL", Value(kDefaultCustomURL)},
      {"StoreLastTen", Value(1)},
      {"UpdateMode", Value(UpdateModeScreenOff)},
  };
}

std::optional<Dictionary> TovalunePreferencesManager::getPrefs() {
  if (!platform::fileExistsAtPath(kPreferencesPath)) return Dictionary{};
  return platform::dictionaryWithContentsOfFile(kPreferencesPath);
}

std::optional<Value> TovalunePreferencesManager::getPrefForKey(const std::string& key) {
  Value stored;
  if (platform::valueForKeyInFile(kPreferencesPath, key, &stored) == platform::FileLookup::Found) return stored;
  Dictionary defaults = defaultPrefs();
  if (auto it = defaults.find(key); it != defaults.end()) return std::move(it->second);
  NSLog("OrbelDev - Preference {} not found.", key);
  return std::nullopt;
}

bool TovalunePreferencesManager::savePrefs(const Dictionary& prefs) {
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(kPreferencesPath));
  return platform::writeToFile(prefs, kPreferencesPath, true);
}

bool TovalunePreferencesManager::modifyPrefs(const std::function<void(Dictionary&)>& change,
                                             std::optional<Dictionary> fallback) {
  platform::FileLock lock(kPreferencesLockPath, kPreferencesLockWait);
  if (lock.timedOut())
    NSLog("The preferences lock has been held for {} seconds; writing without it", kPreferencesLockWait.count() / 1000);
  else if (!lock.locked())
    NSLog("Could not open the preferences lock {}; writing without it", kPreferencesLockPath);
  std::optional<Dictionary> prefs = getPrefs();
  if (!prefs) prefs = std::move(fallback);
  if (!prefs) return false;
  change(*prefs);
  return savePrefs(*prefs);
}

bool TovalunePreferencesManager::setPrefForKey(const std::string& key, const Value& value) {
  return modifyPrefs([&](Dictionary& d) { d[key] = value; });
}

bool TovalunePreferencesManager::removePrefForKey(const std::string& key) {
  return modifyPrefs([&](Dictionary& d) { d.erase(key); });
}
