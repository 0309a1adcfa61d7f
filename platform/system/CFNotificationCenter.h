#pragma once
// The Darwin notification center: names posted by one process and heard by every process of the
// device that observes them. A Darwin notification carries no object and no user info, and posts
// of one name that arrive close together may be heard once.
//
// In the posting process, observers are called at once, on the posting thread. Every post also
// counts up the name's counter file under /var/run/notifyd in the device root; a process that
// observes a name hears the posts of other processes when its main run loop runs (in any mode),
// as on the device where delivery waits for the observer's run loop.
#include <string>

#include "platform/foundation/PlistValue.h"

namespace platform {

struct __CFNotificationCenter;
using CFNotificationCenterRef = __CFNotificationCenter*;

// userInfo is always nullptr for the Darwin center; object is nullptr too.
using CFNotificationCallback = void (*)(CFNotificationCenterRef center, void* observer, const std::string& name,
                                        const void* object, const Dictionary* userInfo);

enum CFNotificationSuspensionBehavior {
  CFNotificationSuspensionBehaviorDrop = 1,
  CFNotificationSuspensionBehaviorCoalesce = 2,
  CFNotificationSuspensionBehaviorHold = 3,
  CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter();

// The same observer, callback and name added twice is heard once. An empty name is refused
// (logged): the Darwin center has no "every name" observers.
void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer,
                                     CFNotificationCallback callback, const std::string& name, const void* object,
                                     CFNotificationSuspensionBehavior suspensionBehavior);
void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer,
                                        const std::string& name, const void* object);
void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer);

// object and userInfo are ignored by the Darwin center, as on the device.
void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name,
                                          const void* object, const Dictionary* userInfo, bool deliverImmediately);

// Device path of a name's counter file (the name is escaped so that any name makes one file).
std::string CFNotificationCounterPath(const std::string& name);

}  // namespace platform
