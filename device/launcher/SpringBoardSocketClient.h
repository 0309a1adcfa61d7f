#pragma once
// The launcher's side of the SpringBoard socket protocol (SpringBoardSocket.h): one request, one
// parsed reply, with timeouts, and clear messages when SpringBoard is not there.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

// The reply of a running SpringBoard, or nothing (without a message) when none answers or the
// reply is no JSON object.
std::optional<nlohmann::json> querySpringBoard(const std::string& request,
                                               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// For commands: a SpringBoard that is being restarted by the supervisor is waited for. Prints
// why on stderr and returns nothing when it is not running, does not answer, or refuses the
// request ({"ok": false}).
std::optional<nlohmann::json> askSpringBoard(const std::string& request,
                                             std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Waits until a SpringBoard whose pid is not `notPid` answers; its pid, or nothing at the timeout.
std::optional<pid_t> waitForSpringBoard(std::chrono::milliseconds timeout, pid_t notPid = 0);
