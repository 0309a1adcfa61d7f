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

bool deviceSatisfiesCapabilities(const Value& required) {
  if (const Array* names = required.array()) {
    for (const Value& name : *names) {
      if (!name.string()) {
        NSLog("Preferences: a required capability that is not a name ({}) is ignored", name.description());
        continue;
      }
      if (!deviceHasCapability(*name.string())) return false;
    }
    return true;
  }
  if (const Dictionary* wanted = required.dictionary()) {
    for (const auto& [name, present] : *wanted)
      if (deviceHasCapability(name) != present.boolValue()) return false;
    return true;
  }
  NSLog("Preferences: requiredCapabilities is neither an array nor a dictionary ({}); ignored", required.description());
  return true;
}

}  // namespace platform
