#pragma once
// The line protocol between the launcher and the device's processes (SpringBoard, Settings): a Unix
// socket in the device root per process, one request line in, one JSON reply line out, then the
// connection closes. Both sides use these helpers, so the limits and timeouts are the same at each
// end: the processes serve it with SpringBoardSocketServer.h, the launcher asks through
// device/launcher/SpringBoardSocketClient.h (tests and the fuzz target call `request` directly).
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kSpringBoardSocketPath = "/private/var/simulator/SpringBoard.sock";
inline constexpr const char* kSettingsSocketPath = "/private/var/simulator/Settings.sock";
// A request or reply longer than this is refused; nothing legitimate comes near it.
inline constexpr std::size_t kSpringBoardMaxLineBytes = 1 << 20;

namespace springboard_socket {

// A listening socket at the host path, mode 0600 (a stale socket file there is replaced); -1 on
// failure, errno set.
int listenAt(const std::string& hostPath);
// A connected socket, or -1 (errno set: ENOENT / ECONNREFUSED when nobody listens).
int connectTo(const std::string& hostPath);

// One line without its line feed; nothing on timeout, on end of input before a line feed, or for
// a line over kSpringBoardMaxLineBytes.
std::optional<std::string> readLine(int fd, std::chrono::milliseconds timeout);
bool writeAll(int fd, std::string_view bytes, std::chrono::milliseconds timeout);

struct Exchange {
  bool connected = false;        // someone listened
  std::optional<std::string> reply;
  std::string error;             // why there is no reply
};
// Sends one request line to the SpringBoard of the current device root and reads its reply.
Exchange request(const std::string& line, std::chrono::milliseconds timeout);
// The same to the process listening at a socket's device path; `processName` is for messages.
Exchange requestAt(const std::string& socketDevicePath, const std::string& processName, const std::string& line,
                   std::chrono::milliseconds timeout);

}  // namespace springboard_socket
