#pragma once
// The preferences file both deliverables share: the engine reads it at each refresh, the pane reads
// and writes it as the user edits. Stateless: every call goes to the file, so a change written by
// one process is seen by the other at its next read.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "platform/foundation/PlistValue.h"

class TovalunePreferencesManager {
 public:
  static constexpr const char* kPreferencesPath = "/var/mobile/Library/Preferences/com.orbel.tovaluneprefs.plist";
  // Advisory lock file beside the preferences: every read-modify-write holds it, so two writers
  // changing different keys at the same time both keep their change. Readers take no lock.
  static constexpr const char* kPreferencesLockPath =
      "/var/mobile/Library/Preferences/com.orbel.tovaluneprefs.plist.lock";
  // How long a writer waits for the lock before it writes without it: both sides write on their
  // main thread, and a writer stopped while holding the lock must not freeze Settings or
  // SpringBoard. Writing without the lock is what the file's format allows anyway (each write
  // replaces the file whole); only the other writer's concurrent change may then be lost.
  static constexpr std::chrono::milliseconds kPreferencesLockWait{2000};

  // The eight defaults: Enabled, Location, ImageMode, DisableOnCellular, FullResolution,
  // CustomURL, StoreLastTen, UpdateMode.
  static platform::Dictionary defaultPrefs();
  // The stored dictionary; an empty one when there is no file; nothing when the file cannot be
  // read as a dictionary.
  static std::optional<platform::Dictionary> getPrefs();
  // The stored value, else the default, else nothing (with a log line).
  static std::optional<platform::Value> getPrefForKey(const std::string& key);
  // Replaces the whole file, atomically: on a full disk the old file stays as it was. Returns
  // whether the file was written; most callers carry on either way.
  static bool savePrefs(const platform::Dictionary& prefs);
  // The number 2. The first-run marker `Version` is not compared with it (the engine writes 1).
  static int kCurrentVersion() { return 2; }

  // One read-modify-write cycle under the advisory lock: read the whole dictionary, let `change`
  // edit it, write it back. With an unreadable file `change` receives `fallback` when one is
  // given, otherwise nothing is written. Returns whether the file was written.
  static bool modifyPrefs(const std::function<void(platform::Dictionary&)>& change,
                          std::optional<platform::Dictionary> fallback = std::nullopt);
  // modifyPrefs that sets or removes one key.
  static bool setPrefForKey(const std::string& key, const platform::Value& value);
  static bool removePrefForKey(const std::string& key);
};
