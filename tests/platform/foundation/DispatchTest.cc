#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/dispatch/Dispatch.h"

using namespace platform;

TEST(Dispatch, GlobalQueueRunsOffTheCallerAndWaitCoversNestedTasks) {
  std::atomic<int> done{0};
  std::atomic<bool> offCaller{true};
  const auto caller = std::this_thread::get_id();
  for (int i = 0; i < 20; ++i)
    dispatch_async(dispatch_get_global_queue(QueuePriority::Background), [&] {
      offCaller = offCaller && std::this_thread::get_id() != caller && isBackgroundThread();
      dispatch_async(dispatch_get_global_queue(QueuePriority::Default), [&] { ++done; });
    });
  ASSERT_TRUE(waitUntilQueuesIdle());
  EXPECT_EQ(done, 20);
  EXPECT_TRUE(offCaller);
}

TEST(Dispatch, BlockedTasksDoNotStallOthers) {
  // Leave idle threads behind first: a burst of tasks must not be promised to them all.
  for (int i = 0; i < 3; ++i) dispatch_async(dispatch_get_global_queue(QueuePriority::Default), [] {});
  ASSERT_TRUE(waitUntilQueuesIdle());
  std::atomic<bool> release{false};
  std::atomic<int> ran{0};
  for (int i = 0; i < 8; ++i)
    dispatch_async(dispatch_get_global_queue(QueuePriority::Background), [&] {
      while (!release) std::this_thread::yield();
    });
  dispatch_async(dispatch_get_global_queue(QueuePriority::Background), [&] {
    ++ran;
    release = true;
  });
  const bool idle = waitUntilQueuesIdle(std::chrono::seconds(20));
  // Whatever happened, the spinning tasks must stop before this test's variables go.
  release = true;
  waitUntilQueuesIdle();
  EXPECT_TRUE(idle);
  EXPECT_EQ(ran, 1);
}

TEST(Dispatch, SerialQueueKeepsOrderAndNeverOverlaps) {
  auto q = dispatch_queue_create("test.serial");
  std::vector<int> order;
  std::atomic<int> inside{0}, maxInside{0};
  for (int i = 0; i < 200; ++i)
    q->async([&, i] {
      int now = ++inside;
      maxInside = std::max(maxInside.load(), now);
      order.push_back(i);
      --inside;
    });
  ASSERT_TRUE(waitUntilQueuesIdle());
  ASSERT_EQ(order.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
  EXPECT_EQ(maxInside, 1);
}

TEST(Dispatch, MainQueueRunsOnlyWhenDrainedOnTheDrainingThread) {
  std::thread::id ranOn;
  dispatch_async(dispatch_get_global_queue(QueuePriority::Default),
                 [&] { dispatch_async(dispatch_get_main_queue(), [&] { ranOn = std::this_thread::get_id(); }); });
  ASSERT_TRUE(waitUntilQueuesIdle());
  EXPECT_EQ(ranOn, std::thread::id());
  EXPECT_EQ(drainMainQueue(), 1u);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(Dispatch, AnActivityCoversTheWorkItsTasksQueueOnEveryQueueAndNothingElse) {
  auto activity = std::make_shared<DispatchActivity>();
  auto serial = dispatch_queue_create("activity test");
  std::atomic<bool> releaseOther{false}, releaseOwn{false};
  std::atomic<int> ownDone{0};
  // Someone else's work, started outside the activity and blocked: the activity never waits for it.
  dispatch_async(dispatch_get_global_queue(QueuePriority::Background), [&] {
    while (!releaseOther) std::this_thread::yield();
  });
  runInActivity(activity, [&] {
    dispatch_async(dispatch_get_global_queue(QueuePriority::Background), [&, serial] {
      dispatch_async(dispatch_get_main_queue(), [&, serial] {
        serial->async([&] {
          while (!releaseOwn) std::this_thread::yield();
          ++ownDone;
        });
      });
    });
  });
  // The chain went through the main queue, which only this thread drains.
  EXPECT_FALSE(activity->wait(std::chrono::milliseconds(50)));
  while (drainMainQueue() == 0) std::this_thread::yield();
  EXPECT_FALSE(activity->wait(std::chrono::milliseconds(50))) << "the serial task is still blocked";
  releaseOwn = true;
  EXPECT_TRUE(activity->wait(std::chrono::seconds(10)));
  EXPECT_EQ(ownDone, 1);
  EXPECT_EQ(activity->outstanding(), 0);
  releaseOther = true;
  ASSERT_TRUE(waitUntilQueuesIdle());
}
