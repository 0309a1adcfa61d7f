#pragma once
// What the Settings app does for the launcher's requests, on its main thread. A request is a
// command and its arguments separated by tabs (labels hold spaces); a command with one argument
// may also be written "command argument".
//   status                  pid, the screen on top (title, class) and how deep the stack is
//   show                    the screen on top as elements: title, back button, rows with their
//                           values and accessories, alerts and their actions; grid tiles, picker
//                           photos and the time wheel (SettingsEditorRequests.h)
//   open [PANE]             back to the list of panes; with a pane's label or bundle, opens it
//   tap TEXT                the element with that label: a row, button, bar button, "Back", an
//                           alert's action
//   tap-at X Y              a finger at a point, in screen points
//   toggle LABEL            the switch of the row with that label
//   choose LABEL TITLE      the row's list of choices opened, TITLE picked, back on the row's list
//   type LABEL TEXT         the row's text field given TEXT, and editing ended (the value written)
//   back                    the back button
//   screenshot HOSTPATH     the screen as a PNG
//   tile, pick, pick-cancel, wheel, delete: the editor screens' requests (SettingsEditorRequests.h)
// Replies are one JSON object: {"ok": true, ...} or {"ok": false, "error": "..."}. Each request
// that acts replies once the work it started has settled, so the next `show` sees it.
#include <string>

std::string handleSettingsRequest(const std::string& line);
