#pragma once
// NSURLSession for data tasks: a session made for a request (or shared by several), its own serial
// completion queue unless one is given, and data tasks whose `resume` performs the request on a
// global background queue and then calls the completion once on the session's queue.
//
// A session holds its delegate (any object, kept alive but never called: the system implements
// none of the delegate methods) for as long as the session lives; a task holds its session until
// its completion has run, so the delegate lives at least as long as every pending request.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/dispatch/Dispatch.h"
#include "platform/net/NSURLRequest.h"

struct NSURLSessionConfiguration {
  // The whole request, redirects included; the connection itself has 15 seconds.
  double timeoutIntervalForResource = 60;

  static NSURLSessionConfiguration defaultSessionConfiguration() { return {}; }
};

// data: the body of the response (any status), nothing on failure; statusCode: the HTTP status, 0
// when there was no response; error: why the request failed, nothing on success. Called exactly
// once per resumed task.
using NSURLSessionDataTaskCompletion =
    std::function<void(std::optional<std::string> data, int statusCode, std::optional<std::string> error)>;

class NSURLSession;

class NSURLSessionDataTask : public std::enable_shared_from_this<NSURLSessionDataTask> {
 public:
  enum class State { Suspended, Running, Completed };

  // Starts the request; later calls do nothing.
  void resume();
  // Ends the request; the completion gets no data, status 0 and the error "cancelled" (a task not
  // yet resumed is started for that).
  void cancel();
  State state() const { return state_.load(); }
  const NSURLRequest& originalRequest() const { return request_; }

  NSURLSessionDataTask(std::shared_ptr<NSURLSession> session, NSURLRequest request,
                       NSURLSessionDataTaskCompletion completion);

 private:
  void deliver(std::optional<std::string> data, int statusCode, std::optional<std::string> error);

  std::shared_ptr<NSURLSession> session_;
  NSURLRequest request_;
  NSURLSessionDataTaskCompletion completion_;
  std::atomic<State> state_{State::Suspended};
  std::atomic<bool> cancelled_{false};
};

class NSURLSession : public std::enable_shared_from_this<NSURLSession> {
 public:
  // sessionWithConfiguration:delegate:delegateQueue:. Without a queue the session makes its own
  // serial one.
  static std::shared_ptr<NSURLSession> sessionWithConfiguration(
      const NSURLSessionConfiguration& configuration, std::shared_ptr<void> delegate = nullptr,
      std::shared_ptr<platform::DispatchQueue> delegateQueue = nullptr);

  std::shared_ptr<NSURLSessionDataTask> dataTaskWithRequest(NSURLRequest request,
                                                            NSURLSessionDataTaskCompletion completion);

  const std::shared_ptr<platform::DispatchQueue>& delegateQueue() const { return queue_; }
  const std::shared_ptr<void>& delegate() const { return delegate_; }
  const NSURLSessionConfiguration& configuration() const { return configuration_; }

  // [NSOperationQueue currentQueue] inside a completion: the delegate queue running it on this
  // thread, nullptr elsewhere.
  static platform::DispatchQueue* currentDelegateQueue();

  NSURLSession(const NSURLSessionConfiguration& configuration, std::shared_ptr<void> delegate,
               std::shared_ptr<platform::DispatchQueue> queue);

 private:
  NSURLSessionConfiguration configuration_;
  std::shared_ptr<void> delegate_;
  std::shared_ptr<platform::DispatchQueue> queue_;
};
