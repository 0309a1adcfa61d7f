#include "device/launcher/SpringBoardSocketClient.h"

#include <thread>

#include <fmt/format.h>

#include "device/launcher/Launchd.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "platform/foundation/DeviceRoot.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

std::optional<json> parseReply(const std::string& text) {
  json reply = json::parse(text, nullptr, false);
  if (reply.is_discarded() || !reply.is_object()) return std::nullopt;
  return reply;
}

}  // namespace

std::optional<json> querySpringBoard(const std::string& request, std::chrono::milliseconds timeout) {
  auto exchange = springboard_socket::request(request, timeout);
  if (!exchange.reply) return std::nullopt;
  return parseReply(*exchange.reply);
}

std::optional<pid_t> waitForSpringBoard(std::chrono::milliseconds timeout, pid_t notPid) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (auto reply = querySpringBoard("status", 2s); reply && reply->value("ok", false)) {
      pid_t pid = reply->value("pid", 0);
      if (pid != notPid) return pid;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(50ms);
  }
}

std::optional<json> askSpringBoard(const std::string& request, std::chrono::milliseconds timeout) {
  auto exchange = springboard_socket::request(request, timeout);
  // Between a kill and the supervisor's next start nobody listens for a moment.
  if (!exchange.connected && runningLaunchdPid() && waitForSpringBoard(10s))
    exchange = springboard_socket::request(request, timeout);
  if (!exchange.connected) {
    std::string root = platform::deviceRoot();
    fmt::print(stderr, "tovalune-device: SpringBoard is not running on the device at {} (start it with "
               "`tovalune-device --device {} boot`)\n", root, root);
    return std::nullopt;
  }
  if (!exchange.reply) {
    fmt::print(stderr, "tovalune-device: {}\n", exchange.error);
    return std::nullopt;
  }
  auto reply = parseReply(*exchange.reply);
  if (!reply) {
    fmt::print(stderr, "tovalune-device: SpringBoard's reply is not readable: {}\n", exchange.reply->substr(0, 200));
    return std::nullopt;
  }
  if (!reply->value("ok", false)) {
    fmt::print(stderr, "tovalune-device: SpringBoard refused: {}\n", reply->value("error", std::string("no reason given")));
    return std::nullopt;
  }
  return reply;
}
