// The preferences file as the engine and the pane read it: whatever bytes lie in the file (XML or
// binary property list, or anything else), every key the system asks for and every reading its
// callers make of the answer.
#include <cstdint>
#include <string>

#include "fuzz/FuzzDevice.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "shared/TovalunePreferencesManager.h"

namespace {

const char* const kKeys[] = {"Enabled",      "Location",   "ImageMode",     "DisableOnCellular",
                             "FullResolution", "CustomURL", "StoreLastTen", "UpdateMode",
                             "Version",      "ImageTimeline", "SelectedPhotoAlbum"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::prepareDevice();
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(TovalunePreferencesManager::kPreferencesPath));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::check(platform::writeFile(TovalunePreferencesManager::kPreferencesPath, fuzz::bytes(data, size), false),
              "the preferences file could not be written");
  const platform::Dictionary defaults = TovalunePreferencesManager::defaultPrefs();
  auto whole = TovalunePreferencesManager::getPrefs();
  for (const char* key : kKeys) {
    auto value = TovalunePreferencesManager::getPrefForKey(key);
    const bool hasDefault = defaults.count(key) != 0;
    fuzz::check(value.has_value() || !hasDefault, "a key with a default gave nothing");
    if (!value) continue;
    // The readings the engine and the pane make of a preference.
    (void)value->intValue();
    (void)value->boolValue();
    (void)value->doubleValue();
    (void)value->description();
    (void)value->toJSON();
    // A lookup of one key agrees with the whole dictionary when both read the file.
    if (whole) {
      const platform::Value* stored = platform::find(*whole, key);
      // Compared as written out, where a NaN equals itself.
      if (stored)
        fuzz::check(platform::xmlPropertyList(*stored) == platform::xmlPropertyList(*value),
                    "getPrefForKey and getPrefs disagree");
    }
  }
  return 0;
}
