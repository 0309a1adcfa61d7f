#pragma once
// The Settings app's requests for the pane's editor screens: grids of pictures, the photo picker,
// the time wheel and lists whose rows are swiped away. Each acts as a finger would (a tap at the
// tile's centre, a leftward drag on the row) and replies once the work it set off has settled.
// Arguments are separated by tabs.
//   tile N                  a tap on item N of the grid on screen (scrolled into view first)
//   pick N                  in the presented photo picker, a tap on photo N (0 is the newest)
//   pick-cancel             the picker's "Cancel"
//   wheel HH:MM             the time wheel on screen turned to that time (value-changed sent)
//   delete TEXT             the list row whose text is TEXT swiped to the left, and its delete
//                           button tapped
// Nothing for any other command, which SettingsRequests answers.
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

std::optional<std::string> handleSettingsEditorRequest(const std::vector<std::string>& arguments);

// What `show` adds for these screens, each only when the screen has one:
//   "tiles":  [{"index": N, "label": L, "file": NAME}]  the grid's items in sight; file is the name
//             of the file the tile's picture came from, when it came from one
//   "photos": [{"index": N, "file": NAME}]              the presented picker's photos, newest first
//   "wheel":  "HH:MM"                                   the time wheel's time
nlohmann::json editorScreenState();

// Lays the window's views out and runs the work that sets off (a grid fills its new cells' pictures
// in main-queue tasks), so that what is read next is what a person would see drawn.
void settleScreen();
