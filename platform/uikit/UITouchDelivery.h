#pragma once
// Taps and the screen read as elements, for the hosts that drive the device (SpringBoard, the
// Settings app, the launcher's browser view). All of it runs on the main thread.
//
// Which views a finger reaches: the visible windows are tried top first (by level, then the one
// shown last); in a window, the controller presented last covers those beneath it, and the
// window's own views come last. The first of these whose hit-test takes the point decides, even
// when the view found does nothing with the tap.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/uikit/UIAccessibility.h"
#include "platform/uikit/UIWindow.h"

// The phases a finger's touch goes through, as UIKit names them.
enum UITouchPhase {
  UITouchPhaseBegan = 0,
  UITouchPhaseMoved = 1,
  UITouchPhaseStationary = 2,
  UITouchPhaseEnded = 3,
  UITouchPhaseCancelled = 4,
};

namespace platform {

// The visible windows, top first.
std::vector<std::shared_ptr<UIWindow>> visibleWindowsTopFirst();

// The frontmost view that takes touches at a point of the screen (in points), found as a tap finds
// it, and the point in that view's coordinates; no view when nothing takes the point.
struct ScreenHit {
  std::shared_ptr<UIView> view;
  CGPoint point;
};
ScreenHit hitTestScreen(CGPoint screenPoint);

// The views a finger touching down there would reach, the hit view first and then its
// superviews, each with the point in its own coordinates; all held until the caller lets go.
std::vector<std::pair<std::shared_ptr<UIView>, CGPoint>> viewsUnderTouch(const ScreenHit& hit);

// A tap at a point of the screen (in points): the frontmost view there that takes touches gets
// it (a button its touch-up-inside, a switch flips, a text field starts editing); a view that does
// nothing with a tap passes it on to its superviews. Returns the view that acted, or nullptr.
std::shared_ptr<UIView> tapAtPoint(CGPoint screenPoint);

// A finger that moves less than this (points) from where it touched down taps; further, it drags.
inline constexpr double kTouchSlop = 10;

// The one finger on the screen, report by report as the screen's hardware makes them: it touches
// down (UITouchPhaseBegan) at a point of the screen (points), moves, and lifts (Ended) or is taken
// away (Cancelled); `timestamp` (seconds, on any clock that goes forward) dates each report.
// - A finger that lifts no further than the slop from where it touched down taps there, unless
//   its touch-down stopped a flicked list (which is all it does).
// - Once further, the views under the touch-down point are offered the drag (UIView::panBegan)
//   and the one that takes it follows the finger; it lifts with the speed of its last tenth of a
//   second of moves (none when it rested before lifting).
// A report out of order (a move with no finger down) is logged and ignored; a touch-down while a
// finger is down cancels the first. Returns whether a view has (or took) the touch: the drag, the
// tap, or the flick stopped. Main thread only.
bool touchScreen(UITouchPhase phase, CGPoint screenPoint, double timestamp);

// The tap given to a view at a point of its own coordinates, passed on up the superviews until
// one acts. Returns the view that acted, or nullptr.
std::shared_ptr<UIView> deliverTap(UIView* view, CGPoint point);

// What a screen reader finds on the screen: the elements of the topmost visible window (of the
// controller it presents last, when it presents one), in reading order (top to bottom, and left
// to right along a line), frames in screen points. Elements out of sight (rows scrolled away) are
// listed where they would be.
std::vector<UIAccessibilityElement> accessibilityElements();

// Typing on the keyboard into the first responder (a text field being edited): its text is
// cleared (one editing-changed), then each character is typed in turn, each sending
// editing-changed; a line feed is the return key and ends the editing, and what follows it goes
// nowhere (logged). False, logged, when nothing is being edited.
bool typeText(const std::string& text);

// A finger on the control with exactly that label (or identifier) among the elements the screen shows: the
// frontmost one that is enabled and takes the tap. Returns whether something was tapped.
bool tapControlWithTitle(const std::string& title);

}  // namespace platform
