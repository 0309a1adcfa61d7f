#pragma once
// The Settings app's requests for a live view of its screen (the launcher's browser view), beside
// the command requests of SettingsRequests.h. Arguments are separated by tabs.
//   revision                a number that moves whenever the screen would look different
//   key insert TEXT         keys typed into the text field being edited, at its end
//   key backspace           the delete key: the field's last character goes
//   key return              the return key: the editing ends and the row keeps its text
//   drag X0 Y0 X1 Y1        a finger pressed at one point and lifted at the other, in screen
//                           points: a list scrolls, a row dragged to the left shows its Delete
//   touch PHASE X Y SECONDS a finger's report as it happens (began, moved, ended, cancelled), at a
//                           point in screen points, dated in seconds of the sender's clock: what
//                           is under it follows the finger, and a flick runs on after it lifts
//   scroll-at X Y DX DY     a mouse wheel or touchpad over a point: the list there moves by DX DY
// Nothing for any other command, which SettingsRequests answers.
#include <optional>
#include <string>
#include <vector>

std::optional<std::string> handleSettingsScreenRequest(const std::vector<std::string>& arguments);
