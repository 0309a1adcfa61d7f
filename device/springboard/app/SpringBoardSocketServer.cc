#include "device/springboard/app/SpringBoardSocketServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <nlohmann/json.hpp>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"

namespace {
// A client that connects and says nothing must not hold a thread for long.
constexpr auto kRequestReadTimeout = std::chrono::seconds(5);
// Longer than any settle of the Settings app, which gives up after 30 seconds.
constexpr auto kMainThreadTimeout = std::chrono::seconds(90);
// Connections answered at once; more are turned away rather than given a thread each.
constexpr std::size_t kMaxConnections = 32;
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

std::string errorReply(const std::string& why) {
  return nlohmann::json{{"ok", false}, {"error", why}}.dump(-1, ' ', false,
                                                            nlohmann::json::error_handler_t::replace);
}

bool samePeerUser(int client) {
  ucred peer{};
  socklen_t length = sizeof peer;
  if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) return false;
  return peer.uid == ::geteuid();
}

}  // namespace

bool SpringBoardSocketServer::Connection::waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (stopping_ || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool SpringBoardSocketServer::Connection::waitFor(platform::DispatchActivity& activity, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (activity.wait(std::clamp(left, std::chrono::milliseconds(0), std::chrono::milliseconds(kWaitSlice))))
      return true;
    if (stopping_ || std::chrono::steady_clock::now() >= deadline) return false;
  }
}

std::string SpringBoardSocketServer::Connection::failure() const {
  if (stopping_) return errorReply(processName_ + " is shutting down");
  return errorReply(processName_ + "'s main thread did not answer in time");
}

SpringBoardSocketServer::SpringBoardSocketServer(Handler handler, std::string socketDevicePath, std::string processName)
    : handler_(std::move(handler)), socketDevicePath_(std::move(socketDevicePath)), processName_(std::move(processName)) {}

SpringBoardSocketServer::SpringBoardSocketServer(ConcurrentHandler handler, std::string socketDevicePath, std::string processName)
    : concurrentHandler_(std::move(handler)),
      socketDevicePath_(std::move(socketDevicePath)),
      processName_(std::move(processName)) {}

SpringBoardSocketServer::~SpringBoardSocketServer() { stop(); }

bool SpringBoardSocketServer::start() {
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(socketDevicePath_));
  hostPath_ = platform::hostPath(socketDevicePath_);
  listenFd_ = springboard_socket::listenAt(hostPath_);
  if (listenFd_ < 0) {
    NSLog("{}: cannot listen at {}: {}", processName_, hostPath_, std::strerror(errno));
    return false;
  }
  thread_ = std::thread([this] { serve(); });
  return true;
}

void SpringBoardSocketServer::stop() {
  if (listenFd_ < 0) return;
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  {
    // Connections that wait for a request or for work give up at once; each then ends its thread.
    std::unique_lock lock(mu_);
    for (int client : open_) ::shutdown(client, SHUT_RDWR);
    connectionsDone_.wait(lock, [this] { return open_.empty(); });
  }
  ::close(listenFd_);
  listenFd_ = -1;
  ::unlink(hostPath_.c_str());
}

void SpringBoardSocketServer::serve() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    if (!samePeerUser(client)) {
      NSLog("{}: turned away a connection from another user", processName_);
      ::close(client);
      continue;
    }
    if (!concurrentHandler_) {
      answer(client);
      ::close(client);
      continue;
    }
    {
      std::lock_guard lock(mu_);
      if (open_.size() >= kMaxConnections) {
        springboard_socket::writeAll(client, errorReply(processName_ + " is busy with other requests") + "\n",
                                     std::chrono::milliseconds(100));
        ::close(client);
        continue;
      }
      open_.insert(client);
    }
    std::thread([this, client] {
      answer(client);
      release(client);
    }).detach();
  }
}

void SpringBoardSocketServer::release(int client) {
  std::lock_guard lock(mu_);
  ::close(client);
  open_.erase(client);
  if (open_.empty()) connectionsDone_.notify_all();
}

void SpringBoardSocketServer::answer(int client) {
  auto request = springboard_socket::readLine(client, kRequestReadTimeout);
  std::string reply;
  if (!request) {
    reply = errorReply("no request line arrived");
  } else if (request->find('\0') != std::string::npos) {
    reply = errorReply("the request is not a line of text");
  } else if (concurrentHandler_) {
    Connection connection(stopping_, processName_);
    reply = concurrentHandler_(*request, connection);
  } else {
    reply = answerOnMainThread(*request);
  }
  springboard_socket::writeAll(client, reply + "\n", kRequestReadTimeout);
}

std::string SpringBoardSocketServer::answerOnMainThread(const std::string& request) {
  Connection connection(stopping_, processName_);
  auto reply = connection.onMainThread<std::string>([handler = handler_, request] { return handler(request); },
                                                    kMainThreadTimeout);
  return reply ? *reply : connection.failure();
}
