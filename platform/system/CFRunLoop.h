#pragma once
// CFRunLoop, as much as reachability scheduling needs: each thread has a run loop; sources are
// scheduled on it in a mode and serviced only while that thread runs the loop in that mode. A
// thread that never runs its loop never sees its sources fire, which is exactly how a
// notifier scheduled on a background thread stays silent on the device.
#include <functional>
#include <string>

namespace platform {

struct __CFRunLoop;
using CFRunLoopRef = __CFRunLoop*;
using CFRunLoopMode = std::string;

extern const CFRunLoopMode kCFRunLoopDefaultMode;
extern const CFRunLoopMode kCFRunLoopCommonModes;

// The calling thread's run loop (made on first use, lives as long as the process).
CFRunLoopRef CFRunLoopGetCurrent();
CFRunLoopRef CFRunLoopGetMain();

enum CFRunLoopRunResult {
  kCFRunLoopRunFinished = 1,       // no source in that mode
  kCFRunLoopRunStopped = 2,        // CFRunLoopStop
  kCFRunLoopRunTimedOut = 3,
  kCFRunLoopRunHandledSource = 4,  // with returnAfterSourceHandled
};

// Runs the current thread's loop in `mode`: services its sources (checked at least every 50 ms)
// until `seconds` have passed. With 0 seconds the sources are checked once.
CFRunLoopRunResult CFRunLoopRunInMode(const CFRunLoopMode& mode, double seconds, bool returnAfterSourceHandled);
void CFRunLoopStop(CFRunLoopRef loop);

// For the platform's own sources: `service` is called on the loop's thread while it runs in
// `mode` (or any mode, for kCFRunLoopCommonModes) and returns whether it handled an event. `owner`
// identifies the source for removal. Adding the same owner and mode twice keeps one.
bool CFRunLoopAddPollSource(CFRunLoopRef loop, const void* owner, const CFRunLoopMode& mode,
                            std::function<bool()> service);
bool CFRunLoopRemovePollSource(CFRunLoopRef loop, const void* owner, const CFRunLoopMode& mode);

}  // namespace platform
