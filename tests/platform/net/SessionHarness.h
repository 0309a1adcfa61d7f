#pragma once
// Runs one data task to its end and records how its completion was called.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/dispatch/Dispatch.h"
#include "platform/net/NSURLSession.h"

struct TaskOutcome {
  int calls = 0;
  std::optional<std::string> data;
  int statusCode = -1;
  std::optional<std::string> error;
  bool onSessionQueue = false;
};

inline NSURLRequest requestFor(const std::string& url, const std::string& method = "GET",
                               std::optional<std::string> body = std::nullopt) {
  NSURLRequest r = NSURLRequest::requestWithURL(NSURL::URLWithString(url));
  r.HTTPMethod = method;
  r.HTTPBody = std::move(body);
  return r;
}

inline TaskOutcome runTask(NSURLRequest request) {
  auto outcome = std::make_shared<TaskOutcome>();
  auto mu = std::make_shared<std::mutex>();
  auto session = NSURLSession::sessionWithConfiguration(NSURLSessionConfiguration::defaultSessionConfiguration());
  platform::DispatchQueue* queue = session->delegateQueue().get();
  auto task = session->dataTaskWithRequest(
      std::move(request), [outcome, mu, queue](std::optional<std::string> data, int status, std::optional<std::string> error) {
        std::lock_guard lock(*mu);
        ++outcome->calls;
        outcome->data = std::move(data);
        outcome->statusCode = status;
        outcome->error = std::move(error);
        outcome->onSessionQueue = NSURLSession::currentDelegateQueue() == queue;
      });
  task->resume();
  task.reset();
  session.reset();
  platform::waitUntilQueuesIdle();
  std::lock_guard lock(*mu);
  return *outcome;
}
