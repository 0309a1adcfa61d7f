#pragma once
// The device processes' side of the SpringBoard socket protocol (SpringBoardSocket.h): SpringBoard
// serves it, and the Settings app serves the same protocol at its own socket. The launcher's side
// is device/launcher/SpringBoardSocketClient.h.
//
// Only the process's owner may connect: the socket file is created with mode 0600, and a peer of
// another user is turned away all the same (root passes file modes). A request that is no line of
// text, or never arrives, gets an error reply; nothing a client sends ends the process.
//
// Two ways to serve:
// - one request at a time, each handed whole to the main queue (the Settings app, whose requests
//   may wait for their work on the main thread);
// - each connection on a thread of its own (SpringBoard), so that a request that waits for a slow
//   refresh never holds up the next `status`. Such a handler reaches the process's objects only
//   through `onMainThread`, and waits for work on its own thread.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "device/springboard/app/SpringBoardSocket.h"
#include "platform/dispatch/Dispatch.h"

class SpringBoardSocketServer {
 public:
  using Handler = std::function<std::string(const std::string& request)>;
  class Connection;
  using ConcurrentHandler = std::function<std::string(const std::string& request, Connection& connection)>;

  // Listens at the socket's device path; `processName` names the process in log lines and replies.
  // This handler runs on the main thread, one request after the other.
  explicit SpringBoardSocketServer(Handler handler, std::string socketDevicePath = kSpringBoardSocketPath,
                                   std::string processName = "SpringBoard");
  // This one runs on each connection's own thread, beside the others.
  explicit SpringBoardSocketServer(ConcurrentHandler handler,
                                   std::string socketDevicePath = kSpringBoardSocketPath,
                                   std::string processName = "SpringBoard");
  ~SpringBoardSocketServer();
  SpringBoardSocketServer(const SpringBoardSocketServer&) = delete;
  SpringBoardSocketServer& operator=(const SpringBoardSocketServer&) = delete;

  // Listens at the socket path; false (logged) when it cannot.
  bool start();
  // Stops accepting, lets the open connections go and removes the socket file.
  void stop();

 private:
  void serve();
  void answer(int client);
  std::string answerOnMainThread(const std::string& request);
  void release(int client);

  Handler handler_;
  ConcurrentHandler concurrentHandler_;
  std::string socketDevicePath_;
  std::string processName_;
  std::string hostPath_;
  int listenFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  std::mutex mu_;
  std::condition_variable connectionsDone_;
  std::set<int> open_;  // connections being answered on their own threads
};

// What a concurrent handler may do beside reading its request.
class SpringBoardSocketServer::Connection {
 public:
  Connection(const std::atomic<bool>& stopping, const std::string& processName)
      : stopping_(stopping), processName_(processName) {}

  // Runs `work` on the main thread and hands back its result; nothing when the process stops or
  // the main thread does not get to it within `timeout` (`failure()` then says which). `work`
  // must own what it uses: it may still run after this gave up.
  template <typename T>
  std::optional<T> onMainThread(std::function<T()> work,
                                std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    auto promise = std::make_shared<std::promise<T>>();
    auto future = promise->get_future();
    platform::dispatch_async(platform::dispatch_get_main_queue(),
                             [promise, work = std::move(work)] { promise->set_value(work()); });
    // Woken by the result itself, in slices so that a stopping process is not held up: a request
    // answered on the main thread costs no more than its work (a poll every few milliseconds
    // would add those to each one, and a live view asks several times a frame).
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (future.wait_for(std::min<std::chrono::steady_clock::duration>(deadline - std::chrono::steady_clock::now(),
                                                                         std::chrono::milliseconds(50))) !=
           std::future_status::ready) {
      if (stopping_ || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    }
    return future.get();
  }

  // Waits on this thread until `done` holds, in short slices so that a stopping process is not
  // held up; false when the process stops or the timeout passes first.
  bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Waits for the work of an activity the same way.
  bool waitFor(platform::DispatchActivity& activity, std::chrono::milliseconds timeout);

  bool stopping() const { return stopping_; }
  // The error reply after onMainThread gave up.
  std::string failure() const;

 private:
  const std::atomic<bool>& stopping_;
  const std::string& processName_;
};
