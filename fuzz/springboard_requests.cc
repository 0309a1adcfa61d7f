// The launcher's requests as SpringBoard receives them: bytes on its socket, read as one line, then
// handled on the main thread. Whatever arrives, the answer is one line of JSON with its "ok".
//
// A screenshot request names a host file to write; here every absolute path is turned into one
// file inside the fuzzer's device root, so that no input can write elsewhere on this machine.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "device/springboard/SpringBoard.h"
#include "device/springboard/SpringBoardClasses.h"
#include "device/springboard/app/SpringBoardRequests.h"
#include "device/springboard/app/SpringBoardSocket.h"
#include "fuzz/FuzzDevice.h"
#include "platform/foundation/DeviceSettings.h"

namespace {

std::string screenshotFile;

std::string confined(std::string request) {
  const std::string prefix = "screenshot ";
  if (request.rfind(prefix, 0) != 0) return request;
  auto space = request.find(' ', prefix.size());
  if (space != std::string::npos && space + 1 < request.size() && request[space + 1] == '/')
    request = request.substr(0, space + 1) + screenshotFile;
  return request;
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
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  // The launcher's side says its piece and hangs up; SpringBoard's side reads its line.
  springboard_socket::writeAll(pair[0], fuzz::bytes(data, size), std::chrono::seconds(1));
  ::shutdown(pair[0], SHUT_WR);
  auto request = springboard_socket::readLine(pair[1], std::chrono::seconds(1));
  ::close(pair[0]);
  ::close(pair[1]);
  if (!request) return 0;
  fuzz::check(request->find('\n') == std::string::npos, "a request line holding a line feed");

  const std::string reply = handleSpringBoardRequest(confined(*request));
  fuzz::check(reply.find('\n') == std::string::npos, "a reply of more than one line");
  auto json = nlohmann::json::parse(reply, nullptr, false);
  fuzz::check(json.is_object() && json.contains("ok") && json["ok"].is_boolean(), "a reply without its ok");
  return 0;
}
