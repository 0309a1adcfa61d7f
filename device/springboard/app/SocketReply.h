#pragma once
// How the device's processes word a reply line of the socket protocol (SpringBoardSocket.h): one
// JSON object on one line. Paths, titles and labels come from outside, so a byte that is not UTF-8
// is replaced rather than making the whole reply fail.
#include <string>

#include <nlohmann/json.hpp>

namespace socket_reply {

inline std::string line(const nlohmann::json& reply) {
  return reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// {"ok": false, "error": why}
inline std::string failure(const std::string& why) { return line(nlohmann::json{{"ok", false}, {"error", why}}); }

}  // namespace socket_reply
