#pragma once
// SpringBoard's requests for a live view of its screen (the launcher's browser view), beside the
// command requests of SpringBoardSocketRequests.h:
//   revision                      a number that moves whenever the screen would look different
//                                 (windows, display, wallpapers, the lock screen's clock), and
//                                 whether the display is on
//   tap-at lock|home X Y          a finger at a point in screen points: SpringBoard's windows
//                                 first (a notice's button), then, on the home screen, the icon
//                                 there; the reply names the icon ("icon": "Settings")
// Nothing for any other command, which SpringBoardSocketRequests answers.
#include <optional>
#include <string>

std::optional<std::string> handleSpringBoardScreenRequest(const std::string& command, const std::string& arguments);
