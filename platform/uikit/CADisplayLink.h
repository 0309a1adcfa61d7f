#pragma once
// CADisplayLink: a callback at each frame of the display, for work that moves on screen over time
// (a flicked list slowing down, a wheel settling on a row). The host's run loop draws the frames:
// runMainRunLoopFor runs the main queue and, while any link is added, fires the links 60 times a
// second between its tasks. Main thread only.
#include <chrono>
#include <functional>
#include <memory>

class CADisplayLink : public std::enable_shared_from_this<CADisplayLink> {
 public:
  using Target = std::function<void(CADisplayLink& link)>;
  static constexpr double kFrameDuration = 1.0 / 60;

  // displayLinkWithTarget:selector:. The link does nothing until it is added.
  static std::shared_ptr<CADisplayLink> displayLinkWithTarget(Target target);

  // addToRunLoop:forMode: on the main run loop: the target is called from the next frame on. The
  // run loop keeps the link until it is invalidated.
  void addToMainRunLoop();
  // No more calls; the run loop lets the link (and its target) go. The target may call this.
  void invalidate();
  bool isRunning() const { return running_; }

  // The time of the frame being drawn, in seconds of the run loop's clock; 0 before the first.
  double timestamp() const { return timestamp_; }

  explicit CADisplayLink(Target target) : target_(std::move(target)) {}

 private:
  friend void fireDisplayLinks(double timestamp);
  Target target_;
  bool running_ = false;
  double timestamp_ = 0;
};

// One frame of the display at `timestamp` (seconds): each running link's target is called once. A
// link added by a target first fires at the next frame. The run loop calls this; tests call it
// with times of their own.
void fireDisplayLinks(double timestamp);
// Whether any link is running, that is whether the display has frames to draw.
bool displayLinksRunning();

namespace platform {

// The host's run loop for `timeout`: the main queue's tasks as they come and, while a display link
// runs, a frame every 1/60 s between them.
void runMainRunLoopFor(std::chrono::milliseconds timeout);

}  // namespace platform
