#include "platform/preferences/DeviceCapabilities.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSLog.h"

namespace platform {

namespace {
constexpr double kPadShortestSide = 768;
constexpr std::array<std::string_view, 5> kEveryDevice{"wifi", "bluetooth", "still-camera", "arm64", "multitasking"};
constexpr std::array<std::string_view, 2> kPhoneOnly{"telephony", "cellular-data"};
}  // namespace

bool deviceIsPad() {
  DeviceSettings settings = deviceSettings();
  return std::min(settings.screenWidth, settings.screenHeight) >= kPadShortestSide;
}

bool deviceHasCapability(const std::string& capability) {
  if (capability == "ipad") return deviceIsPad();
  if (std::find(kPhoneOnly.begin(), kPhoneOnly.end(), capability) != kPhoneOnly.end()) return !deviceIsPad();
  if (std::find(kEveryDevice.begin(), kEveryDevice.end(), capability) != kEveryDevice.end()) return true;
  NSLog("Preferences: unknown device capability \"{}\"; taken as missing", capability);
  return false;
}

namespace {
// A dictionary of name -> bool: true asks for the capability, false for its absence.
bool devicePresenceMatches(const Dictionary& wanted) {
  for (const auto& [name, present] : wanted)
    if (deviceHasCapability(name) != present.boolValue()) return false;
  return true;
}
}  // namespace

bool deviceSatisfiesCapabilities(const Value& required) {
  if (const Array* items = required.array()) {
    // Panes written for the phone mix both forms in one array ("wifi", {ipad = false}).
    for (const Value& item : *items) {
      if (const std::string* name = item.string()) {
        if (!deviceHasCapability(*name)) return false;
      } else if (const Dictionary* wanted = item.dictionary()) {
        if (!devicePresenceMatches(*wanted)) return false;
      } else {
        NSLog("Preferences: a required capability that is neither a name nor a dictionary ({}) is ignored",
              item.description());
      }
    }
    return true;
  }
  if (const Dictionary* wanted = required.dictionary()) return devicePresenceMatches(*wanted);
  NSLog("Preferences: requiredCapabilities is neither an array nor a dictionary ({}); ignored", required.description());
  return true;
}

}  // namespace platform
