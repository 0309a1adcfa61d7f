#include "platform/net/NSURLSession.h"

#include "platform/net/HTTPTransfer.h"

namespace {
thread_local platform::DispatchQueue* runningDelegateQueue = nullptr;
std::atomic<unsigned> sessionCounter{0};
}  // namespace

NSURLSession::NSURLSession(const NSURLSessionConfiguration& configuration, std::shared_ptr<void> delegate,
                           std::shared_ptr<platform::DispatchQueue> queue)
    : configuration_(configuration), delegate_(std::move(delegate)), queue_(std::move(queue)) {
  if (!queue_) queue_ = platform::dispatch_queue_create("NSURLSession delegate queue " + std::to_string(++sessionCounter));
}

std::shared_ptr<NSURLSession> NSURLSession::sessionWithConfiguration(const NSURLSessionConfiguration& configuration,
                                                                     std::shared_ptr<void> delegate,
                                                                     std::shared_ptr<platform::DispatchQueue> delegateQueue) {
  return std::make_shared<NSURLSession>(configuration, std::move(delegate), std::move(delegateQueue));
}

std::shared_ptr<NSURLSessionDataTask> NSURLSession::dataTaskWithRequest(NSURLRequest request,
                                                                        NSURLSessionDataTaskCompletion completion) {
  return std::make_shared<NSURLSessionDataTask>(shared_from_this(), std::move(request), std::move(completion));
}

platform::DispatchQueue* NSURLSession::currentDelegateQueue() { return runningDelegateQueue; }

NSURLSessionDataTask::NSURLSessionDataTask(std::shared_ptr<NSURLSession> session, NSURLRequest request,
                                           NSURLSessionDataTaskCompletion completion)
    : session_(std::move(session)), request_(std::move(request)), completion_(std::move(completion)) {}

void NSURLSessionDataTask::resume() {
  State expected = State::Suspended;
  if (!state_.compare_exchange_strong(expected, State::Running)) return;
  // The transfer blocks its thread, so it runs on the global queue; the session's serial queue
  // stays free for completions.
  auto self = shared_from_this();
  platform::dispatch_async(platform::dispatch_get_global_queue(platform::QueuePriority::Default), [self] {
    platform::HTTPResult r = platform::performHTTPRequest(self->request_, &self->cancelled_,
                                                          self->session_->configuration().timeoutIntervalForResource);
    self->deliver(std::move(r.body), r.statusCode, std::move(r.error));
  });
}

void NSURLSessionDataTask::cancel() {
  cancelled_ = true;
  resume();
}

void NSURLSessionDataTask::deliver(std::optional<std::string> data, int statusCode, std::optional<std::string> error) {
  auto self = shared_from_this();
  std::shared_ptr<platform::DispatchQueue> queue = session_->delegateQueue();
  queue->async([self, queue, data = std::move(data), statusCode, error = std::move(error)]() mutable {
    NSURLSessionDataTaskCompletion completion = std::move(self->completion_);
    self->completion_ = nullptr;
    self->state_ = State::Completed;
    runningDelegateQueue = queue.get();
    if (completion) completion(std::move(data), statusCode, std::move(error));
    runningDelegateQueue = nullptr;
  });
}
