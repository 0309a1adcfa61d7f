#include "device/springboard/app/SpringBoardServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <memory>

#include <nlohmann/json.hpp>

#include "device/springboard/app/SpringBoardSocket.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"

namespace {
// A client that connects and says nothing must not hold the others up for long.
constexpr auto kRequestReadTimeout = std::chrono::seconds(5);
// Longer than any settle, which gives up after 30 seconds.
constexpr auto kMainThreadTimeout = std::chrono::seconds(90);
}  // namespace

SpringBoardServer::SpringBoardServer(Handler handler, std::string socketDevicePath, std::string processName)
    : handler_(std::move(handler)), socketDevicePath_(std::move(socketDevicePath)), processName_(std::move(processName)) {}

SpringBoardServer::~SpringBoardServer() { stop(); }

bool SpringBoardServer::start() {
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

void SpringBoardServer::stop() {
  if (listenFd_ < 0) return;
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  ::close(listenFd_);
  listenFd_ = -1;
  ::unlink(hostPath_.c_str());
}

void SpringBoardServer::serve() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    answer(client);
    ::close(client);
  }
}

void SpringBoardServer::answer(int client) {
  auto request = springboard_socket::readLine(client, kRequestReadTimeout);
  std::string reply;
  if (!request) {
    reply = R"({"ok":false,"error":"no request line arrived"})";
  } else {
    auto promise = std::make_shared<std::promise<std::string>>();
    auto future = promise->get_future();
    platform::dispatch_async(platform::dispatch_get_main_queue(),
                             [promise, handler = handler_, line = *request] { promise->set_value(handler(line)); });
    // In slices: a main thread that is on its way out stops draining, and waits for this thread.
    auto deadline = std::chrono::steady_clock::now() + kMainThreadTimeout;
    while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready && !stopping_ &&
           std::chrono::steady_clock::now() < deadline) {
    }
    if (future.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      reply = future.get();
    else if (stopping_)
      reply = nlohmann::json{{"ok", false}, {"error", processName_ + " is shutting down"}}.dump();
    else
      reply = nlohmann::json{{"ok", false}, {"error", processName_ + "'s main thread did not answer in time"}}.dump();
  }
  springboard_socket::writeAll(client, reply + "\n", kRequestReadTimeout);
}
