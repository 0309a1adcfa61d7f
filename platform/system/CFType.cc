#include "platform/system/CFType.h"

#include "platform/foundation/NSLog.h"

namespace platform {

CFTypeRef CFRetain(CFTypeRef object) {
  if (object) object->retainCount.fetch_add(1);
  return object;
}

void CFRelease(CFTypeRef object) {
  if (!object) {
    NSLog("CFRelease called with NULL");
    return;
  }
  if (object->retainCount.fetch_sub(1) == 1) delete object;
}

long CFGetRetainCount(CFTypeRef object) { return object ? object->retainCount.load() : 0; }

}  // namespace platform
