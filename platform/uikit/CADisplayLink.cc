#include "platform/uikit/CADisplayLink.h"

#include <algorithm>
#include <vector>

#include "platform/dispatch/Dispatch.h"

namespace {

std::vector<std::shared_ptr<CADisplayLink>>& runningLinks() {
  static auto* links = new std::vector<std::shared_ptr<CADisplayLink>>();
  return *links;
}

double clockSeconds(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(t.time_since_epoch()).count();
}

}  // namespace

std::shared_ptr<CADisplayLink> CADisplayLink::displayLinkWithTarget(Target target) {
  return std::make_shared<CADisplayLink>(std::move(target));
}

void CADisplayLink::addToMainRunLoop() {
  if (running_) return;
  running_ = true;
  runningLinks().push_back(shared_from_this());
}

void CADisplayLink::invalidate() {
  if (!running_) return;
  running_ = false;
  auto& links = runningLinks();
  links.erase(std::remove(links.begin(), links.end(), shared_from_this()), links.end());
}

void fireDisplayLinks(double timestamp) {
  // A target may add or invalidate links, its own included; those present at the frame's start fire.
  std::vector<std::shared_ptr<CADisplayLink>> links = runningLinks();
  for (const auto& link : links) {
    if (!link->running_) continue;
    link->timestamp_ = timestamp;
    link->target_(*link);
  }
}

bool displayLinksRunning() { return !runningLinks().empty(); }

namespace platform {

void runMainRunLoopFor(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto frame = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(CADisplayLink::kFrameDuration));
  const auto until = Clock::now() + timeout;
  // The frame after the one drawn last; a link added while idle waits one frame for its first.
  static Clock::time_point nextFrame;
  static bool drawing = false;
  for (;;) {
    auto now = Clock::now();
    if (!displayLinksRunning()) {
      drawing = false;
    } else if (!drawing) {
      drawing = true;
      nextFrame = now + frame;
    } else if (now >= nextFrame) {
      fireDisplayLinks(clockSeconds(now));
      // A late frame is not made up for: the next comes one frame on.
      nextFrame += frame;
      if (auto after = Clock::now(); nextFrame <= after) nextFrame = after + frame;
      continue;
    }
    if (now >= until) return;
    runOneMainQueueTask(drawing ? std::min(until, nextFrame) : until);
  }
}

}  // namespace platform
