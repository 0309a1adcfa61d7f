#pragma once
// What SpringBoard does for the launcher's requests, one line each, on SpringBoard's main thread:
//   lock                          the display turns off (backlight off, then factor 1.0 -> 0.0)
//   unlock                        the display turns on (factor 0.0 -> 1.0)
//   status                        pid, iOS version, engine, display and wallpapers
//   screenshot lock|home HOSTPATH the screen as a person sees it, as a PNG
//   tap TITLE                     a finger on the control of that title
//   settle                        waits until the work started so far is done
// Replies are one JSON object: {"ok": true, ...} or {"ok": false, "error": "..."}. lock, unlock
// and tap reply only once the work they started has settled, so the next screenshot shows it.
#include <chrono>
#include <string>

std::string handleSpringBoardRequest(const std::string& line);

// Runs the background queues and the main queue until both are idle; false when the timeout
// passed first. Main thread only.
bool settleSpringBoard(std::chrono::milliseconds timeout = std::chrono::seconds(30));
