#pragma once
// What SpringBoard answers on its socket (the server's side), one request line each. Requests are
// answered side by side, each on its connection's thread; what touches SpringBoard's objects runs on
// the main thread.
//   lock [SECONDS]                the display turns off (backlight off, then factor 1.0 -> 0.0)
//   unlock [SECONDS]              the display turns on (factor 0.0 -> 1.0)
//   status                        pid, iOS version, engine, display and wallpapers
//   screenshot lock|home HOSTPATH the screen as a person sees it, as a PNG
//   tap TITLE                     a finger on the control of that title
//   settle [SECONDS]              waits until all work queued so far is done
// Replies are one JSON object: {"ok": true, ...} or {"ok": false, "error": "..."}. lock, unlock
// and tap reply once the work they started has settled, so the next screenshot shows it, but wait
// at most SECONDS (default 10): {"settled": false} then says their work is still running. They
// never wait for work someone else started, and status and screenshot wait for nobody's work.
#include <chrono>
#include <string>

#include "device/springboard/app/SpringBoardSocketServer.h"

inline constexpr std::chrono::seconds kDefaultWait{10};

std::string handleSpringBoardRequest(const std::string& line, SpringBoardSocketServer::Connection& connection);
