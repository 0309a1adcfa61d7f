// The launcher's requests as SpringBoard receives them: bytes on its socket, through its server
// (framing, the connection's thread, the hop to the main thread) to the request handler. Whatever
// arrives, SpringBoard answers with one line of JSON holding its "ok", and keeps answering.
//
// The process is set up as SpringBoard's main() does, without add-ons: its classes, its launch, the
// server on a socket in the fuzzer's device root, and a thread that plays the main thread.
// A screenshot request names a host file to write; every absolute path is turned into one file
// inside the device root, so that no input can write elsewhere on this machine.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "device/springboard/SpringBoard.h"
#include "device/springboard/SpringBoardClasses.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "device/springboard/app/SpringBoardSocketRequests.h"
#include "device/springboard/app/SpringBoardSocketServer.h"
#include "fuzz/FuzzDevice.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"

namespace {

std::string screenshotFile;
std::string socketHostPath;

std::string confined(std::string request) {
  const std::string prefix = "screenshot ";
  if (request.rfind(prefix, 0) != 0) return request;
  auto space = request.find(' ', prefix.size());
  if (space != std::string::npos && space + 1 < request.size() && request[space + 1] == '/')
    request = request.substr(0, space + 1) + screenshotFile;
  return request;
}

// The threads of this process now.
std::size_t threadCount() {
  std::error_code error;
  std::size_t n = 0;
  for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error))
    ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  screenshotFile = std::string(fuzz::prepareDevice()) + "/screenshot.png";
  // A small screen keeps a screenshot request from costing more than the rest of the run.
  platform::DeviceSettings settings;
  settings.screenWidth = 16;
  settings.screenHeight = 32;
  settings.screenScale = 1;
  settings.network = platform::NetworkKind::None;
  platform::saveDeviceSettings(settings);
  registerSpringBoardClasses();
  SpringBoard::sharedApplication()->applicationDidFinishLaunching();

  // Lives as long as the process, as SpringBoard's server does.
  auto* server = new SpringBoardSocketServer(SpringBoardSocketServer::ConcurrentHandler(
      [](const std::string& request, SpringBoardSocketServer::Connection& connection) {
        return handleSpringBoardRequest(confined(request), connection);
      }));
  fuzz::check(server->start(), "SpringBoard's server could not listen");
  socketHostPath = platform::hostPath(kSpringBoardSocketPath);
  std::thread([] {
    for (;;) platform::runMainQueueFor(std::chrono::milliseconds(100));
  }).detach();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t threadsBefore = threadCount();
  int fd = springboard_socket::connectTo(socketHostPath);
  fuzz::check(fd >= 0, "SpringBoard no longer accepts connections");
  // The launcher's side says its piece and hangs up its sending half, then reads the reply.
  springboard_socket::writeAll(fd, fuzz::bytes(data, size), std::chrono::seconds(5));
  ::shutdown(fd, SHUT_WR);
  auto reply = springboard_socket::readLine(fd, std::chrono::seconds(8));
  // The connection's thread closes its end once it is done with the request, then ends. Waiting
  // for both keeps what it holds (its strings; the C library's record of its thread-local
  // destructors, freed only as the thread ends) from being counted as leaks of this input by the
  // fuzzer's leak check. A request that started pool threads leaves more threads than before, so
  // the wait is bounded.
  char rest[256];
  while (::recv(fd, rest, sizeof rest, 0) > 0) {
  }
  ::close(fd);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  while (threadCount() > threadsBefore && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  fuzz::check(reply.has_value(), "no reply from SpringBoard");
  auto json = nlohmann::json::parse(*reply, nullptr, false);
  fuzz::check(json.is_object() && json.contains("ok") && json["ok"].is_boolean(), "a reply without its ok");
  return 0;
}
