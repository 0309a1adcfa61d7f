#include "platform/system/CFRunLoop.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

const CFRunLoopMode kCFRunLoopDefaultMode = "kCFRunLoopDefaultMode";
const CFRunLoopMode kCFRunLoopCommonModes = "kCFRunLoopCommonModes";

struct __CFRunLoop {
  struct Source {
    const void* owner;
    CFRunLoopMode mode;
    std::shared_ptr<std::function<bool()>> service;
  };
  std::mutex mu;
  std::condition_variable wake;
  std::vector<Source> sources;
  bool stopRequested = false;
};

CFRunLoopRef CFRunLoopGetCurrent() {
  // Run loops outlive their threads on the device as far as their users can tell; they are never
  // freed here either, since a source may still name one.
  thread_local CFRunLoopRef loop = new __CFRunLoop();
  return loop;
}

namespace {
// The library is loaded by the process's main thread, so its loop is the main one.
const CFRunLoopRef mainRunLoop = CFRunLoopGetCurrent();
}  // namespace

CFRunLoopRef CFRunLoopGetMain() { return mainRunLoop; }

bool CFRunLoopAddPollSource(CFRunLoopRef loop, const void* owner, const CFRunLoopMode& mode,
                            std::function<bool()> service) {
  if (!loop || !service) return false;
  std::lock_guard lock(loop->mu);
  for (const auto& s : loop->sources)
    if (s.owner == owner && s.mode == mode) return true;
  loop->sources.push_back({owner, mode, std::make_shared<std::function<bool()>>(std::move(service))});
  return true;
}

bool CFRunLoopRemovePollSource(CFRunLoopRef loop, const void* owner, const CFRunLoopMode& mode) {
  if (!loop) return false;
  std::lock_guard lock(loop->mu);
  auto before = loop->sources.size();
  std::erase_if(loop->sources, [&](const auto& s) { return s.owner == owner && s.mode == mode; });
  return loop->sources.size() != before;
}

void CFRunLoopStop(CFRunLoopRef loop) {
  if (!loop) return;
  std::lock_guard lock(loop->mu);
  loop->stopRequested = true;
  loop->wake.notify_all();
}

CFRunLoopRunResult CFRunLoopRunInMode(const CFRunLoopMode& mode, double seconds, bool returnAfterSourceHandled) {
  CFRunLoopRef loop = CFRunLoopGetCurrent();
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(std::max(0.0, seconds)));
  for (;;) {
    std::vector<std::shared_ptr<std::function<bool()>>> due;
    {
      std::lock_guard lock(loop->mu);
      if (loop->stopRequested) {
        loop->stopRequested = false;
        return kCFRunLoopRunStopped;
      }
      for (const auto& s : loop->sources)
        if (s.mode == mode || s.mode == kCFRunLoopCommonModes) due.push_back(s.service);
    }
    if (due.empty()) return kCFRunLoopRunFinished;
    // Serviced without the lock: a callback may schedule or unschedule sources.
    bool handled = false;
    for (const auto& service : due) handled = (*service)() || handled;
    if (handled && returnAfterSourceHandled) return kCFRunLoopRunHandledSource;
    std::unique_lock lock(loop->mu);
    if (std::chrono::steady_clock::now() >= deadline) return kCFRunLoopRunTimedOut;
    loop->wake.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)),
                          [&] { return loop->stopRequested; });
  }
}

}  // namespace platform
