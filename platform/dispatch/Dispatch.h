#pragma once
// Grand Central Dispatch: global concurrent queues (a thread pool that grows while its threads are
// blocked, as GCD's does), serial queues, and the main queue, which the host's run loop or a test
// drains on its own thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

using DispatchBlock = std::function<void()>;

class DispatchQueue {
 public:
  virtual ~DispatchQueue() = default;
  virtual void async(DispatchBlock block) = 0;
  virtual const std::string& label() const = 0;
};

enum class QueuePriority { High = 2, Default = 0, Low = -2, Background = -32768 };

// DISPATCH_QUEUE_PRIORITY_BACKGROUND and friends; the queues share one pool of threads.
DispatchQueue& dispatch_get_global_queue(QueuePriority priority);
DispatchQueue& dispatch_get_main_queue();
// A new serial queue; tasks run one after the other on a pool thread, in submission order.
std::shared_ptr<DispatchQueue> dispatch_queue_create(std::string label);

inline void dispatch_async(DispatchQueue& queue, DispatchBlock block) { queue.async(std::move(block)); }

// Runs the main queue's tasks on the calling thread: every task queued now and while draining.
// Returns the number of tasks run.
std::size_t drainMainQueue();
// Runs main-queue tasks as they come until the timeout passes; for a host's run loop.
std::size_t runMainQueueFor(std::chrono::milliseconds timeout);
// Runs one main-queue task, waiting for one until `until`; false when none came. For a run loop
// that does more between tasks (drawing the display's frames).
bool runOneMainQueueTask(std::chrono::steady_clock::time_point until);

// For tests and short-lived tools: waits until no global or serial-queue task is queued or running
// (tasks that submit further tasks included). Returns false if the timeout passed first.
bool waitUntilQueuesIdle(std::chrono::milliseconds timeout = std::chrono::seconds(30));

// For hosts that answer a request once the work it started is done: runs the main queue and waits
// for the background queues in turn until a pass finds both idle (a main-queue task may queue
// background work, and the reverse). Main thread only; false when the timeout passed first.
bool settleAllQueues(std::chrono::milliseconds timeout = std::chrono::seconds(30));

// True on a pool thread of the global or serial queues.
bool isBackgroundThread();

// The work one request set off, wherever it runs: a task queued (on any queue) while an activity
// is current belongs to it, and so do the tasks that task queues in turn. A host that answers a
// request once its work is done waits on the request's activity, and so never waits for work
// that someone else started.
class DispatchActivity {
 public:
  // Waits until none of the activity's tasks is queued or running; false when the timeout passed
  // first. Any thread but one that runs a task of this activity.
  bool wait(std::chrono::milliseconds timeout);
  // Tasks queued and not yet finished.
  long outstanding();

  // The queues count the activity's tasks through these.
  void taskQueued();
  void taskFinished();

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  long outstanding_ = 0;
};

// Runs `work` on the calling thread with `activity` current; whatever it queues belongs to it.
void runInActivity(const std::shared_ptr<DispatchActivity>& activity, const DispatchBlock& work);

}  // namespace platform
