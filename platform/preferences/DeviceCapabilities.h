#pragma once
// What the simulated device can do, in the words a specifier's `requiredCapabilities` uses. The
// device's kind follows its screen: a shorter side of 768 points or more is an iPad, anything
// smaller a phone.
#include <string>

#include "platform/foundation/PlistValue.h"

namespace platform {

bool deviceIsPad();

// Known capabilities: "ipad"; "telephony" and "cellular-data" (phones); "wifi", "bluetooth",
// "still-camera", "arm64", "multitasking" (every device). An unknown name is a capability the
// device lacks (logged).
bool deviceHasCapability(const std::string& capability);

// `requiredCapabilities` as the specifier file gives it: a dictionary of name -> bool (true: must
// have, false: must lack), or an array whose items are names the device must have or such
// dictionaries, all of which must hold. Any other value, or item, asks for nothing (logged).
bool deviceSatisfiesCapabilities(const Value& required);

}  // namespace platform
