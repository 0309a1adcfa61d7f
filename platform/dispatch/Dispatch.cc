#include "platform/dispatch/Dispatch.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace platform {
namespace {

thread_local bool onPoolThread = false;
thread_local std::shared_ptr<DispatchActivity> currentActivity;

// A task queued under an activity carries it: it counts towards the activity until it has run,
// and runs with it current so that what it queues counts too.
DispatchBlock tracked(DispatchBlock block) {
  std::shared_ptr<DispatchActivity> activity = currentActivity;
  if (!activity) return block;
  activity->taskQueued();
  return [activity, block = std::move(block)]() mutable {
    std::shared_ptr<DispatchActivity> previous = std::exchange(currentActivity, activity);
    block();
    block = nullptr;  // what the task captured is let go before it counts as done
    currentActivity = std::move(previous);
    activity->taskFinished();
  };
}

// One pool for every queue. A task that blocks (a download, a sleep between retries) must not
// stall the others, so a new thread starts whenever a task arrives and no thread is idle.
class Pool {
 public:
  static Pool& shared() {
    static Pool* pool = new Pool();  // never destroyed: detached workers may outlive main()
    return *pool;
  }

  void submit(DispatchBlock block) {
    std::unique_lock lock(mu_);
    tasks_.push_back(std::move(block));
    ++outstanding_;
    // Every queued task needs a thread of its own to come: an idle thread counts only until it
    // wakes, and several tasks may be queued before any idle thread has woken.
    if (tasks_.size() > static_cast<std::size_t>(idle_) && threads_ < kMaxThreads) {
      ++threads_;
      std::thread([this] { work(); }).detach();
    }
    cv_.notify_one();
  }

  bool waitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mu_);
    return idleCv_.wait_for(lock, timeout, [this] { return outstanding_ == 0; });
  }

  // Serial queues count their pending tasks here so that waitIdle covers them too.
  void addOutstanding(long n) {
    std::lock_guard lock(mu_);
    outstanding_ += n;
    if (outstanding_ == 0) idleCv_.notify_all();
  }

 private:
  static constexpr int kMaxThreads = 64;

  void work() {
    onPoolThread = true;
    std::unique_lock lock(mu_);
    for (;;) {
      ++idle_;
      bool got = cv_.wait_for(lock, std::chrono::seconds(10), [this] { return !tasks_.empty(); });
      --idle_;
      if (!got) {
        --threads_;
        return;
      }
      DispatchBlock block = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      block();
      block = nullptr;  // release captures before the task counts as done
      lock.lock();
      if (--outstanding_ == 0) idleCv_.notify_all();
    }
  }

  std::mutex mu_;
  std::condition_variable cv_, idleCv_;
  std::deque<DispatchBlock> tasks_;
  int threads_ = 0, idle_ = 0;
  long outstanding_ = 0;
};

class GlobalQueue : public DispatchQueue {
 public:
  explicit GlobalQueue(std::string label) : label_(std::move(label)) {}
  void async(DispatchBlock block) override { Pool::shared().submit(tracked(std::move(block))); }
  const std::string& label() const override { return label_; }

 private:
  std::string label_;
};

class SerialQueue : public DispatchQueue, public std::enable_shared_from_this<SerialQueue> {
 public:
  explicit SerialQueue(std::string label) : label_(std::move(label)) {}
  void async(DispatchBlock block) override {
    bool start = false;
    block = tracked(std::move(block));
    {
      std::lock_guard lock(mu_);
      tasks_.push_back(std::move(block));
      start = !running_;
      running_ = true;
    }
    Pool::shared().addOutstanding(1);
    if (start) {
      auto self = shared_from_this();
      Pool::shared().submit([self] { self->drain(); });
    }
  }
  const std::string& label() const override { return label_; }

 private:
  void drain() {
    for (;;) {
      DispatchBlock block;
      {
        std::lock_guard lock(mu_);
        if (tasks_.empty()) {
          running_ = false;
          return;
        }
        block = std::move(tasks_.front());
        tasks_.pop_front();
      }
      block();
      block = nullptr;
      Pool::shared().addOutstanding(-1);
    }
  }

  std::string label_;
  std::mutex mu_;
  std::deque<DispatchBlock> tasks_;
  bool running_ = false;
};

class MainQueue : public DispatchQueue {
 public:
  void async(DispatchBlock block) override {
    block = tracked(std::move(block));
    std::lock_guard lock(mu_);
    tasks_.push_back(std::move(block));
    cv_.notify_all();
  }
  const std::string& label() const override { return label_; }

  bool runOne(std::chrono::steady_clock::time_point until) {
    DispatchBlock block;
    {
      std::unique_lock lock(mu_);
      if (!cv_.wait_until(lock, until, [this] { return !tasks_.empty(); })) return false;
      block = std::move(tasks_.front());
      tasks_.pop_front();
    }
    block();
    return true;
  }

 private:
  std::string label_ = "com.apple.main-thread";
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<DispatchBlock> tasks_;
};

MainQueue& mainQueue() {
  static MainQueue* q = new MainQueue();
  return *q;
}

}  // namespace

DispatchQueue& dispatch_get_global_queue(QueuePriority priority) {
  static GlobalQueue* high = new GlobalQueue("com.apple.root.user-initiated-qos");
  static GlobalQueue* def = new GlobalQueue("com.apple.root.default-qos");
  static GlobalQueue* low = new GlobalQueue("com.apple.root.utility-qos");
  static GlobalQueue* bg = new GlobalQueue("com.apple.root.background-qos");
  switch (priority) {
    case QueuePriority::High: return *high;
    case QueuePriority::Low: return *low;
    case QueuePriority::Background: return *bg;
    default: return *def;
  }
}

DispatchQueue& dispatch_get_main_queue() { return mainQueue(); }

std::shared_ptr<DispatchQueue> dispatch_queue_create(std::string label) {
  return std::make_shared<SerialQueue>(std::move(label));
}

std::size_t drainMainQueue() {
  std::size_t n = 0;
  while (mainQueue().runOne(std::chrono::steady_clock::now())) ++n;
  return n;
}

std::size_t runMainQueueFor(std::chrono::milliseconds timeout) {
  auto until = std::chrono::steady_clock::now() + timeout;
  std::size_t n = 0;
  while (mainQueue().runOne(until)) ++n;
  return n;
}

bool runOneMainQueueTask(std::chrono::steady_clock::time_point until) { return mainQueue().runOne(until); }

bool waitUntilQueuesIdle(std::chrono::milliseconds timeout) { return Pool::shared().waitIdle(timeout); }

bool settleAllQueues(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    bool idle = waitUntilQueuesIdle(std::max(left, std::chrono::milliseconds(0)));
    std::size_t ran = drainMainQueue();
    if (idle && ran == 0) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

bool isBackgroundThread() { return onPoolThread; }

bool DispatchActivity::wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mu_);
  return cv_.wait_for(lock, timeout, [this] { return outstanding_ == 0; });
}

long DispatchActivity::outstanding() {
  std::lock_guard lock(mu_);
  return outstanding_;
}

void DispatchActivity::taskQueued() {
  std::lock_guard lock(mu_);
  ++outstanding_;
}

void DispatchActivity::taskFinished() {
  std::lock_guard lock(mu_);
  if (--outstanding_ == 0) cv_.notify_all();
}

void runInActivity(const std::shared_ptr<DispatchActivity>& activity, const DispatchBlock& work) {
  struct Restore {
    std::shared_ptr<DispatchActivity> previous;
    ~Restore() { currentActivity = std::move(previous); }
  } restore{std::exchange(currentActivity, activity)};
  work();
}

}  // namespace platform
