// UIView's animation blocks. This platform draws no frames in between, so an animation is its end
// state at once and a completion that comes when the device's animation would have ended.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/dispatch/Dispatch.h"
#include "platform/uikit/UIView.h"

namespace {

// Longer animations are cut short here rather than keeping a pool thread, and anyone settling
// the queues, waiting for an hour.
constexpr double kLongestWait = 60;

double seconds(double v) { return std::isfinite(v) && v > 0 ? v : 0; }

}  // namespace

void UIView::animateWithDuration(double duration, double delay, unsigned /*options*/, std::function<void()> animations,
                                 std::function<void(bool finished)> completion) {
  if (animations) animations();
  if (!completion) return;
  double wait = std::min(kLongestWait, seconds(duration) + seconds(delay));
  // The wait runs as a background task, so that hosts that settle their queues after a request
  // (and the request's own activity) count the pending completion as work still to come.
  platform::dispatch_async(
      platform::dispatch_get_global_queue(platform::QueuePriority::Default),
      [wait, completion = std::move(completion)]() mutable {
        if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
        platform::dispatch_async(platform::dispatch_get_main_queue(),
                                 [completion = std::move(completion)] { completion(true); });
      });
}

void UIView::animateWithDuration(double duration, std::function<void()> animations,
                                 std::function<void(bool finished)> completion) {
  animateWithDuration(duration, 0, 0, std::move(animations), std::move(completion));
}
